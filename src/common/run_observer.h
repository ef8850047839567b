#pragma once

#include <QString>

namespace vt
{

// How far a run is: the front end words its caption and moves its bar.
struct RunProgress {
    enum class Stage {
        Preparing, // the tools are put in place
        Working,   // a step of a book: reading, cutting, encoding, between pieces
        Speaking,  // a piece is being spoken
        Joining,   // the pieces are joined; `waited` counts a long join's passes
    };
    Stage stage = Stage::Preparing;
    int book = 0; // the book in progress, from 1; 0 while preparing
    int books = 0;
    int piece = 0; // the piece in progress, from 1; 0 between pieces
    int pieces = 0;
    double percent = 0; // of the whole run, 0..100
    int activity = 0;   // raised at every step and every pass of a waiting tool
    int waited = -1;    // passes of a join counted after its first five seconds
};

// Something the person running the conversion should read.
struct RunMessage {
    enum class Kind {
        Notice,           // `text` as it stands ("Another conversion is already running ...")
        StepFailure,      // a numbered step failed: `text` says why, `location` and `line` where
        UnreadableBook,   // `book` gave no text; `text` is the reason
        VoiceUnavailable, // the voice could not be loaded; `text` is the engine's description
    };
    Kind kind = Kind::Notice;
    QString text;
    QString book;
    QString location;
    int line = 0;
};

// What became of one book of a run.
struct BookResult {
    QString book;
    QString resultPath;
    bool ok = false;
    QString reason; // why it failed, in words a user understands
    QString voice;  // the voice it was spoken with
    QString note;   // what the user should know of it, e.g. that no voice speaks its language
};

// All the core knows of a front end: the window, the batch program and the
// tests each implement it. The run calls it on its own thread.
class RunObserver
{
  public:
    virtual ~RunObserver() = default;
    virtual void progress(const RunProgress& progress) = 0;
    virtual void message(const RunMessage& message) = 0;
    // The voice a book is spoken with, before its conversion begins.
    virtual void bookStarted(const QString& book, const QString& voice, const QString& note) = 0;
    virtual void bookFinished(const BookResult& result) = 0;
    // Called at every point where the run lets the front end breathe (the
    // window handles its pending events here); true ends the run there: the
    // tool it waits for, its unfinished result and its working files go.
    virtual bool stopRequested() = 0;
};

} // namespace vt

#pragma once

#include "common/files.h"
#include "common/step_guard.h"
#include "pipeline/book_job.h"
#include "speech/book_voice.h"
#include "tools/command_runner.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

namespace vt
{

class EpubBook;

// What the run lends the chain's steps while they work.
struct ChainHooks {
    StepReport report;                  // a numbered step failed
    Yield yield;                        // let the front end breathe; a stop raises RunStopped
    ToolPass toolPass;                  // every pass of a waiting tool
    std::function<void(double)> spoken; // how far speaking or encoding is (0..1)
    std::function<void(const QString&)> voiceUnavailable; // the voice cannot be loaded
};

// The steps of the per-book chain as the conversion run calls them. The
// real chain runs the tools; tests put in a scripted one.
class Chain
{
  public:
    virtual ~Chain() = default;
    // Puts the tools into the working folder, each step under the run's guard.
    virtual void deployTools(StepGuard& run) = 0;
    virtual void removeTools(StepGuard& run) = 0;
    // A new book, read once by the run: the voice it is spoken with, chosen
    // now; all its pieces are spoken with it.
    virtual BookVoice startBook(const BookJob& job, const EpubBook& book) = 0;
    // Leaves W/output.txt when the book could be converted to text.
    virtual ToolRun readEpubToText() = 0;
    // Cuts the text into W/outputNNN.txt pieces, deletes it, returns the count.
    virtual qint32 cutText(const QString& textPath) = 0;
    // Speaks a piece file into a WAV file.
    virtual void saveToWav(const QString& source, const QString& wavPath) = 0;
    // Encodes a piece's WAV file into the target: an MP3 piece or the book's
    // file. Why it failed, in words for the user, when it did.
    virtual Expected<void> encodePiece(const QString& wavPath, const QString& target) = 0;
    // Whether this book's pieces are spoken straight into its encoders
    // (speakPiece, finishPieces) instead of through WAV files.
    virtual bool streams() const { return false; }
    // Speaks a piece file into the encoders of `target`, the book's file;
    // false when it could not be spoken completely.
    virtual bool speakPiece(const QString& /*source*/, const QString& /*target*/) { return false; }
    // Encodes what is left once every piece is spoken; the file is complete.
    virtual Expected<void> finishPieces() { return {}; }
    // Finishes the book's file once all its pieces are in: its title,
    // authors, cover and chapters when the job asks for them. Notes on what
    // was cut short or left out, or the problem when it could not be written.
    virtual Expected<QStringList> finishResult(const QString& resultPath) = 0;
    // Cuts the finished book's file into a file per chapter in `folder`
    // ("NN - Title.mp3"), each with the book's tags, its own title and its
    // number; the book's file stays as it is. The number of files, none
    // when the book has too few chapters to cut it at.
    virtual Expected<int> splitResult(const QString& resultPath, const QString& folder) = 0;

    // Set by the run before the first book.
    void setHooks(ChainHooks hooks) { hooks_ = std::move(hooks); }

  protected:
    const ChainHooks& hooks() const { return hooks_; }

  private:
    ChainHooks hooks_;
};

} // namespace vt

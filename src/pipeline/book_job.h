#pragma once

#include "epub/book_parts.h"
#include "speech/sp_voice.h"
#include "tags/book_tags.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace vt
{

// What a book becomes: an MP3 file (the design's), or an M4B audio book
// (AAC in MP4) that more players show as a book with chapters.
enum class OutputFormat { Mp3, M4b };
QString SuffixOf(OutputFormat format);

// What the listener chose to hear of a book, and how.
struct ListenerChoices {
    PartChoice parts;          // by default the parts ReadByDefault keeps
    QString pronunciations;    // the global pronunciation list; "" for none
    int chapterPauseMs = 2000; // silence before each chapter
    int paragraphPauseMs = -1; // after each heading and paragraph; -1: the engine's own
};

// Everything one book's conversion needs, taken when the run starts: the
// front end's controls or options are not read again.
struct BookJob {
    QString book;                      // the EPUB file
    QString result;                    // the MP3 file it becomes
    std::optional<VoiceToken> voice;   // none: the speech engine's default voice
    int volume = 100;                  // 0..100
    int rate = 0;                      // -10..10
    bool tags = true;                  // title, authors, cover and chapters into the result
    bool matchLanguage = false;        // a book in another language goes to a voice for it
    Id3Version id3 = Id3Version::V2_3; // the MP3's tag
    OutputFormat format = OutputFormat::Mp3;
    bool splitChapters = false; // a folder of a file per chapter
    // Cores the book is encoded on: 0 every core, 1 the sequential chain
    // (each piece spoken to a WAV file, then encoded by the deployed tool).
    int threads = 0;
    ListenerChoices listening;
};

// The choices a run starts with, as the window's controls or the batch
// program's options give them.
struct JobSettings {
    std::optional<VoiceToken> voice;
    int volume = 100;
    int rate = 0;
    bool tags = true;
    bool matchLanguage = false;
    Id3Version id3 = Id3Version::V2_3;
    OutputFormat format = OutputFormat::Mp3;
    bool splitChapters = false;
    int threads = 0;
    ListenerChoices listening;
    QHash<QString, QList<int>> chosenParts; // by book: the parts chosen in the window
    bool option1 = true;                    // results into `folder`
    bool option2 = false;                   // results beside each book
    QString folder;
};

// The result path of a book from the output options: into the folder with
// option1, beside the book with option2 (option1 wins), else beside the
// book when its folder exists. Only the last extension is replaced; a name
// too long, or not UTF-8, is made one the file system takes
// (FittingResultName).
QString ResultPath(const QString& bookPath, bool option1, bool option2, const QString& folder,
                   OutputFormat format = OutputFormat::Mp3);

// One job per book, in the list's order; different books never share a
// result (SeparateSameNamedResults).
QList<BookJob> MakeJobs(const QStringList& books, const JobSettings& settings);

} // namespace vt

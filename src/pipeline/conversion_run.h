#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vt
{

class Chain;
class WindowPort;

// What became of one book of a run.
struct BookResult {
    QString book;
    QString resultPath;
    bool ok = false;
    QString reason; // why it failed, in words a user understands
    QString voice;  // the voice it was spoken with
    QString note;   // what the user should know of it, e.g. that no voice speaks its language
};

// What a run achieved, for the window's summary and the batch converter.
struct RunOutcome {
    bool started = false; // false when refused before anything was done
    QList<BookResult> books;
    QStringList failedBooks() const;
};

inline const QString kAnotherRunMessage =
    QStringLiteral("Another conversion is already running in the working folder.");

// Of a piece's part of the bar, speaking takes the first share and encoding
// the rest: lame -h takes about nine times as long as espeak-ng on a book.
inline constexpr double kSpeakingShare = 0.1;

// The result path of a book from the output options of the window.
QString ResultPath(const QString& bookPath, bool option1, bool option2, const QString& text1);

// The one line of the join script: every path in POSIX single quotes.
QString JoinScriptLine(const QStringList& pieces, const QString& resultPath);

// "Start Converting To MP3": every book of the list through the chain.
RunOutcome PushButton1_Click(WindowPort& window, Chain& chain);

// Removes the result that the book in progress has begun to write, when the
// program ends in the middle of a run (window closed, batch interrupted).
void RemoveUnfinishedResult();

// Ends the run in progress at once, as closing the window or a signal does:
// ends the tool it waits for, removes the result its book had begun and
// every working file of the run (texts, audio, tools, the lock). Nothing
// else in the working folder is touched.
void AbandonRun();

} // namespace vt

#pragma once

#include "common/run_observer.h"
#include "pipeline/book_job.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vt
{

class Chain;

// What a run achieved, for the window's summary and the batch program.
struct RunOutcome {
    bool started = false; // false when refused before anything was done
    bool stopped = false; // the front end asked it to stop: it ended early
    QList<BookResult> books;
    QStringList failedBooks() const;
};

inline const QString kAnotherRunMessage =
    QStringLiteral("Another conversion is already running in the working folder.");

// The one line of the join script: every path in POSIX single quotes.
QString JoinScriptLine(const QStringList& pieces, const QString& resultPath);

// Every book through the chain, one after the other, in the working folder;
// what happens is told to the observer. Two runs never share a working
// folder: the second is refused with kAnotherRunMessage.
RunOutcome ConvertBooks(const QList<BookJob>& jobs, RunObserver& observer, Chain& chain);

// "Done.", then each failed book on a line of its own with the reason, then
// the notes on books (the summary the window shows at the end).
QString RunSummary(const RunOutcome& outcome);

// Removes the file the book in progress is making its result in, when the
// program ends in the middle of a run (window closed, batch interrupted);
// an older result stays as it was.
void RemoveUnfinishedResult();

// Ends the run in progress at once, as closing the window does: ends the
// tool it waits for, removes the result its book had begun and every
// working file of the run (texts, audio, tools, the lock). Nothing else in
// the working folder is touched.
void AbandonRun();

} // namespace vt

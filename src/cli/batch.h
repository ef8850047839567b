#pragma once

#include "common/expected.h"
#include "pipeline/book_job.h"

#include <QString>
#include <QStringList>

namespace vt
{

// What the batch program converts with: the job settings and, for the
// children of a --jobs batch, the voice's position in the voice list.
struct BatchSettings {
    int voice = -1; // -1: the speech engine's default voice
    JobSettings job;
    QString result; // a child's one book's result, as its parent named it
};

// A path in a child's command line: percent-encoded bytes, since a name
// that is not UTF-8 cannot pass through Qt's arguments (see Path).
QString ChildPathArgument(const QString& path);
QString PathFromChildArgument(const QString& argument);

// Runs the books in this process through the conversion run; prints one
// result line per book; returns the exit status (130 when interrupted).
int ConvertInProcess(const QStringList& books, const BatchSettings& settings, bool showProgress);

// The cores each child of a batch running `jobs` books at once encodes on:
// the --threads asked for, else an equal share of the machine's cores.
int ChildThreads(int threads, int jobs);

// Runs the books `jobs` at a time, one child process per book; prints the
// children's result lines in book order; returns the exit status.
int ConvertInChildren(const QString& program, const QStringList& books,
                      const BatchSettings& settings, int jobs);

// Makes a private working folder for this process and sets TEMP to it;
// removes it again at exit. An interruption (interruption.h) ends the
// running tool, removes this run's working files and ends the process with
// status 130.
Expected<void> SetUpPrivateWorkingFolder();
void RemovePrivateWorkingFolder();

} // namespace vt

#pragma once

#include "cli/console_window.h"

#include <QString>
#include <QStringList>

namespace vt
{

// Runs the books in this process through the conversion run; prints one
// result line per book; returns the exit status.
int ConvertInProcess(const QStringList& books, const ConsoleWindow::Settings& settings,
                     bool showProgress);

// Runs the books `jobs` at a time, one child process per book; prints the
// children's result lines in book order; returns the exit status.
int ConvertInChildren(const QString& program, const QStringList& books,
                      const ConsoleWindow::Settings& settings, int jobs);

// Makes a private working folder for this process and sets TEMP to it;
// removes it again at exit. An interruption (interruption.h) ends the
// running tool, removes this run's working files and ends the process with
// status 130.
bool SetUpPrivateWorkingFolder(QString& error);
void RemovePrivateWorkingFolder();

} // namespace vt

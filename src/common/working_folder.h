#pragma once

#include <QString>

namespace vt
{

// The working folder W, read afresh at every use: TEMP when it is set and
// not empty, else a private per-user folder under TMPDIR (or /tmp). A folder
// that other users may write to is never used itself: a private
// "vellumtone-<uid>" folder inside it takes its place. Raises an error with
// a clear description when no safe folder can be had. No trailing "/".
QString WorkingFolder();

// Makes a relative TEMP (or TMPDIR) absolute against the folder the program
// was started in. Called once at start, before anything changes the current
// folder (the run makes the program's own folder current).
void MakeWorkingFolderAbsolute();

// W followed by "/" and the name.
QString WorkingFile(const QString& name);

} // namespace vt

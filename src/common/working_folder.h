#pragma once

#include "common/expected.h"
#include "common/path.h"

namespace vt
{

// The working folder W, read afresh at every use: TEMP when it is set and
// not empty, else a private per-user folder under TMPDIR (or /tmp). A folder
// that other users may write to is never used itself: a private
// "vellumtone-<uid>" folder inside it takes its place. The problem, in words
// a user can act on, when no safe folder can be had. No trailing "/".
Expected<Path> WorkingFolder();

// Makes a relative TEMP (or TMPDIR) absolute against the folder the program
// was started in. Called once at start, before anything changes the current
// folder (the run makes the program's own folder current).
void MakeWorkingFolderAbsolute();

} // namespace vt

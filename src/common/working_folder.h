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

// W followed by "/" and the name.
QString WorkingFile(const QString& name);

} // namespace vt

#pragma once

#include "common/files.h"
#include "common/step_guard.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vt
{

// Windows-style attribute bits as this platform maps them: read-only when the
// owner may not write, hidden when the name begins with ".", archive on every
// regular file, reparse point on a symbolic link. System is never set.
namespace attr
{
inline constexpr int ReadOnly = 1;
inline constexpr int Hidden = 2;
inline constexpr int System = 4;
inline constexpr int Directory = 16;
inline constexpr int Archive = 32;
inline constexpr int ReparsePoint = 1024;
} // namespace attr

// The attribute value of a path (links followed for the type), -1 when the
// path does not exist.
int FileAttributes(const QString& path);

// Extends a list of folders (each ending with "/") in place with their
// sub-folders, breadth-first: the given entries, then every first-level
// sub-folder grouped by parent, then the second level, and so on. Symbolic
// links to folders are followed, but no folder is listed twice, so link
// loops end. Folders that cannot be read are removed without a message.
// Failing steps are reported through `report`; the window yields through `yield`.
void GetSubDirectories2016(QStringList& folders, bool recurse, const Yield& yield,
                           const StepReport& report);

// Names of the files (hidden ones included, folders never) of a folder that
// match a pattern such as "*.epub" or "*.*", ignoring letter case, in the
// order the file system lists them. Only names that pass IsExistingFile.
QStringList ListFolderFiles(const QString& folder, const QString& pattern);

// True when the path names an existing regular file that can be opened
// (no read permission needed); false for folders and missing paths.
bool IsExistingFile(const QString& path);

// True when a name as the file system stores it holds a control character
// (codes below 32 or from 127 to 159) or bytes that are not valid UTF-8.
// The text form can only test the control characters.
bool HasOddCharacters(const QByteArray& name);
bool HasOddCharacters(const QString& name);

// Wildcard match ("*" and "?") without regard to case; "*.*" matches all.
bool MatchesPattern(const QString& name, const QString& pattern);

} // namespace vt

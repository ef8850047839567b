#pragma once

#include "common/expected.h"
#include "common/path.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

// Lets the window handle its pending events once; may be empty.
using Yield = std::function<void()>;

// True when the path exists (files and folders alike, links followed).
bool FileExists(const Path& path);
// True when the path exists and is a folder.
bool IsFolder(const Path& path);
// Creates or truncates the file and writes the text (UTF-8) and a line break.
Expected<void> WriteTextFile(const QString& text, const Path& path);
// Yields once; writes the bytes into a new file unless the path exists.
Expected<void> WriteBytesIfMissing(const QByteArray& bytes, const Path& path,
                                   const Yield& yield = {});
// The whole file as UTF-8 text; "" when missing, "empty file" when empty.
QString ReadTextFile(const Path& path);
// Yields once and deletes the file, read-only or not; never fails.
void DeleteFileQuiet(const Path& path, const Yield& yield = {});
// Deletes everything below the folder and the folder itself. Links are
// removed, never followed. Deletions never fail; a folder that cannot be
// listed is the problem.
Expected<void> DeleteFolderTree(const Path& folder, const Yield& yield = {});
// Removes an empty folder; failure is ignored.
void RemoveFolderQuiet(const Path& folder);
// The desktop folder followed by "/".
Expected<QString> GetDesktopFolder();
// Where results go on a first start, followed by "/": the desktop folder when
// it exists (many desktops and servers have none), else the music folder of
// the XDG user folders, else home.
QString DefaultOutputFolder();

} // namespace vt

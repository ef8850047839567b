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
// What the path is when it is no regular file (links followed): "a FIFO",
// "a device", "a socket", "a folder"; "" for a file or a missing path.
// Reading a FIFO waits for a writer for good and a device may never end, so
// such a path is refused by its type before it is opened.
QString SpecialFileKind(const Path& path);
// The whole of a regular file of at most `maxBytes`. A missing file is the
// problem err::PathNotFound; a special file is refused without waiting for it.
Expected<QByteArray> ReadSmallFile(const Path& path, qint64 maxBytes);
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

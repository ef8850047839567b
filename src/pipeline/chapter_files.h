#pragma once

#include <QString>

namespace vt
{

// The longest chapter title a file name keeps, in UTF-8 bytes: with its
// number and suffix the name stays under the 255 bytes file systems allow.
inline constexpr qsizetype kChapterNameBytesMax = 200;

// The name of a chapter's own file, "07 - The Whale.mp3": its number of
// `total`, at least two digits wide so that names sort in order, and its
// title made safe on every file system (no slashes, control characters,
// characters Windows refuses, leading or trailing dots and spaces; cut at
// a character to fit). A title with nothing left becomes "Chapter N".
QString ChapterFileName(int number, int total, const QString& title, const QString& suffix);

} // namespace vt

#pragma once

#include <QString>

// Path strings. The separator is "/"; a folder path may or may not end with one.
namespace vt
{

// The part after the last "/" ("" for a path ending in "/").
QString GetFileName(const QString& path);
// The part up to and including the last "/" ("" without one).
QString GetFolderPart(const QString& path);
// The name without its last "." and what follows; a name whose only dot is
// its first character comes back unchanged.
QString StripExtension(const QString& name);
// Doubled separators become one in a single left-to-right pass over
// non-overlapping pairs; a leading run of separators becomes exactly one.
QString CollapseBackslashes(const QString& path);
// There are no short names here: an existing path comes back unchanged, a
// missing one as "".
QString GetShortPath(const QString& path);

// Piece number in the "000" format: at least three digits, 1000 on in full.
QString PieceNumber(int piece);

} // namespace vt

#pragma once

#include "common/path.h"

#include <QList>
#include <QString>

namespace vt
{

struct BookJob;

// The longest name a result gets, in bytes: the hidden file it is made in
// adds about 26 bytes to it, and a name may have 255.
inline constexpr qsizetype kMaxResultNameBytes = 200;

// A result's file name as the file system takes it: a name that is not
// UTF-8 read as Windows-1252 (see Path::readable), and one longer than
// kMaxResultNameBytes cut at a character before its extension.
QString FittingResultName(const QString& name);

// "book (2).mp3" for "book.mp3" and 2.
Path NumberedResult(const Path& result, int n);

// Gives each book of a list a result of its own: the second of two
// different books that would make the same result (d1/book.epub and
// d2/book.epub into one folder, book.epub and book.EPUB side by side) gets
// "book (2).mp3", and so on; letter case does not tell names apart, as on
// the FAT disks of car stereos.
void SeparateSameNamedResults(QList<BookJob>& jobs);

// Where a book's result goes when an earlier run left a result of another
// book at `result` (or at its folder of chapters): the first numbered place
// that is free or holds this book's own. A result says which book made it
// in its extended attribute "user.vellumtone.book"; one without (made by an
// older version, or on a file system that keeps none) counts as this book's.
Path PlaceOfThisBook(const Path& result, const QString& book, bool chapterFolder);

// Marks a result (file or folder of chapters) as made from `book`.
void MarkResultOfBook(const Path& result, const QString& book);

// The book's note on its result's name, or "": a number added, a name cut
// short or not UTF-8.
QString ResultNameNote(const QString& book, const Path& result);

} // namespace vt

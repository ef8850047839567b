#pragma once

#include "epub/book_parts.h"
#include "epub/contents.h"
#include "text/pronunciations.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace vt
{

class EpubBook;

// Where a chapter begins in the text that is spoken.
struct ChapterPlace {
    QString title;
    qint32 piece = 1;  // the piece file it begins in, from 1
    qint64 offset = 0; // characters (code points) of that piece before its first word
};

// Finds where the entries of a book's contents begin in its piece files (in
// order), by the words each entry's place in the book opens with. The
// book's documents are found in reading order, each after the end of the
// one before, so a contents page that lists the chapters does not take
// their places. Entries whose words are not found, and entries of pages
// without words (a cover picture), are left out; entries found at one
// place make one chapter, named by the first; an entry not found by its
// first words is looked for by fewer of them between the entries found
// around it. `between` runs now and then (the window yields there). The
// book's words are read from the pages of the spoken copy
// (ForEachSpokenPage: without the parts the listener skipped, the marks
// and numbers as spoken), as `transform` changed them (the pronunciation
// rules, the reading of Japanese). Never raises.
QList<ChapterPlace> LocateChapters(const EpubBook& book, const QList<ContentsEntry>& contents,
                                   const QStringList& piecePaths,
                                   const std::function<void()>& between = {},
                                   const LineTransform& transform = {},
                                   const SkippedText& skipped = {});

} // namespace vt

#pragma once

#include "epub/book_parts.h"
#include "text/chapter_places.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// Books of random shape for the tests of the parts a listener chooses: the
// fuzz target and the property test with the real converter make them the
// same way, from a string of bytes.
namespace vt::fuzz
{

// A book of pages in their reading order (a non-linear one among them, the
// navigation document at times), each holding parts that begin at its
// start, at a section (a nested one too), a heading or an anchor in the
// middle of a paragraph, between comments that hold markup, character
// data, escaped markup, page-break markers and note references. Its
// contents nest, with headings that link nowhere; some parts are of kinds
// not read by default; a page of links is a contents page of its own.
struct MadeBook {
    QList<QPair<QString, QByteArray>> files; // inside OEBPS/, the package document too
    // The words of each part in reading order, as ReadBookParts gives the
    // parts; every word of the book is in one part or `always`.
    QList<QStringList> parts;
    QList<bool> listed;         // the contents lists the part (it gets a chapter mark)
    QStringList always;         // words before the first part, or after a page of its own
    QHash<QString, int> partOf; // word: its part, -1 for `always`
    QStringList order;          // every word, in reading order
};

MadeBook MakeBook(const uint8_t* data, size_t size);
// Writes the book as an EPUB archive; false when it could not be written.
bool WriteBook(const MadeBook& book, const QString& path);

// A stand-in for the converter: the text of the spoken copy's pages, in
// order, a line for each block, character data as text.
QString ConvertedText(const EpubBook& book, const SkippedText& skipped);

// What is wrong with the text the converter gave for a choice of parts, or
// "": its words of the book must be the chosen parts' words (and the words
// read always), each once, in the reading order.
QString CheckChosenText(const MadeBook& book, const QList<bool>& read, const QString& text);

// What is wrong with the chapter places found in the pieces for the parts
// read, or "": every part the contents lists that is read has a place at its
// first word.
QString CheckMarks(const MadeBook& book, const QList<bool>& read, const QList<ChapterPlace>& places,
                   const QStringList& pieces);

} // namespace vt::fuzz

#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

namespace vt
{

class EpubBook;

// What a part of a book is, as its structure says (EPUB 3 landmarks and
// epub:type, EPUB 2 guide types) or, failing that, its title in the
// contents.
enum class PartKind {
    Text, // chapters and everything not named below
    Cover,
    TitlePage,
    Contents,
    Copyright,
    Dedication,
    Index,
    Bibliography,
    Endnotes,
    Colophon,
    Imprint,
    Illustrations, // a list of illustrations
    Tables,        // a list of tables
    Lists,         // another list: abbreviations, symbols, theorems, notes
};

// "copyright page", "index", ...; "" for Text.
QString PartKindName(PartKind kind);
// Copyright page, colophon, imprint, index, bibliography, the contents and
// the other lists are not read unless chosen.
bool ReadByDefault(PartKind kind);

// One entry a listener may choose to hear or not: an entry of the book's
// contents, or a page of the reading order that the contents leaves out but
// the structure names (a copyright page no contents lists, a page of links).
struct BookPart {
    QString title;
    QString path;     // the document inside the archive
    QString fragment; // where in it the part begins; "" for its start
    int level = 1;
    PartKind kind = PartKind::Text;
    bool listed = true; // an entry of the contents (chapter marks come from these)
    // Its document's place in the order the converter reads the spoken copy:
    // the reading order (linear="no" too), then the pages the contents
    // names outside it (but the navigation document); -1 for no page.
    int document = -1;
    qsizetype order = -1;   // where its element begins in the document; -1 for the start
    bool wholeBook = false; // the parts together hold all of the book's text
};

// The book's parts in reading order; empty for a book without contents or
// structure (all of it is read). Never raises.
QList<BookPart> ReadBookParts(const EpubBook& book);

// Which parts are read: the numbers chosen (from 1), or every part, or (by
// default) the parts ReadByDefault keeps; all of them when it keeps none of
// a book that is all parts (a book of contents pages only is read as it is).
struct PartChoice {
    std::optional<QList<int>> chosen;
    bool readAll = false;
};
QList<bool> PartsRead(const QList<BookPart>& parts, const PartChoice& choice);

// "3-12,15" as numbers in order, each once; nothing (and `error` set) for
// text that is not such a list.
std::optional<QList<int>> ParsePartNumbers(const QString& text, QString& error);
// Numbers written as ParsePartNumbers reads them ("3-12,15").
QString WritePartNumbers(QList<int> numbers);

// The text a choice leaves out: whole documents, and stretches inside a
// document between two places (an element's id; "" for the document's
// start or end); and the documents outside the reading order that are read
// after it.
struct SkippedText {
    QSet<QString> documents;
    QHash<QString, QList<std::pair<QString, QString>>> stretches;
    QStringList outside;
    bool isEmpty() const { return documents.isEmpty() && stretches.isEmpty() && outside.isEmpty(); }
};
SkippedText SkippedParts(const EpubBook& book, const QList<BookPart>& parts,
                         const QList<bool>& read);

// The document without the text in the given stretches: their elements stay
// (so the document stays well formed), their characters, comments and
// character data go. Only the document's own elements mark the places: an
// id in a comment or in escaped markup is text.
QByteArray WithoutStretches(const QByteArray& xhtml,
                            const QList<std::pair<QString, QString>>& stretches);

} // namespace vt

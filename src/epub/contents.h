#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace vt
{

class EpubBook;

// One entry of a book's table of contents.
struct ContentsEntry {
    QString title;    // as the contents shows it, white space made single blanks
    QString path;     // the file inside the archive it points to
    QString fragment; // the anchor inside that file, "" for its start
    int level = 1;    // 1 for the top level, 2 for the level below
};

// The table of contents of a book: its EPUB 3 navigation document, else
// (when there is none, or it lists nothing) its NCX. The top level and one
// level below, in the order the contents gives them; entries without a
// target inside the book are left out. Empty for a book without a readable
// contents; never raises.
QList<ContentsEntry> ReadEpubContents(const EpubBook& book);

// The parsers on their own, for books already read and for tests. A
// document that breaks off gives nothing: a contents cut short would put
// chapters where the book has none.
QList<ContentsEntry> ParseNavDocument(const QByteArray& xhtml, const QString& navPath);
QList<ContentsEntry> ParseNcx(const QByteArray& xml, const QString& ncxPath);

// Books written as HTML use its named entities, which an XML reader does not
// know: the common ones become the characters they stand for, others a
// blank; so do control characters an XML document may not hold.
QByteArray XhtmlForXmlReader(const QByteArray& text);

} // namespace vt

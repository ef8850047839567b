#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

// Takes out of one XHTML document of a book what a reader sees but a
// listener must not hear: footnote and endnote reference marks (links of
// epub:type "noteref" or role "doc-noteref"; superscript numbers or symbols
// that link to a note; "[1]"-style links) and print page-number markers
// (epub:type "pagebreak", role "doc-pagebreak"). The notes' own text stays.
// Everything else is left byte for byte; a document without any comes back
// unchanged.
QByteArray WithoutReferenceMarks(const QByteArray& xhtml);

// The navigation document without its navigation lists (every <nav>: the
// contents, landmarks, page list); what else it shows, such as the title of
// a book whose title page is its navigation document, stays.
QByteArray WithoutNavigation(const QByteArray& xhtml);

// True for a page made almost only of links to the book's own documents (a
// table of contents in the reading order): at least three such links, and
// outside them no more than a heading's worth of text. `ownDocument` answers
// whether a link's href leads to a document of the book.
bool IsLinkOnlyPage(const QByteArray& xhtml,
                    const std::function<bool(const QString&)>& ownDocument);

} // namespace vt

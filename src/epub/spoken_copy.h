#pragma once

#include "epub/book_parts.h"

#include <QString>
#include <functional>

namespace vt
{

class EpubBook;

// Writes to copyPath a copy of the book for the converter to read instead
// of it, made for a listener: every document of the reading order loses its
// reference marks and page-number markers (WithoutReferenceMarks) and words
// written twice by ruby readings in kana (WithRubyReadings), and has its
// numbers written as they are said (WithSpokenNumbers); the EPUB 3
// navigation document loses its navigation lists, and the reading order its
// other contents pages: the page the EPUB 2 guide marks "toc", and pages
// made almost only of links to the book's own documents.
// False, with no copy left, when the book holds none of these or cannot be
// read or copied: the converter then reads the book itself. The book is
// never changed, nor opened again.
// The parts of the book a listener chose not to hear (`skipped`) are taken
// out as well: whole pages from the reading order, stretches of a page
// without their text.
// `between` runs after every page (the front end breathes there).
bool WriteSpokenCopy(const EpubBook& book, const QString& copyPath,
                     const std::function<void()>& between = {}, const SkippedText& skipped = {});

} // namespace vt

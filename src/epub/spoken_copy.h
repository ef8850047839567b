#pragma once

#include "epub/book_parts.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

class EpubBook;
struct EpubItem;

// One page as a listener hears it: without the text of the stretches given,
// formulas and drawings read from their text (WithFormulaAndDrawingText),
// without reference marks, page and line numbers (WithoutReferenceMarks),
// without words written twice by ruby readings in kana (WithRubyReadings),
// and with its numbers written as they are said (WithSpokenNumbers).
QByteArray SpokenPage(const QByteArray& page, const QList<std::pair<QString, QString>>& stretches,
                      const QString& language);

// The pages the converter reads from the spoken copy, in its order (the
// reading order, then `skipped.outside`), each as the copy holds it: a page
// left out keeps its markup and loses all of its text; the navigation
// document loses its navigation lists. `between` runs after every page.
void ForEachSpokenPage(const EpubBook& book, const SkippedText& skipped,
                       const std::function<void(const EpubItem& page, const QByteArray& original,
                                                const QByteArray& spoken)>& visit,
                       const std::function<void()>& between = {});

// True when nothing the converter would read holds a word but the book
// shows pictures: there is no text to speak.
bool HoldsOnlyPictures(const EpubBook& book);

// Writes to copyPath a copy of the book for the converter to read instead
// of it, its pages as ForEachSpokenPage gives them. A page left out stays in
// the reading order without its text: a page the converter finds outside
// the reading order, by a link from a page it reads, it reads at the end.
// The pages of the contents outside the reading order join it at its end.
// False, with no copy left, when the book holds nothing to change or cannot
// be read or copied: the converter then reads the book itself. The book is
// never changed, nor opened again.
bool WriteSpokenCopy(const EpubBook& book, const QString& copyPath,
                     const std::function<void()>& between = {}, const SkippedText& skipped = {});

} // namespace vt

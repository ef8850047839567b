#pragma once

#include <QByteArray>
#include <QString>

namespace vt
{

// One XHTML document of a book with its numbers written as a listener
// expects to hear them; `language` is the book's (its dc:language).
//
// A Roman numeral that stands for a number becomes that number, which every
// voice reads: "XII" alone in a heading gives "12", "Chapter IV" "Chapter 4",
// and in English "Henry VIII" "Henry the 8th". A numeral counts as one when
// the book marks it so (epub:type "z3998:roman", a class naming a numeral),
// when it is in capitals and all its line holds (a heading, a paragraph, a
// line of a <br/>-broken block, not a table's cell; a full stop may follow;
// a lone C, D, L or M only in a heading), or when it is in capitals after a
// word that numbers in the book's language ("Chapter", "Book", "Part",
// "Volume", "Act", "Scene", "Canto") or a ruler's name. Anything else
// stays as written: the pronoun "I", "Mix", "Civil", an initial ("I.
// Adler"); after such a word a lone "I" followed by a word is taken for the
// pronoun ("the part I played").
//
// In an English book a sum written with its currency sign in front ("£4",
// "$1,000.50") becomes the sum and the currency's name ("4 pounds", "1,000
// dollars 50"): the voice would say "pound four". Other languages write the
// sign where the voice names it, and keep it.
//
// Everything else stays byte for byte; a document with nothing to change
// comes back unchanged.
QByteArray WithSpokenNumbers(const QByteArray& xhtml, const QString& language);

} // namespace vt

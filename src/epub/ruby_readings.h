#pragma once

#include <QByteArray>

namespace vt
{

// A word with ruby that gives its reading in kana (<ruby>山路<rt>やまみち</rt>
// </ruby>) is said as the book says to read it: the ruby element becomes its
// reading alone, so the word is not heard twice, once guessed and once as
// written. Ruby with other readings (pinyin, bopomofo, Latin) and the rest of
// the document stay byte for byte.
QByteArray WithRubyReadings(const QByteArray& xhtml);

} // namespace vt

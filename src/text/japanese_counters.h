#pragma once

#include <QList>
#include <QString>

namespace vt
{

// A part of a line of Japanese: text for the dictionary, or a number with
// its counter already said.
struct CountedPart {
    QString text;
    bool said = false; // in katakana, as said
};

// Numbers written in digits (ASCII or full-width, "1,000" with its commas)
// before a counter or a date's word, said as a Japanese reader says them,
// with the counter's sound changes: "10月" ジューガツ, "1日" after a month
// ツイタチ, "20日" ハツカ, "3本" サンボン, "6分" ロップン, "4人" ヨニン. The
// rest of the line stays for the dictionary (which reads 月 after a number
// as ツキ). A number with a decimal point, or glued to a Latin letter, is
// left as it is.
QList<CountedPart> WithCountersSaid(const QString& line);

// A number (0 < n < 10^16) in katakana as it is said on its own: 1234
// センニヒャクサンジューヨン.
QString JapaneseNumber(qint64 n);

} // namespace vt

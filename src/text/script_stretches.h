#pragma once

#include <QList>
#include <QSet>
#include <QString>

namespace vt
{

// The writing systems a voice reads: a line's letters are grouped by them.
enum class Writing {
    None, // no letter: digits, blanks, punctuation, marks
    Latin,
    Han,
    Kana,
    Hangul,
    Arabic,
    Hebrew,
    Cyrillic,
    Greek,
    Thai,
    Devanagari,
    Armenian,
    Georgian,
    Other // letters of any other script
};

Writing WritingOf(char32_t c);

// A stretch of a line: text the book's voice reads (Writing::None), or
// words in a writing handed to another voice.
struct ScriptStretch {
    Writing writing = Writing::None;
    QString text;
};

// Cuts a line into the stretches the book's voice reads (its `home`
// writings, and what no voice is handed) and stretches of words in a
// `handed` writing: letters of that writing with what lies between them
// (blanks, digits, punctuation) but no letter of another, digits written
// against the first or last letter ("3D", "MP3", "iBooks3.0", "UTF-8"), and, for a
// stretch in Han or kana only, the marks of Chinese and Japanese text. A
// stretch of Latin, Greek, Cyrillic, Armenian or Georgian needs two letters:
// the book's voice names a lone letter ("α", "A") itself. Han counts as
// kana in a line that holds kana, unless Han is at home.
QList<ScriptStretch> ScriptStretches(const QString& line, const QSet<Writing>& home,
                                     const QSet<Writing>& handed);

} // namespace vt

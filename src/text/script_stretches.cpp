#include "text/script_stretches.h"

#include <QChar>

namespace vt
{
namespace
{

// The marks and forms of Chinese and Japanese text: CJK symbols and
// punctuation, full-width and half-width forms.
bool cjkMark(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF);
}

bool alphabet(Writing w)
{
    return w == Writing::Latin || w == Writing::Greek || w == Writing::Cyrillic ||
           w == Writing::Armenian || w == Writing::Georgian;
}

bool isDigit(char32_t c)
{
    return QChar::isDigit(c);
}

} // namespace

Writing WritingOf(char32_t c)
{
    if (c < 0x80)
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? Writing::Latin : Writing::None;
    if (c == 0x30FC || c == 0x3005 || c == 0x3006) // ー 々 〆
        return c == 0x30FC ? Writing::Kana : Writing::Han;
    if (!QChar::isLetter(c))
        return Writing::None;
    switch (QChar::script(c)) {
    case QChar::Script_Latin:
        return Writing::Latin;
    case QChar::Script_Han:
        return Writing::Han;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        return Writing::Kana;
    case QChar::Script_Hangul:
        return Writing::Hangul;
    case QChar::Script_Arabic:
        return Writing::Arabic;
    case QChar::Script_Hebrew:
        return Writing::Hebrew;
    case QChar::Script_Cyrillic:
        return Writing::Cyrillic;
    case QChar::Script_Greek:
        return Writing::Greek;
    case QChar::Script_Thai:
        return Writing::Thai;
    case QChar::Script_Devanagari:
        return Writing::Devanagari;
    case QChar::Script_Armenian:
        return Writing::Armenian;
    case QChar::Script_Georgian:
        return Writing::Georgian;
    default:
        return Writing::Other;
    }
}

QList<ScriptStretch> ScriptStretches(const QString& line, const QSet<Writing>& home,
                                     const QSet<Writing>& handed)
{
    QList<char32_t> text;
    for (const uint c : line.toUcs4())
        text.append(char32_t(c));
    QList<Writing> writing(text.size());
    bool kana = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        writing[i] = WritingOf(text[i]);
        kana = kana || writing[i] == Writing::Kana;
    }
    if (kana && !home.contains(Writing::Han))
        for (Writing& w : writing)
            if (w == Writing::Han)
                w = Writing::Kana;

    QList<ScriptStretch> stretches;
    const auto add = [&](Writing w, qsizetype from, qsizetype to) {
        if (to <= from)
            return;
        const QString part = QString::fromUcs4(text.constData() + from, to - from);
        if (w == Writing::None && !stretches.isEmpty() && stretches.last().writing == w)
            stretches.last().text += part;
        else
            stretches.append({w, part});
    };
    qsizetype done = 0; // what is in the stretches
    for (qsizetype i = 0; i < text.size();) {
        const Writing w = writing[i];
        if (w == Writing::None || home.contains(w) || !handed.contains(w)) {
            ++i;
            continue;
        }
        // The stretch runs over letters of its writing and what lies between.
        const bool cjk = w == Writing::Han || w == Writing::Kana;
        qsizetype end = i;
        int letters = 0;
        for (qsizetype k = i; k < text.size(); ++k) {
            if (writing[k] == w) {
                ++letters;
                end = k + 1;
            } else if (writing[k] != Writing::None || text[k] == '\n' ||
                       (!cjk && cjkMark(text[k]))) {
                break;
            }
        }
        qsizetype begin = i;
        if (alphabet(w)) { // digits against its first or last letter
            while (begin > done && isDigit(text[begin - 1]))
                --begin;
            while (end < text.size() &&
                   (isDigit(text[end]) || ((text[end] == '.' || text[end] == '-') &&
                                           end + 1 < text.size() && isDigit(text[end + 1]))))
                ++end;
        }
        if (alphabet(w) && letters < 2) {
            i = end;
            continue;
        }
        add(Writing::None, done, begin);
        add(w, begin, end);
        done = i = end;
    }
    add(Writing::None, done, text.size());
    return stretches;
}

} // namespace vt

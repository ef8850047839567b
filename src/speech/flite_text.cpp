#include "speech/flite_text.h"

#include <string_view>

namespace vt
{

namespace
{

// Utterance lengths, in characters: a clause mark ends one from the first,
// a blank from the second, anything from the third.
constexpr qsizetype kClauseBreak = 200;
constexpr qsizetype kBlankBreak = 300;
constexpr qsizetype kHardBreak = 500;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

bool isLower(char c)
{
    return c >= 'a' && c <= 'z';
}

bool isAlnum(char c)
{
    return isUpper(c) || isLower(c) || (c >= '0' && c <= '9');
}

// Characters with a plain look-alike that their decomposition does not give.
struct LookAlike {
    std::u32string_view characters;
    char plain;
};
constexpr LookAlike kLookAlikes[] = {
    {U"\u2018\u2019\u201A\u201B\u2032\u02BC", '\''},
    {U"\u201C\u201D\u201E\u201F\u2033\u00AB\u00BB", '"'},
    {U"\u2010\u2011\u2012\u2013\u2014\u2015\u2212", '-'},
    {U"\u2026", '.'},
    {U"æ", 'a'},
    {U"Æ", 'A'},
    {U"œø", 'o'},
    {U"ŒØ", 'O'},
    {U"ß", 's'},
    {U"đð", 'd'},
    {U"ĐÐ", 'D'},
    {U"þ", 't'},
    {U"Þ", 'T'},
    {U"ł", 'l'},
    {U"Ł", 'L'},
    {U"ı", 'i'},
    {U"ħ", 'h'},
};

char sayable(char32_t c)
{
    if (c == '\n' || c == 0x2028 || c == 0x2029 || c == 0x85)
        return '\n';
    if (c < 0x20 || c == 0x7F)
        return ' ';
    if (c < 0x80)
        return char(c);
    for (const LookAlike& l : kLookAlikes)
        if (l.characters.find(c) != std::u32string_view::npos)
            return l.plain;
    // Accented Latin letters, full-width forms, no-break spaces.
    const QString parts = QChar::decomposition(c);
    if (!parts.isEmpty() && parts[0].unicode() >= 0x20 && parts[0].unicode() < 0x7F)
        return char(parts[0].unicode());
    return kUnsayable;
}

// Whether the full stop at `stop`, followed by blanks at `after`, ends a
// sentence: not inside "e.g. this", nor after an initial or a short
// capitalised abbreviation ("J. Smith", "Mr. Smith").
bool fullStopEnds(const QByteArray& ascii, qsizetype from, qsizetype stop, qsizetype after)
{
    qsizetype next = after;
    while (next < ascii.size() && isBlank(ascii[next]))
        ++next;
    if (next == ascii.size() || isLower(ascii[next]))
        return next == ascii.size();
    qsizetype word = stop;
    while (word > from && !isBlank(ascii[word - 1]))
        --word;
    const qsizetype length = stop - word;
    if (length == 1)
        return !isUpper(ascii[word]);
    return !(length <= 3 && isUpper(ascii[word]));
}

} // namespace

QByteArray FliteSayable(const QString& text)
{
    QByteArray ascii;
    ascii.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        ascii.append(sayable(c));
    }
    return ascii;
}

bool HasSomethingToSay(const QByteArray& ascii, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i)
        if (isAlnum(ascii[i]))
            return true;
    return false;
}

qsizetype FliteUtteranceEnd(const QByteArray& ascii, qsizetype from)
{
    const qsizetype n = ascii.size();
    for (qsizetype i = from; i < n; ++i) {
        const char c = ascii[i];
        const qsizetype length = i - from;
        if (c == '\n')
            return i + 1;
        if (c == '.' || c == '!' || c == '?') {
            qsizetype after = i + 1; // closing quotes and brackets stay with the sentence
            while (after < n && (ascii[after] == '"' || ascii[after] == '\'' ||
                                 ascii[after] == ')' || ascii[after] == ']'))
                ++after;
            if (after == n)
                return n;
            if (isBlank(ascii[after]) && (c != '.' || fullStopEnds(ascii, from, i, after)))
                return after;
        }
        const bool blankNext = i + 1 < n && isBlank(ascii[i + 1]);
        if (length >= kClauseBreak && (c == ',' || c == ';' || c == ':') && blankNext)
            return i + 1;
        if (length >= kBlankBreak && c == ' ')
            return i + 1;
        if (length >= kHardBreak)
            return i;
    }
    return n;
}

} // namespace vt

#include "text/spoken_characters.h"

#include <QChar>
#include <array>
#include <cstring>

namespace vt
{
namespace
{

constexpr bool asciiLetter(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr bool asciiBase(int c)
{
    return asciiLetter(c) || (c >= '0' && c <= '9');
}

constexpr bool keptAscii(int c)
{
    return asciiBase(c) || c == ' ' || c == '!' || c == ',' || c == '.' || c == ';' || c == '?' ||
           c == '%' || c == '&';
}

// The cleaned form of each ASCII byte in a run of plain text; 0 for the
// bytes that need a look around them: the apostrophe, the ampersand and, in
// sentence case, the marks that end a sentence.
constexpr std::array<char, 128> runTable(bool sentenceCase)
{
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c) {
        char out = keptAscii(c) ? static_cast<char>(c) : ' ';
        if (sentenceCase && c >= 'A' && c <= 'Z')
            out = static_cast<char>(c - 'A' + 'a');
        table[c] = out;
    }
    table['\''] = 0;
    table['&'] = 0;
    if (sentenceCase)
        table['.'] = table['!'] = table['?'] = 0;
    return table;
}

constexpr std::array<char, 128> kRunKeepCase = runTable(false);
constexpr std::array<char, 128> kRunSentenceCase = runTable(true);

char* putUtf8(char* out, char32_t c)
{
    if (c < 0x80) { // the lower case of a few letters is ASCII: K (Kelvin) gives k
        *out++ = static_cast<char>(c);
        return out;
    }
    if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
    return out;
}

// The class of the character at p, which a kept apostrophe must be followed by.
bool letterAt(const unsigned char* p, const unsigned char* end)
{
    if (p >= end)
        return false;
    if (*p < 0x80)
        return asciiLetter(*p);
    char32_t codePoint = 0;
    DecodeUtf8(p, end, codePoint);
    return codePoint <= QChar::LastValidCodePoint && ClassifyCodePoint(codePoint) == Spoken::Letter;
}

} // namespace

Spoken ClassifyCodePoint(char32_t codePoint)
{
    if (codePoint < 128) {
        if (asciiLetter(int(codePoint)))
            return Spoken::Letter;
        if (codePoint >= '0' && codePoint <= '9')
            return Spoken::Number;
        if (codePoint == '\'')
            return Spoken::Apostrophe;
        return keptAscii(int(codePoint)) ? Spoken::Kept : Spoken::Blank;
    }
    if (codePoint == 0x2019 || codePoint == 0x02BC) // ’ and ʼ
        return Spoken::Apostrophe;
    switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
        return Spoken::Letter;
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return Spoken::Number;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return Spoken::Mark;
    default:
        return Spoken::Blank;
    }
}

char* LineCleaner::clean(const unsigned char* p, const unsigned char* end, char* out,
                         qint64& characters)
{
    const bool sentenceCase = options_.sentenceCase;
    const std::array<char, 128>& run = sentenceCase ? kRunSentenceCase : kRunKeepCase;
    const char* const start = out;
    qint64 wider = 0; // bytes written beyond one per character
    while (p < end) {
        // The common case: plain ASCII, one table lookup a byte.
        if (!(sentenceCase && sentenceStart_)) {
            const char* const runStart = out;
            while (p < end && *p < 0x80 && run[*p] != 0)
                *out++ = run[*p++];
            if (out != runStart) {
                afterBase_ = asciiBase(out[-1]);
                afterLetter_ = asciiLetter(out[-1]);
            }
            if (p == end)
                break;
        }

        Spoken kind = Spoken::Blank;
        char32_t codePoint = *p;
        if (*p < 0x80) {
            if (*p == '&' && options_.dropNbspEntity && end - p >= 6 &&
                std::memcmp(p, "&#xa0;", 6) == 0) {
                p += 6;
                continue;
            }
            kind = ClassifyCodePoint(*p++);
        } else {
            p += DecodeUtf8(p, end, codePoint);
            if (codePoint <= QChar::LastValidCodePoint)
                kind = ClassifyCodePoint(codePoint);
        }
        const char* const before = out;
        switch (kind) {
        case Spoken::Letter:
        case Spoken::Number:
            out = putUtf8(out,
                          sentenceCase && !sentenceStart_ ? QChar::toLower(codePoint) : codePoint);
            afterBase_ = true;
            afterLetter_ = kind == Spoken::Letter;
            sentenceStart_ = sentenceStart_ && kind == Spoken::Number; // "2. Second" keeps its S
            break;
        case Spoken::Mark:
            // A mark keeps what it follows: a letter stays a letter.
            if (afterBase_)
                out = putUtf8(out, codePoint);
            else
                *out++ = ' ';
            break;
        case Spoken::Apostrophe:
            *out++ = afterLetter_ && letterAt(p, end) ? '\'' : ' ';
            afterBase_ = afterLetter_ = false;
            break;
        case Spoken::Kept:
            *out++ = static_cast<char>(codePoint);
            afterBase_ = afterLetter_ = false;
            sentenceStart_ =
                sentenceStart_ || codePoint == '.' || codePoint == '!' || codePoint == '?';
            break;
        case Spoken::Blank:
            *out++ = ' ';
            afterBase_ = afterLetter_ = false;
            break;
        }
        wider += (out - before) - 1;
    }
    characters += (out - start) - wider;
    return out;
}

int DecodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& codePoint)
{
    constexpr char32_t kInvalid = 0x110000;
    codePoint = kInvalid;
    const unsigned char lead = p[0];
    int length = 0;
    char32_t value = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    for (int i = 1; i < length; ++i) {
        if (p + i >= end || p[i] < low || p[i] > high)
            return i;
        value = (value << 6) | (p[i] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    codePoint = value;
    return length;
}

} // namespace vt

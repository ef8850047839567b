#include "text/spoken_characters.h"

#include "common/voice_marks.h"

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

constexpr bool asciiDigit(int c)
{
    return c >= '0' && c <= '9';
}

// The cleaned form of each ASCII byte in a run of plain text; 0 for the
// bytes that need a look around them: the apostrophe, the ampersand, the
// dollar sign and, in sentence case, capitals and the marks that end a
// sentence.
constexpr std::array<char, 128> runTable(bool sentenceCase)
{
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c)
        table[c] = keptAscii(c) ? static_cast<char>(c) : ' ';
    table['\''] = 0;
    table['&'] = 0;
    table['$'] = 0;
    if (sentenceCase) {
        table['.'] = table['!'] = table['?'] = 0;
        for (int c = 'A'; c <= 'Z'; ++c)
            table[c] = 0;
    }
    return table;
}

constexpr std::array<char, 128> kRunKeepCase = runTable(false);
constexpr std::array<char, 128> kRunSentenceCase = runTable(true);

constexpr std::array<Spoken, 128> kAsciiKinds = [] {
    std::array<Spoken, 128> kinds{};
    for (int c = 0; c < 128; ++c)
        kinds[c] = asciiLetter(c)  ? Spoken::Letter
                   : asciiDigit(c) ? Spoken::Number
                   : c == '\''     ? Spoken::Apostrophe
                   : c == '$'      ? Spoken::Sign
                   : keptAscii(c)  ? Spoken::Kept
                                   : Spoken::Blank;
    return kinds;
}();

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

// The class of the character at p (p < end), and its length in bytes.
Spoken kindAt(const unsigned char* p, const unsigned char* end, int& length, char32_t& codePoint)
{
    codePoint = *p;
    length = 1;
    if (*p < 0x80)
        return kAsciiKinds[*p];
    length = DecodeUtf8(p, end, codePoint);
    return codePoint <= QChar::LastValidCodePoint ? ClassifyCodePoint(codePoint) : Spoken::Blank;
}

Spoken kindAt(const unsigned char* p, const unsigned char* end)
{
    int length = 0;
    char32_t codePoint = 0;
    return p < end ? kindAt(p, end, length, codePoint) : Spoken::Blank;
}

// A kept apostrophe must be followed by a letter.
bool letterAt(const unsigned char* p, const unsigned char* end)
{
    return kindAt(p, end) == Spoken::Letter;
}

// A sign is kept before a number, with a blank between at most.
bool numberAfter(const unsigned char* p, const unsigned char* end)
{
    if (p >= end)
        return false;
    int length = 0;
    char32_t c = 0;
    Spoken kind = kindAt(p, end, length, c);
    if (c == ' ' || (kind == Spoken::Blank && c <= QChar::LastValidCodePoint &&
                     QChar::category(c) == QChar::Separator_Space))
        kind = kindAt(p + length, end);
    return kind == Spoken::Number;
}

// A word's letters up to its end or its first apostrophe, and whether they
// are all capitals.
struct WordShape {
    int letters = 0;
    bool capitals = false;
    const unsigned char* end = nullptr;
};

// `dropNbsp`: "&#xa0;" is no part of the text.
WordShape shapeAt(const unsigned char* p, const unsigned char* end, bool dropNbsp = false)
{
    WordShape shape;
    int lower = 0;
    while (p < end && lower == 0) {
        if (dropNbsp && *p == '&' && end - p >= 6 && std::memcmp(p, "&#xa0;", 6) == 0) {
            p += 6;
            continue;
        }
        int length = 0;
        char32_t c = 0;
        const Spoken kind = kindAt(p, end, length, c);
        if (kind == Spoken::Letter) {
            ++shape.letters;
            lower += QChar::isLower(c) ? 1 : 0;
            shape.capitals = shape.capitals || QChar::isUpper(c);
        } else if (kind != Spoken::Mark) {
            break;
        }
        p += length;
    }
    shape.capitals = shape.capitals && lower == 0;
    shape.end = p;
    return shape;
}

constexpr bool endsSentence(char32_t c)
{
    return c == '.' || c == '!' || c == '?';
}

// The word after `p` in its sentence, past what is neither letter nor
// digit; none when a number comes first.
WordShape wordAfter(const unsigned char* p, const unsigned char* end)
{
    while (p < end) {
        int length = 0;
        char32_t c = 0;
        const Spoken kind = kindAt(p, end, length, c);
        if (kind == Spoken::Letter)
            return shapeAt(p, end);
        if (kind == Spoken::Number || endsSentence(c))
            break;
        p += length;
    }
    return {};
}

// The word before `at` in its sentence, within [begin, at), likewise (its
// letters after its last apostrophe).
WordShape wordBefore(const unsigned char* begin, const unsigned char* at)
{
    WordShape word;
    for (const unsigned char* p = at; p > begin;) {
        const unsigned char* previous = p - 1;
        while (previous > begin && (*previous & 0xC0) == 0x80)
            --previous;
        int length = 0;
        char32_t c = 0;
        const Spoken kind = kindAt(previous, p, length, c);
        if (kind == Spoken::Letter) {
            if (QChar::isLower(c))
                return {};
            ++word.letters;
            word.capitals = word.capitals || QChar::isUpper(c);
        } else if ((kind != Spoken::Mark || word.letters == 0) &&
                   (word.letters > 0 || kind == Spoken::Number || endsSentence(c))) {
            break;
        }
        p = previous;
    }
    return word;
}

// Where the word in capitals at `at` ends when it keeps its capitals, else
// nothing.
const unsigned char* capitalsKeptUntil(const unsigned char* begin, const unsigned char* at,
                                       const unsigned char* end, bool dropNbsp)
{
    const WordShape word = shapeAt(at, end, dropNbsp);
    if (!word.capitals)
        return nullptr;
    const auto sameRun = [&](const WordShape& other) {
        return other.capitals && (other.letters > 1 || word.letters > 1);
    };
    return sameRun(wordAfter(word.end, end)) || sameRun(wordBefore(begin, at)) ? nullptr : word.end;
}

} // namespace

Spoken ClassifyCodePoint(char32_t codePoint)
{
    if (codePoint < 128)
        return kAsciiKinds[codePoint];
    if (codePoint == 0x2019 || codePoint == 0x02BC) // ’ and ʼ
        return Spoken::Apostrophe;
    switch (codePoint) {
    case 0xA2:   // ¢
    case 0xA3:   // £
    case 0xA5:   // ¥
    case 0x20AC: // €
    case 0x20B9: // ₹
    case 0xB0:   // °
    case 0xA7:   // §
    case 0xB6:   // ¶
    case 0x2116: // №
        return Spoken::Sign;
    default:
        break;
    }
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

inline int LineCleaner::digitBefore(const char* start, const char* out) const
{
    if (out == start)
        return digitBefore_;
    if (asciiDigit(out[-1]))
        return 1;
    if (out[-1] != ' ')
        return 0;
    if (out - 1 == start)
        return digitBefore_ == 1 ? 2 : 0;
    return asciiDigit(out[-2]) ? 2 : 0;
}

char* LineCleaner::clean(const unsigned char* p, const unsigned char* end, char* out,
                         qint64& characters)
{
    const bool sentenceCase = options_.sentenceCase;
    const std::array<char, 128>& run = sentenceCase ? kRunSentenceCase : kRunKeepCase;
    const unsigned char* const begin = p;
    const char* const start = out;
    qint64 wider = 0; // bytes written beyond one per character
    keepUntil_ = nullptr;
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
            // "London": a capital before a small letter starts no word in capitals.
            if (sentenceCase && unsigned(*p - 'A') < 26 && end - p >= 2 &&
                unsigned(p[1] - 'a') < 26) {
                *out++ = static_cast<char>(*p++ | 0x20);
                afterBase_ = afterLetter_ = true;
                continue;
            }
        }

        // A voice's mark goes through as it is, and ends a word: a word in
        // capitals after it is judged on its own.
        if (*p == 0xE2) {
            const VoiceMark mark =
                VoiceMarkAt(reinterpret_cast<const char*>(p), reinterpret_cast<const char*>(end));
            if (mark.bytes > 0) {
                std::memcpy(out, p, size_t(mark.bytes));
                out += mark.bytes;
                p += mark.bytes;
                wider += mark.bytes - mark.characters;
                afterBase_ = afterLetter_ = false;
                continue;
            }
        }
        Spoken kind = Spoken::Blank;
        const unsigned char* const at = p;
        char32_t codePoint = *p;
        if (*p < 0x80) {
            if (*p == '&' && options_.dropNbspEntity && end - p >= 6 &&
                std::memcmp(p, "&#xa0;", 6) == 0) {
                p += 6;
                continue;
            }
            kind = kAsciiKinds[*p++];
        } else {
            p += DecodeUtf8(p, end, codePoint);
            if (codePoint <= QChar::LastValidCodePoint)
                kind = ClassifyCodePoint(codePoint);
        }
        const char* const before = out;
        switch (kind) {
        case Spoken::Letter:
        case Spoken::Number:
            if (sentenceCase && kind == Spoken::Letter && !afterLetter_)
                keepUntil_ = QChar::isUpper(codePoint) && !(p < end && *p >= 'a' && *p <= 'z')
                                 ? capitalsKeptUntil(begin, at, end, options_.dropNbspEntity)
                                 : nullptr;
            if (sentenceCase && !sentenceStart_ && !(keepUntil_ && at < keepUntil_))
                codePoint = codePoint < 0x80 ? codePoint | 0x20 : QChar::toLower(codePoint);
            out = putUtf8(out, codePoint);
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
        case Spoken::Sign:
            if (digitBefore(start, out) != 0 || numberAfter(p, end))
                out = putUtf8(out, codePoint);
            else
                *out++ = ' ';
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
    digitBefore_ = digitBefore(start, out);
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

#include "spoken_characters.h"

#include <QChar>

namespace vt
{
namespace
{

constexpr bool keptAscii(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' ||
           c == '!' || c == ',' || c == '.' || c == ';' || c == '?';
}

constexpr std::array<char, 128> cleanTable()
{
    std::array<char, 128> table{};
    for (int c = 0; c < 128; ++c)
        table[c] = keptAscii(c) ? static_cast<char>(c) : ' ';
    return table;
}

constexpr std::array<char, 128> cutTable()
{
    std::array<char, 128> table = cleanTable();
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<char>(c - 'A' + 'a');
    table['\n'] = 0;
    table['\r'] = 0;
    table['&'] = 0;
    return table;
}

} // namespace

const std::array<char, 128> kCleanAscii = cleanTable();
const std::array<char, 128> kCutAscii = cutTable();

Spoken ClassifyCodePoint(char32_t codePoint)
{
    if (codePoint < 128)
        return keptAscii(static_cast<int>(codePoint)) ? Spoken::Kept : Spoken::Blank;
    switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
        return Spoken::Kept;
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return Spoken::Mark;
    default:
        return Spoken::Blank;
    }
}

} // namespace vt

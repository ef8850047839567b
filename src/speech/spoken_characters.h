#pragma once

#include <QtGlobal>
#include <array>

// Which characters reach the speech engine. Letters and digits of every
// script, the blank and ! , . ; ? are kept; everything else is spoken as a
// pause, so it becomes one blank. Combining marks (accents, vowel signs,
// Arabic shadda and tanwin) are part of the letter they follow and stay with
// it; a mark that follows no letter or digit is a blank.
namespace vt
{

enum class Spoken { Blank, Kept, Mark };

Spoken ClassifyCodePoint(char32_t codePoint);

// The cleaned form of one ASCII byte, letter case kept.
extern const std::array<char, 128> kCleanAscii;

// The cleaned and lower-cased form of one ASCII byte as the cutter needs it;
// 0 for the bytes it must look at itself: "\n", "\r" and "&".
extern const std::array<char, 128> kCutAscii;

// True for an ASCII letter or digit: a mark may follow it.
inline bool IsAsciiBase(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace vt

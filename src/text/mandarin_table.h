#pragma once

#include <cstddef>
#include <cstdint>

// The Mandarin readings made at build time from the Unihan database
// (src/text/unihan/make_mandarin_table.cpp).
namespace vt::mandarin
{

struct Reading {
    std::uint32_t codePoint;
    std::uint16_t syllable; // in kSyllables
};
struct Simplified {
    std::uint32_t traditional;
    std::uint32_t simplified;
};
struct Word {
    const char* written; // UTF-8, in simplified characters
    const char* spoken;  // its syllables, "yin2 hang2"
};

extern const char* const kSyllables[]; // "a1", "wen2", "lv4", "de5", ...
extern const Reading kReadings[];      // by code point
extern const std::size_t kReadingCount;
extern const Simplified kSimplified[]; // by traditional code point
extern const std::size_t kSimplifiedCount;
extern const Word kWords[]; // the word list, as written there
extern const std::size_t kWordCount;

} // namespace vt::mandarin

#pragma once

#include <QString>

namespace vt
{

// Mandarin as espeak-ng's pinyin voice (cmn-latn-pinyin) reads it: its
// Mandarin voice knows few characters and spells the others' pinyin in
// English. Each Han character, traditional or simplified, becomes its
// syllable with its tone number ("文学" → "wen2 xue2"; 5 the neutral tone, v
// for ü), from the Unihan database: the character's most frequent reading,
// or the word list's where a common word says it otherwise ("银行" → "yin2
// hang2"), longest word first. 一 and 不 change their tone before another
// syllable as every speaker does (the voice changes a third tone before a
// third tone itself); 一 keeps its own among numerals and after 第. The
// sentence and clause marks become those the voice pauses at, a syllable
// that begins a sentence a capital (the voice hears a sentence end only
// before one), brackets and quotes blanks, full-width letters and digits
// ASCII, and a year of four digits is said digit by digit. Digits and Latin
// stay for the voice.
QString MandarinReading(const QString& text);

// The syllable of one Han character ("wen2"), or "" when it has none.
QString MandarinSyllable(char32_t character);

} // namespace vt

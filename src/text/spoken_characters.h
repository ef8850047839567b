#pragma once

#include <QtGlobal>

// Which characters reach the speech engine. Letters and digits of every
// script, the blank, ! , . ; ? % and & are kept; everything else is spoken
// as a pause, so it becomes one blank. Combining marks (accents, vowel signs,
// Arabic shadda and tanwin) are part of the letter they follow and stay with
// it; a mark that follows no letter or digit is a blank. An apostrophe
// (' ’ ʼ) between two letters is kept as ', so that contractions, possessives
// and elisions are spoken as words; any other apostrophe is a blank.
// The signs a voice names in its own language (currency signs $ ¢ £ ¥ € ₹,
// ° § ¶ №) are kept beside a number ("£4", "4 €", "30°", "§ 2", a blank
// between at most); anywhere else they are a blank. A voice's mark
// ("⟦en⟧", common/voice_marks.h) is kept as it is.
namespace vt
{

enum class Spoken { Blank, Letter, Number, Kept, Mark, Apostrophe, Sign };

Spoken ClassifyCodePoint(char32_t codePoint);

// Cleans UTF-8 text line by line. Text may be given in parts, each ending
// at a whole character; a part that ends after a blank or at a line's end
// is cleaned as the whole line would be, but that a word in capitals or a
// sign at the edge between two parts is judged without what lies beyond
// it (only lines longer than the cutter's reading block come in parts).
class LineCleaner
{
  public:
    struct Options {
        // Letters are written in lower case, but for the first of a line and
        // of a sentence (after . ! or ?): the speech engine hears a sentence
        // end only before a capital. A word in capitals keeps them ("BBC",
        // "U.S.", "XII": an abbreviation or a numeral, which the engine reads
        // as one) unless the word before or after it in its sentence is in
        // capitals too and one of the two is longer than a letter: a heading
        // or a cry in capitals ("LET US GO") is words, which the engine
        // would spell ("U S").
        bool sentenceCase = false;
        bool dropNbspEntity = false; // "&#xa0;" (exactly so) is taken out first
    };
    explicit LineCleaner(Options options) : options_(options) {}

    // The next text given starts a new line.
    void newLine()
    {
        afterBase_ = afterLetter_ = false;
        sentenceStart_ = true;
        digitBefore_ = 0;
    }
    // Writes the cleaned form of [p, end) to out, which needs room for
    // twice the bytes given, and returns the end of what it wrote; adds the
    // characters (code points) written to `characters`. An ill-formed byte
    // sequence is one blank.
    char* clean(const unsigned char* p, const unsigned char* end, char* out, qint64& characters);

  private:
    // 1 when a digit was written just before out, 2 when a digit and a
    // blank were, else 0; [start, out) is what this call wrote.
    int digitBefore(const char* start, const char* out) const;

    Options options_;
    bool afterBase_ = false;    // a combining mark here belongs to a kept letter or digit
    bool afterLetter_ = false;  // an apostrophe here may be inside a word
    bool sentenceStart_ = true; // the next letter keeps its case
    int digitBefore_ = 0;       // digitBefore() at the end of the last part
    const unsigned char* keepUntil_ = nullptr; // the end of a word that keeps its capitals
};

// Decodes one UTF-8 character at p (p[0] >= 0x80). Returns the bytes used;
// an ill-formed sequence gives a code point above the Unicode range and
// uses its longest well-formed start (at least one byte).
int DecodeUtf8(const unsigned char* p, const unsigned char* end, char32_t& codePoint);

} // namespace vt

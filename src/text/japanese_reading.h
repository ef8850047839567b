#pragma once

#include <QString>
#include <memory>

namespace MeCab
{
class Tagger;
class Lattice;
} // namespace MeCab

namespace vt
{

// Japanese as it is said: a Japanese voice reads only kana, so each word of
// a line is written in katakana as MeCab's dictionary pronounces it in its
// place (the particles は and へ as ワ and エ). A word the dictionary does not
// know keeps its reading if the dictionary gives one, else its characters;
// words without kana or kanji (Latin, ASCII digits, punctuation) and the
// blanks stay as they are. Numbers before a counter or in a date are said
// with it (japanese_counters.h); full-width digits become ASCII ones.
class JapaneseReading
{
  public:
    // A reading of the process's MeCab, whose dictionary is loaded at the
    // first call; none when it cannot be loaded (no dictionary installed, or
    // MeCab's settings name a missing one).
    static std::unique_ptr<JapaneseReading> make();
    ~JapaneseReading();

    // Not thread-safe: each reading keeps one lattice.
    QString apply(const QString& line);

  private:
    JapaneseReading(MeCab::Tagger* tagger, MeCab::Lattice* lattice);
    QString read(const QString& text);
    std::unique_ptr<MeCab::Tagger> tagger_;
    std::unique_ptr<MeCab::Lattice> lattice_;
};

} // namespace vt

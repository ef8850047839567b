#pragma once

#include "text/japanese_reading.h"
#include "text/script_stretches.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <memory>

namespace vt
{

// How each line of a book is read before it is cut: the text its voice
// reads in the book's reading (kana for Japanese, pinyin for Mandarin, as
// written for the others), and words of the writings handed to other voices
// (script_stretches.h) in marks with their voice's key ("⟦en-gb⟧Kindle
// paperwhite⟦⟧", common/voice_marks.h), Han in pinyin and kana through MeCab
// for the voices that read those. A stretch a pronunciation rule has
// already marked stays as it is.
class ScriptReading
{
  public:
    enum class Home { AsWritten, Japanese, Mandarin };
    // `japanese` reads the kana of a Japanese book; without it, kana handed
    // to a Japanese voice are read through a reading made when first needed.
    ScriptReading(Home home, QSet<Writing> homeWritings, QHash<Writing, QString> keys,
                  std::unique_ptr<JapaneseReading> japanese = {});
    ~ScriptReading();

    // Nothing to do: the line stays as it is.
    bool isEmpty() const { return home_ == Home::AsWritten && keys_.isEmpty(); }
    // Not thread-safe: a Japanese reading keeps one lattice.
    QString apply(const QString& line);

  private:
    QString readPart(const QString& text);
    QString asKana(const QString& text);

    Home home_;
    QSet<Writing> homeWritings_;
    QHash<Writing, QString> keys_;
    QSet<Writing> handed_;
    std::unique_ptr<JapaneseReading> japanese_;
    bool japaneseTried_ = false;
};

} // namespace vt

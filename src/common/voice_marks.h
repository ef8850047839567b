#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vt
{

// A piece may hand stretches of its text to other voices. "⟦key⟧" begins a
// stretch spoken by the voice the key names (a language tag such as "en-gb",
// "ja", "cmn-latn-pinyin", or any other name the run gives a voice), "⟦⟧"
// returns to the piece's own voice, and so does the end of a line. A key is
// made of small ASCII letters, digits and "-", at most kVoiceKeyMax of them.
// The marks are no part of what is heard: the engine is given the text
// between them, and positions in the text (pauses, word events) count them.
inline constexpr char16_t kVoiceMarkOpen = u'\u27E6';  // ⟦
inline constexpr char16_t kVoiceMarkClose = u'\u27E7'; // ⟧
inline constexpr int kVoiceKeyMax = 40;

// A mark found in UTF-8 text.
struct VoiceMark {
    int bytes = 0;      // 0: no mark begins there
    int characters = 0; // code points
    QByteArrayView key; // empty: back to the piece's own voice
};

// The mark that begins at p, if one does.
VoiceMark VoiceMarkAt(const char* p, const char* end);
// The mark that begins at text[i], if one does: its length in UTF-16 units
// (0 for none).
qsizetype VoiceMarkLength(QStringView text, qsizetype i);

// "⟦key⟧" (an empty key gives "⟦⟧"), and a stretch of text in marks.
QString VoiceMarkText(const QString& key);
QString InVoice(const QString& key, const QString& text);

// The text with ⟦ and ⟧ as blanks: a book's own brackets make no mark.
QString WithoutVoiceMarks(QString text);

} // namespace vt

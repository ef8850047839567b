#pragma once

#include "speech/sp_voice.h"
#include "text/script_stretches.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <optional>

namespace vt
{

// How a book's voice reads its text, and the voices it hands the words of
// other writings to.
struct ScriptVoices {
    enum class Reading { AsWritten, Japanese, Mandarin };
    Reading reading = Reading::AsWritten;
    QSet<Writing> home;                   // what the book's voice reads
    QHash<Writing, QString> keys;         // the voice key each other writing is marked with
    QHash<QByteArray, VoiceToken> voices; // by key
    std::optional<VoiceToken> pinyin;     // a Mandarin book's voice: the one that reads pinyin
};

// The writings a language's voice reads (Latin for "en", Han and kana for
// "ja"); none when the language's script is not known.
QSet<Writing> WritingsOf(const QString& languageTag);

// For a book spoken by `bookVoice` (its language tag `voiceLanguage`):
// Japanese is read in kana, and Mandarin (a Mandarin voice, told to read its
// pinyin) in pinyin, both handing their Latin words to a voice that reads
// Latin: the chosen voice when its language is written in Latin, else the
// voice for the user's locale (`localeName`) when it is, else English.
// Han (in pinyin), kana, Hangul, Arabic, Hebrew, Cyrillic, Greek, Thai,
// Devanagari, Armenian and Georgian words the book's voice cannot read go to
// a voice for Mandarin, Japanese, Korean, Arabic, Hebrew, Russian, Greek,
// Thai, Hindi, Armenian and Georgian. A writing with no voice stays with the
// book's. Each voice's key is its language tag in lower case.
ScriptVoices ChooseScriptVoices(const std::optional<VoiceToken>& bookVoice, bool japanese,
                                const std::optional<VoiceToken>& chosen, const VoiceTokens& voices,
                                const QString& localeName);

} // namespace vt

#pragma once

#include "speech/sp_voice.h"

#include <QString>
#include <optional>

namespace vt
{

// The voice a book is spoken with.
struct BookVoice {
    std::optional<VoiceToken> voice; // none: the speech engine's default voice
    QString name;                    // the voice's description
    QString note; // for the user, e.g. "no voice for Hebrew; spoken with English (Great Britain)"
};

// With "Match each book's language" on, a book whose language (its
// package's dc:language) the chosen voice does not speak goes to the voice
// that best speaks it; a book in a language no voice speaks goes to a voice
// whose language is written in the same script (the chosen voice when its
// language is), else stays with the chosen voice, and gets a note. Off, or for a book without a
// language, the chosen voice (none: the engine's default) speaks.
BookVoice VoiceForBook(const QString& bookLanguage, const std::optional<VoiceToken>& chosen,
                       const VoiceTokens& voices, bool match);

// VoiceForBook with the engine's voices. An engine that cannot list its
// voices leaves the chosen voice.
BookVoice ChooseBookVoice(const QString& bookLanguage, const std::optional<VoiceToken>& chosen,
                          bool match);

} // namespace vt

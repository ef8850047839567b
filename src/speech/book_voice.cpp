#include "speech/book_voice.h"

#include "epub/package.h"
#include "speech/sp_voice.h"
#include "speech/voice_languages.h"

using namespace Qt::StringLiterals;

namespace vt
{

BookVoice VoiceForBook(const QString& bookLanguage, int chosen, const VoiceTokens& voices,
                       bool match)
{
    const bool valid = chosen >= 0 && chosen < voices.Count();
    const QString chosenName =
        valid ? voices.Item(chosen).GetDescription() : u"the speech engine's default voice"_s;
    BookVoice result{-1, chosenName, {}};
    if (!match || NormalLanguageTag(bookLanguage).isEmpty())
        return result;
    if (valid && SpeaksLanguage(voices.Item(chosen).languages(), bookLanguage))
        return result;
    const int best = BestVoiceForLanguage(bookLanguage, voices.languages());
    if (best < 0) {
        result.note =
            u"no voice for "_s + LanguageName(bookLanguage) + u"; spoken with "_s + chosenName;
        return result;
    }
    return {best, voices.Item(best).GetDescription(), {}};
}

BookVoice ChooseBookVoice(const QString& bookPath, int chosen, bool match)
{
    try {
        const SpVoice voice;
        const VoiceTokens voices = voice.GetVoices();
        const QString language = match ? EpubBook(bookPath).package().language : QString();
        return VoiceForBook(language, chosen, voices, match);
    } catch (...) {
        return {};
    }
}

} // namespace vt

#include "speech/book_voice.h"

#include "common/error.h"
#include "speech/voice_languages.h"

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString nameOf(const std::optional<VoiceToken>& voice)
{
    return voice ? voice->GetDescription() : u"the speech engine's default voice"_s;
}

} // namespace

BookVoice VoiceForBook(const QString& tagged, const std::optional<VoiceToken>& chosen,
                       const VoiceTokens& voices, bool match)
{
    const QString bookLanguage = ChineseVariety(tagged); // zh-HK is spoken by a Cantonese voice
    BookVoice result{chosen, nameOf(chosen), {}};
    if (!match || NormalLanguageTag(bookLanguage).isEmpty())
        return result;
    if (chosen && SpeaksLanguage(chosen->languages(), bookLanguage))
        return result;
    const int best = BestVoiceForLanguage(bookLanguage, voices.languages());
    if (best < 0) {
        // A voice that reads the book's script says its words far better than
        // one that spells them letter by letter.
        const QLocale::Script script = LanguageScript(bookLanguage);
        const bool chosenReads = chosen && !chosen->languages().isEmpty() &&
                                 LanguageScript(chosen->languages().first().tag) == script;
        const int reader = chosenReads ? -1 : VoiceForScript(script, voices.languages());
        QString reads;
        if (reader >= 0) {
            result = {voices.Item(reader), voices.Item(reader).GetDescription(), {}};
            reads = u", which reads its "_s + QLocale::scriptToString(script) + u" script"_s;
        }
        result.note = u"no voice for "_s + LanguageName(bookLanguage) + u"; spoken with "_s +
                      result.name + reads;
        return result;
    }
    return {voices.Item(best), voices.Item(best).GetDescription(), {}};
}

BookVoice ChooseBookVoice(const QString& bookLanguage, const std::optional<VoiceToken>& chosen,
                          bool match)
{
    if (!match)
        return {chosen, nameOf(chosen), {}};
    try {
        return VoiceForBook(bookLanguage, chosen, SpVoice().GetVoices(), match);
    } catch (const Error&) {
        // The engine cannot list its voices: the speaking will say why.
        return {chosen, nameOf(chosen), {}};
    }
}

} // namespace vt

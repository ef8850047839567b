#include "pipeline/script_voices.h"

#include "speech/voice_languages.h"

#include <QLocale>
#include <array>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// The language whose voice reads each writing.
struct Reader {
    Writing writing;
    const char16_t* language;
};
constexpr std::array kReaders = {
    Reader{Writing::Han, u"cmn-latn-pinyin"},
    Reader{Writing::Kana, u"ja"},
    Reader{Writing::Hangul, u"ko"},
    Reader{Writing::Arabic, u"ar"},
    Reader{Writing::Hebrew, u"he"},
    Reader{Writing::Cyrillic, u"ru"},
    Reader{Writing::Greek, u"el"},
    Reader{Writing::Thai, u"th"},
    Reader{Writing::Devanagari, u"hi"},
    Reader{Writing::Armenian, u"hy"},
    Reader{Writing::Georgian, u"ka"},
};

QString ownLanguage(const VoiceToken& voice)
{
    return voice.languages().isEmpty() ? voice.language() : voice.languages().first().tag;
}

// The voice whose own language is the tag, else the one that best speaks it.
std::optional<VoiceToken> voiceFor(const QString& tag, const VoiceTokens& voices)
{
    const QString wanted = NormalLanguageTag(tag);
    for (const VoiceToken& v : voices)
        if (NormalLanguageTag(ownLanguage(v)) == wanted)
            return v;
    const int best = BestVoiceForLanguage(tag, voices.languages());
    return best >= 0 ? std::optional<VoiceToken>(voices.Item(best)) : std::nullopt;
}

bool sameVoice(const std::optional<VoiceToken>& a, const VoiceToken& b)
{
    return a && a->identifier() == b.identifier() && a->engine() == b.engine();
}

bool readsLatin(const std::optional<VoiceToken>& voice)
{
    return voice && WritingsOf(ownLanguage(*voice)).contains(Writing::Latin);
}

} // namespace

QSet<Writing> WritingsOf(const QString& languageTag)
{
    if (IsChinese(languageTag))
        return {Writing::Han};
    switch (LanguageScript(languageTag)) {
    case QLocale::LatinScript:
        return {Writing::Latin};
    case QLocale::JapaneseScript:
        return {Writing::Han, Writing::Kana};
    case QLocale::KoreanScript:
    case QLocale::HangulScript:
        return {Writing::Hangul, Writing::Han};
    case QLocale::HanScript:
    case QLocale::SimplifiedHanScript:
    case QLocale::TraditionalHanScript:
        return {Writing::Han};
    case QLocale::ArabicScript:
        return {Writing::Arabic};
    case QLocale::HebrewScript:
        return {Writing::Hebrew};
    case QLocale::CyrillicScript:
        return {Writing::Cyrillic};
    case QLocale::GreekScript:
        return {Writing::Greek};
    case QLocale::ThaiScript:
        return {Writing::Thai};
    case QLocale::DevanagariScript:
        return {Writing::Devanagari};
    case QLocale::ArmenianScript:
        return {Writing::Armenian};
    case QLocale::GeorgianScript:
        return {Writing::Georgian};
    default:
        return {};
    }
}

ScriptVoices ChooseScriptVoices(const std::optional<VoiceToken>& bookVoice, bool japanese,
                                const std::optional<VoiceToken>& chosen, const VoiceTokens& voices,
                                const QString& localeName)
{
    ScriptVoices result;
    // The engine's default voice is English.
    const QString language = bookVoice ? ownLanguage(*bookVoice) : u"en"_s;
    result.home = WritingsOf(language);
    if (japanese) {
        result.reading = ScriptVoices::Reading::Japanese;
        result.home = {Writing::Han, Writing::Kana};
    } else if (IsMandarin(language)) {
        result.pinyin = voiceFor(u"cmn-latn-pinyin"_s, voices);
        if (result.pinyin && IsMandarin(ownLanguage(*result.pinyin)))
            result.reading = ScriptVoices::Reading::Mandarin;
        else
            result.pinyin.reset();
    }
    if (result.home.isEmpty())
        return result; // what the voice reads is not known: it reads all
    const std::optional<VoiceToken> speaking = result.pinyin ? result.pinyin : bookVoice;
    const auto hand = [&](Writing writing, const VoiceToken& voice) {
        if (sameVoice(speaking, voice))
            return;
        const QString key = NormalLanguageTag(ownLanguage(voice));
        result.keys.insert(writing, key);
        result.voices.insert(key.toLatin1(), voice);
    };
    if (result.reading != ScriptVoices::Reading::AsWritten) {
        std::optional<VoiceToken> latin = readsLatin(chosen) ? chosen : std::nullopt;
        if (!latin) {
            const int local = BestVoiceForLanguage(localeName, voices.languages());
            if (local >= 0 && readsLatin(voices.Item(local)))
                latin = voices.Item(local);
        }
        if (!latin)
            latin = voiceFor(u"en"_s, voices);
        if (latin)
            hand(Writing::Latin, *latin);
    }
    for (const Reader& r : kReaders) {
        // Hanja are read in Korean, not as Mandarin.
        if (result.home.contains(r.writing) ||
            (r.writing == Writing::Han && result.home.contains(Writing::Hangul)))
            continue;
        const QString tag = QString::fromUtf16(r.language);
        const std::optional<VoiceToken> voice = voiceFor(tag, voices);
        // Han goes in pinyin: only to the voice that reads it.
        if (voice && (r.writing != Writing::Han ||
                      NormalLanguageTag(ownLanguage(*voice)) == NormalLanguageTag(tag)))
            hand(r.writing, *voice);
    }
    return result;
}

} // namespace vt

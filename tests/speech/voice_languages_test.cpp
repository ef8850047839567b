#include "speech/book_voice.h"
#include "speech/sp_voice.h"
#include "speech/voice_languages.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// Voices as espeak-ng lists them (own language first, with its priorities),
// and one English voice of another engine.
const QList<VoiceLanguages> kVoices = {
    {{u"af"_s, 5}},                                  // 0
    {{u"ar"_s, 5}},                                  // 1 Arabic
    {{u"cmn"_s, 5}, {u"zh-cmn"_s, 5}, {u"zh"_s, 5}}, // 2 Chinese (Mandarin)
    {{u"de"_s, 5}},                                  // 3 German
    {{u"en-029"_s, 5}, {u"en"_s, 10}},               // 4 English (Caribbean)
    {{u"en-gb"_s, 2}, {u"en"_s, 2}},                 // 5 English (Great Britain)
    {{u"en-gb-scotland"_s, 5}, {u"en"_s, 4}},        // 6
    {{u"en-us"_s, 2}, {u"en"_s, 3}},                 // 7 English (America)
    {{u"fr-be"_s, 5}, {u"fr"_s, 8}},                 // 8 French (Belgium)
    {{u"fr-fr"_s, 5}, {u"fr"_s, 5}},                 // 9 French (France)
    {{u"pt"_s, 5}, {u"pt-pt"_s, 5}},                 // 10 Portuguese (Portugal)
    {{u"pt-br"_s, 5}, {u"pt"_s, 6}},                 // 11 Portuguese (Brazil)
    {{u"yue"_s, 5}, {u"zh-yue"_s, 5}, {u"zh"_s, 8}}, // 12 Chinese (Cantonese)
    {{u"en-US"_s, 5}},                               // 13 another engine's voice
    {{u"hi"_s, 5}},                                  // 14 Hindi
};

TEST(VoiceLanguages, EachBookLanguageGetsTheVoiceThatFitsItBest)
{
    const struct {
        QString language;
        int voice;
    } cases[] = {
        // Same language and region.
        {u"en-GB"_s, 5},
        {u"en-US"_s, 7},
        {u"fr-BE"_s, 8},
        {u"pt-BR"_s, 11},
        {u"yue"_s, 12},
        // The bare language, the voice with the best priority for it.
        {u"en"_s, 5},
        {u"en-AU"_s, 5},
        {u"fr-CA"_s, 9},
        {u"pt"_s, 10},
        {u"zh-CN"_s, 2},
        {u"de-AT"_s, 3},
        {u"ar-SA"_s, 1},
        // Locale names and three-letter codes.
        {u"de_DE.UTF-8"_s, 3},
        {u"en_GB.UTF-8@euro"_s, 5},
        {u"ger"_s, 3},
        {u"fre"_s, 9},
        {u"ARA"_s, 1},
        // No voice for it, or no language at all.
        {u"he"_s, -1},
        {u"iw"_s, -1},
        {u"ja"_s, -1},
        {u""_s, -1},
        {u"und"_s, -1},
        {u"C"_s, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BestVoiceForLanguage(c.language, kVoices), c.voice) << c.language.toStdString();
    EXPECT_EQ(BestVoiceForLanguage(u"en"_s, {}), -1);
}

TEST(VoiceLanguages, TheLocaleChoosesTheFirstVoiceFallingBackToEnglish)
{
    EXPECT_EQ(VoiceForLocale(kVoices, u"de_DE"_s), 3);
    EXPECT_EQ(VoiceForLocale(kVoices, u"en_US"_s), 7);
    EXPECT_EQ(VoiceForLocale(kVoices, u"he_IL"_s), 5);
    EXPECT_EQ(VoiceForLocale(kVoices, u"C"_s), 5);
    EXPECT_EQ(VoiceForLocale({{{u"af"_s, 5}}, {{u"de"_s, 5}}}, u"ja_JP"_s), 0);
    EXPECT_EQ(VoiceForLocale({}, u"de_DE"_s), -1);
}

TEST(VoiceLanguages, AVoiceSpeaksEveryRegionOfItsLanguage)
{
    EXPECT_TRUE(SpeaksLanguage(kVoices[5], u"en-US"_s));
    EXPECT_TRUE(SpeaksLanguage(kVoices[2], u"zh-TW"_s));
    EXPECT_TRUE(SpeaksLanguage(kVoices[3], u"deu"_s));
    EXPECT_FALSE(SpeaksLanguage(kVoices[3], u"fr"_s));
    EXPECT_FALSE(SpeaksLanguage(kVoices[3], u""_s));
}

TEST(VoiceLanguages, TagsAndNamesAsAUserReadsThem)
{
    const struct {
        QString tag, normal, name;
    } cases[] = {
        {u"de_DE.UTF-8"_s, u"de-de"_s, u"German"_s},
        {u"EN-us"_s, u"en-us"_s, u"English"_s},
        {u"eng"_s, u"en"_s, u"English"_s},
        {u"iw"_s, u"he"_s, u"Hebrew"_s},
        {u"zh-Hant-TW"_s, u"zh-hant-tw"_s, u"Chinese"_s},
        {u"fil"_s, u"fil"_s, u"Filipino"_s},
        {u"xx-YY"_s, u"xx-yy"_s, u"xx-YY"_s},
        {u"und"_s, u""_s, u"und"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalLanguageTag(c.tag), c.normal) << c.tag.toStdString();
        EXPECT_EQ(LanguageName(c.tag), c.name) << c.tag.toStdString();
    }
}

TEST(VoiceLanguages, ABookInAnotherLanguageGoesToAVoiceForIt)
{
    QList<VoiceToken> tokens;
    for (const VoiceLanguages& languages : kVoices)
        tokens.append(VoiceToken(languages[0].tag, languages[0].tag.toUtf8(), Engine::EspeakNg,
                                 languages[0].tag, languages));
    const VoiceTokens voices(tokens);
    const QString none = u"no voice for Hebrew; spoken with en-gb"_s;
    const struct {
        QString language;
        int chosen;
        bool match;
        int index;
        QString name, note;
    } cases[] = {
        {u"ar"_s, 5, true, 1, u"ar"_s, {}},        // another language: its voice
        {u"en-US"_s, 5, true, -1, u"en-gb"_s, {}}, // the chosen voice speaks it
        {u"zh-TW"_s, 2, true, -1, u"cmn"_s, {}},
        {u"ar"_s, 5, false, -1, u"en-gb"_s, {}},  // matching off
        {u""_s, 5, true, -1, u"en-gb"_s, {}},     // a book without a language
        {u"he"_s, 5, true, -1, u"en-gb"_s, none}, // no voice for it: a note
        // No voice for it: one that reads its script, unless the chosen one does.
        {u"sa"_s, 5, true, 14, u"hi"_s,
         u"no voice for Sanskrit; spoken with hi, which reads its Devanagari script"_s},
        {u"fo"_s, 5, true, -1, u"en-gb"_s, u"no voice for Faroese; spoken with en-gb"_s},
        {u"fr"_s, -1, true, 9, u"fr-fr"_s, {}}, // no voice chosen
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language.toStdString());
        const auto chosen = c.chosen >= 0 ? std::optional(voices.Item(c.chosen)) : std::nullopt;
        const BookVoice voice = VoiceForBook(c.language, chosen, voices, c.match);
        const auto expected = c.index >= 0 ? voices.Item(c.index) : chosen;
        EXPECT_EQ(voice.voice.has_value(), expected.has_value());
        if (voice.voice && expected) {
            EXPECT_EQ(voice.voice->identifier(), expected->identifier());
        }
        EXPECT_EQ(voice.name, c.name);
        EXPECT_EQ(voice.note, c.note);
    }
}

} // namespace
} // namespace vt

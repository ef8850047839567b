#include "pipeline/script_voices.h"
#include "speech/book_voice.h"
#include "speech/voice_languages.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// Voices as espeak-ng lists them (own language first), and one of Flite.
VoiceTokens voices()
{
    const QList<VoiceLanguages> languages = {
        {{u"ar"_s, 5}},
        {{u"cmn"_s, 5}, {u"zh-cmn"_s, 5}, {u"zh"_s, 5}},
        {{u"cmn-latn-pinyin"_s, 5}, {u"zh-cmn"_s, 5}, {u"zh"_s, 5}},
        {{u"de"_s, 5}},
        {{u"el"_s, 5}},
        {{u"en-gb"_s, 2}, {u"en"_s, 2}},
        {{u"en-us"_s, 2}, {u"en"_s, 3}},
        {{u"ja"_s, 5}},
        {{u"ru"_s, 5}},
        {{u"yue"_s, 5}, {u"zh-yue"_s, 5}, {u"zh"_s, 8}},
        {{u"en-US"_s, 5}}, // Flite's slt
    };
    QList<VoiceToken> tokens;
    for (const VoiceLanguages& l : languages)
        tokens.append(VoiceToken(l[0].tag, l[0].tag.toUtf8(),
                                 l[0].tag == u"en-US"_s ? Engine::Flite : Engine::EspeakNg,
                                 l[0].tag, l));
    return VoiceTokens(tokens);
}

QString keyOf(const ScriptVoices& v, Writing w)
{
    return v.keys.value(w);
}

QString voiceOf(const ScriptVoices& v, Writing w)
{
    const auto it = v.voices.constFind(v.keys.value(w).toLatin1());
    return it == v.voices.cend()
               ? QString()
               : QString::fromLatin1(it->identifier()) + u'/' + EngineName(it->engine());
}

} // namespace

// Japanese and Mandarin hand their Latin words to the chosen voice when it
// reads Latin, else to the locale's, else to English; Mandarin is read in
// pinyin by the voice that reads it.
TEST(ScriptVoices, LatinWordsOfJapaneseAndMandarinGoToALatinVoice)
{
    const VoiceTokens all = voices();
    const ScriptVoices ja = ChooseScriptVoices(all.Item(7), true, all.Item(10), all, u"de_DE"_s);
    EXPECT_EQ(ja.reading, ScriptVoices::Reading::Japanese);
    EXPECT_EQ(keyOf(ja, Writing::Latin), u"en-us"_s);
    EXPECT_EQ(voiceOf(ja, Writing::Latin), u"en-US/Flite"_s);
    EXPECT_TRUE(keyOf(ja, Writing::Han).isEmpty());
    EXPECT_EQ(keyOf(ja, Writing::Cyrillic), u"ru"_s);

    const ScriptVoices byLocale =
        ChooseScriptVoices(all.Item(7), true, all.Item(7), all, u"de_DE"_s);
    EXPECT_EQ(voiceOf(byLocale, Writing::Latin), u"de/espeak-ng"_s);
    const ScriptVoices english = ChooseScriptVoices(all.Item(7), true, {}, all, u"ja_JP"_s);
    EXPECT_EQ(voiceOf(english, Writing::Latin), u"en-gb/espeak-ng"_s);

    const ScriptVoices zh = ChooseScriptVoices(all.Item(1), false, all.Item(5), all, u"C"_s);
    EXPECT_EQ(zh.reading, ScriptVoices::Reading::Mandarin);
    ASSERT_TRUE(zh.pinyin);
    EXPECT_EQ(zh.pinyin->identifier(), "cmn-latn-pinyin");
    EXPECT_EQ(keyOf(zh, Writing::Latin), u"en-gb"_s);
    EXPECT_EQ(keyOf(zh, Writing::Kana), u"ja"_s);
    // Cantonese reads its characters itself, and its Latin.
    const ScriptVoices yue = ChooseScriptVoices(all.Item(9), false, all.Item(5), all, u"C"_s);
    EXPECT_EQ(yue.reading, ScriptVoices::Reading::AsWritten);
    EXPECT_TRUE(keyOf(yue, Writing::Latin).isEmpty());
    EXPECT_TRUE(keyOf(yue, Writing::Han).isEmpty());
}

// A Latin-script book hands Han (in pinyin), kana, Arabic, Greek and
// Cyrillic to their voices; a writing without one stays.
TEST(ScriptVoices, OtherWritingsOfALatinBookGoToTheirVoices)
{
    const VoiceTokens all = voices();
    const ScriptVoices en = ChooseScriptVoices(all.Item(5), false, all.Item(5), all, u"C"_s);
    EXPECT_EQ(en.home, QSet<Writing>{Writing::Latin});
    EXPECT_TRUE(keyOf(en, Writing::Latin).isEmpty());
    EXPECT_EQ(voiceOf(en, Writing::Han), u"cmn-latn-pinyin/espeak-ng"_s);
    EXPECT_EQ(keyOf(en, Writing::Kana), u"ja"_s);
    EXPECT_EQ(keyOf(en, Writing::Arabic), u"ar"_s);
    EXPECT_EQ(keyOf(en, Writing::Greek), u"el"_s);
    EXPECT_TRUE(keyOf(en, Writing::Hebrew).isEmpty());
    // A Russian book keeps its Cyrillic.
    const ScriptVoices ru = ChooseScriptVoices(all.Item(8), false, all.Item(8), all, u"C"_s);
    EXPECT_TRUE(keyOf(ru, Writing::Cyrillic).isEmpty());
    EXPECT_EQ(keyOf(ru, Writing::Greek), u"el"_s);
}

// Chinese of Hong Kong and Macau is Cantonese; zh alone, zh-TW and zh-Hant
// are Mandarin whatever their characters.
TEST(ScriptVoices, ChineseIsMandarinUnlessItsLanguageSaysCantonese)
{
    const VoiceTokens all = voices();
    for (const QString& tag : {u"zh-HK"_s, u"zh-Hant-HK"_s, u"zh-MO"_s, u"yue"_s, u"zh-yue"_s}) {
        EXPECT_EQ(VoiceForBook(tag, all.Item(5), all, true).voice->identifier(), "yue")
            << tag.toStdString();
        EXPECT_FALSE(IsMandarin(tag)) << tag.toStdString();
    }
    for (const QString& tag : {u"zh"_s, u"zh-CN"_s, u"zh-TW"_s, u"zh-Hant"_s, u"cmn"_s}) {
        EXPECT_EQ(VoiceForBook(tag, all.Item(5), all, true).voice->identifier(), "cmn")
            << tag.toStdString();
        EXPECT_TRUE(IsMandarin(tag)) << tag.toStdString();
    }
}

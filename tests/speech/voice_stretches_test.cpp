#include "common/voice_marks.h"
#include "speech/speech_stretches.h"
#include "spoken.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

using test::speakInStretches;
using test::Spoken;
using test::voiceNamed;

// The words the events name, in the text they were told in.
QStringList wordsOf(const Spoken& spoken, const QString& text)
{
    QStringList words;
    qint64 sample = 0;
    for (const SpeechEvent& e : spoken.events) {
        EXPECT_GE(e.sample, sample);
        sample = e.sample;
        if (e.kind == SpeechEvent::Kind::Word)
            words.append(text.mid(e.textPosition, e.length));
    }
    EXPECT_LE(sample, spoken.wav.samples.size());
    return words;
}

} // namespace

// A voice changes at its mark and back at "⟦⟧" or the line's end; only a
// line's end or a pause that does not stand for it ends a stretch with the
// engine's pause. A pause at the text's end comes after it.
TEST(SpeechStretches, CutAtMarksPausesAndTheLineEnd)
{
    const QByteArray text = u"ab ⟦en⟧cd⟦⟧ ef\ngh ⟦ja⟧ij\nkl⟦ru⟧mn⟦⟧"_s.toUtf8();
    const QList<SpeechStretch> stretches =
        SpeechStretches(text, {{15, 100, true}, {35, 7, false}}, true);
    const struct {
        QByteArray text, key;
        qint64 position, silence;
        bool endPause;
    } expected[] = {
        {"ab ", "", 0, 0, false},  {"cd", "en", 7, 0, false},   {" ef\n", "", 11, 100, false},
        {"gh ", "", 15, 0, false}, {"ij\n", "ja", 22, 0, true}, {"kl", "", 25, 0, false},
        {"mn", "ru", 31, 0, true}, {"", "", 35, 7, true},
    };
    ASSERT_EQ(stretches.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const SpeechStretch& s = stretches[qsizetype(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(text.mid(s.begin, s.end - s.begin), expected[i].text);
        EXPECT_EQ(s.key, expected[i].key);
        EXPECT_EQ(s.position, expected[i].position);
        EXPECT_EQ(s.silenceAfter, expected[i].silence);
        EXPECT_EQ(s.endPause, expected[i].endPause);
    }
}

// A marked stretch is spoken by its voice, the marks unheard, with no pause
// of the engine's where the voice changes; the events and the audio go on
// as one text's.
TEST(SpeechStretches, AnotherVoiceSpeaksAStretchWithoutAGap)
{
    const std::optional<VoiceToken> pinyin = voiceNamed(u"Chinese (Mandarin, latin as Pinyin)"_s);
    const std::optional<VoiceToken> english = voiceNamed(u"English (Great Britain)"_s);
    const std::optional<VoiceToken> slt =
        voiceNamed(u"English (United States) – slt, female (Flite)"_s);
    ASSERT_TRUE(pinyin && english && slt);
    const QString latin = u"Kindle paperwhite"_s;
    const QString mixed = u"ni3 hao3 "_s + InVoice(u"en"_s, latin) + u" wo3 men5 hao3."_s;
    for (const VoiceToken& voice : {*english, *slt}) {
        SCOPED_TRACE(voice.GetDescription().toStdString());
        const QHash<QByteArray, VoiceToken> stretches{{"en", voice}};
        const Spoken alone = speakInStretches(latin, voice, {});
        const Spoken marked = speakInStretches(InVoice(u"en"_s, latin), pinyin, stretches);
        EXPECT_TRUE(test::sameLength(marked.wav, alone.wav));
        EXPECT_EQ(wordsOf(marked, InVoice(u"en"_s, latin)), latin.split(u' '));

        const Spoken spoken = speakInStretches(mixed, pinyin, stretches);
        EXPECT_TRUE(spoken.error.isEmpty()) << spoken.error.toStdString();
        EXPECT_EQ(wordsOf(spoken, mixed),
                  (QStringList{u"ni3"_s, u"hao3"_s, u"Kindle"_s, u"paperwhite"_s, u"wo3"_s,
                               u"men5"_s, u"hao3"_s}));
        // Shorter than its parts spoken one after the other, each with the
        // engine's pause at its end: the pinyin voice's before the switch
        // (0.15 s or more) is left out.
        const double parts = speakInStretches(u"ni3 hao3"_s, pinyin, {}).wav.seconds() +
                             alone.wav.seconds() +
                             speakInStretches(u"wo3 men5 hao3."_s, pinyin, {}).wav.seconds();
        EXPECT_LT(spoken.wav.seconds(), parts - 0.1);
        // A pause asked for inside the stretch is silence there, the voice's
        // own pauses at the cut aside.
        const qint64 at = mixed.indexOf(u"paperwhite"_s);
        const Spoken paused = speakInStretches(mixed, pinyin, stretches, {{at, 22050, true}});
        EXPECT_GT(paused.wav.seconds(), spoken.wav.seconds() + 0.95);
        EXPECT_LT(paused.wav.seconds(), spoken.wav.seconds() + 1.8); // Flite begins anew
        EXPECT_EQ(wordsOf(paused, mixed), wordsOf(spoken, mixed));
    }
}

} // namespace vt

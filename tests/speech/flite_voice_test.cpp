#include "common/error.h"
#include "speech/flite_engine.h"
#include "speech/flite_text.h"
#include "speech/sp_file_stream.h"
#include "speech/sp_voice.h"
#include "spoken.h"

#include <QTemporaryDir>
#include <cmath>
#include <dlfcn.h>
#include <espeak-ng/speak_lib.h>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

using test::speak;
using test::Spoken;
using test::voiceNamed;

const QString kSlt = u"English (United States) – slt, female (Flite)"_s;
const QString kEnglish = u"English (Great Britain)"_s; // espeak-ng's gmw/en
const QStringList kFliteVoices{
    kSlt,
    u"English (United States) – rms, male (Flite)"_s,
    u"English (Scotland) – awb, male (Flite)"_s,
    u"English (United States) – kal16, male (Flite)"_s,
    u"English (United States) – kal, male, 8 kHz (Flite)"_s,
};

// About 40 seconds of real prose, for lengths that do not hang on one word.
const QString kProse =
    u"Call me Ishmael. Some years ago, never mind how long precisely, having little or no "
    u"money in my purse, and nothing particular to interest me on shore, I thought I would "
    u"sail about a little and see the watery part of the world. It is a way I have of driving "
    u"off the spleen and regulating the circulation. Whenever I find myself growing grim about "
    u"the mouth; whenever it is a damp, drizzly November in my soul; whenever I find myself "
    u"involuntarily pausing before coffin warehouses, and bringing up the rear of every funeral "
    u"I meet; then, I account it high time to get to sea as soon as I can."_s;

Spoken speakWith(const QString& voice, const QString& text, int rate = 0, int volume = 100,
                 std::function<void()> yield = {})
{
    const std::optional<VoiceToken> token = voiceNamed(voice);
    EXPECT_TRUE(token) << voice.toStdString();
    const Spoken spoken = speak(text, rate, volume, token, std::move(yield));
    EXPECT_TRUE(spoken.error.isEmpty()) << spoken.error.toStdString();
    EXPECT_TRUE(spoken.wav.valid);
    EXPECT_EQ(spoken.wav.sampleRate, 22050);
    EXPECT_EQ(spoken.wav.channels, 1);
    return spoken;
}

TEST(FliteVoices, FollowEspeakNgsVoicesWhosePositionsStay)
{
    const VoiceTokens voices = SpVoice().GetVoices();
    // espeak-ng's own list, straight from the engine: a stored position keeps
    // its voice.
    void* espeak = dlopen("libespeak-ng.so.1", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(espeak, nullptr); // loaded by the engine
    const auto listVoices =
        reinterpret_cast<decltype(&espeak_ListVoices)>(dlsym(espeak, "espeak_ListVoices"));
    const espeak_VOICE** own = listVoices(nullptr);
    ASSERT_NE(own, nullptr);
    int count = 0;
    for (; own[count] != nullptr; ++count) {
        ASSERT_LT(count, voices.Count());
        EXPECT_EQ(voices.Item(count).identifier(), QByteArray(own[count]->identifier));
        EXPECT_EQ(voices.Item(count).engine(), Engine::EspeakNg);
    }
    ASSERT_EQ(voices.Count(), count + kFliteVoices.size());
    for (int i = 0; i < kFliteVoices.size(); ++i) {
        const VoiceToken& flite = voices.Item(count + i);
        EXPECT_EQ(flite.GetDescription(), kFliteVoices[i]);
        EXPECT_EQ(flite.engine(), Engine::Flite);
        EXPECT_EQ(flite.language(), i == 2 ? u"en-GB-scotland"_s : u"en-US"_s);
    }
    EXPECT_EQ(voiceNamed(kEnglish)->language(), u"en-GB"_s);
    EXPECT_EQ(EngineName(Engine::Flite), u"Flite"_s);
    dlclose(espeak);
}

// Lengths on real audio: a Flite voice at speed s lasts about as long as
// espeak-ng's English at s, every step is faster than the one below, and 0
// is the voice's own pace.
TEST(FliteVoices, SpeedFollowsEspeakNgsEnglishWithinFifteenPercent)
{
    struct Case {
        QString voice;
        int rate;
    };
    const QList<Case> cases{{kSlt, -10},
                            {kSlt, -3},
                            {kSlt, 0},
                            {kSlt, 5},
                            {kSlt, 10},
                            {kFliteVoices[1], 0},
                            {kFliteVoices[1], 10},
                            {kFliteVoices[2], 0},
                            {kFliteVoices[3], 0},
                            {kFliteVoices[4], -3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.voice.toStdString() + " at " + std::to_string(c.rate));
        const double espeak = speakWith(kEnglish, kProse, c.rate).wav.seconds();
        const double flite = speakWith(c.voice, kProse, c.rate).wav.seconds();
        EXPECT_NEAR(flite / espeak, 1.0, 0.15) << flite << " s against " << espeak << " s";
    }
    for (int rate = -9; rate <= 10; ++rate)
        EXPECT_LT(FliteStretch("cmu_us_slt", rate), FliteStretch("cmu_us_slt", rate - 1));
    EXPECT_EQ(FliteStretch("cmu_us_slt", 0), 1.0);
    EXPECT_NEAR(FliteStretch("cmu_us_kal16", 0), 1.1, 1e-9); // the voice's own stretch
}

TEST(FliteVoices, VolumeScalesTheSamplesAndZeroIsSilence)
{
    const QString text = u"The quick brown fox jumps over the lazy dog."_s;
    const test::WavFile full = speakWith(kSlt, text, 0, 100).wav;
    const test::WavFile half = speakWith(kSlt, text, 0, 50).wav;
    const test::WavFile none = speakWith(kSlt, text, 0, 0).wav;
    EXPECT_GT(full.seconds(), 1.0);
    EXPECT_NEAR(half.energy() / full.energy(), 0.25, 0.01); // half the amplitude
    EXPECT_TRUE(none.silent());
    EXPECT_EQ(none.samples.size(), full.samples.size());
}

// Both engines report where they are, the same way.
TEST(FliteVoices, SentenceAndWordEventsAsEspeakNgGivesThem)
{
    const QString text = u"Café owners smile at noon. Then they rest!"_s;
    const QStringList words{u"Café"_s, u"owners"_s, u"smile"_s, u"at"_s,
                            u"noon"_s, u"Then"_s,   u"they"_s,  u"rest"_s};
    for (const QString& voice : {kEnglish, kSlt}) {
        SCOPED_TRACE(voice.toStdString());
        const Spoken spoken = speakWith(voice, text);
        QStringList said;
        QList<qint64> sentences;
        qint64 sample = 0;
        for (const SpeechEvent& e : spoken.events) {
            EXPECT_GE(e.sample, sample);
            sample = e.sample;
            if (e.kind == SpeechEvent::Kind::Word)
                said.append(text.mid(e.textPosition, e.length));
            else
                sentences.append(e.textPosition);
        }
        EXPECT_EQ(said, words);
        EXPECT_EQ(sentences, (QList<qint64>{0, 27}));
        EXPECT_LT(sample, spoken.wav.samples.size());
        EXPECT_GT(sample, spoken.wav.samples.size() / 2); // "rest" is late in the audio
    }
}

TEST(FliteVoices, TextItCannotSayIsSilenceThere)
{
    const QString japanese = u"吾輩は猫である。名前はまだ無い。"_s;
    int yields = 0;
    const Spoken mixed =
        speakWith(kSlt, japanese + u"\nThe cat has no name yet.\n"_s, 0, 100, [&] { ++yields; });
    ASSERT_FALSE(mixed.events.isEmpty());
    EXPECT_EQ(mixed.events[0].textPosition, japanese.size() + 1); // the English sentence
    const qsizetype english = mixed.events[0].sample;
    EXPECT_GT(english, 0);
    EXPECT_TRUE(std::all_of(mixed.wav.samples.begin(), mixed.wav.samples.begin() + english,
                            [](qint16 s) { return s == 0; }));
    EXPECT_FALSE(mixed.wav.silent());
    EXPECT_GE(yields, 1);
    for (const QString& voice : kFliteVoices) { // Japanese alone: a short silence, no noise
        const test::WavFile wav = speakWith(voice, japanese).wav;
        EXPECT_TRUE(wav.silent()) << voice.toStdString();
        EXPECT_LT(wav.seconds(), 2.0);
    }
}

TEST(FliteVoices, FailuresLeaveTheEngineFree)
{
    const Spoken unknown =
        speak(u"Hello."_s, 0, 100, VoiceToken(u"Nobody (Flite)"_s, "cmu_us_nobody", Engine::Flite));
    EXPECT_EQ(unknown.error, kClassNotRegistered);

    QTemporaryDir dir; // past the WAV limit
    SpVoice voice;
    voice.setVoice(*voiceNamed(kSlt));
    auto stream = std::make_shared<SpFileStream>(20000);
    stream->Open(dir.filePath(u"out.wav"_s));
    voice.setAudioOutputStream(stream);
    EXPECT_THROW(voice.Speak(kProse), Error);
    stream->Close();
    EXPECT_TRUE(test::readWav(dir.filePath(u"out.wav"_s)).valid);

    QString nested; // a handler that speaks during a yield is refused
    speakWith(kSlt, kProse, 10, 100,
              [&] { nested = speak(u"Another text."_s, 0, 100, voiceNamed(kSlt)).error; });
    EXPECT_TRUE(nested.contains(u"already speaking"_s)) << nested.toStdString();
    EXPECT_FALSE(speakWith(kSlt, u"Free again."_s).wav.silent());
}

TEST(FliteText, EachCharacterBecomesOneItCanSay)
{
    const struct {
        QString text;
        QByteArray sayable;
    } cases[] = {
        {u"Plain text, 42!"_s, "Plain text, 42!"},
        {u"Café naïve Ærø Łódź"_s, "Cafe naive Aro Lodz"},
        {u"‘It’s’ “so” — fine…"_s, "'It's' \"so\" - fine."},
        {u"日本\u00a0𝄞x\ty\u2028z"_s, "\x1a\x1a \x1ax y\nz"}, // 𝄞 is one character
    };
    for (const auto& c : cases)
        EXPECT_EQ(FliteSayable(c.text), c.sayable) << c.text.toStdString();
}

TEST(FliteText, UtterancesEndAtSentencesLinesAndLongClauses)
{
    const QByteArray text = "Mr. Smith met J. Doe, e.g. here. \"Go!\" she said\nNext line";
    QList<QByteArray> parts;
    for (qsizetype from = 0; from < text.size();) {
        const qsizetype to = FliteUtteranceEnd(text, from);
        parts.append(text.mid(from, to - from).trimmed());
        from = to;
    }
    EXPECT_EQ(parts, (QList<QByteArray>{"Mr. Smith met J. Doe, e.g. here.", "\"Go!\"", "she said",
                                        "Next line"}));
    const QByteArray clauses = QByteArray(250, 'a').replace(220, 2, ", ");
    EXPECT_EQ(FliteUtteranceEnd(clauses, 0), 221);
    EXPECT_EQ(FliteUtteranceEnd(QByteArray(2000, 'x'), 0), 500);
}

} // namespace
} // namespace vt

#include "common/error.h"
#include "fresh_process.h"
#include "speech/sp_file_stream.h"
#include "speech/sp_voice.h"
#include "speech/speech_engine.h"
#include "spoken.h"
#include "test_env.h"
#include "wav_reading.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kSentence = u"The quick brown fox jumps over the lazy dog, and then it rests."_s;

using test::speak;
using test::Spoken;
using test::voiceNamed;

// Points the pulse and ALSA clients at outputs that do not exist.
class NoAudioOutput
{
  public:
    NoAudioOutput() : pulse_(qgetenv("PULSE_SERVER")), card_(qgetenv("ALSA_CARD"))
    {
        qputenv("PULSE_SERVER", "unix:/nonexistent/vellumtone-test");
        qputenv("ALSA_CARD", "VellumtoneNoSuchCard");
    }
    ~NoAudioOutput()
    {
        restore("PULSE_SERVER", pulse_);
        restore("ALSA_CARD", card_);
    }

  private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QByteArray pulse_, card_;
};

TEST(SpeechEngine, ListsItsVoicesInTheSameOrderEveryTime)
{
    const VoiceTokens first = SpVoice().GetVoices(u""_s, u""_s);
    const VoiceTokens second = SpVoice().GetVoices();
    ASSERT_GT(first.Count(), 1);
    ASSERT_EQ(first.Count(), second.Count());
    QStringList names;
    for (int i = 0; i < first.Count(); ++i) {
        EXPECT_EQ(first.Item(i).GetDescription(0), second.Item(i).GetDescription(0));
        EXPECT_EQ(first.Item(i).identifier(), second.Item(i).identifier());
        names.append(first.Item(i).GetDescription(0));
    }
    EXPECT_TRUE(names.contains(u"English (Great Britain)"_s));
    try {
        first.Item(first.Count());
        FAIL() << "an item past the end";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), err::SubscriptOutOfRange);
    }
    EXPECT_THROW(first.Item(-1), Error);
}

TEST(SpeechEngine, SpeaksInto22kHzMonoWav)
{
    const Spoken spoken = speak(kSentence);
    ASSERT_TRUE(spoken.error.isEmpty()) << spoken.error.toStdString();
    const test::WavFile& wav = spoken.wav;
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.sampleRate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.riffSize, 36 + wav.dataSize);
    EXPECT_EQ(wav.fileSize, 44 + qint64(wav.dataSize));
    EXPECT_GT(wav.seconds(), 1.0);
    EXPECT_LT(wav.seconds(), 15.0);
    EXPECT_FALSE(wav.silent());
}

TEST(SpeechEngine, EveryFasterRateGivesShorterSpeech)
{
    double previous = 0;
    for (int rate = -10; rate <= 10; ++rate) {
        const Spoken spoken = speak(kSentence, rate);
        ASSERT_TRUE(spoken.error.isEmpty()) << spoken.error.toStdString();
        if (rate > -10) {
            EXPECT_LT(spoken.wav.seconds(), previous) << "rate " << rate;
        }
        previous = spoken.wav.seconds();
    }
    // The ends lie about a factor of three from the normal speed.
    const double normal = speak(kSentence, 0).wav.seconds();
    EXPECT_GT(speak(kSentence, -10).wav.seconds(), 2.0 * normal);
    EXPECT_LT(speak(kSentence, 10).wav.seconds(), 0.6 * normal);
}

TEST(SpeechEngine, VolumeScalesTheEnergyAndZeroIsSilence)
{
    const test::WavFile full = speak(kSentence, 0, 100).wav;
    const test::WavFile half = speak(kSentence, 0, 50).wav;
    const test::WavFile none = speak(kSentence, 0, 0).wav;
    EXPECT_GT(full.energy(), 0);
    EXPECT_LT(half.energy(), full.energy());
    EXPECT_GT(half.energy(), 0);
    EXPECT_TRUE(none.silent());
    EXPECT_GT(none.seconds(), 1.0); // silence as long as the speech, not nothing

    SpVoice voice;
    EXPECT_THROW(voice.setVolume(101), Error);
    EXPECT_THROW(voice.setVolume(-1), Error);
    EXPECT_THROW(voice.setRate(11), Error);
    EXPECT_THROW(voice.setRate(-11), Error);
    EXPECT_EQ(voice.volume(), 100);
    EXPECT_EQ(voice.rate(), 0);
}

TEST(SpeechEngine, SpeaksWithTheChosenVoice)
{
    const std::optional<VoiceToken> english = voiceNamed(u"English (Great Britain)"_s);
    const std::optional<VoiceToken> german = voiceNamed(u"German"_s);
    ASSERT_TRUE(english && german);
    const test::WavFile byDefault = speak(kSentence).wav;
    const test::WavFile inEnglish = speak(kSentence, 0, 100, english).wav;
    const test::WavFile inGerman = speak(kSentence, 0, 100, german).wav;
    // The engine adds random noise to some sounds: lengths tell voices apart.
    EXPECT_TRUE(test::sameLength(byDefault, inEnglish)); // the default is English
    EXPECT_FALSE(test::sameLength(inGerman, inEnglish));
    // A later voice without a choice is back on the default.
    EXPECT_TRUE(test::sameLength(speak(kSentence).wav, byDefault));

    const Spoken missing = speak(kSentence, 0, 100, VoiceToken(u"Nobody"_s, "xx/nobody"));
    EXPECT_EQ(missing.error, u"Class not registered"_s);
}

TEST(SpeechEngine, SpeaksTheContentOfANamedFile)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(u"piece.txt"_s);
    test::writeFile(text, kSentence.toUtf8());
    const QString wavPath = dir.filePath(u"out.wav"_s);
    SpVoice voice;
    auto stream = std::make_shared<SpFileStream>();
    stream->Open(wavPath);
    voice.setAudioOutputStream(stream);
    voice.Speak(text, SpVoice::SVSFIsFilename);
    stream->Close();
    EXPECT_TRUE(test::sameLength(test::readWav(wavPath), speak(kSentence).wav));

    auto again = std::make_shared<SpFileStream>();
    again->Open(wavPath);
    voice.setAudioOutputStream(again);
    try {
        voice.Speak(dir.filePath(u"missing.txt"_s), SpVoice::SVSFIsFilename);
        FAIL() << "spoke a missing file";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(u"missing.txt"_s));
    }
    EXPECT_THROW(voice.Speak(kSentence, 1), Error); // asynchronous speaking is not offered
}

TEST(SpeechEngine, FileStreamTakesOnlyItsOneFormatAndMode)
{
    QTemporaryDir dir;
    SpFileStream stream;
    EXPECT_THROW(stream.setFormatType(18), Error);
    EXPECT_EQ(stream.formatType(), 22);
    EXPECT_THROW(stream.Open(dir.filePath(u"a.wav"_s), 0, false), Error);
    EXPECT_FALSE(stream.isOpen());

    SpVoice voice; // a stream that is not open is refused, not written past
    voice.setAudioOutputStream(std::make_shared<SpFileStream>());
    EXPECT_THROW(voice.Speak(kSentence), Error);
}

TEST(SpeechEngine, AudioPastTheWavLimitFailsAndLeavesAWellFormedFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.wav"_s);
    SpVoice voice;
    auto stream = std::make_shared<SpFileStream>(20000);
    stream->Open(path);
    voice.setAudioOutputStream(stream);
    try {
        voice.Speak(kSentence);
        FAIL() << "no error past the limit";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(u"4 GiB"_s)) << e.description().toStdString();
    }
    stream->Close();
    const test::WavFile wav = test::readWav(path);
    EXPECT_TRUE(wav.valid);
    EXPECT_LE(wav.dataSize, 20000u);
    EXPECT_EQ(wav.riffSize, 36 + wav.dataSize);
    // The engine is free again.
    EXPECT_TRUE(speak(kSentence).error.isEmpty());
}

TEST(SpeechEngine, YieldsWhileSpeakingAndIsNeverReentered)
{
    const test::WavFile plain = speak(kSentence).wav;

    int yields = 0;
    QString nested;
    int voicesWhileSpeaking = 0;
    const Spoken outer = speak(kSentence, 0, 100, {}, [&] {
        ++yields;
        // A handler during the yield: lists voices and tries to speak.
        voicesWhileSpeaking = SpVoice().GetVoices().Count();
        const Spoken inner = speak(u"Another text."_s);
        nested = inner.error;
    });
    EXPECT_TRUE(outer.error.isEmpty()) << outer.error.toStdString();
    EXPECT_GE(yields, 1);
    EXPECT_TRUE(nested.contains(u"already speaking"_s)) << nested.toStdString();
    EXPECT_EQ(voicesWhileSpeaking, SpVoice().GetVoices().Count());
    EXPECT_TRUE(test::sameLength(outer.wav, plain)); // the outer speech is whole
}

TEST(SpeechEngine, ARateSetWhileSpeakingAppliesToTheNextSpeak)
{
    QTemporaryDir dir;
    SpVoice voice;
    voice.setYield([&voice] { voice.setRate(10); });
    const auto speakOnce = [&](const QString& name) {
        auto stream = std::make_shared<SpFileStream>();
        stream->Open(dir.filePath(name));
        voice.setAudioOutputStream(stream);
        voice.Speak(kSentence);
        stream->Close();
        return test::readWav(dir.filePath(name));
    };
    const test::WavFile first = speakOnce(u"1.wav"_s);
    const test::WavFile second = speakOnce(u"2.wav"_s);
    EXPECT_TRUE(test::sameLength(first, speak(kSentence, 0).wav));
    EXPECT_TRUE(test::sameLength(second, speak(kSentence, 10).wav));
}

TEST(SpeechEngine, SpeakingAloudWithoutAudioOutputFailsWithADescription)
{
    NoAudioOutput none;
    SpVoice voice;
    int yields = 0;
    voice.setYield([&yields] { ++yields; });
    try {
        voice.Speak(u"This is a test"_s, 0);
        FAIL() << "spoke aloud without an audio output";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().startsWith(u"Cannot play the speech"_s))
            << e.description().toStdString();
    }
    EXPECT_TRUE(speak(kSentence).error.isEmpty()); // the engine is not stuck
}

TEST(SpeechEngine, SpeaksAloudThroughTheDefaultOutput)
{
    // The default output made a sink that takes any sound at once.
    VT_IN_FRESH_PROCESS({
        QTemporaryDir dir;
        const QString config = dir.filePath(u"asound.conf"_s);
        test::writeFile(config, "pcm.!default {\n    type null\n}\n");
        qputenv("PULSE_SERVER", "unix:/nonexistent/vellumtone-test");
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config));
        SpVoice voice;
        int yields = 0;
        voice.setYield([&yields] { ++yields; });
        voice.Speak(kSentence + u' ' + kSentence, 0);
        EXPECT_GE(yields, 1);
        voice.Speak(u"This is a test"_s, 0); // the output can be opened again
        voice.setVoice(*voiceNamed(u"English (United States) – slt, female (Flite)"_s));
        voice.Speak(u"This is a test"_s, 0); // Test Speed with a Flite voice
    });
}

TEST(SpeechEngine, EngineDataThatCannotBeLoadedIsClassNotRegistered)
{
    VT_IN_FRESH_PROCESS({
        QTemporaryDir empty;
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(empty.path()));
        try {
            SpVoice voice;
            ADD_FAILURE() << "made a voice without engine data";
        } catch (const Error& e) {
            EXPECT_EQ(e.description(), u"Class not registered"_s);
            EXPECT_EQ(e.number(), kClassNotRegisteredNumber);
        }
        // Once the data is there, the engine loads after all.
        QTemporaryDir good;
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(test::linkedEngineData(good.path())));
        EXPECT_GT(SpVoice().GetVoices().Count(), 1);
    });
}

} // namespace
} // namespace vt

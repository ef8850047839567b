#include "fake_window.h"
#include "fresh_process.h"
#include "speech/sp_voice.h"
#include "speech/speech_rendering.h"
#include "test_env.h"
#include "wav_reading.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kPiece = u"it was the best of times, it was the worst of times."_s;

std::optional<VoiceToken> voiceNamed(const QString& name)
{
    for (const VoiceToken& voice : SpVoice().GetVoices())
        if (voice.GetDescription() == name)
            return voice;
    return std::nullopt;
}

// The speech controls of a window, and the window that shows what goes wrong.
struct Speaker {
    SpeakSettings settings;
    test::FakeWindow window;

    void speak(const QString& source, const QString& wav,
               const std::function<void(double)>& spoken = {})
    {
        SaveToWAV(source, wav, settings,
                  {window.report(), window.yield(), spoken, {}, [this](const QString& e) {
                       window.showMessage(
                           e + u"\n\nPlease try selecting another voice from the dropdown."_s,
                           Buttons::Ok, Icon::None, {});
                   }});
    }
};

class SaveToWavTest : public ::testing::Test
{
  protected:
    SaveToWavTest() { test::writeFile(piece, kPiece.toUtf8()); }

    test::WavFile render()
    {
        QFile::remove(wav);
        speaker.speak(piece, wav);
        return test::readWav(wav);
    }

    QTemporaryDir dir;
    QString piece = dir.filePath(u"output001.txt"_s);
    QString wav = dir.filePath(u"output001.wav"_s);
    Speaker speaker;
    test::FakeWindow& window = speaker.window;
    SpeakSettings& settings = speaker.settings;
};

TEST_F(SaveToWavTest, SpeaksAPieceIntoAClosedWavFile)
{
    const test::WavFile out = render();
    ASSERT_TRUE(out.valid);
    EXPECT_EQ(out.sampleRate, 22050);
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.riffSize, 36 + out.dataSize);
    EXPECT_GT(out.seconds(), 1.0);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messageTexts().join(u'|').toStdString();
    EXPECT_GE(window.yields, 2); // once before speaking, and while speaking
    EXPECT_EQ(LiveVoice(), nullptr);
    EXPECT_TRUE(QFile::exists(piece)); // the piece is left to the run
}

// Positions count characters, not bytes: a text of two-byte letters still
// ends near the whole. Flite's voices tell it as espeak-ng's do.
TEST_F(SaveToWavTest, TellsTheShareOfTheTextSpokenAsItGoes)
{
    const struct {
        QString voice;
        QByteArray text;
    } cases[] = {
        {QString(), "Это был лучший из времён, это был худший из времён. Было время мудрости."},
        {u"English (United States) – slt, female (Flite)"_s,
         "It was the best of times, it was the wörst of times. It was the age of wisdom."},
    };
    for (const auto& c : cases) {
        settings.voice = c.voice.isEmpty() ? std::nullopt : voiceNamed(c.voice);
        test::writeFile(piece, c.text);
        QList<double> shares;
        speaker.speak(piece, wav, [&](double share) { shares << share; });
        ASSERT_GE(shares.size(), 3);
        EXPECT_TRUE(std::is_sorted(shares.begin(), shares.end()));
        EXPECT_GE(shares.last(), 0.9);
        EXPECT_LE(shares.last(), 1.0);
    }
}

TEST_F(SaveToWavTest, UsesTheWindowsVoiceVolumeAndSpeed)
{
    const test::WavFile byDefault = render();
    settings.voice = voiceNamed(u"English (Great Britain)"_s);
    ASSERT_TRUE(settings.voice);
    EXPECT_TRUE(test::sameLength(render(), byDefault));
    settings.voice = voiceNamed(u"German"_s);
    EXPECT_FALSE(test::sameLength(render(), byDefault));

    settings.voice = std::nullopt;
    settings.rate = 10;
    const double fast = render().seconds();
    settings.rate = -10;
    EXPECT_GT(render().seconds(), 2 * fast);
    settings.rate = 0;
    settings.volume = 0;
    EXPECT_TRUE(render().silent());
    EXPECT_TRUE(window.messages.isEmpty());
}

// A voice chosen before it was taken away: the user is asked for another.
TEST_F(SaveToWavTest, AVoiceNoLongerInstalledAsksForAnotherAndSpeaksNothing)
{
    settings.voice = VoiceToken(u"Gone"_s, "gone-voice");
    EXPECT_FALSE(render().valid);
    EXPECT_EQ(
        window.messageTexts(),
        QStringList{
            u"Class not registered\n\nPlease try selecting another voice from the dropdown."_s});
}

TEST_F(SaveToWavTest, AFailedSpeakIsSilentAndLeavesNoWavFile)
{
    QFile::remove(piece); // the piece cannot be read
    test::writeFile(wav, "stale");
    speaker.speak(piece, wav);
    EXPECT_FALSE(QFile::exists(wav));
    EXPECT_TRUE(window.messages.isEmpty());
    EXPECT_EQ(LiveVoice(), nullptr);
}

TEST_F(SaveToWavTest, AWavFileThatCannotBeMadeIsReportedOnce)
{
    const QString elsewhere = dir.filePath(u"missing/output001.wav"_s);
    speaker.speak(piece, elsewhere);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].text.contains(u"at line 120"_s))
        << window.messages[0].text.toStdString();
    EXPECT_FALSE(QFile::exists(elsewhere));
}

TEST_F(SaveToWavTest, TheLiveVoiceTakesSliderChangesAndCallsInsideAreRefused)
{
    bool sawLive = false;
    int liveRate = 99;
    settings.rate = -4;
    window.onYield = [&] {
        SpVoice* live = LiveVoice();
        if (live && window.yields == 1) { // the yield before speaking
            sawLive = true;
            liveRate = live->rate();
        }
        if (live && window.yields == 2) { // while speaking
            live->setRate(10);            // the speed slider's handler
            live->setVolume(40);
            // "Test Speed" from a handler: refused, and the outer voice stays live.
            Speaker inner;
            inner.speak(u"This is a test"_s, QString());
            EXPECT_TRUE(inner.window.messages.isEmpty());
            EXPECT_EQ(LiveVoice(), live);
        }
    };
    const test::WavFile out = render();
    window.onYield = nullptr;
    EXPECT_TRUE(sawLive);
    EXPECT_EQ(liveRate, -4);
    EXPECT_EQ(LiveVoice(), nullptr);
    // The piece was spoken whole at the speed it started with.
    EXPECT_TRUE(test::sameLength(out, render()));
}

// "Test Speed" on a machine without sound: the listener hears nothing and
// is told why.
TEST_F(SaveToWavTest, SpeakingAloudWithoutAudioOutputSaysWhy)
{
    const QByteArray pulse = qgetenv("PULSE_SERVER");
    const QByteArray card = qgetenv("ALSA_CARD");
    qputenv("PULSE_SERVER", "unix:/nonexistent/vellumtone-test");
    qputenv("ALSA_CARD", "VellumtoneNoSuchCard");
    speaker.speak(u"This is a test"_s, QString());
    pulse.isEmpty() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", pulse);
    card.isEmpty() ? qunsetenv("ALSA_CARD") : qputenv("ALSA_CARD", card);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].text.startsWith(u"Cannot play the speech: "_s))
        << window.messages[0].text.toStdString();
    EXPECT_TRUE(window.messages[0].text.contains(u"Speak.SaveToWAV at line 136"_s));
    EXPECT_EQ(LiveVoice(), nullptr);
}

TEST(SaveToWav, AVoiceThatCannotBeLoadedGivesTheClassNotRegisteredMessage)
{
    VT_IN_FRESH_PROCESS({
        QTemporaryDir dir;
        const QString data = test::linkedEngineData(dir.filePath(u"data"_s));
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(data));
        const QString piece = dir.filePath(u"output001.txt"_s);
        const QString wav = dir.filePath(u"output001.wav"_s);
        test::writeFile(piece, kPiece.toUtf8());
        Speaker speaker;
        test::FakeWindow& window = speaker.window;
        speaker.settings.voice = voiceNamed(u"German"_s);
        ASSERT_TRUE(speaker.settings.voice);
        // The voice is listed, then its file goes before it is spoken.
        const QString voiceFile = data + u"/espeak-ng-data/lang/gmw/de"_s;
        const QString original = QFile::symLinkTarget(voiceFile);
        window.onYield = [&] { QFile::remove(voiceFile); };
        speaker.speak(piece, wav);
        ASSERT_EQ(window.messages.size(), 1);
        EXPECT_EQ(
            window.messages[0].text,
            u"Class not registered\n\nPlease try selecting another voice from the dropdown."_s);
        EXPECT_EQ(window.messages[0].buttons, Buttons::Ok);
        EXPECT_EQ(window.messages[0].icon, Icon::None);
        EXPECT_EQ(window.messages[0].caption, QString());
        EXPECT_FALSE(QFile::exists(wav));
        // Once per call.
        ASSERT_TRUE(QFile::link(original, voiceFile));
        speaker.speak(piece, wav);
        EXPECT_EQ(window.messages.size(), 2);
    });
}

TEST(SaveToWav, AnEngineThatCannotBeLoadedIsReportedAndNothingIsSpoken)
{
    VT_IN_FRESH_PROCESS({
        QTemporaryDir dir;
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(dir.path()));
        const QString piece = dir.filePath(u"output001.txt"_s);
        const QString wav = dir.filePath(u"output001.wav"_s);
        test::writeFile(piece, kPiece.toUtf8());
        Speaker speaker;
        const test::FakeWindow& window = speaker.window;
        speaker.speak(piece, wav);
        ASSERT_EQ(window.messages.size(), 1);
        EXPECT_TRUE(window.messages[0].text.startsWith(u"Class not registered\n"_s));
        EXPECT_TRUE(window.messages[0].text.contains(u"at line 100"_s));
        EXPECT_EQ(window.messages[0].icon, Icon::Warning);
        EXPECT_FALSE(QFile::exists(wav));
    });
}

} // namespace
} // namespace vt

#include "audio/encoder_thread.h"
#include "audio/joined_mp3.h"
#include "audio/mp3_frames.h"
#include "audio/mp3_info_frame.h"
#include "audio/parallel_mp3.h"
#include "audio/part_cutter.h"
#include "audio_tools.h"
#include "test_env.h"

#include <QDir>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

constexpr qint64 kSecond = 22050;

// Sentences of the engine's speech with its pauses, about 40 s.
std::vector<qint16> speech(const QString& wav)
{
    QString text;
    for (int i = 0; i < 4; ++i)
        text += u"It was a bright cold day in April, and the clocks were striking thirteen. "
                u"She said nothing for a while. The wind swept along the street. "_s;
    speakToWav(text, wav);
    const QByteArray bytes = readFile(wav).mid(44);
    std::vector<qint16> samples(std::size_t(bytes.size() / 2));
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::vector<qint16> decoded(const QString& mp3)
{
    const ToolResult r =
        runTool(u"ffmpeg"_s, {u"-v"_s, u"error"_s, u"-i"_s, mp3, u"-f"_s, u"s16le"_s, u"-"_s});
    std::vector<qint16> samples(std::size_t(r.out.size() / 2));
    std::memcpy(samples.data(), r.out.data(), samples.size() * 2);
    return samples;
}

std::vector<AudioPart> cutAll(PartCutter& cutter, const std::vector<qint16>& samples)
{
    for (std::size_t i = 0; i < samples.size(); i += 1000)
        cutter.push(samples.data() + i, qsizetype(std::min<std::size_t>(1000, samples.size() - i)));
    cutter.finish();
    std::vector<AudioPart> parts;
    while (cutter.hasPart())
        parts.push_back(cutter.take());
    return parts;
}

bool quiet(const std::vector<qint16>& s, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i)
        if (std::abs(int(s[i])) > PartCutter::kQuiet)
            return false;
    return true;
}

// Parts end and begin in a pause, and what each seam will add is taken out
// of the pauses after it: the parts and seams add up to the speech.
TEST(PartCutter, PartsEndInPausesAndTheirSeamsAddUpToTheSpeech)
{
    QTemporaryDir dir;
    const std::vector<qint16> input = speech(dir.filePath(u"s.wav"_s));
    PartCutter cutter(2 * kSecond);
    const std::vector<AudioPart> parts = cutAll(cutter, input);
    ASSERT_GE(parts.size(), 8u);
    qint64 total = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::vector<qint16>& s = parts[i].samples;
        EXPECT_EQ(parts[i].index, qint64(i));
        total += qint64(s.size()) + (i + 1 < parts.size() ? SeamSamples(qint64(s.size())) : 0);
        if (i + 1 < parts.size()) {
            EXPECT_GE(qint64(s.size()), kSecond);
            EXPECT_TRUE(quiet(s, s.size() - 256, s.size())) << "part " << i;
            EXPECT_TRUE(quiet(parts[i + 1].samples, 0, 256)) << "part " << i + 1;
        }
    }
    EXPECT_EQ(total - cutter.seamDebt(), qint64(input.size()));
    EXPECT_LT(cutter.seamDebt(), SeamSamples(1));
    EXPECT_EQ(cutter.samplesIn(), qint64(input.size()));

    // Sound with no pause is cut at four times the part; it has no pause
    // to give the seams' samples back.
    std::vector<qint16> tone(std::size_t(10 * kSecond));
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = qint16(8000 * std::sin(double(i) / 10));
    PartCutter busy(kSecond);
    const std::vector<AudioPart> cut = cutAll(busy, tone);
    ASSERT_EQ(cut.size(), 3u);
    EXPECT_EQ(cut[0].samples.size(), std::size_t(4 * kSecond));
    EXPECT_EQ(cut[2].samples.size(), std::size_t(2 * kSecond));
    EXPECT_EQ(busy.seamDebt(), 2 * SeamSamples(4 * kSecond));
}

// The parts encoded side by side play as one encoder's stream would: the
// same length to the sample (less the delay and padding its Info frame
// states), no Info frame inside, no click at a seam,
// nothing a decoder complains about.
TEST(ParallelMp3, PlaysAsOneEncoderWouldWithNoSeamHeard)
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(u"s.wav"_s);
    const std::vector<qint16> input = speech(wav);
    const QString plain = dir.filePath(u"plain.mp3"_s);
    const QString parallel = dir.filePath(u"parallel.mp3"_s);
    encodeMp3(wav, plain);
    auto encoder = ParallelMp3Encoder::create(parallel, 3, 2 * kSecond);
    ASSERT_TRUE(encoder) << encoder.error().toStdString();
    for (std::size_t i = 0; i < input.size(); i += 4410)
        ASSERT_TRUE((*encoder)->write(input.data() + i,
                                      qsizetype(std::min<std::size_t>(4410, input.size() - i))));
    ASSERT_TRUE((*encoder)->finish());

    const std::vector<qint16> heard = decoded(parallel);
    const std::vector<qint16> plainHeard = decoded(plain);
    // The book's Info frame states the encoder's delay and padding, which
    // the decoder leaves out (with its own 529 samples); the plain stream
    // states none.
    const QByteArray bytes = readFile(parallel);
    const StreamEnds ends = InfoDelayPadding(bytes);
    EXPECT_EQ(ends.delay, kLameEncoderDelay);
    EXPECT_EQ(heard.size() + std::size_t(ends.delay + 529 + std::max(0, ends.padding - 529)),
              plainHeard.size());
    EXPECT_EQ(ffmpegErrors(parallel), QString());
    const Mpg123Report mpg = mpg123Test(parallel);
    EXPECT_TRUE(mpg.finished);
    EXPECT_EQ(mpg.complaints, QStringList{});
    EXPECT_NEAR(mpg.decoded, double(heard.size()) / kSecond, 0.03);

    Mp3FrameWalker walk(bytes);
    int infoFrames = 0; // the book's own, at its start, and no other
    while (walk.next())
        infoFrames += IsInfoFrame(bytes, walk.offset(), walk.header()) ? 1 : 0;
    EXPECT_EQ(infoFrames, 1);

    // Where the speech pauses for 0.25 s or more, the middle of the pause
    // stays as quiet as in the stream of one encoder (a seam's samples
    // given back move the audio by less than 0.08 s).
    int loudest = 0, loudestPlain = 0, pauses = 0;
    for (std::size_t i = 0, run = 0; i < input.size(); ++i) {
        run = std::abs(int(input[i])) <= PartCutter::kQuiet ? run + 1 : 0;
        pauses += run == 5512 ? 1 : 0;
        if (run >= 5512) {
            const std::size_t mid = i - run / 2;
            loudest = std::max(loudest, std::abs(int(heard[mid])));
            loudestPlain = std::max(loudestPlain, std::abs(int(plainHeard[mid])));
        }
    }
    EXPECT_GE(pauses, 8);
    EXPECT_LE(loudest, loudestPlain + 64);
}

// A file that cannot be made is refused with its path; ending the encoder
// midway ends its threads.
TEST(ParallelMp3, AnUnwritableFileIsRefusedAndAnEndStopsEveryThread)
{
    const QString nowhere = u"/nonexistent-folder/book.mp3"_s;
    const auto refused = ParallelMp3Encoder::create(nowhere, 2);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().contains(nowhere));

    QTemporaryDir dir;
    const int before = threadsOfThisProcess();
    {
        auto encoder = ParallelMp3Encoder::create(dir.filePath(u"b.mp3"_s), 4, kSecond);
        ASSERT_TRUE(encoder);
        EXPECT_EQ(threadsOfThisProcess(), before + 4);
        std::vector<qint16> loud(std::size_t(20 * kSecond), 3000);
        ASSERT_TRUE((*encoder)->write(loud.data(), qsizetype(loud.size())));
    }
    EXPECT_EQ(threadsOfThisProcess(), before);
}

// The M4B's encoder thread takes every sample in order, and its first
// failure reaches the speaking side.
TEST(EncoderThread, TakesEverySampleInOrderAndPassesItsFailureOn)
{
    std::vector<qint16> input(100000), seen;
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = qint16(i % 30000);
    EncoderThread fine([&](const std::vector<qint16>& block) {
        seen.insert(seen.end(), block.begin(), block.end());
        return Expected<void>{};
    });
    for (std::size_t i = 0; i < input.size(); i += 777)
        ASSERT_TRUE(
            fine.write(input.data() + i, qsizetype(std::min<std::size_t>(777, input.size() - i))));
    ASSERT_TRUE(fine.finish());
    EXPECT_EQ(seen, input);

    int blocks = 0;
    EncoderThread failing([&](const std::vector<qint16>&) {
        return ++blocks < 2 ? Expected<void>{} : Problem{u"No space left on device"_s};
    });
    Expected<void> result;
    for (int i = 0; i < 20 && result; ++i)
        result = failing.write(input.data(), 50000);
    if (result)
        result = failing.finish();
    EXPECT_EQ(result.error(), u"No space left on device"_s);
}

} // namespace

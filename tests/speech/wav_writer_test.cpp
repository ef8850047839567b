#include "common/error.h"
#include "speech/wav_writer.h"
#include "test_env.h"
#include "wav_reading.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

std::vector<qint16> ramp(int count, int start = 0)
{
    std::vector<qint16> samples(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[size_t(i)] = qint16((start + i) * 7 - 3000);
    return samples;
}

void append(WavWriter& writer, const std::vector<qint16>& samples)
{
    writer.append(reinterpret_cast<const char*>(samples.data()), qint64(samples.size()) * 2);
}

TEST(WavWriter, HeaderDescribesWhatWasWrittenInManyBlocks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.wav"_s);
    WavWriter writer;
    writer.open(path, 22050, 1, 16);
    for (int block = 0; block < 50; ++block)
        append(writer, ramp(441, block * 441));
    writer.close();

    const test::WavFile wav = test::readWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.sampleRate, 22050);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.dataSize, 50u * 441 * 2);
    EXPECT_EQ(wav.riffSize, 36 + wav.dataSize);
    EXPECT_EQ(wav.fileSize, 44 + qint64(wav.dataSize));
    const std::vector<qint16> expected = ramp(50 * 441);
    EXPECT_TRUE(
        std::equal(expected.begin(), expected.end(), wav.samples.begin(), wav.samples.end()));
}

TEST(WavWriter, EmptyReplacedAndDestroyedFilesAreWellFormed)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.wav"_s);
    test::writeFile(path, QByteArray(5000, 'x'));
    {
        WavWriter writer;
        writer.open(path, 22050, 1, 16);
        writer.close();
        writer.close(); // a second close does nothing
    }
    test::WavFile wav = test::readWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.fileSize, 44); // the old content is gone
    EXPECT_EQ(wav.dataSize, 0u);

    {
        WavWriter writer; // closed by its destructor only
        writer.open(path, 22050, 1, 16);
        append(writer, ramp(100));
    }
    wav = test::readWav(path);
    EXPECT_EQ(wav.dataSize, 200u);
    EXPECT_EQ(wav.riffSize, 236u);
}

TEST(WavWriter, RefusesDataPastTheLimitAndKeepsTheFileWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"out.wav"_s);
    WavWriter writer(1000);
    writer.open(path, 22050, 1, 16);
    append(writer, ramp(400));
    try {
        append(writer, ramp(101)); // 1002 bytes in all
        FAIL() << "no error past the limit";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(u"4 GiB"_s)) << e.description().toStdString();
    }
    append(writer, ramp(100)); // exactly up to the limit still fits
    writer.close();
    const test::WavFile wav = test::readWav(path);
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataSize, 1000u);
    EXPECT_EQ(wav.fileSize, 1044);
}

TEST(WavWriter, ReportsAFileThatCannotBeMade)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"missing/out.wav"_s);
    WavWriter writer;
    try {
        writer.open(path, 22050, 1, 16);
        FAIL() << "opened a file in a missing folder";
    } catch (const Error& e) {
        EXPECT_TRUE(e.description().contains(path));
    }
    EXPECT_FALSE(writer.isOpen());
    EXPECT_THROW(append(writer, ramp(10)), Error);
}

} // namespace
} // namespace vt

#include "common/paths.h"
#include "conversion.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "speech/sp_voice.h"
#include "test_env.h"
#include "wav_reading.h"

#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

// What ffprobe makes of an MP3 file when it decodes it whole.
struct Probe {
    bool decoded = false;
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0;
};

Probe probe(const QString& mp3)
{
    QProcess ffprobe;
    ffprobe.start(u"ffprobe"_s,
                  {u"-v"_s, u"error"_s, u"-count_frames"_s, u"-select_streams"_s, u"a:0"_s,
                   u"-show_entries"_s, u"stream=codec_name,sample_rate,channels,nb_read_frames"_s,
                   u"-of"_s, u"default=nw=1"_s, mp3});
    Probe result;
    if (!ffprobe.waitForFinished(120000) || ffprobe.exitCode() != 0)
        return result;
    QHash<QString, QString> fields;
    for (const QString& line : QString::fromUtf8(ffprobe.readAllStandardOutput()).split(u'\n')) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            fields.insert(line.left(eq), line.mid(eq + 1).trimmed());
    }
    const int frames = fields.value(u"nb_read_frames"_s).toInt();
    result.sampleRate = fields.value(u"sample_rate"_s).toInt();
    result.channels = fields.value(u"channels"_s).toInt();
    result.decoded = fields.value(u"codec_name"_s) == u"mp3"_s && frames > 0;
    // An MPEG-2 layer III frame (below 32 kHz) holds 576 samples, MPEG-1 1152.
    const int perFrame = result.sampleRate < 32000 ? 576 : 1152;
    if (result.sampleRate > 0)
        result.seconds = double(frames) * perFrame / result.sampleRate;
    return result;
}

// The real chain, noting how much audio each book's pieces held.
class MeasuredChain : public ToolChain
{
  public:
    BookVoice startBook(const BookJob& job, const EpubBook& epub) override
    {
        book = GetFileName(job.book);
        return ToolChain::startBook(job, epub);
    }
    void saveToWav(const QString& source, const QString& wavPath) override
    {
        ToolChain::saveToWav(source, wavPath);
        const test::WavFile wav = test::readWav(wavPath);
        EXPECT_TRUE(wav.valid) << wavPath.toStdString();
        EXPECT_EQ(wav.sampleRate, 22050);
        EXPECT_EQ(wav.channels, 1);
        wavSeconds[book] += wav.seconds();
        ++pieces[book];
    }
    Expected<void> encodePiece(const QString& wavPath, const QString& mp3Path) override
    {
        const Expected<void> encoder = ToolChain::encodePiece(wavPath, mp3Path);
        mp3PieceSeconds[book] += probe(mp3Path).seconds;
        return encoder;
    }

    QString book;
    QHash<QString, double> wavSeconds;
    QHash<QString, double> mp3PieceSeconds;
    QHash<QString, int> pieces;
};

class EndToEnd : public ::testing::Test
{
  protected:
    EndToEnd()
    {
        run.settings.folder = output.path() + u'/';
        run.settings.voice = test::voiceNamed(u"English (Great Britain)"_s);
        run.settings.threads = 1; // the sequential chain, whose WAV pieces are measured
    }
    RunOutcome convert()
    {
        const RunOutcome outcome = run.convert(books, chain);
        EXPECT_TRUE(run.observer.messages.isEmpty())
            << run.observer.messageTexts().join(u'\n').toStdString();
        return outcome;
    }

    // Of the working files only the text pieces stay, for the next book to
    // overwrite; tools, WAV and MP3 pieces and the join script are gone.
    void expectOnlyTextPiecesLeft()
    {
        const QRegularExpression piece(u"^output\\d{3,}\\.txt$"_s);
        for (const QString& name : test::entries(temp.path()))
            EXPECT_TRUE(piece.match(name).hasMatch()) << name.toStdString();
    }

    test::TempWorkingFolder temp;
    QTemporaryDir output;
    test::Conversion run;
    QStringList books;
    MeasuredChain chain;
};

TEST_F(EndToEnd, TwoBooksBecomeOneMp3EachAsLongAsTheirSpeech)
{
    const QStringList names{u"trees.epub"_s, u"hefty-water.epub"_s};
    for (const QString& book : names)
        books.append(test::testBook(book));
    const RunOutcome outcome = convert();

    ASSERT_EQ(outcome.books.size(), 2);
    for (const QString& book : names) {
        SCOPED_TRACE(book.toStdString());
        EXPECT_EQ(chain.pieces.value(book), 1);
        const Probe mp3 = probe(output.filePath(StripExtension(book) + u".mp3"_s));
        ASSERT_TRUE(mp3.decoded);
        EXPECT_EQ(mp3.sampleRate, 22050);
        EXPECT_EQ(mp3.channels, 1);
        const double spoken = chain.wavSeconds.value(book);
        EXPECT_GT(spoken, 30.0);
        EXPECT_NEAR(mp3.seconds, spoken, 0.02 * spoken);
    }
    EXPECT_EQ(test::entries(output.path()), (QStringList{u"hefty-water.mp3"_s, u"trees.mp3"_s}));
    expectOnlyTextPiecesLeft();
}

TEST_F(EndToEnd, ABookCutIntoPiecesIsJoinedIntoOneMp3)
{
    books.append(test::testBook(u"hefty-water.epub"_s));
    run.settings.rate = -10;
    const RunOutcome outcome = convert();

    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    const QString book = u"hefty-water.epub"_s;
    EXPECT_GE(chain.pieces.value(book), 2);
    const Probe joined = probe(output.filePath(u"hefty-water.mp3"_s));
    ASSERT_TRUE(joined.decoded);
    EXPECT_EQ(joined.sampleRate, 22050);
    EXPECT_EQ(joined.channels, 1);
    EXPECT_NEAR(joined.seconds, chain.mp3PieceSeconds.value(book), 1.0);
    const double spoken = chain.wavSeconds.value(book);
    EXPECT_NEAR(joined.seconds, spoken, 0.02 * spoken);
    EXPECT_EQ(test::entries(output.path()), QStringList{u"hefty-water.mp3"_s});
    expectOnlyTextPiecesLeft();
}

TEST_F(EndToEnd, AFliteVoiceMakesAnMp3AsLongAsItsSpeech)
{
    run.settings.voice = test::voiceNamed(u"English (United States) – slt, female (Flite)"_s);
    ASSERT_TRUE(run.settings.voice);
    books.append(test::testBook(u"hefty-water.epub"_s));
    run.settings.rate = -3;
    const RunOutcome outcome = convert();

    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    const Probe mp3 = probe(output.filePath(u"hefty-water.mp3"_s));
    ASSERT_TRUE(mp3.decoded);
    EXPECT_EQ(mp3.sampleRate, 22050);
    EXPECT_EQ(mp3.channels, 1);
    const double spoken = chain.wavSeconds.value(u"hefty-water.epub"_s);
    EXPECT_GT(spoken, 60.0);
    EXPECT_NEAR(mp3.seconds, spoken, 0.02 * spoken);
    expectOnlyTextPiecesLeft();
}

} // namespace
} // namespace vt

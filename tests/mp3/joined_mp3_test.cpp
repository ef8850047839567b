#include "audio/joined_mp3.h"
#include "audio_tools.h"
#include "test_env.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// Pieces of clearly different lengths, as the cutter makes them.
const QStringList kTexts = {
    u"Chapter one."_s,
    u"It was a bright cold day in April, and the clocks were striking thirteen. The wind "
    u"swept along the street and the dust went with it."_s,
    u"She said nothing for a while."_s,
    u"The last part of the book goes on for a good deal longer than the others, because it "
    u"has to tell what became of everyone, where they went, and what they found there when "
    u"the long journey was over at last."_s,
};

// How the pieces are encoded: the run's own form, and forms whose frames
// are large enough for the encoder's Info frame.
struct Form {
    const char* name;
    QStringList lameOptions;
    bool cdRate = false; // 44 100 Hz stereo input (MPEG-1) instead of the run's WAV
    QStringList firstPieceOptions = {};
};

const Form kRunForm{"run", {}};
const Form kInfoForms[] = {
    {"cbr64", {u"-b"_s, u"64"_s}},
    {"mpeg1", {}, true},
    {"vbr", {u"-V"_s, u"5"_s}},
};
const Form kTaggedForm{
    "id3v2", {u"-b"_s, u"64"_s}, false, {u"--id3v2-only"_s, u"--tt"_s, u"A Tale"_s}};

quint32 be(const QByteArray& d, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | static_cast<uchar>(d[at + i]);
    return value;
}

// Where the Info header of the frame at `frame` starts, or -1.
qsizetype infoAt(const QByteArray& d, qsizetype frame)
{
    for (const char* tag : {"Info", "Xing"}) {
        const qsizetype at = d.indexOf(tag, frame);
        if (at >= 0 && at - frame <= 40)
            return at;
    }
    return -1;
}

// The encoder's tag of the Info frame at `info` (all four fields present).
struct Tag {
    quint32 frames, bytes;
    int delay, padding;
    quint32 musicLength;
    quint16 storedCrc, crc;
};
Tag readTag(const QByteArray& d, qsizetype frame, qsizetype info)
{
    const qsizetype tag = info + 120;
    Tag t{};
    t.frames = be(d, info + 8, 4);
    t.bytes = be(d, info + 12, 4);
    t.delay = int(be(d, tag + 21, 2) >> 4);
    t.padding = int(be(d, tag + 22, 2) & 0xFFF);
    t.musicLength = be(d, tag + 28, 4);
    t.storedCrc = quint16(be(d, tag + 34, 2));
    t.crc = InfoTagCrc(QByteArrayView(d).sliced(frame, tag + 34 - frame));
    return t;
}

// Every form's pieces, made once for all tests, and their total length.
struct Pieces {
    QStringList mp3s;
    double seconds = 0;
};

class JoinedMp3 : public ::testing::Test
{
  protected:
    static void SetUpTestSuite() { dir_ = std::make_unique<QTemporaryDir>(); }
    static void TearDownTestSuite()
    {
        pieces_.clear();
        dir_.reset();
    }
    static QString file(const QString& name) { return dir_->path() + u'/' + name; }

    // The pieces in one form, made on first use (tests run in processes of their own).
    static const Pieces& pieces(const Form& form)
    {
        const QString name = QLatin1String(form.name);
        if (pieces_.contains(name))
            return pieces_[name];
        QList<ToolCommand> speak, resample, encode;
        Pieces made;
        for (qsizetype i = 1; i <= kTexts.size(); ++i) {
            QString wav = file(u"piece%1.wav"_s.arg(i));
            if (!QFile::exists(wav))
                speak.append({u"espeak-ng"_s, {u"-w"_s, wav, kTexts[i - 1]}});
            if (form.cdRate) {
                const QString cd = file(u"piece%1-cd.wav"_s.arg(i));
                resample.append({u"sox"_s, {wav, u"-r"_s, u"44100"_s, u"-c"_s, u"2"_s, cd}});
                wav = cd;
            }
            made.mp3s << file(u"%1-%2.mp3"_s.arg(name).arg(i));
            QStringList options = QStringList{u"-h"_s, u"--quiet"_s} + form.lameOptions;
            if (i == 1)
                options += form.firstPieceOptions;
            encode.append({u"lame"_s, options + QStringList{wav, made.mp3s.last()}});
        }
        for (const auto& step : {speak, resample, encode})
            for (const ToolResult& r : runTools(step))
                EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        made.seconds = ffprobeTotal(made.mp3s);
        return pieces_[name] = made;
    }

    // The result plays as one book of the pieces' total length, cleanly.
    static void expectPlaysAsOneBook(const QString& result, double total, const char* form)
    {
        const double probed = ffprobeSeconds(result);
        const Mpg123Report mpg = mpg123Test(result);
        std::cout << "[ figures  ] " << form << ": pieces " << total << " s, ffprobe " << probed
                  << " s, mpg123 announces " << mpg.announced << " s, decodes " << mpg.decoded
                  << " s\n";
        EXPECT_NEAR(probed, total, 0.5);
        EXPECT_NEAR(mpg.announced, total, 0.5);
        EXPECT_NEAR(mpg.decoded, total, 0.5);
        EXPECT_TRUE(mpg.finished);
        EXPECT_EQ(mpg.complaints, QStringList{});
        EXPECT_EQ(ffmpegErrors(result), QString());
    }

    static std::unique_ptr<QTemporaryDir> dir_;
    static QHash<QString, Pieces> pieces_;
};
std::unique_ptr<QTemporaryDir> JoinedMp3::dir_;
QHash<QString, Pieces> JoinedMp3::pieces_;

TEST_F(JoinedMp3, TheRunsOwnPiecesCarryNoInfoFrameAndStayAsTheyAre)
{
    // At 22 050 Hz mono lame -h writes 32 kbit/s frames, too small for its Info frame.
    const QStringList mp3s = pieces(kRunForm).mp3s;
    const QString result = file(u"run-book.mp3"_s);
    joinPieces(mp3s, result);
    const QByteArray before = readFile(result);
    ASSERT_EQ(infoAt(before, 0), -1);

    EXPECT_FALSE(FixJoinedMp3(result));
    EXPECT_EQ(readFile(result), before);
    expectPlaysAsOneBook(result, pieces(kRunForm).seconds, kRunForm.name);
}

TEST_F(JoinedMp3, InfoFramesOfTheFirstPieceDescribeTheWholeBookAfterTheFix)
{
    for (const Form& form : kInfoForms) {
        SCOPED_TRACE(form.name);
        const QStringList mp3s = pieces(form).mp3s;
        const double total = pieces(form).seconds;
        QList<Tag> tags;
        quint32 frames = 0;
        for (const QString& mp3 : mp3s) {
            const QByteArray piece = readFile(mp3);
            const qsizetype info = infoAt(piece, 0);
            ASSERT_GE(info, 0) << "the encoder wrote no Info frame";
            tags << readTag(piece, 0, info);
            // Our CRC is the encoder's own.
            EXPECT_EQ(tags.last().crc, tags.last().storedCrc);
            frames += tags.last().frames;
        }

        const QString result = file(u"%1-book.mp3"_s.arg(QLatin1String(form.name)));
        joinPieces(mp3s, result);
        const qint64 size = QFileInfo(result).size();
        // Joined as they are, a player announces the first piece's length only.
        EXPECT_LT(mpg123Test(result).announced, total - 1);

        EXPECT_TRUE(FixJoinedMp3(result));
        const QByteArray fixed = readFile(result);
        ASSERT_EQ(fixed.size(), size);
        const Tag tag = readTag(fixed, 0, infoAt(fixed, 0));
        // The later Info frames stay as silent frames of their own.
        EXPECT_EQ(tag.frames, frames + quint32(mp3s.size() - 1));
        EXPECT_EQ(tag.bytes, quint32(size));
        EXPECT_EQ(tag.musicLength, quint32(size));
        EXPECT_EQ(tag.delay, tags.first().delay);
        EXPECT_EQ(tag.padding, tags.last().padding);
        EXPECT_EQ(tag.storedCrc, tag.crc);
        qint64 start = 0;
        for (const QString& mp3 : mp3s) {
            if (start > 0) {
                const qsizetype info = infoAt(fixed, start);
                EXPECT_EQ(info, -1) << "an Info frame is left at " << start;
                EXPECT_EQ(fixed.mid(start + 4, 100).count('\0'), 100);
            }
            start += QFileInfo(mp3).size();
        }
        expectPlaysAsOneBook(result, total, form.name);

        // A second pass changes nothing.
        FixJoinedMp3(result);
        EXPECT_EQ(readFile(result), fixed);
    }
}

TEST_F(JoinedMp3, AnId3TagBeforeTheFirstPieceIsPassedOver)
{
    const QStringList mp3s = pieces(kTaggedForm).mp3s;
    const QByteArray first = readFile(mp3s.first());
    ASSERT_TRUE(first.startsWith("ID3"));
    const QString result = file(u"tagged-book.mp3"_s);
    joinPieces(mp3s, result);
    const double total = pieces(kTaggedForm).seconds;

    EXPECT_TRUE(FixJoinedMp3(result));
    const QByteArray fixed = readFile(result);
    const qsizetype frame = fixed.indexOf("\xFF\xF3", 10);
    ASSERT_GT(frame, 10);
    const Tag tag = readTag(fixed, frame, infoAt(fixed, frame));
    EXPECT_EQ(tag.bytes, quint32(fixed.size() - frame)); // the audio, not the tag
    EXPECT_EQ(tag.storedCrc, tag.crc);
    expectPlaysAsOneBook(result, total, "id3v2");
}

} // namespace

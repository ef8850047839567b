#include "audio/joined_mp3.h"
#include "audio/mp3_frames.h"
#include "audio/mp3_split.h"
#include "test_env.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// MPEG-2 Layer III, 64 kbit/s, 22 050 Hz, mono, no CRC: 208-byte frames,
// the Info header 13 bytes in.
const QByteArray kHeader("\xFF\xF3\x80\xC4", 4);
constexpr int kFrameSize = 208;
constexpr int kInfo = 13;

QByteArray audioFrame(char fill)
{
    QByteArray frame(kFrameSize, fill);
    frame.replace(0, 4, kHeader);
    frame[4] = 0; // main_data_begin: nothing borrowed
    return frame;
}

void putBe(QByteArray& d, qsizetype at, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        d[at + i] = char(value & 0xFF);
}

QByteArray infoFrame(quint32 frames, int delay, int padding, quint32 flags = 0x0F)
{
    QByteArray frame(kFrameSize, '\0');
    frame.replace(0, 4, kHeader);
    frame.replace(kInfo, 4, "Info");
    putBe(frame, kInfo + 4, flags, 4);
    putBe(frame, kInfo + 8, frames, 4);
    const qsizetype tag = kInfo + 120;
    frame.replace(tag, 9, "LAME3.100");
    putBe(frame, tag + 21, quint32(delay) << 12 | quint32(padding), 3);
    putBe(frame, tag + 34, InfoTagCrc(QByteArrayView(frame).first(tag + 34)), 2);
    return frame;
}

// A piece as the encoder writes it: its Info frame, then its audio.
QByteArray piece(int frames, char fill, int padding)
{
    QByteArray data = infoFrame(quint32(frames), 576, padding);
    for (int i = 0; i < frames; ++i)
        data += audioFrame(fill);
    return data;
}

QByteArray applied(QByteArray data)
{
    for (const BytePatch& patch : JoinedMp3Patches(data)) {
        EXPECT_GE(patch.offset, 0);
        EXPECT_LE(patch.offset + patch.bytes.size(), data.size());
        data.replace(patch.offset, patch.bytes.size(), patch.bytes);
    }
    return data;
}

quint32 be(const QByteArray& d, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | static_cast<uchar>(d[at + i]);
    return value;
}

TEST(Mp3Frames, HeadersGiveTheSizesOfEveryVersion)
{
    const auto frameOf = [](const char* bytes) {
        const auto h = ParseMp3Header(reinterpret_cast<const uchar*>(bytes));
        return h ? h->frameSize() : -1;
    };
    EXPECT_EQ(frameOf("\xFF\xFB\x90\x64"), 417); // MPEG-1 128k 44.1k stereo
    EXPECT_EQ(frameOf("\xFF\xFB\x92\x64"), 418); // padded
    EXPECT_EQ(frameOf("\xFF\xF3\x40\xC4"), 104); // MPEG-2 32k 22.05k: the run's frames
    EXPECT_EQ(frameOf("\xFF\xE3\x18\xC4"), 72);  // MPEG-2.5 8k 8k
    EXPECT_EQ(frameOf("\xFF\xFD\x90\x64"), -1);  // Layer II
    EXPECT_EQ(frameOf("\xFF\xEB\x90\x64"), -1);  // reserved version
    EXPECT_EQ(frameOf("\xFF\xFB\x00\x64"), -1);  // free format
    EXPECT_EQ(frameOf("\xFF\xFB\xF0\x64"), -1);  // bad bit rate
    EXPECT_EQ(frameOf("\xFF\xFB\x9C\x64"), -1);  // bad sample rate
    EXPECT_EQ(frameOf("\xFE\xFB\x90\x64"), -1);
}

TEST(Mp3Frames, WalkPassesOverTagsAndJunkButNotStraySyncBits)
{
    QByteArray id3("ID3\x03\x00\x00\x00\x00\x01\x00", 10); // 128 bytes of tag follow
    id3 += QByteArray(128, '\xFF');
    QByteArray data = id3 + audioFrame('\x11') + audioFrame('\x22');
    data += QByteArray("TAG") + QByteArray(125, ' '); // junk between frames
    data += kHeader + QByteArray(20, '\x33');         // a stray header, nothing behind it
    data += audioFrame('\x44');
    Mp3FrameWalker walk(data);
    QList<qint64> offsets;
    while (walk.next())
        offsets << walk.offset();
    const qint64 first = id3.size();
    EXPECT_EQ(offsets, (QList<qint64>{first, first + kFrameSize, data.size() - kFrameSize}));
    // An ID3 tag longer than the file leaves nothing to walk.
    QByteArray huge("ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10);
    EXPECT_FALSE(Mp3FrameWalker(huge + audioFrame('\x11')).next());
}

TEST(Mp3Frames, AFileReadInBlocksCountsEveryFrameOnce)
{
    // A tag and a run of junk each longer than the reader's block, and short
    // junk between frames all through, so block ends fall everywhere.
    QByteArray data("ID3\x04\x00\x00\x00\x60\x00\x00", 10); // 1.5 MiB of tag follow
    data += QByteArray(3 << 19, '\xFF');
    int frames = 0;
    for (int i = 0; i < 12000; ++i, ++frames) {
        data += audioFrame(char(i));
        if (i % 997 == 500)
            data += QByteArray("TAG") + QByteArray(125, ' ');
        if (i == 6000)
            data += QByteArray(1200 * 1024, '\0');
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"book.mp3"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(data), data.size());
    file.close();
    EXPECT_EQ(Mp3FrameSamples(path), qint64(frames) * 576);
    EXPECT_EQ(Mp3FrameSamples(dir.filePath(u"missing.mp3"_s)), -1);
}

TEST(JoinedMp3Patches, ThreePiecesBecomeOneDescribedBook)
{
    const QByteArray joined =
        piece(10, '\x11', 100) + piece(25, '\x22', 200) + piece(5, '\x33', 300);
    const QByteArray fixed = applied(joined);
    ASSERT_EQ(fixed.size(), joined.size());
    EXPECT_EQ(be(fixed, kInfo + 8, 4), 10u + 25u + 5u + 2u);
    EXPECT_EQ(be(fixed, kInfo + 12, 4), quint32(joined.size()));
    const qsizetype tag = kInfo + 120;
    EXPECT_EQ(be(fixed, tag + 21, 3), (576u << 12) | 300u);
    EXPECT_EQ(be(fixed, tag + 28, 4), quint32(joined.size()));
    EXPECT_EQ(be(fixed, tag + 34, 2), InfoTagCrc(QByteArrayView(fixed).first(tag + 34)));
    const QByteArrayView music = QByteArrayView(fixed).sliced(kFrameSize);
    EXPECT_EQ(be(fixed, tag + 32, 2), InfoTagCrc(music));
    // The seek table starts at the first audio frame and climbs to the end.
    const QByteArray toc = fixed.mid(kInfo + 16, 100);
    EXPECT_EQ(uchar(toc[0]), kFrameSize * 256 / joined.size());
    for (int i = 1; i < 100; ++i)
        EXPECT_GE(uchar(toc[i]), uchar(toc[i - 1]));
    EXPECT_GT(uchar(toc[99]), 240);
    // The later Info frames keep their header and nothing else.
    for (const qsizetype at : {11 * kFrameSize, 37 * kFrameSize}) {
        EXPECT_EQ(fixed.mid(at, 4), kHeader);
        EXPECT_EQ(fixed.mid(at + 4, kFrameSize - 4), QByteArray(kFrameSize - 4, '\0'));
    }
    // Everything else is as it was.
    EXPECT_EQ(fixed.mid(kFrameSize, 10 * kFrameSize), joined.mid(kFrameSize, 10 * kFrameSize));
    EXPECT_EQ(applied(fixed), fixed);
}

TEST(JoinedMp3Patches, LaterInfoFramesWithACrcLoseIt)
{
    QByteArray later = piece(3, '\x22', 0);
    later[1] = char(later[1] & ~1); // protected by a CRC
    const QByteArray fixed = applied(piece(3, '\x11', 0) + later);
    EXPECT_EQ(uchar(fixed[4 * kFrameSize + 1]) & 1, 1);
}

TEST(JoinedMp3Patches, OnlyTheInfoFieldsTheFrameHoldsAreWritten)
{
    // 32 kbit/s frames (104 bytes) hold the counts but not the seek table.
    const auto frame = [](const char* info, quint32 flags) {
        QByteArray f(104, '\0');
        f.replace(0, 4, QByteArray("\xFF\xF3\x40\xC4", 4));
        if (info) {
            f.replace(kInfo, 4, info);
            putBe(f, kInfo + 4, flags, 4);
        }
        return f;
    };
    const QByteArray data = frame("Info", 0x0F) + frame(nullptr, 0) + frame(nullptr, 0) +
                            frame("Xing", 0x0F) + frame(nullptr, 0);
    const QByteArray fixed = applied(data);
    EXPECT_EQ(be(fixed, kInfo + 8, 4), 4u);
    EXPECT_EQ(be(fixed, kInfo + 12, 4), 5u * 104);
    QByteArray expected = data;
    expected.replace(kInfo + 8, 8, fixed.mid(kInfo + 8, 8));   // the counts
    expected.replace(3 * 104 + 4, 100, QByteArray(100, '\0')); // the later Info frame
    EXPECT_EQ(fixed, expected);

    // A Xing header without fields leaves the first frame as it is.
    const QByteArray bare = frame("Xing", 0) + frame(nullptr, 0) + frame("Info", 0x0F);
    const QByteArray fixedBare = applied(bare);
    EXPECT_EQ(fixedBare.first(104), bare.first(104));
    EXPECT_EQ(fixedBare.mid(2 * 104 + 4), QByteArray(100, '\0'));
}

TEST(JoinedMp3Patches, AudioThatHappensToSpellInfoIsLeftAlone)
{
    QByteArray audio = audioFrame('\x22');
    audio.replace(kInfo, 4, "Info"); // followed by bytes no Info header has as flags
    const QByteArray joined = piece(2, '\x11', 0) + audio + audioFrame('\x33');
    const QByteArray fixed = applied(joined);
    EXPECT_EQ(fixed.mid(3 * kFrameSize), joined.mid(3 * kFrameSize));
    EXPECT_EQ(be(fixed, kInfo + 8, 4), 4u);
}

TEST(JoinedMp3Patches, TruncatedBooksCountTheirWholeFramesOnly)
{
    const QByteArray joined = piece(10, '\x11', 100) + piece(10, '\x22', 200);
    // Cut inside the first frame: nothing to describe.
    EXPECT_TRUE(JoinedMp3Patches(joined.first(150)).isEmpty());
    // Cut inside the last frame: the frames before it.
    const QByteArray cut = joined.first(joined.size() - 50);
    const QByteArray fixed = applied(cut);
    EXPECT_EQ(be(fixed, kInfo + 8, 4), 20u);
    EXPECT_EQ(be(fixed, kInfo + 12, 4), quint32(21 * kFrameSize));
}

TEST(JoinedMp3Patches, DamagedBooksNeverCrashOrGrow)
{
    const QByteArray joined = piece(6, '\x11', 100) + piece(4, '\x22', 200) + piece(3, '\x33', 300);
    QRandomGenerator random(20260807);
    for (int round = 0; round < 2000; ++round) {
        QByteArray damaged = joined;
        for (int i = random.bounded(1, 12); i > 0; --i)
            damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        if (round % 3 == 0)
            damaged.truncate(random.bounded(int(damaged.size())));
        EXPECT_EQ(applied(damaged).size(), damaged.size());
    }
    QByteArray junk(64 * 1024, '\0');
    for (char& c : junk)
        c = char(random.bounded(256));
    EXPECT_EQ(applied(junk), junk);
    EXPECT_TRUE(JoinedMp3Patches(QByteArray(4096, '\xFF')).isEmpty());
    EXPECT_TRUE(JoinedMp3Patches({}).isEmpty());
}

TEST(FixJoinedMp3, FilesWithNothingToFixStayAsTheyAre)
{
    QTemporaryDir dir;
    const auto unchanged = [&](const QString& name, const QByteArray& content) {
        const QString path = dir.filePath(name);
        writeFile(path, content);
        EXPECT_FALSE(FixJoinedMp3(path)) << name.toStdString();
        EXPECT_EQ(readFile(path), content) << name.toStdString();
    };
    unchanged(u"empty.mp3"_s, {});
    unchanged(u"tiny.mp3"_s, "\xFF\xF3");
    unchanged(u"text.mp3"_s, "[piece 1][piece 2]");
    unchanged(u"noinfo.mp3"_s, audioFrame('\x11') + audioFrame('\x22') + audioFrame('\x33'));
    unchanged(u"truncated.mp3"_s, piece(3, '\x11', 0).first(100));
    EXPECT_FALSE(FixJoinedMp3(dir.filePath(u"missing.mp3"_s)));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"missing.mp3"_s)));
    EXPECT_FALSE(FixJoinedMp3(dir.path()));
    EXPECT_FALSE(FixJoinedMp3(QString()));
}

TEST(FixJoinedMp3, AJoinedBookIsFixedInPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"book.mp3"_s);
    const QByteArray joined =
        piece(10, '\x11', 100) + piece(20, '\x22', 200) + piece(5, '\x33', 300);
    writeFile(path, joined);
    EXPECT_TRUE(FixJoinedMp3(path));
    EXPECT_EQ(readFile(path), applied(joined));
}

} // namespace

namespace
{

// The chapter files a split leaves, each without its head and the Info
// frame it opens with, which counts its audio frames.
QList<QByteArray> splitInto(const QString& dir, const QByteArray& book, const QList<qint64>& starts)
{
    writeFile(dir + u"/book.mp3"_s, book);
    QList<Path> targets;
    QList<QByteArray> heads;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        targets.append(Path(dir) / (QString::number(i) + u".mp3"_s));
        heads.append("ID3 head " + QByteArray::number(i));
    }
    const Expected<void> split = SplitMp3(Path(dir) / u"book.mp3", starts, targets, heads);
    EXPECT_TRUE(split) << split.error().toStdString();
    QList<QByteArray> bodies;
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const QByteArray file = readFile(targets[i].text());
        EXPECT_TRUE(file.startsWith(heads[i]));
        QByteArray body = file.mid(heads[i].size());
        Mp3FrameWalker walk(body);
        if (walk.next()) {
            EXPECT_TRUE(IsInfoFrame(body, walk.offset(), walk.header()));
            body = body.mid(walk.end());
        }
        bodies.append(body);
    }
    return bodies;
}

} // namespace

// Frames of 576 samples: a chapter starting inside a frame gets that frame;
// the book's tag and the pieces' Info frames go into no chapter.
TEST(SplitMp3, ChaptersGetTheirFramesAndOnlyThem)
{
    QTemporaryDir dir;
    const QByteArray tag = QByteArray("ID3\x03\x00\x00\x00\x00\x00\x0a", 10) + QByteArray(10, 'x');
    const QList<QByteArray> bodies = splitInto(
        dir.path(), tag + piece(4, '\x11', 0) + piece(4, '\x22', 0), {0, 2 * 576 + 1, 4 * 576});
    ASSERT_EQ(bodies.size(), 3);
    // Info frames take no time: chapter 2 starts in the third audio frame,
    // chapter 3 where the second piece's audio does.
    EXPECT_EQ(bodies[0], audioFrame('\x11').repeated(2));
    EXPECT_EQ(bodies[1], audioFrame('\x11').repeated(2));
    EXPECT_EQ(bodies[2], audioFrame('\x22').repeated(4));
}

// 500 chapters, some past the end: every one gets a file, and the audio is
// all there once.
TEST(SplitMp3, FiveHundredChaptersLoseNoFrame)
{
    QTemporaryDir dir;
    QList<qint64> starts;
    for (int i = 0; i < 500; ++i)
        starts.append(qint64(i) * 576 * 2);
    const QList<QByteArray> bodies = splitInto(dir.path(), piece(900, '\x33', 0), starts);
    ASSERT_EQ(bodies.size(), 500);
    EXPECT_EQ(bodies.join(), audioFrame('\x33').repeated(900));
    EXPECT_TRUE(bodies[499].isEmpty());

    const Expected<void> unwritable =
        SplitMp3(Path(dir.path()) / u"book.mp3", {0}, {Path(dir.path()) / u"gone/0.mp3"}, {{}});
    ASSERT_FALSE(unwritable);
    EXPECT_TRUE(unwritable.error().startsWith(u"cannot write "_s + dir.path() + u"/gone/0.mp3"_s));
}

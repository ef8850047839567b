#include "audio_tools.h"
#include "conversion.h"
#include "epub_maker.h"
#include "pipeline/chapter_files.h"
#include "test_env.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// What ffprobe makes of a finished book: its format, streams and chapters;
// the libraries players are built on read the same.
QJsonObject probed(const QString& path)
{
    EXPECT_EQ(PlayersReadItAsFfprobeDoes(path).toStdString(), "") << path.toStdString();
    const ToolResult probe =
        runTool(u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_format"_s, u"-show_streams"_s,
                               u"-show_chapters"_s, u"-of"_s, u"json"_s, path});
    return QJsonDocument::fromJson(probe.out).object();
}

QString tag(const QJsonObject& probe, const QString& key)
{
    return probe[u"format"_s][u"tags"_s][key].toString();
}

// Each test starts from the MP3 of a book with a cover and seven chapters.
class AudiobookFormats : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        run.settings.folder = out.path();
        run.settings.rate = 10;
        ASSERT_TRUE(run.convert({book}).books.value(0).ok);
        mp3 = probed(out.filePath(u"moby-dick-excerpt.mp3"_s));
    }

    QTemporaryDir out;
    TempWorkingFolder temp;
    Conversion run;
    const QString book = testBook(u"moby-dick-excerpt.epub"_s);
    QJsonObject mp3;
};

} // namespace

// The same book as MP3 and as M4B: the M4B is AAC in MP4 with the MP3's
// length, tags, cover and chapters, as players read them.
TEST_F(AudiobookFormats, AnM4bHasTheMp3sLengthTagsCoverAndChapters)
{
    run.settings.format = OutputFormat::M4b;
    const RunOutcome m4b = run.convert({book});
    ASSERT_TRUE(m4b.books.value(0).ok) << m4b.books.value(0).reason.toStdString();
    EXPECT_EQ(m4b.books[0].resultPath, out.filePath(u"moby-dick-excerpt.m4b"_s));
    EXPECT_TRUE(run.observer.messages.isEmpty());

    const QJsonObject aac = probed(m4b.books[0].resultPath);
    const QJsonArray streams = aac[u"streams"_s].toArray();
    ASSERT_EQ(streams.size(), 3); // the audio, the chapters' text track, the cover
    EXPECT_EQ(streams[0][u"codec_name"_s].toString(), u"aac"_s);
    EXPECT_EQ(streams[0][u"profile"_s].toString(), u"LC"_s);
    EXPECT_EQ(streams[0][u"channels"_s].toInt(), 1);
    EXPECT_EQ(streams[2][u"disposition"_s][u"attached_pic"_s].toInt(), 1);
    EXPECT_EQ(aac[u"format"_s][u"tags"_s][u"major_brand"_s].toString(), u"M4B "_s);
    EXPECT_NEAR(aac[u"format"_s][u"duration"_s].toString().toDouble(),
                mp3[u"format"_s][u"duration"_s].toString().toDouble(), 0.5);
    for (const QString& key : {u"title"_s, u"artist"_s, u"album"_s, u"album_artist"_s, u"genre"_s,
                               u"date"_s, u"comment"_s})
        EXPECT_EQ(tag(aac, key), tag(mp3, key)) << key.toStdString();
    EXPECT_EQ(tag(aac, u"media_type"_s), u"2"_s); // an audio book
    const QJsonArray want = mp3[u"chapters"_s].toArray();
    const QJsonArray got = aac[u"chapters"_s].toArray();
    ASSERT_EQ(got.size(), want.size());
    ASSERT_EQ(got.size(), 6);
    for (qsizetype i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i][u"tags"_s][u"title"_s], want[i][u"tags"_s][u"title"_s]);
        EXPECT_NEAR(got[i][u"start_time"_s].toString().toDouble(),
                    want[i][u"start_time"_s].toString().toDouble(), 0.1);
    }
    // Both forms of MP4 chapters: the QuickTime chapter track ffprobe read,
    // and the Nero list some players read instead, which mediainfo shows.
    EXPECT_TRUE(readFile(m4b.books[0].resultPath).contains("chpl"));
    if (QStandardPaths::findExecutable(u"mediainfo"_s).isEmpty())
        return;
    const QJsonArray tracks =
        QJsonDocument::fromJson(
            runTool(u"mediainfo"_s, {u"--Output=JSON"_s, m4b.books[0].resultPath}).out)
            .object()[u"media"_s][u"track"_s]
            .toArray();
    QStringList kinds;
    for (const QJsonValue& track : tracks) {
        kinds << track[u"@type"_s].toString();
        if (kinds.last() == u"Menu"_s) {
            const QJsonObject entries = track[u"extra"_s].toObject();
            EXPECT_EQ(entries.size(), want.size() + (entries.contains(u"Menu_For"_s) ? 1 : 0));
            EXPECT_EQ(entries[u"_00_00_00_000"_s].toString(), u"Titlepage"_s);
        }
    }
    EXPECT_EQ(kinds, (QStringList{u"General"_s, u"Audio"_s, u"Menu"_s, u"Menu"_s}));
    EXPECT_EQ(tracks[0][u"Cover"_s].toString(), u"Yes"_s);
    EXPECT_EQ(tracks[1][u"Format"_s].toString(), u"AAC"_s);
}

// The book encoded on every core while it is spoken (the fixture's) is the
// one the sequential chain makes: as long, its chapters where they were,
// decoded whole without a complaint.
TEST_F(AudiobookFormats, EveryCoreMakesTheBookTheSequentialChainMakes)
{
    QTemporaryDir sequential;
    run.settings.folder = sequential.path();
    run.settings.threads = 1;
    ASSERT_TRUE(run.convert({book}).books.value(0).ok);
    const QJsonObject one = probed(sequential.filePath(u"moby-dick-excerpt.mp3"_s));
    const QString parallel = out.filePath(u"moby-dick-excerpt.mp3"_s);
    const double seconds = one[u"format"_s][u"duration"_s].toString().toDouble();
    EXPECT_GT(seconds, 300);
    // Each stream of parts or pieces ends in a frame of padding, and the
    // sequential chain's pieces are encoded apart: a seam (under 0.08 s)
    // each may differ.
    const int pieces = run.observer.last.pieces;
    EXPECT_NEAR(mp3[u"format"_s][u"duration"_s].toString().toDouble(), seconds,
                0.1 * seconds / 3600 + 0.08 * double(pieces));
    const QJsonArray want = one[u"chapters"_s].toArray();
    const QJsonArray got = mp3[u"chapters"_s].toArray();
    ASSERT_EQ(got.size(), 6);
    ASSERT_EQ(got.size(), want.size());
    for (qsizetype i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i][u"start_time"_s].toString().toDouble(),
                    want[i][u"start_time"_s].toString().toDouble(), 0.1);
    EXPECT_EQ(ffmpegErrors(parallel), QString());
    const Mpg123Report mpg = mpg123Test(parallel);
    EXPECT_TRUE(mpg.finished);
    EXPECT_EQ(mpg.complaints, QStringList{});
    EXPECT_NEAR(mpg.decoded, seconds, 0.5);
}

// One file per chapter, in either format: the book's chapters in order,
// each with its title, its number, the book's tags and the cover, and
// together the whole book's length.
TEST_F(AudiobookFormats, ChapterFilesHoldTheBookInOrderWithTheirTags)
{
    const QJsonArray chapters = mp3[u"chapters"_s].toArray();
    ASSERT_EQ(chapters.size(), 6); // the imprint is not read by default

    run.settings.splitChapters = true;
    for (const OutputFormat format : {OutputFormat::Mp3, OutputFormat::M4b}) {
        run.settings.format = format;
        const RunOutcome split = run.convert({book});
        ASSERT_TRUE(split.books.value(0).ok) << split.books.value(0).reason.toStdString();
        const QString folder = out.filePath(u"moby-dick-excerpt"_s);
        EXPECT_EQ(split.books[0].resultPath, folder);
        const QStringList files = entries(folder);
        ASSERT_EQ(files.size(), chapters.size());
        double seconds = 0;
        for (qsizetype i = 0; i < files.size(); ++i) {
            const QString title = chapters[i][u"tags"_s][u"title"_s].toString();
            EXPECT_EQ(files[i], ChapterFileName(int(i + 1), 6, title, u'.' + SuffixOf(format)));
            const QJsonObject file = probed(folder + u'/' + files[i]);
            EXPECT_EQ(tag(file, u"title"_s), title);
            EXPECT_EQ(tag(file, u"track"_s), QString::number(i + 1) + u"/6"_s);
            EXPECT_EQ(tag(file, u"album"_s), tag(mp3, u"album"_s));
            EXPECT_EQ(tag(file, u"artist"_s), tag(mp3, u"artist"_s));
            EXPECT_TRUE(file[u"chapters"_s].toArray().isEmpty());
            const QJsonArray streams = file[u"streams"_s].toArray();
            ASSERT_EQ(streams.size(), 2) << files[i].toStdString(); // the audio and the cover
            EXPECT_EQ(streams[1][u"disposition"_s][u"attached_pic"_s].toInt(), 1);
            seconds += file[u"format"_s][u"duration"_s].toString().toDouble();
        }
        EXPECT_NEAR(seconds, mp3[u"format"_s][u"duration"_s].toString().toDouble(), 1.0);
    }
}

// 500 chapters, titles that are only slashes or dots, and an entry that
// points to a chapter again: a file per place, named safely, none lost.
TEST(ChapterFiles, FiveHundredOddlyNamedChaptersGetAFileEach)
{
    QTemporaryDir dir;
    QByteArray manifest, spine, nav;
    QList<QPair<QString, QByteArray>> pages;
    for (int i = 1; i <= 500; ++i) {
        const QByteArray id = "c" + QByteArray::number(i);
        manifest += "<item id=\"" + id + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>";
        const QByteArray title = i == 1   ? "///"
                                 : i == 2 ? "..."
                                          : "Section " + QByteArray::number(i);
        nav += "<li><a href=\"" + id + ".xhtml\">" + title + "</a></li>\n";
        if (i == 2)
            nav += "<li><a href=\"c2.xhtml\">Again</a></li>\n";
        pages.append({QString::fromLatin1(id + ".xhtml"),
                      xhtmlPage("<p>Number " + QByteArray::number(i) + ".</p>")});
    }
    pages.append({u"nav.xhtml"_s, xhtmlPage("<nav epub:type=\"toc\"><ol>" + nav + "</ol></nav>")});
    const QString book = dir.filePath(u"many.epub"_s);
    makeEpub(
        book,
        opfDocument(
            "<dc:title>Many</dc:title><dc:language>en</dc:language>",
            manifest +
                R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)",
            "<spine>" + spine + "</spine>"),
        pages);

    TempWorkingFolder temp;
    Conversion run;
    run.settings.folder = dir.path();
    run.settings.rate = 10;
    run.settings.format = OutputFormat::M4b;
    run.settings.splitChapters = true;
    const RunOutcome outcome = run.convert({book});
    ASSERT_TRUE(outcome.books.value(0).ok) << outcome.books.value(0).reason.toStdString();
    const QStringList files = entries(dir.filePath(u"many"_s));
    ASSERT_EQ(files.size(), 500);
    EXPECT_EQ(files[0], u"001 - Chapter 1.m4b"_s);
    EXPECT_EQ(files[1], u"002 - Chapter 2.m4b"_s);
    EXPECT_EQ(files[2], u"003 - Section 3.m4b"_s);
    EXPECT_EQ(files[499], u"500 - Section 500.m4b"_s);
    const QJsonObject first = probed(dir.filePath(u"many/"_s) + files[0]);
    EXPECT_EQ(tag(first, u"title"_s), u"///"_s);
    EXPECT_EQ(tag(first, u"track"_s), u"1/500"_s);
    EXPECT_GT(first[u"format"_s][u"duration"_s].toString().toDouble(), 0.1); // "Number 1."
}

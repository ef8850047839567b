#include "audio/joined_mp3.h"
#include "audio_tools.h"
#include "conversion.h"
#include "epub/package.h"
#include "epub_maker.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "tags/book_tags.h"
#include "test_env.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// An MP3 file's ID3v2 tag as TagLib reads it back.
class ReadBack
{
  public:
    explicit ReadBack(const QString& path) : file_(QFile::encodeName(path).constData(), false)
    {
        tag_ = file_.hasID3v2Tag() ? file_.ID3v2Tag() : nullptr;
    }
    bool tagged() const { return tag_ != nullptr; }
    unsigned version() const { return tag_ ? tag_->header()->majorVersion() : 0; }
    TagLib::ID3v2::FrameList frames(const char* id) const
    {
        return tag_ ? tag_->frameList(TagLib::ByteVector(id, 4)) : TagLib::ID3v2::FrameList();
    }
    // A frame's texts: the fields of a text frame, else the frame as text.
    QStringList texts(const char* id) const
    {
        QStringList out;
        for (auto* frame : frames(id)) {
            auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame);
            for (const TagLib::String& s :
                 text ? text->fieldList() : TagLib::StringList(frame->toString()))
                out << QString::fromStdString(s.to8Bit(true));
        }
        return out;
    }
    QString text(const char* id) const { return texts(id).join(u'|'); }

  private:
    TagLib::MPEG::File file_;
    TagLib::ID3v2::Tag* tag_ = nullptr;
};

// A short real MP3 as the encoder makes the run's pieces.
QString spokenMp3(const QTemporaryDir& dir, const QString& name, const QString& text)
{
    const QString wav = dir.filePath(name + u".wav"_s);
    const QString mp3 = dir.filePath(name + u".mp3"_s);
    speakToWav(text, wav);
    encodeMp3(wav, mp3, {u"-b"_s, u"64"_s}); // with an Info frame
    return mp3;
}

} // namespace

TEST(BookTags, ReadBackAsTheBooksPackageSaysWithItsCover)
{
    QTemporaryDir dir;
    const QString mp3 = spokenMp3(dir, u"moby"_s, u"Call me Ishmael."_s);
    const QByteArray audio = readFile(mp3);
    const QString book = testBook(u"moby-dick-excerpt.epub"_s);
    const EpubBook epub(book);
    ASSERT_EQ(TagAudioBook(epub, mp3).valueOr({u"not tagged"_s}), QStringList());

    const EpubPackage opf = epub.package();
    const ReadBack tags(mp3);
    EXPECT_EQ(tags.version(), 3u) << "ID3v2.3, which every player reads";
    EXPECT_EQ(tags.text("TIT2"), u"Moby Dick"_s); // the main title of three
    EXPECT_EQ(tags.text("TALB"), opf.title);
    EXPECT_EQ(tags.texts("TPE1"), opf.authors);
    EXPECT_EQ(tags.texts("TPE2"), opf.authors);
    EXPECT_EQ(tags.text("TCON"), u"Audiobook"_s);
    EXPECT_EQ(tags.text("TDRC"), u"2018"_s);
    EXPECT_EQ(tags.text("TLAN"), u"eng"_s); // en-US
    EXPECT_EQ(tags.text("TPUB"), opf.publisher);
    EXPECT_EQ(tags.text("COMM"), opf.description);
    // The SVG cover, drawn: 1400 x 2100 becomes 666 x 1000, and not blank.
    ASSERT_EQ(tags.frames("APIC").size(), 1);
    auto* cover = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(tags.frames("APIC").front());
    EXPECT_EQ(cover->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    const QImage image =
        QImage::fromData(QByteArray(cover->picture().data(), cover->picture().size()));
    EXPECT_EQ(image.size(), QSize(666, 1000));
    EXPECT_NE(image.pixel(333, 100), image.pixel(333, 900));
    EXPECT_TRUE(readFile(mp3).endsWith(audio)) << "the audio is kept byte for byte";

    EXPECT_EQ(Iso639_2(u"fr"_s) + Iso639_2(u"zh_TW"_s) + Iso639_2(u"grc"_s), u"frazhogrc"_s);
    EXPECT_EQ(Iso639_2(u"und"_s) + Iso639_2(u"x-klingon"_s) + Iso639_2(u"q1"_s), QString());
    EXPECT_EQ(YearOfDate(u"1851"_s) + YearOfDate(u"20180327"_s) + YearOfDate(u"circa 1850"_s),
              u"1851"_s);
}

// A joined book with a large tag (cover, chapters, texts in other scripts):
// the audio stays as the join made it, and players see the same length.
TEST(BookTags, TaggingLeavesTheJoinedBooksLengthAsItWas)
{
    QTemporaryDir dir;
    QStringList pieces;
    for (int i = 1; i <= 3; ++i)
        pieces << spokenMp3(dir, u"p%1"_s.arg(i), u"Piece %1 of the book is spoken."_s.arg(i));
    const QString bare = dir.filePath(u"bare.mp3"_s);
    const QString tagged = dir.filePath(u"tagged.mp3"_s);
    joinPieces(pieces, bare);
    ASSERT_TRUE(FixJoinedMp3(bare));
    QFile::copy(bare, tagged);

    BookTags tags = BookTagsFromEpub(EpubBook(testBook(u"moby-dick-excerpt.epub"_s)));
    tags.title = u"草枕 — Kusamakura"_s;
    tags.authors = {u"夏目 漱石"_s, u"عبد الله"_s};
    tags.chapters = {{u"一"_s, 0, 1000}, {u"二"_s, 1000, 2000}};
    ASSERT_TRUE(PrependId3Tag(tagged, RenderId3Tag(tags)).ok());
    ASSERT_TRUE(PrependId3Tag(tagged, RenderId3Tag(tags)).ok()) << "again: the tag is replaced";
    EXPECT_EQ(readFile(tagged), RenderId3Tag(tags) + readFile(bare));
    EXPECT_EQ(ReadBack(tagged).text("TIT2"), tags.title);
    EXPECT_EQ(ReadBack(tagged).texts("TPE1"), tags.authors);
    // ffprobe finds the texts in other scripts (UTF-16 in ID3v2.3), the
    // chapters and the cover; ID3v2.4 is there for those who ask.
    const ToolResult probe =
        runTool(u"ffprobe"_s,
                {u"-v"_s, u"error"_s, u"-show_entries"_s,
                 u"format_tags=title:chapter=start_time:chapter_tags=title:stream=codec_name"_s,
                 u"-of"_s, u"compact"_s, tagged});
    const QString probed = QString::fromUtf8(probe.out);
    EXPECT_TRUE(probed.contains(u"tag:title="_s + tags.title)) << probed.toStdString();
    EXPECT_TRUE(probed.contains(u"start_time=1.000000|tag:title=二"_s)) << probed.toStdString();
    EXPECT_TRUE(probed.contains(u"codec_name=mjpeg"_s)) << probed.toStdString();
    EXPECT_TRUE(RenderId3Tag(tags, Id3Version::V2_4).startsWith("ID3\x04"));

    EXPECT_NEAR(ffprobeSeconds(tagged), ffprobeSeconds(bare), 0.05);
    const Mpg123Report before = mpg123Test(bare);
    const Mpg123Report after = mpg123Test(tagged);
    EXPECT_TRUE(after.finished);
    EXPECT_NEAR(after.announced, before.announced, 0.05);
    EXPECT_NEAR(after.decoded, before.decoded, 0.05);
    EXPECT_TRUE(ffmpegErrors(tagged).isEmpty()) << ffmpegErrors(tagged).toStdString();
    EXPECT_FALSE(PrependId3Tag(dir.path(), RenderId3Tag(tags)).ok()) << "a folder is no MP3";
}

// Through the whole chain: a book with a title, an author and a broken
// navigation document, and one whose package document breaks off, become
// audio books with the tags they have, without a word about it.
TEST(BookTags, BooksWithoutCoverOrContentsConvertWithTheTagsTheyHave)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath(u"plain.epub"_s);
    makeEpub(
        plain,
        opfDocument("<dc:title>Ein kleines Buch</dc:title><dc:creator>Anna Autorin</dc:creator>"
                    "<dc:language>de</dc:language>",
                    R"(<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)",
                    R"(<spine><itemref idref="c1"/></spine>)"),
        {{u"c1.xhtml"_s, xhtmlPage("<p>Guten Tag.</p>", "de")},
         {u"nav.xhtml"_s, "<html><body><nav epub:type=\"toc\"><ol><li><a href=\"c1.xhtml\">"}});
    const QString broken = dir.filePath(u"broken.epub"_s);
    const QByteArray opf =
        opfDocument("<dc:title>Cut Short</dc:title><dc:date>sometime</dc:date>",
                    R"(<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="cover" href="cover.jpg" media-type="image/jpeg"/>)",
                    {});
    makeEpub(broken, opf.left(opf.indexOf("</package>")) + "<spine><itemref idref=\"c1\"",
             {{u"c1.xhtml"_s, xhtmlPage("<p>Hello there.</p>")}, {u"cover.jpg"_s, "not a jpeg"}});

    TempWorkingFolder temp;
    QTemporaryDir out;
    Conversion run;
    run.settings.folder = out.path();
    run.settings.rate = 10;
    const RunOutcome outcome = run.convert({plain, broken});
    EXPECT_TRUE(run.observer.messages.isEmpty());
    ASSERT_TRUE(outcome.books.value(0).ok && outcome.books.value(1).ok);
    const ReadBack first(outcome.books[0].resultPath);
    EXPECT_EQ(first.text("TIT2") + first.text("TPE1") + first.text("TLAN"),
              u"Ein kleines BuchAnna Autorindeu"_s);
    for (const char* absent : {"APIC", "CHAP", "CTOC", "TDRC"})
        EXPECT_TRUE(first.frames(absent).isEmpty()) << absent;
    const ReadBack second(outcome.books[1].resultPath);
    EXPECT_EQ(second.text("TIT2"), u"Cut Short"_s);
    EXPECT_TRUE(second.frames("APIC").isEmpty()) << "its cover is no picture";

    run.settings.tags = false; // unticked, the same book comes out bare
    ASSERT_TRUE(run.convert({plain}).books.value(0).ok);
    EXPECT_FALSE(ReadBack(outcome.books[0].resultPath).tagged());
}

// A 5 MB title once made a 15.7 MB tag on 27 s of audio: texts are cut to
// what a tag takes, and the listener is told.
TEST(BookTags, TextsLongerThanATagTakesAreCutShortAndNamed)
{
    QTemporaryDir dir;
    const QString book = dir.filePath(u"long.epub"_s);
    const QByteArray title(5 << 20, 'x');
    makeEpub(book,
             opfDocument("<dc:title>" + title + "</dc:title><dc:description>" +
                             QByteArray(9000, 'd') + "</dc:description>",
                         R"(<item id="p" href="p.xhtml" media-type="application/xhtml+xml"/>)",
                         R"(<spine><itemref idref="p"/></spine>)"),
             {{u"p.xhtml"_s, xhtmlPage("<p>Hello.</p>")}});
    const BookTags tags = BookTagsFromEpub(EpubBook(book));
    EXPECT_EQ(tags.title.size(), kTagTextMax);
    EXPECT_EQ(tags.comment.size(), kTagDescriptionMax);
    EXPECT_EQ(tags.notes,
              (QStringList{u"the title was cut short to 1000 characters in the tag"_s,
                           u"the description was cut short to 4000 characters in the tag"_s}));
    EXPECT_LT(RenderId3Tag(tags).size(), 32 * 1024);
}

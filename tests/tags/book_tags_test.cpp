#include "audio_tools.h"
#include "book_tags.h"
#include "conversion_run.h"
#include "epub_maker.h"
#include "epub_package.h"
#include "fake_window.h"
#include "joined_mp3.h"
#include "test_env.h"
#include "tool_chain.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

QString fromTag(const TagLib::String& text)
{
    return QString::fromStdString(text.to8Bit(true));
}

// An MP3 file's ID3v2 tag as TagLib reads it back.
class ReadBack
{
  public:
    explicit ReadBack(const QString& path) : file_(QFile::encodeName(path).constData(), false)
    {
        tag_ = file_.hasID3v2Tag() ? file_.ID3v2Tag() : nullptr;
    }
    bool tagged() const { return tag_ != nullptr; }
    int version() const { return tag_ ? int(tag_->header()->majorVersion()) : 0; }

    QStringList texts(const char* id) const
    {
        QStringList out;
        for (auto* frame : frames(id))
            if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame))
                for (const TagLib::String& s : text->fieldList())
                    out << fromTag(s);
        return out;
    }
    QString text(const char* id) const { return texts(id).join(u'|'); }
    TagLib::ID3v2::FrameList frames(const char* id) const
    {
        return tag_ ? tag_->frameList(TagLib::ByteVector(id, 4)) : TagLib::ID3v2::FrameList();
    }
    TagLib::ID3v2::AttachedPictureFrame* cover() const
    {
        const auto list = frames("APIC");
        return list.isEmpty() ? nullptr
                              : dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(list.front());
    }

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
    ASSERT_TRUE(TagAudioBook(book, mp3));

    const EpubPackage opf = EpubBook(book).package();
    const ReadBack tags(mp3);
    ASSERT_TRUE(tags.tagged());
    EXPECT_EQ(tags.version(), 4);
    EXPECT_EQ(tags.text("TIT2"), opf.title);
    EXPECT_EQ(tags.text("TIT2"), u"Moby Dick"_s); // the main title of three
    EXPECT_EQ(tags.text("TALB"), opf.title);
    EXPECT_EQ(tags.texts("TPE1"), opf.authors);
    EXPECT_EQ(tags.texts("TPE2"), opf.authors);
    EXPECT_EQ(tags.text("TCON"), u"Audiobook"_s);
    EXPECT_EQ(tags.text("TDRC"), opf.date.left(4));
    EXPECT_EQ(tags.text("TLAN"), u"eng"_s); // en-US
    EXPECT_EQ(tags.text("TPUB"), opf.publisher);
    ASSERT_EQ(tags.frames("COMM").size(), 1);
    EXPECT_EQ(fromTag(tags.frames("COMM").front()->toString()), opf.description);

    // The SVG cover, drawn: 1400 x 2100 becomes 666 x 1000, and not blank.
    auto* cover = tags.cover();
    ASSERT_NE(cover, nullptr);
    EXPECT_EQ(cover->type(), TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    EXPECT_EQ(fromTag(cover->mimeType()), u"image/jpeg"_s);
    const QImage image =
        QImage::fromData(QByteArray(cover->picture().data(), cover->picture().size()));
    EXPECT_EQ(image.size(), QSize(666, 1000));
    EXPECT_NE(image.pixel(333, 100), image.pixel(333, 900));
    EXPECT_TRUE(readFile(mp3).endsWith(audio)) << "the audio is kept byte for byte";
}

TEST(BookTags, TaggingLeavesTheJoinedBooksLengthAsItWas)
{
    QTemporaryDir dir;
    QStringList pieces;
    for (int i = 1; i <= 3; ++i)
        pieces << spokenMp3(dir, u"p%1"_s.arg(i),
                            u"Piece number %1 of the book is spoken."_s.arg(i));
    const QString bare = dir.filePath(u"bare.mp3"_s);
    const QString tagged = dir.filePath(u"tagged.mp3"_s);
    joinPieces(pieces, bare);
    ASSERT_TRUE(FixJoinedMp3(bare));
    QFile::copy(bare, tagged);

    BookTags tags;
    tags.title = u"Long"_s;
    tags.cover = BookTagsFromEpub(EpubBook(testBook(u"moby-dick-excerpt.epub"_s))).cover;
    ASSERT_GT(tags.cover.data.size(), 100000); // a large tag in front
    tags.chapters = {{u"One"_s, 0, 1000}, {u"Two"_s, 1000, 2000}};
    ASSERT_TRUE(PrependId3Tag(tagged, RenderId3Tag(tags)));
    ASSERT_TRUE(PrependId3Tag(tagged, RenderId3Tag(tags))) << "again: the tag is replaced";
    EXPECT_EQ(readFile(tagged), RenderId3Tag(tags) + readFile(bare));

    EXPECT_NEAR(ffprobeSeconds(tagged), ffprobeSeconds(bare), 0.05);
    const Mpg123Report before = mpg123Test(bare);
    const Mpg123Report after = mpg123Test(tagged);
    EXPECT_TRUE(after.finished);
    EXPECT_NEAR(after.announced, before.announced, 0.05);
    EXPECT_NEAR(after.decoded, before.decoded, 0.05);
    EXPECT_TRUE(ffmpegErrors(tagged).isEmpty()) << ffmpegErrors(tagged).toStdString();

    EXPECT_FALSE(PrependId3Tag(dir.filePath(u"missing.mp3"_s), RenderId3Tag(tags)));
    EXPECT_FALSE(PrependId3Tag(dir.path(), RenderId3Tag(tags))) << "a folder is no MP3";
}

TEST(BookTags, NonLatinTextsAndSeveralAuthorsSurviveAndEmptyFieldsAreLeftOut)
{
    QTemporaryDir dir;
    const QString mp3 = spokenMp3(dir, u"b"_s, u"Hello."_s);
    BookTags tags;
    tags.title = u"草枕 — Kusamakura"_s;
    tags.authors = {u"夏目 漱石"_s, u"عبد الله"_s};
    tags.language = Iso639_2(u"ja"_s);
    ASSERT_TRUE(PrependId3Tag(mp3, RenderId3Tag(tags)));
    const ReadBack back(mp3);
    EXPECT_EQ(back.text("TIT2"), tags.title);
    EXPECT_EQ(back.texts("TPE1"), tags.authors);
    EXPECT_EQ(back.text("TLAN"), u"jpn"_s);
    for (const char* absent : {"TDRC", "TPUB", "COMM", "APIC", "CHAP", "CTOC"})
        EXPECT_TRUE(back.frames(absent).isEmpty()) << absent;
    const ToolResult probe =
        runTool(u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_entries"_s, u"format_tags=title"_s,
                               u"-of"_s, u"default=nw=1:nk=1"_s, mp3});
    EXPECT_EQ(QString::fromUtf8(probe.out).trimmed(), tags.title);
}

TEST(BookTags, LanguagesAndDatesAsPlayersWantThem)
{
    const std::pair<const char*, const char*> languages[] = {
        {"en-US", "eng"}, {"en", "eng"},    {"fr", "fra"},  {"de-AT", "deu"}, {"ja", "jpn"},
        {"ar", "ara"},    {"zh_TW", "zho"}, {"grc", "grc"}, {"und", ""},      {"x-klingon", ""},
        {"", ""},         {"e", ""},        {"q1", ""},
    };
    for (const auto& [tag, code] : languages)
        EXPECT_EQ(Iso639_2(QString::fromLatin1(tag)), QLatin1String(code)) << tag;
    const std::pair<const char*, const char*> dates[] = {
        {"2018-03-27T22:02:30Z", "2018"},
        {"1851", "1851"},
        {" 2001-09 ", "2001"},
        {"20180327", ""},
        {"circa 1850", ""},
        {"", ""},
    };
    for (const auto& [date, year] : dates)
        EXPECT_EQ(YearOfDate(QString::fromLatin1(date)), QLatin1String(year)) << date;
}

// Through the whole chain: a book with a title and an author only (and a
// broken navigation document), and one whose package document breaks off,
// still become tagged audio books.
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
         // A navigation document that breaks off: no chapters rather than some.
         {u"nav.xhtml"_s, "<html><body><nav epub:type=\"toc\"><ol><li><a href=\"c1.xhtml\">Tag"}});
    const QString broken = dir.filePath(u"broken.epub"_s);
    QByteArray cut =
        opfDocument("<dc:title>Cut Short</dc:title><dc:date>sometime</dc:date>",
                    R"(<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="cover" href="cover.jpg" media-type="image/jpeg"/>)",
                    R"(<spine><itemref idref="c1"/></spine>)");
    makeEpub(broken, cut.left(cut.indexOf("<spine")) + "<spine><itemref idref=\"c1\"",
             {{u"c1.xhtml"_s, xhtmlPage("<p>Hello there.</p>")}, {u"cover.jpg"_s, "not a jpeg"}});

    TempWorkingFolder temp;
    QTemporaryDir out;
    FakeWindow window;
    window.folder = out.path();
    window.speed = 10;
    window.rows = {plain, broken};
    ToolChain chain(window);
    const RunOutcome outcome = PushButton1_Click(window, chain);
    ASSERT_EQ(outcome.books.size(), 2);
    EXPECT_EQ(window.messageTexts(), QStringList{u"Done."_s}) << "no message for metadata";

    ASSERT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    const ReadBack first(outcome.books[0].resultPath);
    EXPECT_EQ(first.text("TIT2"), u"Ein kleines Buch"_s);
    EXPECT_EQ(first.text("TPE1"), u"Anna Autorin"_s);
    EXPECT_EQ(first.text("TLAN"), u"deu"_s);
    for (const char* absent : {"APIC", "CHAP", "CTOC", "TDRC"})
        EXPECT_TRUE(first.frames(absent).isEmpty()) << absent;

    ASSERT_TRUE(outcome.books[1].ok) << outcome.books[1].reason.toStdString();
    const ReadBack second(outcome.books[1].resultPath);
    EXPECT_EQ(second.text("TIT2"), u"Cut Short"_s);
    EXPECT_EQ(second.cover(), nullptr) << "its cover is no picture";

    // Unticked, the same book comes out bare.
    window.tags = false;
    window.rows = {plain};
    ASSERT_TRUE(PushButton1_Click(window, chain).books.value(0).ok);
    EXPECT_FALSE(ReadBack(outcome.books[0].resultPath).tagged());
}

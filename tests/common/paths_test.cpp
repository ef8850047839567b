#include "common/path.h"
#include "common/paths.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(Paths, NameFolderAndExtension)
{
    EXPECT_EQ(GetFileName(u"/books/a.epub"_s), u"a.epub"_s);
    EXPECT_EQ(GetFileName(u"a.epub"_s), u"a.epub"_s);
    EXPECT_EQ(GetFileName(u"/books/"_s), u""_s);
    EXPECT_EQ(GetFolderPart(u"/books/a.epub"_s), u"/books/"_s);
    EXPECT_EQ(GetFolderPart(u"a.epub"_s), u""_s);
    EXPECT_EQ(StripExtension(u"a.epub"_s), u"a"_s);
    EXPECT_EQ(StripExtension(u"My.Book.epub"_s), u"My.Book"_s);
    EXPECT_EQ(StripExtension(u"archive.tar.gz"_s), u"archive.tar"_s);
    EXPECT_EQ(StripExtension(u".profile"_s), u".profile"_s);
    EXPECT_EQ(StripExtension(u"plain"_s), u"plain"_s);
    EXPECT_EQ(StripExtension(u""_s), u""_s);
}

TEST(Paths, CollapseBackslashesMakesOnePassOverPairs)
{
    EXPECT_EQ(CollapseBackslashes(u"tmp//TempTest.txt"_s), u"tmp/TempTest.txt"_s);
    EXPECT_EQ(CollapseBackslashes(u"a///b"_s), u"a//b"_s);
    EXPECT_EQ(CollapseBackslashes(u"a////b"_s), u"a//b"_s);
    // A leading run keeps exactly one separator on this platform.
    EXPECT_EQ(CollapseBackslashes(u"//TempTest.txt"_s), u"/TempTest.txt"_s);
    EXPECT_EQ(CollapseBackslashes(u"///srv//a.mp3"_s), u"/srv/a.mp3"_s);
    EXPECT_EQ(CollapseBackslashes(u"/"_s), u"/"_s);
    EXPECT_EQ(CollapseBackslashes(u""_s), u""_s);
}

TEST(Paths, PieceNumbersUseThreeDigitsUntil1000)
{
    EXPECT_EQ(PieceNumber(1), u"001"_s);
    EXPECT_EQ(PieceNumber(12), u"012"_s);
    EXPECT_EQ(PieceNumber(999), u"999"_s);
    EXPECT_EQ(PieceNumber(1000), u"1000"_s);
    EXPECT_EQ(PieceNumber(40000), u"40000"_s);
}

TEST(Path, JoinsAndTakesApartWithOneSeparator)
{
    const Path books(u"/home/me/Books"_s);
    EXPECT_EQ((books / u"a.epub").text(), u"/home/me/Books/a.epub"_s);
    EXPECT_EQ((Path(u"/home/me/Books/"_s) / u"a.epub").text(), u"/home/me/Books/a.epub"_s);
    EXPECT_EQ((Path() / u"a.epub").text(), u"a.epub"_s);
    const Path book = books / u"sub/My.Book.epub";
    EXPECT_EQ(book.fileName(), u"My.Book.epub"_s);
    EXPECT_EQ(book.parent().text(), u"/home/me/Books/sub"_s);
    EXPECT_EQ(Path(u"/a.epub"_s).parent().text(), u"/"_s);
    EXPECT_TRUE(Path(u"a.epub"_s).parent().isEmpty());
    EXPECT_EQ(book.suffix(), u"epub"_s);
    EXPECT_EQ(Path(u".profile"_s).suffix(), QString());
    EXPECT_EQ(book.withSuffix(u"mp3").text(), u"/home/me/Books/sub/My.Book.mp3"_s);
    EXPECT_EQ(Path(u"/x/plain"_s).withSuffix(u"mp3").text(), u"/x/plain.mp3"_s);
}

// The system's bytes and the text people read are turned into each other
// here alone; a name that is not UTF-8 comes back to the same bytes.
TEST(Path, BytesForTheSystemTextForPeople)
{
    const Path name(u"/tmp/Été Книга.epub"_s);
    EXPECT_EQ(name.native(), QByteArray("/tmp/\xc3\x89t\xc3\xa9 \xd0\x9a\xd0\xbd\xd0\xb8\xd0\xb3"
                                        "\xd0\xb0.epub"));
    EXPECT_EQ(Path::fromNative(name.native()), name);
    EXPECT_FALSE(name.hasForeignBytes());
    for (const QByteArray& bytes : {QByteArray("bad\x80name"), QByteArray("caf\xe9 \xc3\xa9\xc3"),
                                    QByteArray("\xed\xa0\x80\xf4\x90\x80\x80\xc0\xaf")}) {
        const Path foreign = Path::fromNative(bytes);
        EXPECT_TRUE(foreign.hasForeignBytes());
        EXPECT_EQ(foreign.native(), bytes);
        EXPECT_EQ((foreign / u"x").native(), bytes + "/x");
    }
    EXPECT_EQ(Path::fromNative("caf\xe9 \xc3\xa9.epub").readable(), u"café é.epub"_s);
}

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

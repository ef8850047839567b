#include "epub_contents.h"
#include "epub_maker.h"
#include "epub_package.h"
#include "test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QStringList titles(const QList<ContentsEntry>& entries)
{
    QStringList out;
    for (const ContentsEntry& e : entries)
        out << QString::number(e.level) + u' ' + e.title;
    return out;
}

const QByteArray kNcx = R"(<?xml version="1.0"?>
<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/" version="2005-1">
<docTitle><text>The Book</text></docTitle>
<navMap>
 <navPoint id="a"><navLabel><text>Part One</text></navLabel><content src="text/c1.xhtml"/>
  <navPoint id="b"><navLabel><text>Chapter 1</text></navLabel><content src="text/c1.xhtml#start"/>
   <navPoint id="c"><navLabel><text>A section</text></navLabel><content src="text/c1.xhtml#s1"/></navPoint>
  </navPoint>
  <navPoint id="d"><navLabel><text>Chapter 2</text></navLabel><content src="text/c2.xhtml"/></navPoint>
 </navPoint>
</navMap>
<pageList><pageTarget><navLabel><text>7</text></navLabel><content src="text/c2.xhtml#p7"/></pageTarget></pageList>
</ncx>)";

} // namespace

// moby-dick-excerpt's contents lists all 135 chapters of the novel; the
// book holds two of them.
TEST(EpubContents, ARealNavigationDocumentGivesOnlyWhatTheBookHolds)
{
    const QList<ContentsEntry> entries =
        ReadEpubContents(EpubBook(test::testBook(u"moby-dick-excerpt.epub"_s)));
    EXPECT_EQ(titles(entries),
              (QStringList{u"1 Titlepage"_s, u"1 Imprint"_s, u"1 Dedication"_s, u"1 Moby Dick"_s,
                           u"2 I: Loomings"_s, u"2 XXIV: The Advocate"_s, u"1 Endnotes"_s}));
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries[4].path, u"epub/text/chapter-1.xhtml"_s);
    EXPECT_EQ(entries[4].fragment, QString());
}

TEST(EpubContents, NavListsTwoLevelsWithHeadingsAnchorsAndHtmlEntities)
{
    const QByteArray nav = test::xhtmlPage(R"(
<nav epub:type="landmarks"><ol><li><a href="c1.xhtml">Start here</a></li></ol></nav>
<nav epub:type="toc"><h1>Contents</h1><ol>
 <li><span>Part&nbsp;One</span><ol>
   <li><a href="c1.xhtml#ch%201">Chapter <b>1</b> &mdash; Arrival</a>
     <ol><li><a href="c1.xhtml#s1">Too deep</a></li></ol></li>
   <li><a href="c2.xhtml" title="Two"></a></li></ol></li>
 <li><a href="https://example.org/">Elsewhere</a></li>
 <li><a href="../../outside.xhtml">Outside</a></li>
</ol></nav>)");
    const QList<ContentsEntry> entries = ParseNavDocument(nav, u"OEBPS/nav.xhtml"_s);
    EXPECT_EQ(titles(entries), (QStringList{u"2 Chapter 1 — Arrival"_s, u"2 Two"_s}));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].path, u"OEBPS/c1.xhtml"_s);
    EXPECT_EQ(entries[0].fragment, u"ch 1"_s);
}

TEST(EpubContents, NcxGivesTwoLevelsAndNoPageList)
{
    const QList<ContentsEntry> entries = ParseNcx(kNcx, u"OEBPS/toc.ncx"_s);
    EXPECT_EQ(titles(entries), (QStringList{u"1 Part One"_s, u"2 Chapter 1"_s, u"2 Chapter 2"_s}));
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[1].path, u"OEBPS/text/c1.xhtml"_s);
    EXPECT_EQ(entries[1].fragment, u"start"_s);
}

// A broken navigation document gives way to the NCX; with both broken the
// book has no contents rather than half of one.
TEST(EpubContents, ABrokenContentsIsNoContents)
{
    const QByteArray brokenNav = test::xhtmlPage(
        "<nav epub:type=\"toc\"><ol><li><a href=\"text/c1.xhtml\">One</a></li><li><a href=");
    EXPECT_TRUE(ParseNavDocument(brokenNav, u"OEBPS/nav.xhtml"_s).isEmpty());
    EXPECT_TRUE(ParseNcx(kNcx.left(kNcx.indexOf("Chapter 2")), u"OEBPS/toc.ncx"_s).isEmpty());

    QTemporaryDir dir;
    const QByteArray manifest =
        R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
<item id="c1" href="text/c1.xhtml" media-type="application/xhtml+xml"/>
<item id="c2" href="text/c2.xhtml" media-type="application/xhtml+xml"/>)";
    const QByteArray opf =
        test::opfDocument("<dc:title>T</dc:title>", manifest,
                          R"(<spine toc="ncx"><itemref idref="c1"/><itemref idref="c2"/></spine>)");
    const QList<QPair<QString, QByteArray>> pages{
        {u"text/c1.xhtml"_s, test::xhtmlPage("<p>1</p>")},
        {u"text/c2.xhtml"_s, test::xhtmlPage("<p>2</p>")}};
    const QString withNcx = dir.filePath(u"a.epub"_s);
    test::makeEpub(withNcx, opf,
                   pages + QList<QPair<QString, QByteArray>>{{u"nav.xhtml"_s, brokenNav},
                                                             {u"toc.ncx"_s, kNcx}});
    EXPECT_EQ(ReadEpubContents(EpubBook(withNcx)).size(), 3);
    const QString neither = dir.filePath(u"b.epub"_s);
    test::makeEpub(neither, opf,
                   pages + QList<QPair<QString, QByteArray>>{{u"nav.xhtml"_s, brokenNav},
                                                             {u"toc.ncx"_s, "<ncx><navMap>"}});
    EXPECT_TRUE(ReadEpubContents(EpubBook(neither)).isEmpty());
}

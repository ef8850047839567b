#include "epub/contents.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "epub_maker.h"
#include "test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QStringList described(const QList<ContentsEntry>& entries)
{
    QStringList out;
    for (const ContentsEntry& e : entries)
        out << u"%1 %2 %3#%4"_s.arg(e.level).arg(e.title, e.path, e.fragment);
    return out;
}

const QByteArray kNcx = R"(<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/"><navMap>
 <navPoint><navLabel><text>Part One</text></navLabel><content src="c1.xhtml"/>
  <navPoint><navLabel><text>Chapter 1</text></navLabel><content src="c1.xhtml#start"/>
   <navPoint><navLabel><text>Too deep</text></navLabel><content src="c1.xhtml#s1"/></navPoint>
  </navPoint></navPoint></navMap>
<pageList><pageTarget><navLabel><text>7</text></navLabel><content src="c1.xhtml#p7"/></pageTarget></pageList>
</ncx>)";

} // namespace

// Two levels of the "toc" nav (not the landmarks), headings without a link
// (the entries under one stand at its level), HTML entities, anchors, links
// that leave the book; the NCX likewise.
TEST(EpubContents, NavAndNcxGiveTwoLevelsOfLinksInsideTheBook)
{
    const QByteArray nav = test::xhtmlPage(R"(
<nav epub:type="landmarks"><ol><li><a href="c1.xhtml">Start here</a></li></ol></nav>
<nav epub:type="toc"><ol>
 <li><span>Part&nbsp;One</span><ol>
   <li><a href="c1.xhtml#ch%201">Chapter <b>1</b> &mdash; Arrival</a>
     <ol><li><a href="c1.xhtml#s1">Too deep</a></li></ol></li>
   <li><a href="c2.xhtml" title="Two"></a></li></ol></li>
 <li><a href="https://example.org/">Elsewhere</a></li><li><a href="../../out.xhtml">Out</a></li>
</ol></nav>)");
    EXPECT_EQ(described(ParseNavDocument(nav, u"OEBPS/nav.xhtml"_s)),
              (QStringList{u"1 Chapter 1 — Arrival OEBPS/c1.xhtml#ch 1"_s,
                           u"2 Too deep OEBPS/c1.xhtml#s1"_s, u"1 Two OEBPS/c2.xhtml#"_s}));
    EXPECT_EQ(
        described(ParseNcx(kNcx, u"OEBPS/toc.ncx"_s)),
        (QStringList{u"1 Part One OEBPS/c1.xhtml#"_s, u"2 Chapter 1 OEBPS/c1.xhtml#start"_s}));
}

// A broken navigation document gives way to the NCX; with both broken the
// book has no contents rather than half of one.
TEST(EpubContents, ABrokenContentsIsNoContents)
{
    const QByteArray brokenNav = test::xhtmlPage(
        "<nav epub:type=\"toc\"><ol><li><a href=\"c1.xhtml\">One</a></li><li><a href=");
    QTemporaryDir dir;
    const QByteArray opf = test::opfDocument(
        "<dc:title>T</dc:title>",
        R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>)",
        R"(<spine toc="ncx"><itemref idref="c1"/></spine>)");
    for (const QByteArray& ncx : {kNcx, kNcx.left(kNcx.indexOf("Chapter 1"))}) {
        const QString path = dir.filePath(u"book.epub"_s);
        test::makeEpub(path, opf,
                       {{u"c1.xhtml"_s, test::xhtmlPage("<p>1</p>")},
                        {u"nav.xhtml"_s, brokenNav},
                        {u"toc.ncx"_s, ncx}});
        EXPECT_EQ(ReadEpubContents(EpubBook(path)).size(), ncx == kNcx ? 2 : 0);
    }
}

// A contents of 100 000 entries once kept the converter busy for minutes:
// the copy it reads holds such a contents without its lists, while the
// chapters are still placed by the book's own.
TEST(EpubContents, AHugeContentsReachesTheConverterWithoutItsLists)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"toc.epub"_s);
    const QByteArray entry = R"(<li><a href="p.xhtml">Chapter one</a></li>)";
    test::makeEpub(
        path,
        test::opfDocument("<dc:title>Toc</dc:title>",
                          R"(<item id="p" href="p.xhtml" media-type="application/xhtml+xml"/>
<item id="n" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)",
                          R"(<spine><itemref idref="p"/></spine>)"),
        {{u"p.xhtml"_s, test::xhtmlPage("<p>Chapter one.</p>")},
         {u"nav.xhtml"_s, test::xhtmlPage(R"(<nav epub:type="toc"><ol>)" + entry.repeated(100000) +
                                          "</ol></nav>")}});
    const EpubBook book(path);
    EXPECT_EQ(ReadEpubContents(book).size(), 100000);
    const QString copy = dir.filePath(u"spoken.epub"_s);
    ASSERT_TRUE(WriteSpokenCopy(book, copy));
    const QByteArray nav = EpubBook(copy).read(u"OEBPS/nav.xhtml"_s);
    EXPECT_FALSE(nav.contains("<li>"));
    EXPECT_LT(nav.size(), 1000);
}

#include "epub/package.h"
#include "epub_maker.h"
#include "test_env.h"
#include "text/chapter_places.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

QStringList described(const QList<ChapterPlace>& places)
{
    QStringList out;
    for (const ChapterPlace& p : places)
        out << u"%1 %2:%3"_s.arg(p.title).arg(p.piece).arg(p.offset);
    return out;
}

} // namespace

// Spoken text written by hand: a contents page that lists the chapters by
// their headings, a part page of two words, a reference mark the cleaning
// took out, ruby readings in kana (read in place of their letters), a picture page,
// one place named twice, a NUL byte and a piece break.
TEST(ChapterPlaces, ContentsLinesAndShortPagesDoNotTakeTheChaptersPlaces)
{
    QTemporaryDir dir;
    const QString book = dir.filePath(u"b.epub"_s);
    const QByteArray nav = test::xhtmlPage(R"(<nav epub:type="toc"><ol>
<li><a href="toc.xhtml">Contents</a></li><li><a href="pic.xhtml">Picture</a></li>
<li><a href="part.xhtml">Part One</a><ol><li><a href="c1.xhtml">Chapter 1</a></li>
<li><a href="c2.xhtml">Chapter 2</a></li><li><a href="c2.xhtml#h">Chapter 2 again</a></li></ol></li>
<li><a href="missing.xhtml">Not in this book</a></li></ol></nav>)");
    test::makeEpub(
        book,
        test::opfDocument(
            "<dc:title>B</dc:title>",
            R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
<item id="toc" href="toc.xhtml" media-type="application/xhtml+xml"/>
<item id="pic" href="pic.xhtml" media-type="application/xhtml+xml"/>
<item id="part" href="part.xhtml" media-type="application/xhtml+xml"/>
<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="c2" href="c2.xhtml" media-type="application/xhtml+xml"/>)",
            R"(<spine><itemref idref="toc"/><itemref idref="pic"/><itemref idref="part"/>
<itemref idref="c1"/><itemref idref="c2"/></spine>)"),
        {{u"nav.xhtml"_s, nav},
         {u"toc.xhtml"_s, test::xhtmlPage("<h1>Contents</h1><p>Part One</p><p>Chapter 1</p>"
                                          "<p>Chapter 2</p>")},
         {u"pic.xhtml"_s, test::xhtmlPage("<img src=\"p.png\" alt=\"\"/>")},
         {u"part.xhtml"_s, test::xhtmlPage("<h1>Part One</h1>")},
         {u"c1.xhtml"_s, // a NUL byte would stop an XML reader and lose the chapter
          test::xhtmlPage("<h2>" + QByteArray(1, '\0') +
                          "Chapter 1</h2><p>It was a dark<a epub:type=\"noteref\" "
                          "href=\"#n\">1</a> and stormy night; the rain fell.</p>")},
         {u"c2.xhtml"_s, test::xhtmlPage("<h2 id=\"h\">Chapter 2</h2><p>Morning "
                                         "<ruby>山路<rt>やまみち</rt></ruby> came at last, "
                                         "grey and cold over the hills.</p>")}});
    const QString one = dir.filePath(u"output001.txt"_s);
    const QString two = dir.filePath(u"output002.txt"_s);
    test::writeFile(one, "Contents\nPart one\nChapter 1\nChapter 2\n"
                         "Part one\nChapter 1\nIt was a dark and stormy night  the rain fell.\n");
    test::writeFile(two,
                    "Chapter 2\nMorning やまみち came at last  grey and cold over the hills.\n");
    const EpubBook epub(book);
    const QList<ChapterPlace> places = LocateChapters(epub, ReadEpubContents(epub), {one, two});
    EXPECT_EQ(described(places), (QStringList{u"Contents 1:0"_s, u"Part One 1:38"_s,
                                              u"Chapter 1 1:47"_s, u"Chapter 2 2:0"_s}));

    test::writeFile(two, "Something else entirely.\n");
    EXPECT_EQ(described(LocateChapters(epub, ReadEpubContents(epub), {one, two})),
              (QStringList{u"Contents 1:0"_s, u"Part One 1:38"_s, u"Chapter 1 1:47"_s}))
        << "a chapter whose words are not spoken is left out";
    EXPECT_TRUE(LocateChapters(epub, {}, {one, two}).isEmpty());
    EXPECT_TRUE(
        LocateChapters(epub, ReadEpubContents(epub), {dir.filePath(u"gone.txt"_s)}).isEmpty());
}

#include "epub/package.h"
#include "epub_maker.h"
#include "test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// Three titles, contributors beside the author, escaped HTML in the
// description, an SVG cover and a navigation document: as found in the wild.
TEST(EpubPackage, ReadsARealEpub3Book)
{
    EpubBook book(test::testBook(u"moby-dick-excerpt.epub"_s));
    ASSERT_TRUE(book.hasPackage());
    const EpubPackage& p = book.package();
    EXPECT_EQ(p.packagePath, u"epub/content.opf"_s);
    EXPECT_EQ(p.version, u"3.0"_s);
    EXPECT_EQ(p.title, u"Moby Dick"_s);
    EXPECT_EQ(p.titles.size(), 3);
    EXPECT_EQ(p.authors, QStringList{u"Herman Melville"_s});
    EXPECT_EQ(p.language, u"en-US"_s);
    EXPECT_EQ(p.publisher, u"Standard Ebooks"_s);
    EXPECT_EQ(p.date, u"2018-03-27T22:02:30Z"_s);
    EXPECT_TRUE(p.description.startsWith(u"Captain Ahab, having lost his leg"_s));
    ASSERT_NE(p.item(p.coverItemId), nullptr);
    EXPECT_EQ(p.item(p.coverItemId)->path, u"epub/images/cover.svg"_s);
    ASSERT_NE(p.item(p.navItemId), nullptr);
    EXPECT_EQ(p.item(p.navItemId)->path, u"epub/toc.xhtml"_s);
    EXPECT_TRUE(p.spinePaths().contains(u"epub/text/chapter-1.xhtml"_s));
    EXPECT_TRUE(book.read(p.item(p.navItemId)->path).contains("Loomings"));
    EXPECT_TRUE(book.read(u"epub/images/cover.svg"_s, 1000).isEmpty()) << "larger than allowed";
}

// EPUB 2: opf:role, <meta name="cover">, the spine's toc, the guide, a
// non-linear page, escaped and relative hrefs, a file named in other case.
TEST(EpubPackage, ReadsAnEpub2BookWithItsOldWays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"old.epub"_s);
    test::makeEpub(
        path,
        test::opfDocument(
            R"(<dc:title>Les   Misérables</dc:title>
<dc:creator opf:role="edt">An Editor</dc:creator><dc:creator opf:role="aut">Victor Hugo</dc:creator>
<dc:language>fr</dc:language><dc:description>&lt;p&gt;Deux&amp;amp;trois&lt;/p&gt;&lt;p&gt;Quatre&lt;/p&gt;</dc:description>
<meta name="cover" content="pic"/>)",
            R"(<item id="pic" href="images/cover%20page.jpg" media-type="image/jpeg"/>
<item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>
<item id="c1" href="text/../text/c1.xhtml" media-type="application/xhtml+xml"/>
<item id="notes" href="Notes.xhtml" media-type="application/xhtml+xml"/>
<item id="gone" href="../../outside.xhtml" media-type="application/xhtml+xml"/>)",
            R"(<spine toc="ncx"><itemref idref="c1"/><itemref idref="notes" linear="no"/><itemref idref="missing"/><itemref idref="c1"/><itemref idref="c1"/></spine>
<guide><reference type="TOC" title="Contents" href="text/c1.xhtml#toc"/></guide>)",
            "2.0"),
        {{u"text/c1.xhtml"_s, test::xhtmlPage("<p>Un</p>")}, {u"notes.xhtml"_s, "n"}});
    EpubBook book(path);
    ASSERT_TRUE(book.hasPackage());
    const EpubPackage& p = book.package();
    EXPECT_EQ(p.title, u"Les Misérables"_s);
    EXPECT_EQ(p.authors, QStringList{u"Victor Hugo"_s});
    EXPECT_EQ(p.description, u"Deux&trois\nQuatre"_s);
    EXPECT_EQ(p.item(p.coverItemId)->path, u"OEBPS/images/cover page.jpg"_s);
    EXPECT_EQ(p.ncxItemId, u"ncx"_s);
    // A page listed again (2 000 times in a hostile book) is one document; a
    // non-linear one is read in its place, as the converter reads it.
    EXPECT_EQ(p.spinePaths(), (QStringList{u"OEBPS/text/c1.xhtml"_s, u"OEBPS/Notes.xhtml"_s}));
    EXPECT_EQ(p.item(u"gone"_s), nullptr) << "a file above the book's root is no item";
    ASSERT_EQ(p.guide.size(), 1);
    EXPECT_EQ(p.guide[0].type, u"toc"_s);
    EXPECT_EQ(p.guide[0].path, u"OEBPS/text/c1.xhtml"_s);
    EXPECT_EQ(book.read(u"OEBPS/Notes.xhtml"_s), "n");
}

TEST(EpubPackage, ABrokenBookGivesWhatCouldBeRead)
{
    QTemporaryDir dir;
    const QString notZip = dir.filePath(u"text.epub"_s);
    test::writeFile(notZip, "plain text, no archive");
    EXPECT_FALSE(EpubBook(notZip).hasPackage());
    EXPECT_FALSE(EpubBook(dir.filePath(u"missing.epub"_s)).hasPackage());

    const QString cut = dir.filePath(u"cut.epub"_s);
    test::makeEpub(cut,
                   "<package version=\"3.0\"><metadata><dc:title xmlns:dc=\"x\">Half</dc:title>"
                   "<dc:language xmlns:dc=\"x\">de",
                   {});
    EpubBook book(cut);
    ASSERT_TRUE(book.hasPackage());
    EXPECT_EQ(book.package().title, u"Half"_s);
    EXPECT_TRUE(book.package().spine.isEmpty());
}

TEST(EpubPackage, ResolvesLinksInsideTheBookOnly)
{
    const struct {
        const char* from;
        const char* href;
        const char* path;
    } cases[] = {
        {"OEBPS/text/c1.xhtml", "c2.xhtml#note-1", "OEBPS/text/c2.xhtml"},
        {"OEBPS/text/c1.xhtml", "#note-1", "OEBPS/text/c1.xhtml"},
        {"OEBPS/text/c1.xhtml", "../notes/n%C3%A9.xhtml", "OEBPS/notes/né.xhtml"},
        {"OEBPS/text/c1.xhtml", "./a/./b.xhtml?x=1", "OEBPS/text/a/b.xhtml"},
        {"c1.xhtml", "/OEBPS/c2.xhtml", "OEBPS/c2.xhtml"},
        {"OEBPS/c1.xhtml", "../../c2.xhtml", ""},
        {"OEBPS/c1.xhtml", "https://example.org/c2.xhtml", ""},
        {"OEBPS/c1.xhtml", "mailto:someone@example.org", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveEpubHref(QString::fromUtf8(c.from), QString::fromUtf8(c.href)),
                  QString::fromUtf8(c.path))
            << c.href;
}

} // namespace

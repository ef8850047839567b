#include "epub/book_parts.h"
#include "epub/package.h"
#include "epub_maker.h"
#include "test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

const QByteArray kXhtml = R"( media-type="application/xhtml+xml")";

QByteArray page(const QByteArray& bodyAttributes, const QByteArray& body)
{
    return R"(<?xml version="1.0" encoding="utf-8"?><html xmlns="http://www.w3.org/1999/xhtml"
        xmlns:epub="http://www.idpf.org/2007/ops"><head><title>t</title></head><body )" +
           bodyAttributes + ">" + body + "</body></html>";
}

struct Seen {
    QString title;
    PartKind kind;
    bool read;
    bool listed = true;
};

void expectParts(const QString& bookPath, const QList<Seen>& expected)
{
    const EpubBook book(bookPath);
    const QList<BookPart> parts = ReadBookParts(book);
    const QList<bool> read = PartsRead(parts, {});
    ASSERT_EQ(parts.size(), expected.size()) << bookPath.toStdString();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        SCOPED_TRACE(parts[i].title.toStdString());
        EXPECT_EQ(parts[i].title, expected[i].title);
        EXPECT_EQ(parts[i].kind, expected[i].kind);
        EXPECT_EQ(read[i], expected[i].read);
        EXPECT_EQ(parts[i].listed, expected[i].listed);
    }
}

} // namespace

// What each kind of structure says: landmarks and epub:type (the Standard
// Ebooks books), EPUB 2 guide types, contents titles; none at all.
TEST(BookParts, KindsFromStructureGuideAndTitles)
{
    expectParts(test::testBook(u"moby-dick-excerpt.epub"_s),
                {{u"Titlepage"_s, PartKind::TitlePage, true},
                 {u"Imprint"_s, PartKind::Imprint, false},
                 {u"Dedication"_s, PartKind::Dedication, true},
                 {u"Moby Dick"_s, PartKind::TitlePage, true},
                 {u"I: Loomings"_s, PartKind::Text, true},
                 {u"XXIV: The Advocate"_s, PartKind::Text, true},
                 {u"Endnotes"_s, PartKind::Endnotes, true}});
    const QList<BookPart> whole =
        ReadBookParts(EpubBook(test::testBook(u"../../bench/data/moby-dick.epub"_s)));
    ASSERT_EQ(whole.size(), 145);
    EXPECT_EQ(whole[143].kind, PartKind::Colophon);
    EXPECT_EQ(whole[144].kind, PartKind::Copyright); // "Uncopyright", by its epub:type

    QTemporaryDir dir;
    const QString epub2 = dir.filePath(u"old.epub"_s);
    test::makeEpub(
        epub2,
        test::opfDocument(
            "<dc:title>Old</dc:title>",
            R"(<item id="cr" href="cr.html")" + kXhtml + R"(/><item id="c1" href="c1.html")" +
                kXhtml + R"(/><item id="ix" href="ix.html")" + kXhtml +
                R"(/><item id="ncx" href="toc.ncx" media-type="application/x-dtbncx+xml"/>)",
            R"(<spine toc="ncx"><itemref idref="cr"/><itemref idref="c1"/><itemref idref="ix"/></spine>
                             <guide><reference type="copyright-page" href="cr.html" title="Rights"/></guide>)",
            "2.0"),
        {{u"cr.html"_s, test::xhtmlPage("<p>All rights reserved.</p>")},
         {u"c1.html"_s, test::xhtmlPage("<p>Call me Ishmael.</p>")},
         {u"ix.html"_s, test::xhtmlPage("<p>Ahab, 12, 14.</p>")},
         {u"toc.ncx"_s, R"(<ncx xmlns="http://www.daisy.org/z3986/2005/ncx/"><navMap>
             <navPoint><navLabel><text>Chapter 1</text></navLabel><content src="c1.html"/></navPoint>
             <navPoint><navLabel><text>Index.</text></navLabel><content src="ix.html"/></navPoint>
             </navMap></ncx>)"}});
    // The guide names the unlisted copyright page, the title the index.
    expectParts(epub2, {{u"Copyright page"_s, PartKind::Copyright, false, false},
                        {u"Chapter 1"_s, PartKind::Text, true},
                        {u"Index."_s, PartKind::Index, false}});

    const QString bare = dir.filePath(u"bare.epub"_s);
    test::makeEpub(bare,
                   test::opfDocument("<dc:title>Bare</dc:title>",
                                     R"(<item id="p" href="p.xhtml")" + kXhtml + "/>",
                                     R"(<spine><itemref idref="p"/></spine>)"),
                   {{u"p.xhtml"_s, test::xhtmlPage("<p>Text.</p>")}});
    expectParts(bare, {}); // everything is read, as it always was
}

// Parts that share a document are left out by their stretch of it; pages
// of their own, whole. What is read keeps its markup and text.
TEST(BookParts, SkippedPartsAndTheirText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"one.epub"_s);
    test::makeEpub(
        path,
        test::opfDocument("<dc:title>One</dc:title>",
                          R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml +
                              R"(/><item id="all" href="all.xhtml")" + kXhtml +
                              R"(/><item id="co" href="co.xhtml")" + kXhtml + "/>",
                          R"(<spine><itemref idref="all"/><itemref idref="co"/></spine>)"),
        {{u"nav.xhtml"_s,
          page({}, R"(<nav epub:type="toc"><ol><li><a href="all.xhtml#c1">One</a></li>
             <li><a href="all.xhtml#c2">Two</a></li><li><a href="all.xhtml#c3">Three</a></li></ol></nav>)")},
         {u"all.xhtml"_s, page({}, R"(<section id="c1"><h1>One</h1><p>First words.</p></section>
             <h1><a id="c2"/>Two</h1><p>Second <b>words</b>.</p><h1 id="c3">Three</h1><p>Third words.</p>)")},
         {u"co.xhtml"_s, page(R"(epub:type="backmatter")",
                              R"(<section epub:type="colophon"><p>Set in type.</p></section>)")}});
    const EpubBook book(path);
    const QList<BookPart> parts = ReadBookParts(book);
    ASSERT_EQ(parts.size(), 4);
    EXPECT_FALSE(parts[3].listed);
    QString error;
    const QList<bool> read = PartsRead(parts, {ParsePartNumbers(u"1,3"_s, error), false});
    EXPECT_EQ(read, (QList<bool>{true, false, true, false}));
    const SkippedText skipped = SkippedParts(book, parts, read);
    EXPECT_EQ(skipped.documents, QSet<QString>{u"OEBPS/co.xhtml"_s});
    const QByteArray left = WithoutStretches(book.read(u"OEBPS/all.xhtml"_s),
                                             skipped.stretches.value(u"OEBPS/all.xhtml"_s));
    EXPECT_TRUE(left.contains("First words.") && left.contains("Third words."));
    EXPECT_FALSE(left.contains("Second") || left.contains(">Two<"));
    EXPECT_TRUE(left.contains("<b></b>")); // the markup stays whole
    // Read all: nothing is skipped.
    EXPECT_TRUE(SkippedParts(book, parts, PartsRead(parts, {std::nullopt, true})).isEmpty());
}

TEST(BookParts, PartNumbersAsWritten)
{
    QString error;
    EXPECT_EQ(ParsePartNumbers(u"3-5, 15,4"_s, error), (QList<int>{3, 4, 5, 15}));
    EXPECT_EQ(ParsePartNumbers(u"1-300000,7"_s, error)->size(), 300000); // before: 25 s
    EXPECT_EQ(WritePartNumbers({15, 3, 4, 5, 7}), u"3-5,7,15"_s);
    for (const QString& bad : {u""_s, u"0"_s, u"5-3"_s, u"x"_s, u"1,,2"_s}) {
        EXPECT_FALSE(ParsePartNumbers(bad, error)) << bad.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

#include "epub/book_parts.h"
#include "epub/package.h"
#include "epub_maker.h"
#include "made_book.h"
#include "test_env.h"

#include <QRegularExpression>
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

namespace
{

// The words of a text, in lower case, a blank between each two.
QString wordsOf(const QString& text)
{
    static const QRegularExpression word(u"[\\p{L}\\p{N}]+"_s);
    QStringList words;
    for (const QRegularExpressionMatch& m : word.globalMatch(text))
        words << m.captured().toLower();
    return words.join(u' ');
}

struct PartWords {
    QString first, last; // the words it begins and ends with
};

// Every choice of the parts of a book of four: the text its spoken copy
// gives holds each chosen part's first and last words, no other part's.
void expectEveryChoice(const QString& path, const QList<PartWords>& words)
{
    const EpubBook book(path);
    const QList<BookPart> parts = ReadBookParts(book);
    ASSERT_EQ(parts.size(), words.size());
    for (int choice = 0; choice < 1 << words.size(); ++choice) {
        QList<int> chosen;
        for (int i = 0; i < words.size(); ++i)
            if (choice & (1 << i))
                chosen << i + 1;
        SCOPED_TRACE(WritePartNumbers(chosen).toStdString());
        const QList<bool> read = PartsRead(parts, {chosen, false});
        const QString text = wordsOf(fuzz::ConvertedText(book, SkippedParts(book, parts, read)));
        for (qsizetype i = 0; i < words.size(); ++i) {
            EXPECT_EQ(text.contains(words[i].first), read[i]) << words[i].first.toStdString();
            EXPECT_EQ(text.contains(words[i].last), read[i]) << words[i].last.toStdString();
        }
    }
}

} // namespace

// hefty-water.epub: four parts in one page, an HTML comment with markup in
// the third and escaped markup in a <pre>; leaving the third out lost the
// fourth.
TEST(BookParts, EveryChoiceOfPartsInOnePageIsExactlyTheirWords)
{
    expectEveryChoice(test::testBook(u"hefty-water.epub"_s),
                      {{u"hefty water this document"_s, u"markup available"_s},
                       {u"the switch below is an instance"_s, u"here the switch ends"_s},
                       {u"the source below is a rendition"_s, u"default switch"_s},
                       {u"hefty ruby water while the ruby"_s, u"position under"_s}});

    // A page made of the shapes between parts: comments holding markup and
    // ids, character data, escaped markup, nested sections, a part that
    // begins in the middle of a paragraph.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"shapes.epub"_s);
    test::makeEpub(
        path,
        test::opfDocument("<dc:title>Shapes</dc:title>",
                          R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml +
                              R"(/><item id="p" href="p.xhtml")" + kXhtml + "/>",
                          R"(<spine><itemref idref="p"/></spine>)"),
        {{u"nav.xhtml"_s, page({}, R"(<nav epub:type="toc"><ol><li><a href="p.xhtml">One</a><ol>
             <li><a href="p.xhtml#s2">Two</a></li><li><a href="p.xhtml#s3">Three</a></li>
             <li><a href="p.xhtml#s4">Four</a></li></ol></li></ol></nav>)")},
         {u"p.xhtml"_s,
          page({}, R"(<h1>Alpha one</h1><p>Alpha words <!-- <section id="s4"> --> end alpha.</p>
             <section id="s2"><h2>Bravo two</h2><p>Bravo <![CDATA[ <b id="s3">data</b> ]]> words.</p>
             <section id="s3"><h2>Charlie three</h2><pre>&lt;p id="s4"&gt;charlie escaped&lt;/p&gt;</pre>
             </section><p>Charlie after the nested one, <a id="s4"/>Delta four begins
             mid-paragraph.</p></section><p>Delta last.</p>)")}});
    expectEveryChoice(path, {{u"alpha one"_s, u"end alpha"_s},
                             {u"bravo two"_s, u"data b words"_s},
                             {u"charlie three"_s, u"charlie after the nested one"_s},
                             {u"delta four begins"_s, u"delta last"_s}});
}

// Kinds from titles in the languages the voices speak, a page of links the
// contents leaves out, a non-linear page read in its place.
TEST(BookParts, KindsFromTitlesInManyLanguagesAndPagesOfLinks)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"langs.epub"_s);
    QByteArray manifest;
    QByteArray spine;
    QList<QPair<QString, QByteArray>> files;
    QByteArray nav;
    const QList<std::pair<QByteArray, QByteArray>> listed{
        {"zk", "© זכויות יוצרים"}, {"ch", "פרק ראשון"},          {"jn", "注釈一覧"},
        {"jf", "図表一覧"},        {"fr", "Table des matières"}, {"ru", "Список сокращений"},
        {"lf", "List of Figures"}, {"ref", "References"}};
    for (const auto& [id, title] : listed) {
        manifest += "<item id=\"" + id + "\" href=\"" + id + ".xhtml\"" + kXhtml + "/>";
        spine += "<itemref idref=\"" + id + "\"" + (id == "ch" ? " linear=\"no\"" : "") + "/>";
        files.append({QString::fromLatin1(id + ".xhtml"), page({}, "<p>" + title + " text.</p>")});
        nav += "<li><a href=\"" + id + ".xhtml\">" + title + "</a></li>";
    }
    manifest += R"(<item id="links" href="links.xhtml")" + kXhtml +
                R"(/><item id="nav" href="nav.xhtml" properties="nav")" + kXhtml + "/>";
    spine += R"(<itemref idref="links"/>)";
    files.append({u"links.xhtml"_s, page({}, R"(<h1>Inhalt</h1><p><a href="ch.xhtml">Eins</a></p>
        <p><a href="zk.xhtml">Zwei</a></p><p><a href="jn.xhtml#x">Drei</a></p>)")});
    files.append({u"nav.xhtml"_s, page({}, "<nav epub:type=\"toc\"><ol>" + nav + "</ol></nav>")});
    test::makeEpub(
        path, test::opfDocument("<dc:title>L</dc:title>", manifest, "<spine>" + spine + "</spine>"),
        files);
    expectParts(path, {{u"© זכויות יוצרים"_s, PartKind::Copyright, false},
                       {u"פרק ראשון"_s, PartKind::Text, true},
                       {u"注釈一覧"_s, PartKind::Lists, false},
                       {u"図表一覧"_s, PartKind::Illustrations, false},
                       {u"Table des matières"_s, PartKind::Contents, false},
                       {u"Список сокращений"_s, PartKind::Lists, false},
                       {u"List of Figures"_s, PartKind::Illustrations, false},
                       {u"References"_s, PartKind::Bibliography, false},
                       {u"Contents"_s, PartKind::Contents, false, false}});
    // A book whose parts are all skipped by default is read whole, one with
    // text outside them as it is.
    const QList<BookPart> parts = ReadBookParts(EpubBook(path));
    ASSERT_TRUE(parts[0].wholeBook);
    QList<BookPart> skippedOnly;
    for (const BookPart& p : parts)
        if (!ReadByDefault(p.kind))
            skippedOnly << p;
    EXPECT_EQ(PartsRead(skippedOnly, {}), QList<bool>(skippedOnly.size(), true));
    skippedOnly[0].wholeBook = false;
    EXPECT_EQ(PartsRead(skippedOnly, {}), QList<bool>(skippedOnly.size(), false));
}

#include "epub/reference_marks.h"
#include "epub/ruby_readings.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

// "savannah1 was", "procession.1", "page 12" read aloud in the middle of a
// sentence: every kind of mark goes, the words around it stay.
TEST(ReferenceMarks, NoteReferencesAndPageNumbersAreTakenOut)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {R"(savannah<a epub:type="noteref" href="notes.xhtml#n1">1</a> was)", "savannah was"},
        {R"(end.<a role="doc-noteref" href="#fn2">[2]</a> Then)", "end. Then"},
        {R"(a<sup><a href="#fn3" id="r3">3</a></sup> b<sup>[<a href='#n4'>*</a>]</sup>)", "a b"},
        {R"(a<a href="notes.html#n5"><sup>v</sup></a> b<a href="#n6">[ 6 ]</a>.)", "a b."},
        {R"(one <span epub:type="pagebreak" id="p12" title="12"/>two)", "one two"},
        {R"(one <span epub:type="pagebreak" id="p13">13</span>two)", "one two"},
        {R"(one <div role="doc-pagebreak"><span>14</span></div>two)", "one two"},
        {R"(one <span class="pagenum"><a id="Page_23"></a>[Pg 23]</span>two)", "one two"},
        {R"(one<span class='pagenum' id="Page_xii">[xii]</span> two <p class="pagenum">[p. 9]</p>)",
         "one two "},
        {R"(<p xmlns:e="http://www.idpf.org/2007/ops">x<a e:type="noteref" href="#a">7</a></p>)",
         R"(<p xmlns:e="http://www.idpf.org/2007/ops">x</p>)"},
        // Kept: powers, ordinals, links that are words, links out of the book,
        // a type that is no epub:type, a "page number" that is words, a mark
        // whose element never ends.
        {R"(x<sup>2</sup> 1<sup>st</sup> <a href="#ch2">chapter two</a>)",
         R"(x<sup>2</sup> 1<sup>st</sup> <a href="#ch2">chapter two</a>)"},
        {R"(<a href="https://example.org/#n"><sup>1</sup></a><a href="#n" type="noteref">1</a>)",
         R"(<a href="https://example.org/#n"><sup>1</sup></a><a href="#n" type="noteref">1</a>)"},
        {R"(<span class="pagenum">Chapter the First</span>)",
         R"(<span class="pagenum">Chapter the First</span>)"},
        {R"(<a href="#n8">8</a> <sup><a href="#n9">9</a>)",
         R"(<a href="#n8">8</a> <sup><a href="#n9">9</a>)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutReferenceMarks(c.in), c.out) << c.in.toStdString();
}

// A title page that is also the navigation document keeps its title.
TEST(ReferenceMarks, TheNavigationDocumentLosesItsListsOnly)
{
    EXPECT_EQ(WithoutNavigation(R"(<body><h1>Trees</h1><nav epub:type="toc"><h2>Contents</h2><ol>
        <li><a href="c1.xhtml">One</a></li></ol></nav><nav epub:type="landmarks"/></body>)"),
              "<body><h1>Trees</h1></body>");
}

TEST(ReferenceMarks, APageOfLinksToTheBooksOwnDocumentsIsAContentsPage)
{
    const auto own = [](const QString& href) { return !href.startsWith(u"http"_s); };
    const auto page = [](const QByteArray& body) {
        return "<html><head><title>A title in the head</title><style>p { x: y }</style></head>"
               "<body>" +
               body + "</body></html>";
    };
    const QByteArray entries = R"(<li><a href="c1.xhtml">Loomings</a></li>
        <li><a href="c2.xhtml#s">The Carpet-Bag</a></li><li><a href="c3.xhtml">The Spouter-Inn</a></li>)";
    EXPECT_TRUE(IsLinkOnlyPage(page("<h1>Table of Contents</h1><ol>" + entries + "</ol>"), own));
    EXPECT_TRUE(IsLinkOnlyPage(page("<p>1. </p>" + entries.repeated(20)), own));
    // A chapter that links to others, two links, links out of the book.
    EXPECT_FALSE(IsLinkOnlyPage(
        page("<p>Call me Ishmael. Some years ago, never mind how long precisely, having little or "
             "no money in my purse.</p>" +
             entries),
        own));
    EXPECT_FALSE(
        IsLinkOnlyPage(page(R"(<a href="c1.xhtml">One</a> <a href="c2.xhtml">Two</a>)"), own));
    EXPECT_FALSE(
        IsLinkOnlyPage(page(QByteArray(entries).replace("href=\"", "href=\"http://x/")), own));
}

// Marks that never close, and marks inside marks, cost no more than the
// page's length: a hostile page of 32 000 unclosed superscripts (93 s once).
TEST(ReferenceMarks, UnclosedAndNestedMarksAreScannedOnce)
{
    const QByteArray unclosed = "<p>" + QByteArray("<sup>1").repeated(32000) + " words</p>";
    const QByteArray nested = "<p>" + QByteArray("<sup>").repeated(20000) + "1" +
                              QByteArray("</sup>").repeated(20000) + " words</p>";
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(WithoutReferenceMarks(unclosed), unclosed);
    EXPECT_EQ(WithoutReferenceMarks(nested), nested);
    EXPECT_EQ(WithoutNavigation("<nav>" + unclosed), "<nav>" + unclosed);
    EXPECT_LT(clock.elapsed(), 5000); // a linear scan takes milliseconds
}

// "山路やまみち": a word heard twice, guessed and as the book reads it.
TEST(ReferenceMarks, RubyInKanaIsSaidAsItsReading)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {"<ruby>山路<rt>やまみち</rt></ruby>を<ruby>智<rp>(</rp><rt>ち</rt><rp>)</rp></ruby>に",
         "やまみちをちに"},
        {R"(<ruby class="r"><rb>漱</rb><rt>ソウ</rt><rb>石</rb><rt>セキ</rt></ruby>)", "ソウセキ"},
        {"<ruby>汉<rt>hàn</rt></ruby><rubyx>a</rubyx><ruby>字<rt>ㄗˋ</rt></ruby>",
         "<ruby>汉<rt>hàn</rt></ruby><rubyx>a</rubyx><ruby>字<rt>ㄗˋ</rt></ruby>"},
        {"<ruby>山<rt>やま</rt>", "<ruby>山<rt>やま</rt>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithRubyReadings(c.in), c.out) << c.in.toStdString();
}

// "handful of dust.30" read as "dust dot three zero": a poem's line numbers
// go, a number that is a line's words stays.
TEST(ReferenceMarks, VerseLineNumbersAreTakenOut)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {R"(<div>of dust.<span class="lnum">30</span></div>)", "<div>of dust.</div>"},
        {R"(<p>line<span class="line-number"> 40 </span><br/>next)", "<p>line<br/>next"},
        {R"(<div class="poem"><p>were 1<span>45</span> </p><p>Chapter <span>45</span>x</p></div>)",
         R"(<div class="poem"><p>were 1 </p><p>Chapter <span>45</span>x</p></div>)"},
        {R"(<section epub:type="z3998:poem"><p>so <span>5</span><br/>on</p></section>)",
         R"(<section epub:type="z3998:poem"><p>so <br/>on</p></section>)"},
        // Not a poem, or not alone: kept.
        {R"(<p>Chapter <span>45</span></p><p class="reverse">a <span>3</span></p>)",
         R"(<p>Chapter <span>45</span></p><p class="reverse">a <span>3</span></p>)"},
        {R"(<div class="lnum">Words</div>)", R"(<div class="lnum">Words</div>)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithoutReferenceMarks(c.in), c.out) << c.in.toStdString();
}

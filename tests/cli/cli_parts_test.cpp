#include "audio_tools.h"
#include "cli_fixture.h"
#include "epub/book_parts.h"
#include "epub/package.h"
#include "made_book.h"
#include "text/chapter_places.h"

#include <QRegularExpression>
#include <random>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

const QByteArray kXhtml = R"( media-type="application/xhtml+xml")";

QString choiceName(const QStringList& arguments)
{
    return arguments.isEmpty() ? u"by default"_s : arguments.join(u' ');
}

} // namespace

// Books of random shape (fuzz/made_book.h) through the real converter: the
// text of every choice of parts is exactly the chosen parts' words in order,
// the default text is the whole text without the parts skipped, and every
// part read that the contents lists gets its chapter mark. VT_MADE_BOOKS
// sets how many books (4).
TEST_F(Cli, ChosenPartsAreTheirWordsInOrderInBooksOfEveryShape)
{
    const int count = std::max(1, qEnvironmentVariableIntValue("VT_MADE_BOOKS"));
    const int made = qEnvironmentVariableIsSet("VT_MADE_BOOKS") ? count : 4;
    for (int seed = 1; seed <= made; ++seed) {
        std::mt19937 random(seed);
        QByteArray recipe;
        for (int k = 0; k < 400; ++k)
            recipe += char(random() % 256);
        const fuzz::MadeBook shape =
            fuzz::MakeBook(reinterpret_cast<const uint8_t*>(recipe.constData()), recipe.size());
        const QString path = books.filePath(u"made%1.epub"_s.arg(seed));
        ASSERT_TRUE(fuzz::WriteBook(shape, path));
        const EpubBook book(path);
        const QList<BookPart> parts = ReadBookParts(book);
        ASSERT_EQ(parts.size(), shape.parts.size()) << seed;
        QList<int> chosen;
        for (int i = 1; i <= parts.size(); ++i)
            if (random() % 2)
                chosen << i;
        const struct {
            QStringList arguments;
            PartChoice choice;
        } choices[] = {{{u"--read-all"_s}, {std::nullopt, true}},
                       {{}, {}},
                       {{u"--chapters"_s, WritePartNumbers(chosen)}, {chosen, false}}};
        for (const auto& c : choices) {
            if (c.choice.chosen && chosen.isEmpty())
                continue;
            SCOPED_TRACE(u"book %1, %2"_s.arg(seed).arg(choiceName(c.arguments)).toStdString());
            const Result result = run(QStringList{u"--text"_s} + c.arguments + QStringList{path});
            ASSERT_EQ(result.status, 0) << result.err.toStdString();
            const QList<bool> read = PartsRead(parts, c.choice);
            EXPECT_EQ(fuzz::CheckChosenText(shape, read, result.text), QString())
                << result.text.toStdString();
            // The chapters are placed in the pieces as the chain places them.
            const QStringList pieces = result.text.split(u"\f\n"_s);
            QStringList paths;
            for (qsizetype j = 0; j < pieces.size(); ++j) {
                paths << out.filePath(u"output%1.txt"_s.arg(j + 1, 3, 10, QChar(u'0')));
                writeFile(paths.last(), pieces[j].toUtf8());
            }
            QList<ContentsEntry> contents;
            for (qsizetype i = 0; i < parts.size(); ++i)
                if (parts[i].listed && read[i])
                    contents.append(
                        {parts[i].title, parts[i].path, parts[i].fragment, parts[i].level});
            const QList<ChapterPlace> places =
                LocateChapters(book, contents, paths, {}, {}, SkippedParts(book, parts, read));
            EXPECT_EQ(fuzz::CheckMarks(shape, read, places, pieces), QString());
        }
    }
}

// hefty-water.epub's parts are sections of one page; the third holds a
// comment with markup and escaped markup. Leaving it out lost the fourth and
// gave a line the whole book lacks.
TEST_F(Cli, PartsInsideOnePageAreReadAsChosen)
{
    const QString hefty = copyBook(u"hefty-water.epub"_s, u"hefty.epub"_s);
    const Result whole = run({u"--text"_s, u"--read-all"_s, hefty});
    ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
    for (const QString& chosen : {u"1,2,4"_s, u"1,4"_s}) {
        const Result part = run({u"--text"_s, u"--chapters"_s, chosen, hefty});
        ASSERT_EQ(part.status, 0) << part.err.toStdString();
        EXPECT_TRUE(part.text.contains(u"Hefty ruby water"_s)) << part.text.toStdString();
        EXPECT_TRUE(part.text.contains(u"under the formula segments"_s));
        EXPECT_FALSE(part.text.contains(u"rendition"_s));
        for (const QString& line : part.out)
            EXPECT_TRUE(whole.out.contains(line)) << line.toStdString();
    }
}

// A manual as published: its navigation document in the reading order with
// landmarks and a page list, a title page that links to the copyright page,
// chapters that link to the references and the index (in two pages), a
// "Part" page of links. The converter reads a page it finds by a link but
// not in the reading order at the end: skipped matter came back there, in
// any order, and the part page with it.
TEST_F(Cli, SkippedMatterIsTakenOutNotMoved)
{
    const QString path = books.filePath(u"manual.epub"_s);
    QByteArray manifest;
    QByteArray spine;
    QList<QPair<QString, QByteArray>> files;
    const auto add = [&](const QByteArray& id, const QByteArray& body,
                         const QByteArray& more = {}) {
        manifest += "<item id=\"" + id + "\" href=\"" + id + ".xhtml\"" + kXhtml + more + "/>";
        spine += "<itemref idref=\"" + id + "\"/>";
        files.append({QString::fromLatin1(id + ".xhtml"), xhtmlPage(body)});
    };
    add("title", R"(<h1>Machine manual</h1><p><a href="rights.xhtml">Legal words</a></p>)");
    add("rights",
        R"(<section epub:type="copyright-page"><p>Rights reserved by nobody.</p></section>)");
    add("nav", R"(<nav epub:type="toc"><ol><li><a href="title.xhtml">Title</a></li>
        <li><a href="part1.xhtml">Part I</a><ol><li><a href="c1.xhtml">Starting</a></li>
        <li><a href="c2.xhtml">Stopping</a></li></ol></li><li><a href="refs.xhtml">References</a></li>
        <li><a href="ia.xhtml">Index</a></li></ol></nav><nav epub:type="landmarks"><ol>
        <li><a epub:type="index" href="ia.xhtml">Index</a></li></ol></nav><nav epub:type="page-list">
        <ol><li><a href="c1.xhtml">xiv</a></li><li><a href="c2.xhtml">139</a></li></ol></nav>)",
        R"( properties="nav")");
    add("part1", R"(<h1>Part I</h1><p><a href="c1.xhtml">Starting</a></p><p><a href="c2.xhtml">
        Stopping</a></p><p><a href="nav.xhtml">All contents</a></p>)");
    add("c1", R"(<h1>Starting</h1><p>Turn the key, as the <a href="refs.xhtml">references</a>
        say.</p>)");
    add("refs", R"(<h1>References</h1><p>A book on keys, printed long ago.</p>)");
    add("c2", R"(<h1>Stopping</h1><p>Turn it back; see the <a href="ia.xhtml">index</a> or the
        <a href="nav.xhtml">contents</a>.</p>)");
    add("ia", R"(<section epub:type="index"><p>Apple, 3. Key, 9.</p><p><a href="im.xhtml">M to
        Z</a></p></section>)");
    add("im", R"(<section epub:type="index"><p>Motor, 4. Zinc, 7.</p></section>)");
    makeEpub(path,
             opfDocument("<dc:title>Manual</dc:title><dc:language>en</dc:language>", manifest,
                         "<spine>" + spine + "</spine>"),
             files);

    const Result all = run({u"--text"_s, u"--read-all"_s, path});
    const Result byDefault = run({u"--text"_s, path});
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    ASSERT_EQ(byDefault.status, 0) << byDefault.err.toStdString();
    const auto wordsOf = [](const QStringList& lines) {
        return lines.join(u' ').split(QRegularExpression(u"[^\\w]+"_s), Qt::SkipEmptyParts);
    };
    // Read all: the book in its order, part page and matter in place, no
    // landmarks, no page list.
    EXPECT_EQ(wordsOf(all.out).join(u' '),
              u"Machine manual Legal words Rights reserved by nobody Part 1 Starting Stopping All "
              "contents Starting Turn the key as the references say References A book on keys "
              "printed long ago Stopping Turn it back see the index or the contents Apple 3 Key 9 "
              "M to Z Motor 4 Zinc 7"_s);
    // By default the same without the copyright page, the references and the
    // index, nothing moved or added.
    EXPECT_EQ(wordsOf(byDefault.out).join(u' '),
              u"Machine manual Legal words Part 1 Starting Stopping All contents Starting Turn the "
              "key as the references say Stopping Turn it back see the index or the contents"_s);
}

namespace
{

// The chapters of an audio file: start in seconds and title.
QList<QPair<double, QString>> chaptersOf(const QString& path)
{
    const ToolResult probe = runTool(u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_entries"_s,
                                                    u"chapter=start_time:chapter_tags=title"_s,
                                                    u"-of"_s, u"compact=p=0:nk=1"_s, path});
    QList<QPair<double, QString>> chapters;
    for (const QString& line : QString::fromUtf8(probe.out).split(u'\n', Qt::SkipEmptyParts))
        chapters.append({line.section(u'|', 0, 0).toDouble(), line.section(u'|', 1)});
    return chapters;
}

} // namespace

// Three sections in one page, a page-break marker in the second's first
// paragraph, their entries under a heading that links nowhere, a title page
// before them: three parts, three marks, the first at the book's start.
TEST_F(Cli, EveryPartReadHasItsMarkAndTheFirstBeginsTheBook)
{
    const QString path = books.filePath(u"marks.epub"_s);
    makeEpub(path,
             opfDocument("<dc:title>Marks</dc:title><dc:language>en</dc:language>",
                         R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml +
                             R"(/><item id="t" href="t.xhtml")" + kXhtml +
                             R"(/><item id="p" href="p.xhtml")" + kXhtml + "/>",
                         R"(<spine><itemref idref="t"/><itemref idref="p"/></spine>)"),
             {{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><ol><li><span>The author</span>
                  <ol><li><a href="p.xhtml#s1">One</a></li><li><a href="p.xhtml#s2">Two</a></li>
                  <li><a href="p.xhtml#s3">Three</a></li></ol></li></ol></nav>)")},
              {u"t.xhtml"_s, xhtmlPage("<h1>The book of marks</h1><p>Made for a test.</p>")},
              {u"p.xhtml"_s, xhtmlPage(R"(<section id="s1"><h2>One</h2><p>The first story is
                  short and plain.</p></section><section id="s2"><h2>Two</h2><p>The second story
                  begins <span epub:type="pagebreak" id="p753" title="753">753</span> after a
                  page break.</p></section><section id="s3"><h2>Three</h2><p>The third
                  story ends the book.</p></section>)")}});
    const Result list = run({u"--list-chapters"_s, path});
    EXPECT_EQ(list.out, (QStringList{u"  1  read     One"_s, u"  2  read     Two"_s,
                                     u"  3  read     Three"_s}));
    const Result converted = run({u"--rate"_s, u"10"_s, u"--out"_s, out.path(), path});
    ASSERT_EQ(converted.status, 0) << converted.err.toStdString();
    const auto chapters = chaptersOf(out.filePath(u"marks.mp3"_s));
    ASSERT_EQ(chapters.size(), 3);
    EXPECT_EQ(chapters[0], (QPair<double, QString>{0.0, u"One"_s}));
    EXPECT_EQ(chapters[1].second, u"Two"_s);
    EXPECT_EQ(chapters[2].second, u"Three"_s);
    EXPECT_LT(chapters[1].first, chapters[2].first);

    // Under a heading one level down, the entries were a level too deep.
    const QString anthology = books.filePath(u"anthology.epub"_s);
    makeEpub(
        anthology,
        opfDocument("<dc:title>Stories</dc:title>",
                    R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml +
                        R"(/><item id="p" href="p.xhtml")" + kXhtml + "/>",
                    R"(<spine><itemref idref="p"/></spine>)"),
        {{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><ol><li><a href="p.xhtml">Stories
                  </a><ol><li><span>The author</span><ol><li><a href="p.xhtml#s1">One</a></li>
                  <li><a href="p.xhtml#s2">Two</a></li></ol></li></ol></li></ol></nav>)")},
         {u"p.xhtml"_s, xhtmlPage(R"(<h1>Stories</h1><p id="s1">One.</p><p id="s2">Two.</p>)")}});
    EXPECT_EQ(run({u"--list-chapters"_s, anthology}).out,
              (QStringList{u"  1  read     Stories"_s, u"  2  read       One"_s,
                           u"  3  read       Two"_s}));
}

// Text a reader reads that the converter dropped or misread: formulas,
// drawings' text, a poem's line numbers, old money and fractions.
TEST_F(Cli, FormulasDrawingsVerseAndOldMoneyAreReadAsWritten)
{
    const QString book = writeBook(
        u"mixed.epub"_s, "en",
        R"(<p>The square matrix is upper triangular if <math xmlns="http://www.w3.org/1998/Math/MathML"
        alttext="a sub i j equals 0"><msub><mi>a</mi><mi>ij</mi></msub></math> whenever <math
        xmlns="http://www.w3.org/1998/Math/MathML"><mi>i</mi><mo>&gt;</mo><mi>j</mi></math>.</p>
        <svg xmlns="http://www.w3.org/2000/svg" width="90" height="40"><text x="1" y="10">Once
        upon a time</text><text x="1" y="30">there was a cat.</text></svg>
        <div class="linegroup"><div>I will show you fear in a handful of dust.<span
        class="lnum">30</span></div><div>Frisch weht der Wind<span>31</span></div></div>
        <p>It cost 10s. a week and 2s. 6d. a day, for 4½ miles.</p>)");
    const Result text = run({u"--text"_s, book});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    const QString heardText = text.text.simplified();
    for (const QString& heard :
         {u"upper triangular if a sub i j equals 0 whenever i j."_s, u"Once upon a time"_s,
          u"There was a cat."_s, u"handful of dust. Frisch"_s, u"weht der wind It"_s,
          u"It cost 10 shillings a week and 2 shillings and 6 pence a day, for 4 and a half "
          "miles."_s})
        EXPECT_TRUE(heardText.contains(heard, Qt::CaseInsensitive)) << text.text.toStdString();
    const ToolResult said = runTool(u"espeak-ng"_s, {u"-q"_s, u"-x"_s, text.out.last()});
    for (const char* phonemes : {"t'En S'IlINz", "s'Iks p'Ens", "f'o@_:_: and a# h'A:f"})
        EXPECT_TRUE(said.out.contains(phonemes)) << said.out.toStdString();
}

// A reading order of pictures: the converter's "Spine is empty" was the
// reason given, and its parts were called read.
TEST_F(Cli, ABookOfPicturesSaysSo)
{
    const QByteArray png =
        QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGNgYGD4DwA"
                               "BBAEAwS2OUAAAAABJRU5ErkJggg==");
    const QString images = books.filePath(u"images.epub"_s);
    makeEpub(images,
             opfDocument("<dc:title>Images</dc:title>",
                         R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml +
                             R"(/><item id="a" href="a.png" media-type="image/png"/>)",
                         R"(<spine><itemref idref="a"/></spine>)"),
             {{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><ol><li><a href="a.png">A
                  picture</a></li></ol></nav>)")},
              {u"a.png"_s, png}});
    const QString pages =
        writeBook(u"pages.epub"_s, "fr", R"(<p><img src="a.png" alt="Un chat"/></p>)");
    for (const QString& book : {images, pages}) {
        SCOPED_TRACE(book.toStdString());
        const Result converted = run({u"--out"_s, out.path(), book});
        EXPECT_EQ(converted.status, 1);
        EXPECT_TRUE(converted.text.contains(
            u"failed: "_s + book + u": it holds only pictures: there is no text to speak"_s))
            << converted.text.toStdString();
        EXPECT_EQ(run({u"--list-chapters"_s, book}).out,
                  QStringList{u"it holds only pictures: there is no text to speak"_s});
    }
}

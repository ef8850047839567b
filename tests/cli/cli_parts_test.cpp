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

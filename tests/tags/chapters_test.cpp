#include "audio_tools.h"
#include "common/paths.h"
#include "conversion.h"
#include "epub_maker.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "speech/speech_rendering.h"
#include "test_env.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

// A book through the whole chain, as the start button runs it.
struct ConvertedBook {
    TempWorkingFolder temp;
    QTemporaryDir out;
    Conversion run;
    QString mp3;
    QStringList pieces; // the texts that were spoken, read as the book ends

    ConvertedBook(const QString& book, int speed, bool readAll = false)
    {
        run.settings.folder = out.path();
        run.settings.rate = speed; // the engine's own English voice
        // Headings are timed by speaking the text alone: no chapter pauses.
        run.settings.listening.chapterPauseMs = 0;
        run.settings.listening.parts.readAll = readAll;
        run.observer.onFinished = [this](const BookResult&) {
            for (qint32 j = 1;
                 QFileInfo::exists(temp.file(u"output"_s + PieceNumber(j) + u".txt"_s)); ++j)
                pieces << QString::fromUtf8(
                    readFile(temp.file(u"output"_s + PieceNumber(j) + u".txt"_s)));
        };
        const RunOutcome outcome = run.convert({book});
        EXPECT_TRUE(outcome.books.value(0).ok) << outcome.books.value(0).reason.toStdString();
        mp3 = outcome.books.value(0).resultPath;
    }

    // Seconds the same voice takes to speak a text on its own.
    double spoken(const QString& text)
    {
        if (text.trimmed().isEmpty())
            return 0;
        const QString source = temp.file(u"alone.txt"_s);
        const QString wav = temp.file(u"alone.wav"_s);
        writeFile(source, text.toUtf8());
        SaveToWAV(source, wav, {std::nullopt, 100, run.settings.rate, {}, -1, {}}, {});
        return double(QFileInfo(wav).size() - 44) / 2 / 22050;
    }

    // When a heading is heard, measured by speaking what comes before it:
    // the whole pieces before its own, as the run spoke them, and its own
    // piece up to the heading. -1 when the heading is not in the text.
    double headingTime(const QRegularExpression& heading)
    {
        double before = 0;
        for (const QString& piece : pieces) {
            const QRegularExpressionMatch m = heading.match(piece);
            if (m.hasMatch())
                return before + spoken(piece.left(m.capturedStart()));
            before += spoken(piece);
        }
        return -1;
    }

    // The chapters in order, each heard within 2 s of its heading (a
    // pattern of the spoken text).
    void expectChapters(const QList<std::pair<QString, QString>>& expected)
    {
        const ToolResult probe = runTool(
            u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_chapters"_s, u"-of"_s, u"json"_s, mp3});
        const QJsonArray chapters = QJsonDocument::fromJson(probe.out)[u"chapters"_s].toArray();
        ASSERT_EQ(chapters.size(), expected.size());
        double previous = -1;
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const double start = chapters[i][u"start_time"_s].toString().toDouble();
            EXPECT_EQ(chapters[i][u"tags"_s][u"title"_s].toString(), expected[i].first);
            const double heard = headingTime(
                QRegularExpression(expected[i].second, QRegularExpression::CaseInsensitiveOption |
                                                           QRegularExpression::MultilineOption));
            ASSERT_GE(heard, 0) << expected[i].second.toStdString();
            EXPECT_NEAR(start, heard, 2.0) << expected[i].first.toStdString();
            EXPECT_GT(start, previous);
            previous = start;
        }
    }
};

} // namespace

// moby-dick-excerpt's contents lists every chapter of the novel; the book
// holds two of them, and only what it holds becomes a chapter. Its imprint
// is not read by default, and has no chapter.
TEST(Chapters, TheContentsBecomesChaptersWhereTheirHeadingsAreHeard)
{
    ConvertedBook book(testBook(u"moby-dick-excerpt.epub"_s), 10);
    EXPECT_FALSE(book.pieces.join(u' ').contains(u"Imprint"_s));
    book.expectChapters({{u"Titlepage"_s, u"^\\s*Moby dick\\s+By"_s},
                         {u"Dedication"_s, u"^In token"_s},
                         {u"Moby Dick"_s, u"^\\s*Moby dick\\s+Or, the whale"_s},
                         {u"I: Loomings"_s, u"^1\\s+Loomings"_s},
                         {u"XXIV: The Advocate"_s, u"^24\\s+The advocate"_s},
                         {u"Endnotes"_s, u"^Endnotes$"_s}});
}

// Slow speech cuts the book into several pieces, so chapters fall after
// the audio of whole pieces. Its own contents page (spoken, as it names the
// chapters without links), a picture page, an entry twice and an anchor
// inside a chapter are in its navigation too.
TEST(Chapters, ChaptersOfABookOfSeveralPiecesAndAnOddContents)
{
    QByteArray lines;
    for (int i = 1; i <= 24; ++i)
        lines += "<p>Line " + QByteArray::number(i) + ".</p>\n";
    QByteArray manifest;
    QByteArray spine;
    for (const char* id : {"contents", "picture", "c1", "c2", "c3"}) {
        manifest += "<item id=\"" + QByteArray(id) + "\" href=\"" + id +
                    ".xhtml\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + QByteArray(id) + "\"/>";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(u"odd.epub"_s);
    makeEpub(
        path,
        opfDocument(
            "<dc:title>Odd</dc:title><dc:language>en</dc:language>",
            manifest +
                R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)",
            "<spine>" + spine + "</spine>"),
        {{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><ol>
<li><a href="contents.xhtml">Contents</a></li><li><a href="picture.xhtml">Picture</a></li>
<li><a href="c1.xhtml">Chapter One — Ἀρχή</a></li><li><a href="c2.xhtml">Chapter Two</a></li>
<li><a href="c2.xhtml#top">Chapter Two again</a></li>
<li><a href="c3.xhtml">Chapter Three</a><ol><li><a href="c3.xhtml#b">Part B</a></li></ol></li>
</ol></nav>)")},
         {u"contents.xhtml"_s, xhtmlPage("<h1>Contents</h1><p>Chapter One</p><p>Chapter Two</p>"
                                         "<p>Chapter Three</p><p>Part B</p>")},
         {u"picture.xhtml"_s, xhtmlPage("<div><img src=\"p.png\" alt=\"\"/></div>")},
         {u"c1.xhtml"_s, xhtmlPage("<h1>Chapter One</h1>\n" + lines)},
         {u"c2.xhtml"_s, xhtmlPage("<h1 id=\"top\">Chapter Two</h1>\n" + lines)},
         {u"c3.xhtml"_s,
          xhtmlPage("<h1>Chapter Three</h1>\n" + lines + "<h2 id=\"b\">Part B</h2>\n" + lines)}});

    ConvertedBook book(path, -10, true);
    EXPECT_GE(book.pieces.size(), 3);
    // The contents page is spoken when all is read: its lines do not take
    // the chapters' places.
    book.expectChapters({{u"Contents"_s, u"^Contents$"_s},
                         {u"Chapter One — Ἀρχή"_s, u"^Chapter one\\s+Line 1\\."_s},
                         {u"Chapter Two"_s, u"^Chapter two\\s+Line 1\\."_s},
                         {u"Chapter Three"_s, u"^Chapter three\\s+Line 1\\."_s},
                         {u"Part B"_s, u"^Part b\\s+Line 1\\."_s}});
}

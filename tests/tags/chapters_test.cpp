#include "audio_tools.h"
#include "conversion_run.h"
#include "epub_maker.h"
#include "fake_window.h"
#include "paths.h"
#include "sp_voice.h"
#include "speech_rendering.h"
#include "test_env.h"
#include "tool_chain.h"

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

struct Chapter {
    QString title;
    double start = 0;
};

// The chapters as ffprobe lists them.
QList<Chapter> ffprobeChapters(const QString& mp3)
{
    const ToolResult r =
        runTool(u"ffprobe"_s, {u"-v"_s, u"error"_s, u"-show_chapters"_s, u"-of"_s, u"json"_s, mp3});
    QList<Chapter> chapters;
    for (const QJsonValue c : QJsonDocument::fromJson(r.out)[u"chapters"_s].toArray())
        chapters.append(
            {c[u"tags"_s][u"title"_s].toString(), c[u"start_time"_s].toString().toDouble()});
    return chapters;
}

QStringList titles(const QList<Chapter>& chapters)
{
    QStringList out;
    for (const Chapter& c : chapters)
        out << c.title;
    return out;
}

int englishVoice()
{
    const VoiceTokens voices = SpVoice().GetVoices();
    for (int i = 0; i < voices.Count(); ++i)
        if (voices.Item(i).identifier() == "gmw/en")
            return i;
    return -1;
}

// A book through the whole chain, as the start button runs it.
struct ConvertedBook {
    TempWorkingFolder temp;
    QTemporaryDir out;
    FakeWindow window;
    QString mp3;
    QStringList pieces; // the texts that were spoken, left in the working folder

    ConvertedBook(const QString& book, int speed)
    {
        window.folder = out.path();
        window.speed = speed;
        window.combo = englishVoice();
        window.rows = {book};
        ToolChain chain(window);
        const RunOutcome outcome = PushButton1_Click(window, chain);
        EXPECT_TRUE(outcome.books.value(0).ok) << outcome.books.value(0).reason.toStdString();
        mp3 = outcome.books.value(0).resultPath;
        for (qint32 j = 1; QFileInfo::exists(temp.file(u"output"_s + PieceNumber(j) + u".txt"_s));
             ++j)
            pieces << QString::fromUtf8(
                readFile(temp.file(u"output"_s + PieceNumber(j) + u".txt"_s)));
    }

    // Seconds the same voice takes to speak a text on its own.
    double spoken(const QString& text)
    {
        if (text.trimmed().isEmpty())
            return 0;
        const QString source = temp.file(u"alone.txt"_s);
        const QString wav = temp.file(u"alone.wav"_s);
        writeFile(source, text.toUtf8());
        SaveToWAV(source, wav, window);
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

    void expectHeard(const QList<Chapter>& chapters, const QStringList& headings)
    {
        ASSERT_EQ(chapters.size(), headings.size());
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const QRegularExpression heading(headings[i],
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::MultilineOption);
            const double heard = headingTime(heading);
            ASSERT_GE(heard, 0) << headings[i].toStdString();
            EXPECT_NEAR(chapters[i].start, heard, 2.0) << chapters[i].title.toStdString();
            if (i > 0) {
                EXPECT_GT(chapters[i].start, chapters[i - 1].start);
            }
        }
    }
};

} // namespace

// moby-dick-excerpt's contents lists every chapter of the novel; the book
// holds two of them, and only what it holds becomes a chapter.
TEST(Chapters, TheContentsBecomesChaptersWhereTheirHeadingsAreHeard)
{
    ConvertedBook book(testBook(u"moby-dick-excerpt.epub"_s), 10);
    const QList<Chapter> chapters = ffprobeChapters(book.mp3);
    EXPECT_EQ(titles(chapters),
              (QStringList{u"Titlepage"_s, u"Imprint"_s, u"Dedication"_s, u"Moby Dick"_s,
                           u"I: Loomings"_s, u"XXIV: The Advocate"_s, u"Endnotes"_s}));
    book.expectHeard(chapters, {u"^\\s*Moby dick\\s+By"_s, u"^Imprint$"_s, u"^In token"_s,
                                u"^\\s*Moby dick\\s+Or, the whale"_s, u"^I\\s+Loomings"_s,
                                u"^Xxiv\\s+The advocate"_s, u"^Endnotes$"_s});
}

// Slow speech cuts the book into several pieces, so chapters fall after
// the audio of whole pieces. The book's own contents page lists the
// chapters; a picture page, an entry twice and an anchor inside a chapter
// are in its navigation too.
TEST(Chapters, ChaptersOfABookOfSeveralPiecesAndAnOddContents)
{
    QByteArray lines;
    for (int i = 1; i <= 24; ++i)
        lines += "<p>Line " + QByteArray::number(i) + ".</p>\n";
    const QByteArray nav = xhtmlPage(R"(<nav epub:type="toc"><ol>
<li><a href="contents.xhtml">Contents</a></li>
<li><a href="picture.xhtml">Picture</a></li>
<li><a href="c1.xhtml">Chapter One — Ἀρχή</a></li>
<li><a href="c2.xhtml">Chapter Two</a></li>
<li><a href="c2.xhtml#top">Chapter Two again</a></li>
<li><a href="c3.xhtml">Chapter Three</a><ol><li><a href="c3.xhtml#b">Part B</a></li></ol></li>
</ol></nav>)");
    const QByteArray contents = xhtmlPage(R"(<h1>Contents</h1>
<p><a href="c1.xhtml">Chapter One</a></p><p><a href="c2.xhtml">Chapter Two</a></p>
<p><a href="c3.xhtml">Chapter Three</a></p><p><a href="c3.xhtml#b">Part B</a></p>)");
    QTemporaryDir dir;
    const QString path = dir.filePath(u"odd.epub"_s);
    makeEpub(
        path,
        opfDocument(
            "<dc:title>Odd</dc:title><dc:language>en</dc:language>",
            R"(<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>
<item id="contents" href="contents.xhtml" media-type="application/xhtml+xml"/>
<item id="picture" href="picture.xhtml" media-type="application/xhtml+xml"/>
<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="c2" href="c2.xhtml" media-type="application/xhtml+xml"/>
<item id="c3" href="c3.xhtml" media-type="application/xhtml+xml"/>)",
            R"(<spine><itemref idref="contents"/><itemref idref="picture"/>
<itemref idref="c1"/><itemref idref="c2"/><itemref idref="c3"/></spine>)"),
        {{u"nav.xhtml"_s, nav},
         {u"contents.xhtml"_s, contents},
         {u"picture.xhtml"_s, xhtmlPage("<div><img src=\"p.png\" alt=\"\"/></div>")},
         {u"c1.xhtml"_s, xhtmlPage("<h1>Chapter One</h1>\n" + lines)},
         {u"c2.xhtml"_s, xhtmlPage("<h1 id=\"top\">Chapter Two</h1>\n" + lines)},
         {u"c3.xhtml"_s,
          xhtmlPage("<h1>Chapter Three</h1>\n" + lines + "<h2 id=\"b\">Part B</h2>\n" + lines)}});

    ConvertedBook book(path, -10);
    EXPECT_GE(book.pieces.size(), 3);
    const QList<Chapter> chapters = ffprobeChapters(book.mp3);
    EXPECT_EQ(titles(chapters), (QStringList{u"Chapter One — Ἀρχή"_s, u"Chapter Two"_s,
                                             u"Chapter Three"_s, u"Part B"_s}));
    book.expectHeard(chapters, {u"^Chapter one\\s+Line 1\\."_s, u"^Chapter two\\s+Line 1\\."_s,
                                u"^Chapter three\\s+Line 1\\."_s, u"^Part b\\s+Line 1\\."_s});
}

#include "audio_tools.h"
#include "cli_fixture.h"

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

const QByteArray kXhtml = R"( media-type="application/xhtml+xml")";

// A book of three short chapters, a page each, and its contents.
QString writeChapters(const QString& path, const QByteArray& language = "en",
                      const QByteArray& text = "<p>Captain Ahab sailed the grey sea for many "
                                               "days.</p><p>The crew sang softly.</p>")
{
    QByteArray manifest = R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml + "/>";
    QByteArray spine = "<spine>";
    QList<QPair<QString, QByteArray>> files{{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><ol>
            <li><a href="c1.xhtml">Arrival</a></li><li><a href="c2.xhtml">Voyage</a></li>
            <li><a href="c3.xhtml">Return</a></li></ol></nav>)")}};
    const char* names[] = {"Arrival", "Voyage", "Return"};
    for (int i = 1; i <= 3; ++i) {
        const QByteArray n = QByteArray::number(i);
        manifest += R"(<item id="c)" + n + R"(" href="c)" + n + R"(.xhtml")" + kXhtml + "/>";
        spine += R"(<itemref idref="c)" + n + R"("/>)";
        files.append(
            {u"c%1.xhtml"_s.arg(i), xhtmlPage("<h1>" + QByteArray(names[i - 1]) + "</h1>" + text)});
    }
    makeEpub(path,
             opfDocument("<dc:title>Three</dc:title><dc:language>" + language + "</dc:language>",
                         manifest, spine + "</spine>"),
             files);
    return path;
}

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

// The listener's list changes what --text shows: the book's rules over the
// global ones, bad rules named; the parts read follow the choice.
TEST_F(Cli, PronunciationsAndChosenPartsChangeTheText)
{
    const QString book = copyBook(u"moby-dick-excerpt.epub"_s, u"moby.epub"_s);
    writeFile(books.filePath(u"moby.pronounce.txt"_s), "Ishmael = Ishmael the sailor\n");
    const QString global = books.filePath(u"global.txt"_s);
    writeFile(global, "# mine\nishmael = Ish-male\n/Loom(ings)/ = Gloom\\1\n/(x/ = y\nManhattoes = "
                      "Manhattan\n");
    const Result text = run({u"--text"_s, u"--pronounce"_s, global, book});
    EXPECT_EQ(text.status, 0);
    EXPECT_TRUE(text.text.contains(u"Call me ishmael the sailor."_s)) << text.text.toStdString();
    EXPECT_TRUE(text.text.contains(u"Gloomings"_s));
    EXPECT_TRUE(text.text.contains(u"city of the manhattan"_s));
    EXPECT_FALSE(text.text.contains(u"ish-male"_s, Qt::CaseInsensitive));
    EXPECT_TRUE(text.err.contains(u"global.txt, line 4: the pattern does not compile"_s))
        << text.err.toStdString();

    // By default the imprint is not read; --read-all reads it; --chapters
    // reads the entries named.
    const QString imprint = u"This ebook is the product"_s;
    EXPECT_FALSE(run({u"--text"_s, book}).text.contains(imprint));
    EXPECT_TRUE(run({u"--text"_s, u"--read-all"_s, book}).text.contains(imprint));
    const Result chosen = run({u"--text"_s, u"--chapters"_s, u"6-7"_s, book});
    EXPECT_FALSE(chosen.text.contains(u"Call me"_s));
    EXPECT_FALSE(chosen.text.contains(u"In token"_s)); // the dedication
    EXPECT_TRUE(chosen.text.contains(u"The advocate"_s));

    const Result list = run({u"--list-chapters"_s, u"--chapters"_s, u"2,5"_s, book});
    EXPECT_EQ(list.status, 0);
    ASSERT_EQ(list.out.size(), 7);
    EXPECT_EQ(list.out[1], u"  2  read     Imprint  [imprint]"_s);
    EXPECT_EQ(list.out[2], u"  3  skipped  Dedication  [dedication]"_s);
    EXPECT_EQ(list.out[4], u"  5  read       I: Loomings"_s);
    EXPECT_EQ(run({u"--chapters"_s, u"2-1"_s, book}).status, 2);
    // A choice naming none of the book's parts leaves it to its defaults.
    const Result none = run({u"--text"_s, u"--chapters"_s, u"40-50"_s, book});
    EXPECT_TRUE(none.text.contains(u"Call me"_s) && !none.text.contains(imprint));
    EXPECT_TRUE(none.err.contains(u"the book has 7 parts: 40 is not one of them; the parts"_s));
}

// Silence before each chapter but the first, real and measured; chapter
// marks at the chapter's first word, only for the chapters read; a rule
// that says more makes the book longer.
TEST_F(Cli, ChapterPausesMarksAndRulesInTheAudio)
{
    const QString book = writeChapters(books.filePath(u"three.epub"_s));
    const auto convert = [&](const QString& name, QStringList options) {
        QDir(out.path()).mkpath(name);
        const QString folder = out.path() + u'/' + name;
        options << u"--out"_s << folder << book;
        const Result result = run(options);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        return folder + u"/three.mp3"_s;
    };
    const QString none = convert(u"none"_s, {u"--chapter-pause"_s, u"0"_s});
    const QString two = convert(u"two"_s, {u"--chapter-pause"_s, u"2"_s});
    EXPECT_NEAR(ffprobeSeconds(two) - ffprobeSeconds(none), 4.0, 0.1);
    const auto plain = chaptersOf(none);
    const auto paused = chaptersOf(two);
    ASSERT_EQ(plain.size(), 3);
    ASSERT_EQ(paused.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(paused[i].first - plain[i].first, 2.0 * i, 0.05) << i;

    const auto chosen = chaptersOf(convert(u"chosen"_s, {u"--chapters"_s, u"1,3"_s}));
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[0].second, u"Arrival"_s);
    EXPECT_EQ(chosen[1].second, u"Return"_s);

    const QString rules = books.filePath(u"rules.txt"_s);
    writeFile(rules, "Ahab = Ahab, captain of the whaling ship, master of all the seas,\n");
    const QString longer =
        convert(u"longer"_s, {u"--chapter-pause"_s, u"0"_s, u"--pronounce"_s, rules});
    EXPECT_GT(ffprobeSeconds(longer) - ffprobeSeconds(none), 3 * 2.0);
    // The pause after each of the nine headings and paragraphs is the one asked for.
    const auto paragraphs = [&](const QString& seconds) {
        return ffprobeSeconds(convert(u"p"_s + seconds, {u"--paragraph-pause"_s, seconds}));
    };
    EXPECT_NEAR(paragraphs(u"1.5"_s) - paragraphs(u"0.5"_s), 9.0, 0.1);
}

// A Mandarin book is spoken by the pinyin voice, its Latin words by the
// English one, in the streamed and the sequential chain alike: the same
// length, the chapters at the same words.
TEST_F(Cli, VoicesChangeInsideAPieceInBothChains)
{
    const QString book = writeChapters(books.filePath(u"zh.epub"_s), "zh-CN",
                                       "<p>我用Kindle看书，很好。</p><p>他们都说：“不错！”</p>");
    QList<QString> results;
    for (const QString& threads : {u"2"_s, u"1"_s}) {
        const QString folder = out.path() + u"/t"_s + threads;
        QDir().mkpath(folder);
        const Result result =
            run({u"--match-language"_s, u"--voice"_s, u"English (Great Britain)"_s, u"--threads"_s,
                 threads, u"--out"_s, folder, book});
        ASSERT_EQ(result.status, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(u"spoken with Chinese (Mandarin, latin as Pinyin)"_s))
            << result.err.toStdString();
        results.append(folder + u"/zh.mp3"_s);
    }
    EXPECT_NEAR(ffprobeSeconds(results[0]), ffprobeSeconds(results[1]), 0.1);
    const auto streamed = chaptersOf(results[0]);
    const auto sequential = chaptersOf(results[1]);
    ASSERT_EQ(streamed.size(), 3);
    ASSERT_EQ(sequential.size(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(streamed[i].first, sequential[i].first, 0.1) << i;
    EXPECT_GT(streamed[2].first, streamed[1].first + 3.0);
}

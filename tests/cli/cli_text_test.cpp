#include "audio_tools.h"
#include "cli_fixture.h"

#include <QRegularExpression>
#include <QSet>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

namespace
{

const QByteArray kXhtml = R"( media-type="application/xhtml+xml")";

// An EPUB 3 book with its navigation document in the reading order, a
// noteref glued to a word, a page-break marker and endnotes.
QString writeEpub3(const QString& path)
{
    makeEpub(path,
             opfDocument("<dc:title>Notes</dc:title><dc:language>en</dc:language>",
                         R"(<item id="nav" href="nav.xhtml" properties="nav")" + kXhtml + "/>" +
                             R"(<item id="c1" href="c1.xhtml")" + kXhtml + "/>" +
                             R"(<item id="n" href="notes.xhtml")" + kXhtml + "/>",
                         R"(<spine><itemref idref="nav"/><itemref idref="c1"/>
                            <itemref idref="n"/></spine>)"),
             {{u"nav.xhtml"_s, xhtmlPage(R"(<nav epub:type="toc"><h1>Contents</h1><ol>
                  <li><a href="c1.xhtml">Chapter One</a></li><li><a href="notes.xhtml">Notes</a></li>
                  <li><a href="c9.xhtml">Chapter Nine</a></li></ol></nav>)")},
              {u"c1.xhtml"_s, xhtmlPage(R"(<h1>Chapter One</h1><p>The upper savannah<a
                  epub:type="noteref" href="notes.xhtml#n1">1</a> was wide.<span
                  epub:type="pagebreak" id="p17" title="17"/> That’s 53.3% of Barnes &amp; Noble.</p>)")},
              {u"notes.xhtml"_s, xhtmlPage(R"(<aside epub:type="endnote" id="n1"><p>The
                  note's own text.</p></aside>)")}});
    return path;
}

// An EPUB 2 book: a contents page the guide names, an unmarked page of
// links (out of the linear reading order, which the converter reads all the
// same), superscript and bracketed note links.
QString writeEpub2(const QString& path)
{
    makeEpub(
        path,
        opfDocument("<dc:title>Old</dc:title><dc:language>en</dc:language>",
                    R"(<item id="toc" href="toc.html")" + kXhtml + "/>" +
                        R"(<item id="list" href="list.html")" + kXhtml + "/>" +
                        R"(<item id="c1" href="c1.html")" + kXhtml + "/>" +
                        R"(<item id="n" href="notes.html")" + kXhtml + "/>",
                    R"(<spine><itemref idref="toc"/><itemref idref="list" linear="no"/>
                            <itemref idref="c1"/><itemref idref="n"/></spine>
                            <guide><reference type="toc" title="Contents" href="toc.html"/></guide>)",
                    "2.0"),
        {{u"toc.html"_s, xhtmlPage("<p>Where to find things in this old book of ours.</p>")},
         {u"list.html"_s, xhtmlPage(R"(<h2>Chapters</h2><p><a href="c1.html">Loomings</a></p>
                  <p><a href="notes.html">Notes</a></p><p><a href="c1.html#end">The end</a></p>)")},
         {u"c1.html"_s, xhtmlPage(R"(<p>Call me Ishmael.<sup><a href="notes.html#n1">1</a></sup>
                  Some years ago<a href="notes.html#n2">[2]</a> I went to sea.</p>)")},
         {u"notes.html"_s, xhtmlPage(R"(<p><a href="c1.html#r1">1</a>. First note text.</p>
                  <p>[<a href="c1.html#r2">2</a>] Second note text.</p>)")}});
    return path;
}

} // namespace

// What a listener would hear wrong, read before any audio is made: glued
// line ends, lost apostrophes, % and &, reference numbers, contents pages.
TEST_F(Cli, TextShowsWhatIsSpokenWithoutMarksOrContentsPages)
{
    const struct {
        QString book;
        QStringList heard, notHeard;
    } cases[] = {
        {copyBook(u"moby-dick-excerpt.epub"_s, u"moby.epub"_s),
         {u" Loomings\n"_s, u"the cymballed procession.\n"_s, u"knocking people's hats off"_s},
         {u"procession.1"_s, u"Etymology"_s}},
        {writeEpub3(books.filePath(u"epub3.epub"_s)),
         {u"Chapter one\n"_s, u"The upper savannah was wide. That's 53.3% of barnes & noble.\n"_s,
          u"note's own text."_s},
         {u"Contents"_s, u"Chapter nine"_s, u"17"_s, u"savannah1"_s}},
        {writeEpub2(books.filePath(u"epub2.epub"_s)),
         {u"Call me ishmael. Some years ago I went to sea."_s, u"First note text."_s,
          u"Second note text."_s},
         {u"Where to find"_s, u"Loomings"_s, u"ishmael.1"_s, u"[2]"_s}},
        {writeBook(u"fr.epub"_s, "fr", "<p>L’objectif d’Ève : c'est « parfait ».</p>"),
         {u"L'objectif d'ève"_s, u"c'est"_s},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.book.toStdString());
        const Result result = run({u"--text"_s, c.book});
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        for (const QString& heard : c.heard)
            EXPECT_TRUE(result.text.contains(heard)) << heard.toStdString();
        for (const QString& notHeard : c.notHeard)
            EXPECT_FALSE(result.text.contains(notHeard)) << notHeard.toStdString();
    }
    // The books are as they were; only the text was made, no working file is left.
    EXPECT_EQ(test::readFile(books.filePath(u"moby.epub"_s)),
              test::readFile(test::testBook(u"moby-dick-excerpt.epub"_s)));
    EXPECT_TRUE(test::entries(temp.path()).isEmpty());
    EXPECT_TRUE(test::entries(out.path()).isEmpty());

    // A book that gives no text is named with the reason; nothing is printed for it.
    const QString damaged = books.filePath(u"damaged.epub"_s);
    test::writeFile(damaged, "not a zip archive");
    const Result bad = run({u"--text"_s, damaged});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.text.isEmpty());
    EXPECT_TRUE(bad.err.contains(damaged + u": the file is not an EPUB book"_s))
        << bad.err.toStdString();

    // Pieces (and books) are separated by a line holding a form feed.
    const Result slow = run({u"--text"_s, u"--rate"_s, u"-10"_s, cases[0].book, cases[1].book});
    EXPECT_GE(slow.text.count(u"\f\n"_s), 3);
    EXPECT_FALSE(slow.text.startsWith(u'\f'));
}

// "Xlii" heard as "ex-lee-eye", "a salary of four a week", "u.S.": numbers
// and capitals as a listener expects them, the pronoun and words as they are.
TEST_F(Cli, TextHasChapterNumbersMoneyAndCapitalsAsTheyAreSaid)
{
    const Result whole =
        run({u"--text"_s, copyBook(u"../../bench/data/moby-dick.epub"_s, u"whole.epub"_s)});
    ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
    QStringList headings; // every chapter heading is a line of its own
    for (const QString& line : whole.out) {
        EXPECT_FALSE(
            QRegularExpression(u"^[IVXLC]+\\.?$"_s, QRegularExpression::CaseInsensitiveOption)
                .match(line)
                .hasMatch())
            << line.toStdString();
        if (QRegularExpression(u"^[0-9]+$"_s).match(line).hasMatch())
            headings.append(line);
    }
    ASSERT_EQ(headings.size(), 135);
    for (int n = 1; n <= 135; ++n)
        EXPECT_EQ(headings[n - 1], QString::number(n));

    const QString book = writeBook(u"classic.epub"_s, "en",
                                   "<h2>XLII.</h2><h2>CHAPTER IV</h2><p>“I am Sherlock Holmes,” "
                                   "said I. Adler. Mix it. Civil war.</p><p>A salary of £4 a "
                                   "week from the BBC in the U.S. is 30° and § 2.</p>");
    const Result text = run({u"--text"_s, book});
    ASSERT_EQ(text.status, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, (QStringList{u"42."_s, u"CHAPTER 4"_s,
                                     u" I am sherlock holmes,  said I. Adler. Mix it. Civil war."_s,
                                     u"A salary of 4 pounds a week from the BBC in the U.S. is 30° "
                                     u"and § 2."_s}));
    const ToolResult heard = runTool(u"espeak-ng"_s, {u"-q"_s, u"-x"_s, text.out[3]});
    EXPECT_TRUE(heard.out.contains("p'aUndz")) << heard.out.toStdString(); // "four pounds"
    EXPECT_TRUE(heard.out.contains("dI2gr'i:z")) << heard.out.toStdString();
}

// An Arabic book spelled letter by letter by an English voice lasts many
// times as long as the same text in Arabic; a Yiddish book, with no voice of
// its own, goes to the voice that reads its script.
TEST_F(Cli, EachBookIsSpokenByAVoiceForItsLanguage)
{
    const QByteArray arabic = "اللغة العربية هي أكثر اللغات السامية تحدثا، وإحدى أكثر اللغات "
                              "انتشارا في العالم. يتحدثها أكثر من أربعمائة مليون نسمة.";
    const QString ar = writeBook(u"ar.epub"_s, "ar", "<p>" + arabic + "</p>");
    const QString yi = writeBook(u"yi.epub"_s, "yi", "<p>א ביסל טעקסט.</p>");
    const Result result =
        run({u"--rate"_s, u"0"_s, u"--volume"_s, u"100"_s, u"--out"_s, out.path(), ar, yi});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(ar + u": spoken with Arabic\n"_s)) << result.err.toStdString();
    const QString note =
        u"no voice for Yiddish; spoken with Hebrew, which reads its Hebrew script"_s;
    EXPECT_TRUE(result.err.contains(yi + u": "_s + note)) << result.err.toStdString();
    EXPECT_EQ(result.out,
              QStringList({out.path() + u"/ar.mp3"_s, out.path() + u"/yi.mp3\t"_s + note}));

    QTemporaryDir plain;
    const QString wav = plain.filePath(u"plain.wav"_s);
    ASSERT_EQ(runTool(u"espeak-ng"_s, {u"-v"_s, u"ar"_s, u"-w"_s, wav, QString::fromUtf8(arabic)})
                  .exitCode,
              0);
    encodeMp3(wav, plain.filePath(u"plain.mp3"_s));
    const double expected = ffprobeSeconds(plain.filePath(u"plain.mp3"_s));
    EXPECT_NEAR(ffprobeSeconds(out.path() + u"/ar.mp3"_s), expected, expected * 0.10);

    const Result chosen =
        run({u"--no-match-language"_s, u"--rate"_s, u"10"_s, u"--out"_s, out.path(), ar});
    EXPECT_TRUE(chosen.err.contains(ar + u": spoken with English (Great Britain)\n"_s))
        << chosen.err.toStdString();
}

TEST_F(Cli, AFirstStartSpeaksInTheUsersLanguage)
{
    const QString book = writeBook(u"plain.epub"_s, {}, "<p>Guten Tag.</p>");
    for (const auto& [lang, voice] : {std::pair{u"de_DE.UTF-8"_s, u"German"_s},
                                      std::pair{u"C.UTF-8"_s, u"English (Great Britain)"_s}}) {
        const Result result =
            run({u"--rate"_s, u"10"_s, u"--out"_s, out.path(), book}, 600000, lang);
        EXPECT_EQ(result.status, 0) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(book + u": spoken with "_s + voice + u'\n'))
            << result.err.toStdString();
    }
}

// A Japanese voice reads only kana: each kanji would be "Chinese letter", in
// English. The converter's text comes in kana as MeCab's dictionary
// pronounces it, with the book's own ruby readings in place of their words.
TEST_F(Cli, JapaneseIsSpokenInKana)
{
    const QString kusamakura = copyBook(u"kusamakura-preview.epub"_s, u"kusamakura.epub"_s);
    const QString particles = writeBook(u"ja.epub"_s, "ja", "<p>東京へ行く。私は学生です。</p>");
    const Result result = run({u"--text"_s, kusamakura, particles});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    EXPECT_TRUE(result.text.contains(u"ヤマミチヲノボリナガラ, コーカンガエタ. "_s));
    EXPECT_TRUE(result.text.contains(u"ジョウニサオサセバ"_s));
    EXPECT_TRUE(result.text.contains(u"トーキョーエイク. ワタシワガクセイデス."_s))
        << result.text.section(u'\f', -1).toStdString();
    // Words MeCab does not know keep their characters: 愚陀仏, 支那, 王維, 交らぬ.
    static const QRegularExpression kanji(u"[\\x{4E00}-\\x{9FFF}]"_s);
    QSet<QString> left;
    for (const QRegularExpressionMatch& m : kanji.globalMatch(result.text))
        left.insert(m.captured());
    EXPECT_EQ(left, (QSet<QString>{u"陀"_s, u"仏"_s, u"支"_s, u"那"_s, u"維"_s, u"交"_s}));
    // The particles: "toːkjoː e iku", "watashi wa gakusei desu".
    const QByteArray phonemes = runTool(u"espeak-ng"_s, {u"-v"_s, u"ja"_s, u"-q"_s, u"-x"_s,
                                                         result.text.section(u'\f', -1)})
                                    .out;
    EXPECT_TRUE(phonemes.contains("k_jo:e") && phonemes.contains("iwa")) << phonemes.data();
    EXPECT_FALSE(phonemes.contains("o:h") || phonemes.contains("iha")) << phonemes.data();
    // No line of Japanese (the book's romaji aside) is read as English.
    QTemporaryDir dir;
    QByteArray japanese;
    for (const QString& line : result.text.split(u'\n'))
        if (!line.contains(kanji) && !line.contains(QRegularExpression(u"[a-z]"_s)))
            japanese += line.toUtf8() + '\n';
    test::writeFile(dir.filePath(u"text.txt"_s), japanese);
    const ToolResult all = runTool(
        u"espeak-ng"_s, {u"-v"_s, u"ja"_s, u"-q"_s, u"-x"_s, u"-f"_s, dir.filePath(u"text.txt"_s)});
    EXPECT_GT(japanese.size(), 20000);
    EXPECT_FALSE(all.out.contains("(en)")) << all.out.toStdString();

    // Without MeCab's dictionary the book is read as before, and says why.
    extraEnv.insert(u"HOME"_s, temp.path());
    extraEnv.insert(u"MECABRC"_s, temp.filePath(u"missing-mecabrc"_s));
    const Result bare = run({u"--text"_s, particles});
    EXPECT_EQ(bare.status, 0);
    EXPECT_TRUE(bare.text.contains(u"東京へ行く"_s)) << bare.text.toStdString();
    EXPECT_EQ(
        bare.err.count(u"Japanese kanji need MeCab's dictionary: install mecab-ipadic-utf8"_s), 1)
        << bare.err.toStdString();
}

// espeak-ng's Mandarin voice spells most characters' pinyin in English: a
// Mandarin book comes in pinyin with tone numbers, for the voice that reads
// pinyin, in simplified and traditional characters alike; a Cantonese one
// keeps its characters for the Cantonese voice.
TEST_F(Cli, ChineseIsSpokenAsMandarinInPinyin)
{
    const QString simplified = copyBook(u"zh-hans-beiying.epub"_s, u"beiying.epub"_s);
    const QString traditional = copyBook(u"zh-hant-taohuayuan.epub"_s, u"taohuayuan.epub"_s);
    const QString hongKong = writeBook(u"hk.epub"_s, "zh-HK", "<p>我哋去飲茶。</p>");
    const Result result =
        run({u"--text"_s, u"--match-language"_s, simplified, traditional, hongKong});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList texts = result.text.split(u'\f');
    ASSERT_EQ(texts.size(), 3);
    for (const QString& heard :
         {u"fu4 qin1 de5 chai1 shi5 ye3 jiao1 xie4 le5"_s, u"huan2 le5 kui1 kong1"_s,
          u"wo3 men5 bian4 tong2 xing2"_s, u"jing1 shen2 fen4 wai4 shuang3 kuai4"_s})
        EXPECT_TRUE(texts[0].contains(heard)) << heard.toStdString();
    for (const QString& heard : {u"tao2 hua1 yuan2 ji4"_s, u"chu4 chu4 wen2 ti2 niao3"_s,
                                 u"yi2 shi4 di4 shang4 shuang1"_s})
        EXPECT_TRUE(texts[1].contains(heard)) << heard.toStdString();
    static const QRegularExpression han(u"\\p{Han}"_s);
    EXPECT_FALSE((texts[0] + texts[1]).contains(han));
    EXPECT_TRUE(texts[2].contains(u"我哋去飲茶"_s));
    EXPECT_EQ(result.err.count(u"Chinese read as Mandarin, in pinyin"_s), 2);
    EXPECT_EQ(result.err.count(u"Chinese read as Cantonese"_s), 1);
    // The pinyin voice reads every syllable as Mandarin, none in English.
    const QByteArray phonemes = runTool(u"espeak-ng"_s, {u"-v"_s, u"cmn-latn-pinyin"_s, u"-q"_s,
                                                         u"-x"_s, texts[0] + texts[1]})
                                    .out;
    EXPECT_GT(phonemes.size(), 2000);
    EXPECT_FALSE(phonemes.contains("(en)")) << phonemes.data();
}

// Words in a writing the book's voice cannot read go, marked, to a voice
// that reads it: Latin in Japanese to the English voice, Han in an English
// book to the pinyin voice, Arabic to the Arabic one. Japanese dates and
// counters are said as a Japanese reader says them.
TEST_F(Cli, WordsOfAnotherWritingAreMarkedForTheVoiceThatReadsThem)
{
    const QString article = copyBook(u"ja-ebook-formats.epub"_s, u"article.epub"_s);
    const QString mixed = writeBook(u"mixed.epub"_s, "en",
                                    "<p>Tea is 茶 in Chinese and شاي in Arabic, α in Greek.</p>");
    const Result result = run({u"--text"_s, u"--match-language"_s, u"--voice"_s,
                               u"English (Great Britain)"_s, article, mixed});
    ASSERT_EQ(result.status, 0) << result.err.toStdString();
    const QStringList texts = result.text.split(u'\f');
    ASSERT_EQ(texts.size(), 2);
    // In sentence case, as every word is; capitals stay on abbreviations.
    for (const QString& latin : {u"kindle paperwhite"_s, u"EPUB"_s, u"ibooks3.0"_s,
                                 u"Text to speech"_s, u"HTML"_s, u"UTF 8"_s})
        EXPECT_TRUE(texts[0].contains(u"⟦en-gb⟧"_s + latin + u"⟦⟧"_s)) << latin.toStdString();
    for (const QString& said : {u"ニセンジューイチネンジューガツ"_s, u"ジュップン"_s,
                                u"ジューガツツイタチカラハツカマデ"_s, u"サンサツ"_s})
        EXPECT_TRUE(texts[0].contains(said)) << said.toStdString();
    EXPECT_TRUE(texts[1].contains(u"Tea is ⟦cmn-latn-pinyin⟧cha2⟦⟧ in chinese and ⟦ar⟧شاي⟦⟧ in "
                                  u"arabic, α in greek."_s))
        << texts[1].toStdString();
}

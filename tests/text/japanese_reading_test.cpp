#include "epub/contents.h"
#include "epub/package.h"
#include "epub_maker.h"
#include "test_env.h"
#include "text/chapter_places.h"
#include "text/japanese_counters.h"
#include "text/japanese_reading.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

// A Japanese voice reads only kana: a kanji left as it is would be heard as
// "Chinese letter", in English.
TEST(JapaneseReading, WordsComeInKanaAsTheyArePronounced)
{
    const std::unique_ptr<JapaneseReading> reading = JapaneseReading::make();
    ASSERT_TRUE(reading) << "MeCab's dictionary (mecab-ipadic-utf8) is needed";
    const struct {
        QString in, out;
    } cases[] = {
        // The particle は is said ワ, the long vowels as the voice says them.
        // 。 and 、 become the marks the voice pauses at.
        {u"夏目漱石は日本の小説家である。"_s, u"ナツメソーセキワニッポンノショーセツカデアル. "_s},
        // へ is said エ; blanks, Latin, digits and an unknown word stay.
        {u"東京へ 行く、Vellumtone 2 で「ｶﾀｶﾅ」"_s,
         u"トーキョーエ イク, Vellumtone 2 デ「ｶﾀｶﾅ」"_s},
        {u"Call me Ishmael."_s, u"Call me Ishmael."_s},
        // A ruby reading MeCab cannot cut is said as written, in katakana.
        {u"じょうにさおさせば"_s, u"ジョウニサオサセバ"_s},
        // Iteration marks, and a long vowel after a vowel, repeat the kana
        // before them: the voice cannot say them.
        {u"こゝろ たゞ 楽しみの大いなる"_s, u"ココロ タダ タノシミノオオイナル"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reading->apply(c.in), c.out) << c.in.toStdString();
}

// A number before a counter or in a date is said with it, with the
// counter's sound change; the dictionary alone would read 月 as ツキ.
TEST(JapaneseReading, DatesAndCountersAsAJapaneseReaderSaysThem)
{
    const std::unique_ptr<JapaneseReading> reading = JapaneseReading::make();
    ASSERT_TRUE(reading);
    const struct {
        QString in, out;
    } cases[] = {
        {u"2024年10月1日"_s, u"ニセンニジューヨネンジューガツツイタチ"_s},
        {u"１０月２０日に"_s, u"ジューガツハツカニ"_s},
        {u"4月14日、9時"_s, u"シガツジューヨッカ, クジ"_s},
        {u"3本と6分と1日"_s, u"サンボントロップントイチニチ"_s},
        {u"1人、4人、100本、8冊、3階"_s, u"ヒトリ, ヨニン, ヒャッポン, ハッサツ, サンガイ"_s},
        {u"1,000円と20歳"_s, u"センエントハタチ"_s},
        // A decimal, a number glued to Latin and one without a counter stay.
        {u"3.5分、MP3本、12"_s, u"3.5フン, MP3ホン, 12"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reading->apply(c.in), c.out) << c.in.toStdString();
    EXPECT_EQ(JapaneseNumber(1234), u"センニヒャクサンジューヨン"_s);
    EXPECT_EQ(JapaneseNumber(38'000'000), u"サンゼンハッピャクマン"_s);
}

// The chapters of a Japanese book are found in the text as it is spoken.
TEST(JapaneseReading, ChaptersArePlacedInTheWordsAsTheyAreSaid)
{
    std::unique_ptr<JapaneseReading> reading = JapaneseReading::make();
    ASSERT_TRUE(reading);
    QTemporaryDir dir;
    const QString book = dir.filePath(u"ja.epub"_s);
    const QByteArray one =
        "<h1>第一章</h1><p>山路を登りながら、こう考えた。智に働けば角が立つ。</p>";
    const QByteArray two =
        "<h1>第二章</h1><p>おい、と声を掛けたが返事がない。軒下から奥を覗く。</p>";
    const QByteArray items = R"(<item id="c1" href="c1.xhtml" media-type="application/xhtml+xml"/>
<item id="c2" href="c2.xhtml" media-type="application/xhtml+xml"/>)";
    test::makeEpub(
        book,
        test::opfDocument("<dc:title>B</dc:title><dc:language>ja</dc:language>", items,
                          R"(<spine><itemref idref="c1"/><itemref idref="c2"/></spine>)"),
        {{u"c1.xhtml"_s, test::xhtmlPage(one)}, {u"c2.xhtml"_s, test::xhtmlPage(two)}});
    const QString piece = dir.filePath(u"output001.txt"_s);
    QByteArray spoken;
    for (const QString& line :
         {u"第一章"_s, u"山路を登りながら、こう考えた。智に働けば角が立つ。"_s, u"第二章"_s,
          u"おい、と声を掛けたが返事がない。軒下から奥を覗く。"_s})
        spoken += reading->apply(line).toUtf8() + '\n';
    test::writeFile(piece, spoken);
    const EpubBook epub(book);
    const QList<ContentsEntry> contents = {{u"一"_s, u"OEBPS/c1.xhtml"_s, {}, 1},
                                           {u"二"_s, u"OEBPS/c2.xhtml"_s, {}, 1}};
    const LineTransform said = [&](const QString& line) { return reading->apply(line); };
    const QList<ChapterPlace> places = LocateChapters(epub, contents, {piece}, {}, said);
    ASSERT_EQ(places.size(), 2);
    EXPECT_EQ(places[1].offset,
              QString::fromUtf8(spoken.left(spoken.indexOf("ダイニショー"))).size());
    EXPECT_TRUE(LocateChapters(epub, contents, {piece}).isEmpty());
}

#include "common/voice_marks.h"
#include "text/mandarin_reading.h"
#include "text/script_reading.h"
#include "text/script_stretches.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

struct Case {
    QString in, out;
};

void expectRead(std::initializer_list<Case> cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(MandarinReading(c.in), c.out) << c.in.toStdString();
}

} // namespace

// Each character its most frequent syllable, the same for both forms of a
// character; a word of the list says its own.
TEST(MandarinReading, CharactersAndWordsAsTheyAreSaid)
{
    expectRead({
        {u"文学"_s, u"wen2 xue2"_s},
        {u"我们的學生"_s, u"wo3 men5 de5 xue2 sheng1"_s},
        {u"女"_s, u"nv3"_s},
        // Words whose characters read otherwise, longest first, in either form.
        {u"银行"_s, u"yin2 hang2"_s},
        {u"銀行"_s, u"yin2 hang2"_s},
        {u"长大了"_s, u"zhang3 da4 le5"_s},
        {u"很长"_s, u"hen3 chang2"_s},
        {u"重新"_s, u"chong2 xin1"_s},
        {u"目的"_s, u"mu4 di4"_s},
        {u"目的地"_s, u"mu4 di4 di4"_s},
        {u"还了亏空"_s, u"huan2 le5 kui1 kong1"_s},
        {u"衣著"_s, u"yi1 zhuo2"_s},
    });
}

// The voice changes a third tone before a third itself; 一 and 不 are
// changed here, but 一 among numerals, after 第 and at the end keeps its own.
TEST(MandarinReading, YiAndBuChangeTheirToneBeforeAnotherSyllable)
{
    expectRead({
        {u"不是"_s, u"bu2 shi4"_s},
        {u"不好"_s, u"bu4 hao3"_s},
        {u"一个"_s, u"yi2 ge4"_s},
        {u"一天"_s, u"yi4 tian1"_s},
        {u"一百二十三"_s, u"yi4 bai3 er4 shi2 san1"_s},
        {u"第一"_s, u"di4 yi1"_s},
        {u"十一月"_s, u"shi2 yi1 yue4"_s},
        {u"一九四九年"_s, u"yi1 jiu3 si4 jiu3 nian2"_s},
        {u"统一"_s, u"tong3 yi1"_s},
        {u"〇"_s, u"ling2"_s},
    });
}

// The voice pauses at ASCII marks only, and ends a sentence before a capital.
TEST(MandarinReading, MarksDigitsAndLatinForTheVoice)
{
    expectRead({
        {u"他说：“你好！”我们走吧。"_s, u"ta1 shuo1, ni3 hao3! Wo3 men5 zou3 ba5. "_s},
        {u"《论语》、“诗”……好。"_s, u"lun4 yu3, shi1, hao3. "_s},
        {u"有3本书"_s, u"you3 3 ben3 shu1"_s},
        {u"2024年"_s, u"2 0 2 4 nian2"_s},
        {u"２０２４年，１２个"_s, u"2 0 2 4 nian2, 12 ge4"_s},
        {u"用iPhone看"_s, u"yong4 iPhone kan4"_s},
    });
}

// Words in another writing go to a voice that reads it, as a stretch of
// their own; Latin digits glued to a word go with it.
TEST(ScriptStretches, WordsOfAnotherWritingMakeAStretch)
{
    const auto cut = [](const QString& line, const QSet<Writing>& home,
                        const QSet<Writing>& handed) {
        QStringList parts;
        for (const ScriptStretch& s : ScriptStretches(line, home, handed))
            parts.append(s.writing == Writing::None ? s.text : u'[' + s.text + u']');
        return parts.join(QString());
    };
    const QSet<Writing> japanese{Writing::Han, Writing::Kana};
    const QSet<Writing> latin{Writing::Latin};
    const QSet<Writing> others{Writing::Han, Writing::Kana, Writing::Arabic, Writing::Greek,
                               Writing::Cyrillic};
    EXPECT_EQ(cut(u"EPUBとKindle Paperwhite、iBooks3.0でUTF-8"_s, japanese, latin),
              u"[EPUB]と[Kindle Paperwhite]、[iBooks3.0]で[UTF-8]"_s);
    EXPECT_EQ(cut(u"A型とEPUB 3は2011年"_s, japanese, latin), u"A型と[EPUB] 3は2011年"_s);
    EXPECT_EQ(cut(u"the word 漢字, and 縦書き 2 and 横書き."_s, latin, others),
              u"the word [漢字], and [縦書き] 2 and [横書き]."_s);
    EXPECT_EQ(cut(u"Greek Ελλάδα or α-helix, слово и дело."_s, latin, others),
              u"Greek [Ελλάδα] or α-helix, [слово и дело]."_s);
    EXPECT_EQ(cut(u"قال: مرحبا بكم 2024"_s, latin, {Writing::Arabic}), u"[قال: مرحبا بكم] 2024"_s);
}

// A Mandarin line hands its Latin words to the Latin voice, an English one
// its Han to the pinyin voice; a rule's own marks stay.
TEST(ScriptReading, MarksTheStretchesForTheirVoices)
{
    ScriptReading mandarin(ScriptReading::Home::Mandarin, {Writing::Han},
                           {{Writing::Latin, u"en-gb"_s}});
    EXPECT_EQ(mandarin.apply(u"我用Kindle看书。"_s),
              u"wo3 yong4"_s + InVoice(u"en-gb"_s, u"Kindle"_s) + u"kan4 shu1. "_s);
    ScriptReading english(ScriptReading::Home::AsWritten, {Writing::Latin},
                          {{Writing::Han, u"cmn-latn-pinyin"_s}, {Writing::Arabic, u"ar"_s}});
    EXPECT_EQ(english.apply(u"Tea is 茶 (cha)."_s),
              u"Tea is "_s + InVoice(u"cmn-latn-pinyin"_s, u"cha2"_s) + u" (cha)."_s);
    const QString ruled = u"Say "_s + InVoice(u"ja"_s, u"茶"_s) + u" 茶"_s;
    EXPECT_EQ(english.apply(ruled), u"Say "_s + InVoice(u"ja"_s, u"茶"_s) + u" "_s +
                                        InVoice(u"cmn-latn-pinyin"_s, u"cha2"_s));
    EXPECT_TRUE(ScriptReading(ScriptReading::Home::AsWritten, {Writing::Latin}, {}).isEmpty());
}

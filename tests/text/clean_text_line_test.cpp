#include "fake_window.h"
#include "text/cutting.h"
#include "text/spoken_characters.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(CleanTextLine, AsciiKeepsLettersDigitsTheBlankAndEightMarksOnly)
{
    const QString kept =
        u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz !,.;?%&"_s;
    for (char16_t c = 0; c < 128; ++c) {
        const QString in(QChar{c});
        EXPECT_EQ(CleanTextLine(in), kept.contains(in) ? in : u" "_s) << int(c);
    }
    EXPECT_EQ(CleanTextLine(u"Don't \"stop\" -- (now): 3/4 & #1"_s),
              u"Don't  stop      now   3 4 &  1"_s);
}

// What a listener would hear wrong: "that ess", "don tee", "elle objectif",
// a lost "percent" or "and".
TEST(CleanTextLine, ApostrophesInsideWordsPercentAndAmpersandAreKept)
{
    const struct {
        QString in, out;
    } cases[] = {
        {u"that's, don’t, the captainʼs"_s, u"that's, don't, the captain's"_s},
        {u"l'objectif d’Ève, п'ять, e\u0301's"_s, u"l'objectif d'Ève, п'ять, e\u0301's"_s},
        // Not between two letters: quotation marks, a plural possessive, digits.
        {u"'tis the captains' ’so’ rock 'n' roll 1'2 ''"_s,
         u" tis the captains   so  rock  n  roll 1 2   "_s},
        {u"a'' b'- c’"_s, u"a   b   c "_s},
        {u"53.3% of Barnes & Noble"_s, u"53.3% of Barnes & Noble"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanTextLine(c.in), c.out) << c.in.toStdString();
}

TEST(CleanTextLine, LettersAndDigitsOfEveryScriptKeepTheirCase)
{
    EXPECT_EQ(CleanTextLine(u"Ça Été ΩΣ МИР ٣ ⅷ 日本 𠀀𝐀 ª"_s), u"Ça Été ΩΣ МИР ٣ ⅷ 日本 𠀀𝐀 ª"_s);
    // One blank a character: typography, symbols, other blanks, lone halves of a pair.
    const QString blanked =
        u"\u00A0\u2014\u2013\u2019\u201C\u00AB\u3001\u3000\u20AC\u00A9\u0301"_s + QChar(0xD800) +
        u"x"_s + QChar(0xDC00);
    EXPECT_EQ(CleanTextLine(blanked), QString(11, u' ') + u" x "_s);
    EXPECT_EQ(CleanTextLine(QString()), QString());
}

TEST(CleanTextLine, CombiningMarksStayWithTheirLetter)
{
    // Arabic shadda and tanwin, a Devanagari vowel sign and virama, an accent
    // written as a mark of its own.
    EXPECT_EQ(CleanTextLine(u"أوّلًا हिन्दी e\u0301te"_s), u"أوّلًا हिन्दी e\u0301te"_s);
    EXPECT_EQ(CleanTextLine(u"\u0301a \u0651 -\u0301"_s), u" a     "_s);
}

// "A salary of £4 a week" was heard as "a salary of four a week": the signs a
// voice names stay beside their number, and are pauses anywhere else.
TEST(CleanTextLine, SignsAVoiceNamesStayBesideTheirNumber)
{
    EXPECT_EQ(CleanTextLine(u"£4 a week, 4 €, 4\u00A0€, 30°, § 2, $5, 5¢, ₹10, № 7, ¥\u202F3"_s),
              u"£4 a week, 4 €, 4 €, 30°, § 2, $5, 5¢, ₹10, № 7, ¥ 3"_s);
    // Alone, two blanks away, across a dash, a second sign; a symbol no voice names.
    EXPECT_EQ(CleanTextLine(u"$ and £; 4  €, £-4, ££4, US$, 4©"_s),
              u"  and  ; 4   ,   4,  £4, US , 4 "_s);
}

// A voice's mark reaches the speaker as it is, between words; brackets that
// make no mark are blanks. A word in capitals after a mark is an
// abbreviation as anywhere else.
TEST(CleanTextLine, VoiceMarksGoThroughAndEndAWord)
{
    EXPECT_EQ(CleanTextLine(u"ni3⟦en-gb⟧Tea, Time⟦⟧hao3 ⟦EN⟧x⟦a b⟧"_s),
              u"ni3⟦en-gb⟧Tea, Time⟦⟧hao3  EN x a b "_s);
    const QByteArray in = u"モノワ⟦en-gb⟧EPUB⟦⟧ト⟦en-gb⟧Kindle Paperwhite⟦⟧デス."_s.toUtf8();
    QByteArray out(2 * in.size(), '\0');
    LineCleaner cleaner({.sentenceCase = true});
    qint64 characters = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(in.constData());
    out.truncate(cleaner.clean(p, p + in.size(), out.data(), characters) - out.data());
    EXPECT_EQ(QString::fromUtf8(out), u"モノワ⟦en-gb⟧EPUB⟦⟧ト⟦en-gb⟧kindle paperwhite⟦⟧デス."_s);
    EXPECT_EQ(characters, QString::fromUtf8(in).size());
}

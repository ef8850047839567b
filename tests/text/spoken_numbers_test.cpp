#include "epub/spoken_numbers.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

// "Xii" heard as "zee-eye", "Henry viii", "a salary of four a week": what is
// a number becomes the number; the pronoun, words and initials stay.
TEST(SpokenNumbers, RomanNumeralsThatAreNumbersAreWrittenInDigits)
{
    const struct {
        QByteArray in, out;
    } cases[] = {
        {R"(<h2 epub:type="z3998:ordinal z3998:roman">XII</h2><p title="IV"> XLII. </p>)",
         R"(<h2 epub:type="z3998:ordinal z3998:roman">12</h2><p title="IV"> 42. </p>)"},
        {"<h2>CHAPTER&#160;XIV.<br/>LXX<br/>THE END</h2><p>in Part III, Act V and chapter IX</p>"
         "<h3>L</h3>",
         "<h2>CHAPTER&#160;14.<br/>70<br/>THE END</h2><p>in Part 3, Act 5 and chapter 9</p>"
         "<h3>50</h3>"},
        {R"(<p><b>Book <span epub:type="z3998:roman">I</span></b> (“Folio”), chapter )"
         R"(<span class="roman-numeral">ii</span></p>)",
         R"(<p><b>Book <span epub:type="z3998:roman">1</span></b> (“Folio”), chapter )"
         R"(<span class="roman-numeral">2</span></p>)"},
        {R"(<p>Henry VIII, Louis <span epub:type="z3998:roman">XVI</span> of France, Charles I, )"
         R"(Henry <span epub:type="z3998:roman">VIII</span>th’s time</p>)",
         R"(<p>Henry the 8th, Louis <span epub:type="z3998:roman">the 16th</span> of France, )"
         R"(Charles the 1st, Henry <span epub:type="z3998:roman">the 8</span>th’s time</p>)"},
        // Kept: the pronoun after a numbering word or a name, a numeral in
        // running text, an initial, words, small letters, a title in the
        // head, a drop capital, a table's mark, a letter that is no heading.
        {"<head><title>XII</title></head><p>the part I played; Elizabeth I was; II. A GAME; "
         "I. Adler, Mix, Civil, MIX, IIII</p><p>I think</p><p>xii</p><p>Part <b>I</b>t "
         "was</p><td>X</td><p>M</p>",
         "<head><title>XII</title></head><p>the part I played; Elizabeth I was; II. A GAME; "
         "I. Adler, Mix, Civil, MIX, IIII</p><p>I think</p><p>xii</p><p>Part <b>I</b>t "
         "was</p><td>X</td><p>M</p>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WithSpokenNumbers(c.in, u"en-GB"_s), c.out) << c.in.toStdString();
    // A paragraph too long to read at once is read in parts; none is a line.
    const QByteArray words = QByteArray("word ").repeated(20000);
    EXPECT_EQ(WithSpokenNumbers("<p>" + words + "Chapter XII, " + words + "XII</p>", u"en"_s),
              "<p>" + words + "Chapter 12, " + words + "XII</p>");

    // Other languages: their own words, the number as their voice reads it.
    EXPECT_EQ(WithSpokenNumbers("<p>Louis XIV, Chapitre IX, Chapter IX</p>", u"fr"_s),
              "<p>Louis 14, Chapitre 9, Chapter IX</p>");
    EXPECT_EQ(WithSpokenNumbers("<p>Heinrich VIII. im Kapitel II</p>", u"de-DE"_s),
              "<p>Heinrich 8. im Kapitel 2</p>");
}

// espeak-ng says "pound four" for "£4"; French writes "4 €" and is heard so.
TEST(SpokenNumbers, EnglishSumsOfMoneyNameTheirCurrencyAfterTheSum)
{
    EXPECT_EQ(WithSpokenNumbers("<p>a salary of £4 a week, $1,000.50, €1, ¥ 300, US$20,000,000. "
                                "£1.5 million, £ s. d.</p>",
                                u"en"_s),
              "<p>a salary of 4 pounds a week, 1,000 dollars 50, 1 euro, 300 yen, US 20,000,000 "
              "dollars. £1.5 million, £ s. d.</p>");
    EXPECT_EQ(WithSpokenNumbers("<p>£4 et 4 €</p>", u"fr-FR"_s), "<p>£4 et 4 €</p>");
}

// "ten z", "six dee", "four a half": shillings, pence and fractions as an
// English reader says them; a decade, "3d" and other languages as they are.
TEST(SpokenNumbers, OldMoneyAndFractionsAsTheyAreSaid)
{
    EXPECT_EQ(WithSpokenNumbers("<p>It cost 10s. a week, 2s. 6d. a day, 1s. 1d. and 6d. It is "
                                "£1 10s. Only ½d., 1½d. or 4½ miles, 3¾ inches.</p>",
                                u"en"_s),
              "<p>It cost 10 shillings a week, 2 shillings and 6 pence a day, 1 shilling and 1 "
              "penny and 6 pence. It is 1 pound 10 shillings. Only a halfpenny, 1 and a half "
              "pence or 4 and a half miles, 3 and three quarters inches.</p>");
    for (const QByteArray kept :
         {"<p>the 1960s. In the 20s. His 30s. 3d film, 4s and 5d</p>", "<p>10s. und 4½</p>"})
        EXPECT_EQ(WithSpokenNumbers(kept, kept.contains("und") ? u"de"_s : u"en"_s), kept);
}

#include "common/paths.h"
#include "fake_window.h"
#include "test_env.h"
#include "text/cutting.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

class Cutting : public ::testing::Test
{
  protected:
    qint32 cut(const QByteArray& text, int speed = 0)
    {
        test::writeFile(input, text);
        return CutTextFileFSO(input, speed, window.report(), window.yield());
    }
    QString pieceName(int n) const { return w.file(u"output"_s + PieceNumber(n) + u".txt"_s); }
    QByteArray piece(int n) const { return test::readFile(pieceName(n)); }
    QString text(int n) const { return QString::fromUtf8(piece(n)); }

    test::TempWorkingFolder w;
    test::FakeWindow window;
    const QString input = w.file(u"output.txt"_s);
};

QByteArray repeated(const QByteArray& line, int count)
{
    return line.repeated(count);
}

// Bytes of a literal, NULs included.
template <size_t N> QByteArray raw(const char (&bytes)[N])
{
    return QByteArray(bytes, N - 1);
}

} // namespace

TEST_F(Cutting, AnEmptyInputGivesOneEmptyPieceAndIsDeleted)
{
    EXPECT_EQ(cut(""), 1);
    EXPECT_EQ(test::entries(w.path()), QStringList{u"output001.txt"_s});
    EXPECT_TRUE(piece(1).isEmpty());
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(Cutting, APieceHoldsOneLineFewerThanTheLineLimit)
{
    EXPECT_EQ(cut(repeated("ab\n", 1298)), 1);
    EXPECT_EQ(piece(1), repeated("ab\n", 1298));
    EXPECT_FALSE(QFile::exists(pieceName(2)));

    // The 1299th line fills the piece; the next one is already made and stays empty,
    // replacing what an earlier book left under that name.
    test::writeFile(pieceName(2), "left over");
    EXPECT_EQ(cut(repeated("ab\n", 1299)), 2);
    EXPECT_EQ(piece(1), repeated("ab\n", 1299));
    EXPECT_TRUE(QFile::exists(pieceName(2)));
    EXPECT_TRUE(piece(2).isEmpty());
    EXPECT_FALSE(QFile::exists(input));
}

TEST_F(Cutting, SlowerSpeedsMakeSmallerPieces)
{
    struct Case {
        int speed, lineLimit, characterLimit;
    };
    for (const Case c : {Case{0, 1300, 512000}, Case{5, 1300, 512000}, Case{-1, 1175, 465920},
                         Case{-3, 925, 373760}, Case{-10, 50, 51200}}) {
        SCOPED_TRACE(c.speed);
        EXPECT_EQ(cut(repeated("x\n", c.lineLimit - 2), c.speed), 1);
        EXPECT_EQ(cut(repeated("x\n", c.lineLimit - 1), c.speed), 2);
        EXPECT_TRUE(piece(2).isEmpty());

        // The characters are tested after a line is written: the piece reaches
        // the limit with the line that gets there.
        const QByteArray line(2000, 'y');
        const int reaching = (c.characterLimit + 1999) / 2000;
        EXPECT_EQ(cut(repeated(line + '\n', reaching - 1) + "end", c.speed), 1);
        EXPECT_EQ(cut(repeated(line + '\n', reaching) + "end", c.speed), 2);
        EXPECT_EQ(piece(1), repeated(line + '\n', reaching));
        EXPECT_EQ(piece(2), "end\n");
    }
}

TEST_F(Cutting, CharactersAreCountedInCodePoints)
{
    const QByteArray line = repeated("\xC3\xA9\xE6\x97\xA5\xF0\xA0\x80\x80x", 500) + '\n';
    EXPECT_EQ(cut(repeated(line, 25) + "end", -10), 1);
    EXPECT_EQ(cut(repeated(line, 26) + "end", -10), 2);
    // The astral letter takes two UTF-16 units; line breaks are not counted.
    EXPECT_EQ(text(1).size(), 26 * 2501);
    EXPECT_EQ(piece(2), "end\n");
}

// A line longer than the character limit goes on in a new piece at its first
// blank past the limit, so no piece (and no WAV file) grows without bound.
TEST_F(Cutting, ALineLongerThanTheCharacterLimitIsCutAtTheFirstBlankPastIt)
{
    const qint64 limit = 51200; // speed -10
    QByteArray line;
    for (int i = 0; line.size() < 3 * limit + limit / 2; ++i)
        line += QByteArray(1 + i % 9, char('a' + i % 26)) + ' ';
    const qint32 count = cut("before\n" + line + "\ntail", -10);
    ASSERT_GE(count, 3);
    QByteArray joined;
    for (int n = 1; n <= count; ++n) {
        SCOPED_TRACE(n);
        const QByteArray p = piece(n);
        // Only the line's own characters count: the piece already holds "before".
        const qint64 own = n == 1 ? p.size() - 7 : p.size();
        EXPECT_LE(own, limit + 10); // the limit and one word with its blank
        if (n < count) {
            EXPECT_GT(own, limit);
            EXPECT_TRUE(p.endsWith(' '));
        }
        joined += p;
    }
    EXPECT_EQ(joined, "before\n" + line + "\ntail\n");
    EXPECT_TRUE(window.messages.isEmpty());

    // Blanks from characters beyond ASCII cut too; counted in code points.
    const QString word = u"ééé "_s;
    const QByteArray dashed = repeated("\xC3\xA9\xC3\xA9\xC3\xA9\xE2\x80\x94", 40000);
    const qint32 dashedCount = cut(dashed, -10);
    EXPECT_EQ(dashedCount, 4);
    QString all;
    for (int n = 1; n <= dashedCount; ++n) {
        EXPECT_LE(text(n).size(), limit + word.size() + 1);
        all += text(n);
    }
    EXPECT_EQ(all, word.repeated(40000) + u'\n');
}

TEST_F(Cutting, ALineJustPastTheLimitIsCutOnlyAtABlank)
{
    const int limit = 51200;
    // Exactly the limit: written whole, then the piece is full.
    EXPECT_EQ(cut(repeated("abc ", limit / 4) + "\nend", -10), 2);
    EXPECT_EQ(piece(1), repeated("abc ", limit / 4) + '\n');
    EXPECT_EQ(piece(2), "end\n");

    // The first blank past the limit ends the piece; the rest counts as a line.
    EXPECT_EQ(cut(QByteArray(limit, 'y') + " x\nend", -10), 2);
    EXPECT_EQ(piece(1), QByteArray(limit, 'y') + ' ');
    EXPECT_EQ(piece(2), "x\nend\n");

    // Without a blank within the word room the line is still written whole.
    EXPECT_EQ(cut(QByteArray(limit + 999, 'z') + "\ntail\n", -10), 2);
    EXPECT_EQ(piece(1), QByteArray(limit + 999, 'z') + '\n');
    EXPECT_EQ(piece(2), "tail\n");
}

TEST_F(Cutting, ALineWithoutBlanksIsCutEveryLimitAndAThousandCharacters)
{
    const int limit = 51200, room = 1000;
    EXPECT_EQ(cut(QByteArray(2 * (limit + room) + 500, 'z') + "\ntail", -10), 3);
    EXPECT_EQ(piece(1), QByteArray(limit + room, 'z'));
    EXPECT_EQ(piece(2), QByteArray(limit + room, 'z'));
    EXPECT_EQ(piece(3), QByteArray(500, 'z') + "\ntail\n");

    // Mid-word cuts fall between whole characters of any length.
    const QByteArray letters = repeated("\xC3\xA9\xE6\x97\xA5\xF0\xA0\x80\x80", 20000);
    EXPECT_EQ(cut(letters, -10), 2);
    EXPECT_EQ(text(1).toUcs4().size(), limit + room);
    EXPECT_EQ(text(1) + text(2), QString::fromUtf8(letters) + u'\n');
}

TEST_F(Cutting, ABookOfOneFiveMegabyteLineIsCutInBoundedPieces)
{
    const qint64 limit = 512000; // speed 0
    const QByteArray words = "Lorem ipsum dolor sit amet, consectetur adipiscing elit. ";
    const QByteArray line = words.repeated(5 * 1024 * 1024 / words.size());
    const qint32 count = cut(line + '\n', 0);
    EXPECT_GE(count, 10);
    qint64 total = 0;
    for (int n = 1; n <= count; ++n) {
        const qint64 size = piece(n).size();
        EXPECT_LE(size, limit + 12);
        total += size;
    }
    EXPECT_EQ(total, line.size() + 1);
    EXPECT_EQ(piece(1).left(12), "Lorem ipsum ");
}

// Every line end is heard as a pause: headings, contents entries and
// paragraphs must not run into each other.
TEST_F(Cutting, EveryLineEndsInALineBreakEntitiesGoBeforeTheCase)
{
    EXPECT_EQ(cut("Don't&#xa0;Stop\r\n&#XA0; A&#xa0;B\rLast line"), 1);
    EXPECT_EQ(piece(1), "Don'tstop\n& XA0; AB\nLast line\n");
    EXPECT_EQ(cut("Contents\n\nIntroduction\nChapter 1\n\n"), 1);
    EXPECT_EQ(piece(1), "Contents\n\nIntroduction\nChapter 1\n\n");

    // "\r\n" is one line break, a lone "\r" is one too.
    EXPECT_EQ(cut(repeated("x\r\n", 24) + repeated("x\r", 24), -10), 1);
    EXPECT_EQ(cut(repeated("x\r\n", 25) + repeated("x\r", 24), -10), 2);
}

TEST_F(Cutting, LettersOfEveryScriptAreKeptTypographyIsBlanked)
{
    EXPECT_EQ(cut("Ça été «Noël» — Привет, МИР! مرحبا ١٢٣ 日本語、カタカナ。 ‘it’s’ “so” – ½²\n"),
              1);
    EXPECT_EQ(text(1),
              u"Ça été  noël    привет, МИР! مرحبا ١٢٣ 日本語 カタカナ   it's   so    ½²\n"_s);

    // Lower case letter by letter; marks stay with their letter.
    EXPECT_EQ(cut("ÉCOLE ΣΩ \u212A e\u0301 أوّلًا \u0301x"), 1);
    EXPECT_EQ(text(1), u"École σω k e\u0301 أوّلًا  x\n"_s);
}

// The speech engine ends a sentence at ". " only before a capital, and spells
// a word in capitals ("US" as "U S"): letters go to lower case but for the
// first of each line and sentence, which keeps its case as written. A word
// in capitals among words that are not is an abbreviation or a numeral, and
// keeps them ("u.S.", "Xii" were read wrong).
TEST_F(Cutting, LinesAndSentencesKeepTheCaseOfTheirFirstLetter)
{
    EXPECT_EQ(cut("CHAPTER XII. IN THE BBC\nLET US GO TO IT\n"
                  "It ends. A tree! Or? e.g. the end\n\"Yes.\" Then ÉTÉ...  Über 3.5 Ab\n"
                  "The BBC and the U.S. Navy; plan A. OK? AN ACT OF GOD, McDonald's XII\n"),
              1);
    EXPECT_EQ(text(1), u"Chapter xii. In the bbc\nLet us go to it\n"
                       u"It ends. A tree! Or? e.g. the end\n Yes.  Then ÉTÉ...  Über 3.5 Ab\n"
                       u"The BBC and the U.S. Navy; plan A. OK? An act of god, mcdonald's XII\n"_s);
}

TEST_F(Cutting, AByteOrderMarkIsSkippedAndBrokenBytesBecomeBlanks)
{
    EXPECT_EQ(cut(raw("\xEF\xBB\xBF"
                      "a\xFF"
                      "b\xE3\x81"
                      "c\x00"
                      "d\xED\xA0\x80"
                      "e\xEF\xBB\xBF"
                      "f\xC3")),
              1);
    // A cut-off sequence is one blank, a byte that starts none is one blank each.
    EXPECT_EQ(piece(1), "a b c d   e f \n");
}

TEST_F(Cutting, PieceNumbersFrom1000AreWrittenInFull)
{
    EXPECT_EQ(cut(repeated("x\n", 999 * 49), -10), 1000);
    EXPECT_EQ(piece(999), repeated("x\n", 49));
    EXPECT_TRUE(QFile::exists(w.file(u"output1000.txt"_s)));
    EXPECT_EQ(test::entries(w.path()).size(), 1000);
    // The window gets its turn now and then, not once a line or a piece.
    EXPECT_LT(window.yields, 100);
}

TEST_F(Cutting, AnInputThatCannotBeReadIsReportedOnceAndCuttingStops)
{
    EXPECT_EQ(CutTextFileFSO(input, 0, window.report()), 1);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].text.contains(
        u"in Vellumtone2021/08/31.Speak.CutTextFileFSO at line 120"_s));
    EXPECT_EQ(window.messages[0].caption, u"Application Error"_s);
    EXPECT_EQ(window.messages[0].icon, Icon::Warning);
    EXPECT_TRUE(QFile::exists(pieceName(1)));

    window.messages.clear();
    ASSERT_TRUE(QDir().mkdir(input)); // opens, but every read fails
    EXPECT_EQ(CutTextFileFSO(input, 0, window.report()), 1);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].text.contains(u"at line 138"_s));
}

TEST_F(Cutting, APieceThatCannotBeWrittenIsReportedOnce)
{
    ASSERT_TRUE(QDir().mkdir(pieceName(1)));
    EXPECT_EQ(cut(repeated("some words\n", 60), -10), 2);
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_TRUE(window.messages[0].text.contains(u"at line 130"_s));
    EXPECT_EQ(piece(2), repeated("some words\n", 11));
}

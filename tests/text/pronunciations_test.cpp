#include "test_env.h"
#include "text/pronunciations.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

Pronouncer pronouncer(const QList<QByteArray>& lists)
{
    Pronouncer p;
    for (const QByteArray& list : lists)
        p.add(PronunciationList::parse(list));
    return p;
}

} // namespace

// Twenty rules of every form, a book list before a global one.
TEST(Pronunciations, WordsNamesPatternsAndTheBooksListFirst)
{
    const QByteArray book = "# the book's own\n"
                            "Ahab = Ay-hab\n"
                            "queequeg = Kwee-kweg\n"
                            "Pequod = Peck-wod\n";
    const QByteArray global = "ahab = Ah-hab\n" // the book's rule wins
                              "St. = Saint\n"
                              "Mr = Mister\n"
                              "New York = New York City\n"
                              "New = Knew\n"
                              "US = United States\n" // capitals: exact
                              "colour = color\n"
                              "naïve = nigh-eve\n"
                              "Ishmael = Ishmael the sailor\n" // holds itself: once only
                              "/\\b(\\d+)km\\b/ = \\1 kilometres\n"
                              "/(\\d+)lb/ = $1 pounds\n"
                              "/\\bch\\.\\s*(\\d+)/ = chapter \\1\n"
                              "café = caffay\n"
                              "œuvre = erv\n"
                              "NASA = nassa\n"
                              "e.g. = for example\n"
                              "Dr. = Doctor\n"
                              "\n"
                              "  # indented comment\n";
    const Pronouncer p = pronouncer({book, global});
    const struct {
        QString line, spoken;
    } cases[] = {
        {u"Ahab and Queequeg on the Pequod."_s, u"Ay-hab and Kwee-kweg on the Peck-wod."_s},
        {u"AHAB, ahab's boat"_s, u"Ah-hab, Ah-hab's boat"_s}, // "Ahab" (capital) is exact
        {u"St. John met Mr Smith and Mrs Smith."_s,
         u"Saint John met Mister Smith and Mrs Smith."_s},
        {u"New York, New Haven, Newark"_s, u"New York City, Knew Haven, Newark"_s},
        {u"the US and us"_s, u"the United States and us"_s},
        {u"Colour, NAÏVE café œuvre"_s, u"color, nigh-eve caffay erv"_s},
        {u"Call me Ishmael. Ishmael!"_s, u"Call me Ishmael the sailor. Ishmael the sailor!"_s},
        {u"12km, 5lb, ch. 3, 4kmh"_s, u"12 kilometres, 5 pounds, chapter 3, 4kmh"_s},
        {u"NASA, e.g. Dr. Who"_s, u"nassa, for example Doctor Who"_s},
        {u"Ahabs and Stew"_s, u"Ahabs and Stew"_s}, // whole words only
        {QString(), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p.apply(c.line), c.spoken) << c.line.toStdString();

    // Nothing a rule puts in is matched again, by a word or a pattern.
    const Pronouncer chained = pronouncer({"Winston = Julia\n/Julia/ = Obrien\n"
                                           "/(\\w+)ton/ = \\1ville\n/ / = _\n"});
    EXPECT_EQ(chained.apply(u"Winston met Julia in Boston"_s), u"Julia_met_Obrien_in_Bosville"_s);
}

// A bad rule is named with its line and skipped; the others apply.
TEST(Pronunciations, BadRulesAreNamedAndSkipped)
{
    const PronunciationList list = PronunciationList::parse("one = 1\n"
                                                            " = nothing\n"
                                                            "/(unclosed/ = x\n"
                                                            "/a*/ = everywhere\n"
                                                            "no equals sign\n"
                                                            "/\\b/ = between\n"
                                                            "/half = x\n"
                                                            "two = 2\n",
                                                            u"pronounce.txt"_s);
    ASSERT_EQ(list.problems.size(), 6);
    EXPECT_TRUE(list.problems[0].startsWith(u"line 2: the word is empty"_s));
    EXPECT_TRUE(list.problems[1].startsWith(u"line 3: the pattern does not compile"_s));
    EXPECT_TRUE(list.problems[2].startsWith(u"line 4: the pattern can match empty text"_s));
    EXPECT_TRUE(list.problems[3].startsWith(u"line 5: no \"=\""_s));
    EXPECT_TRUE(list.problems[4].startsWith(u"line 6: "_s));
    EXPECT_TRUE(list.problems[5].startsWith(u"line 7: a pattern is written"_s));
    Pronouncer p;
    p.add(list);
    EXPECT_EQ(p.apply(u"one or two"_s), u"1 or 2"_s);
    // What the editor saves reads back as the same rules.
    const PronunciationList again = PronunciationList::parse(WritePronunciationList(list.rules));
    ASSERT_EQ(again.rules.size(), list.rules.size());
    EXPECT_EQ(again.rules[1].word, u"two"_s);
}

TEST(Pronunciations, ListsInOtherEncodingsAreRead)
{
    const PronunciationList latin = PronunciationList::parse("caf\xe9 = caffay\n");
    EXPECT_FALSE(latin.encodingNote.isEmpty());
    ASSERT_EQ(latin.rules.size(), 1);
    EXPECT_EQ(latin.rules[0].word, u"café"_s);
    const QString text = u"naïve = nigh-eve\n"_s;
    QByteArray utf16("\xff\xfe", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const PronunciationList wide = PronunciationList::parse(utf16);
    EXPECT_TRUE(wide.encodingNote.isEmpty());
    ASSERT_EQ(wide.rules.size(), 1);
    EXPECT_EQ(wide.rules[0].word, u"naïve"_s);
}

// 100 000 rules are read and each applies; a line longer than the file
// pass's block is changed on both sides of where it is cut.
TEST(Pronunciations, ManyRulesAndLongLinesInAFile)
{
    QByteArray list;
    for (int i = 0; i < 100000; ++i)
        list += "word" + QByteArray::number(i) + " = spoken" + QByteArray::number(i) + "\n";
    const Pronouncer p = pronouncer({list});
    EXPECT_EQ(p.apply(u"word0 word99999 word100000"_s), u"spoken0 spoken99999 word100000"_s);

    QTemporaryDir dir;
    const QString path = dir.filePath(u"output.txt"_s);
    const QByteArray long1 = QByteArray("word7 ").repeated(20000); // 120 000 bytes
    test::writeFile(path, "first word1\n" + long1 + "\nlast word2");
    ASSERT_TRUE(RewriteTextLines(path, [&p](const QString& line) { return p.apply(line); }));
    EXPECT_EQ(test::readFile(path),
              "first spoken1\n" + QByteArray("spoken7 ").repeated(20000) + "\nlast spoken2");
    EXPECT_EQ(test::entries(dir.path()), QStringList{u"output.txt"_s});
    EXPECT_EQ(BookPronunciationPath(u"/b/Moby Dick.v2.epub"_s), u"/b/Moby Dick.v2.pronounce.txt"_s);
}

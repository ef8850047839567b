#include "pipeline/chapter_files.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

// Names that sort in order and are safe on every file system, whatever the
// book calls its chapters.
TEST(ChapterFileName, TitlesBecomeSafeNamesThatSortInOrder)
{
    const struct {
        int number, total;
        QString title, name;
    } cases[] = {
        {7, 12, u"I: Loomings"_s, u"07 - I Loomings.mp3"_s},
        {7, 500, u"The Whale"_s, u"007 - The Whale.mp3"_s},
        {3, 9, u"///"_s, u"03 - Chapter 3.mp3"_s},
        {4, 9, u"..."_s, u"04 - Chapter 4.mp3"_s},
        {5, 9, u"  ..Notes. . "_s, u"05 - Notes.mp3"_s},
        {6, 9, u"a\tb\nc\u0000d\u007f\u0085e"_s, u"06 - a b c d e.mp3"_s},
        {8, 9, u"What? \"Yes\" <no> | a\\b*c"_s, u"08 - What Yes no a b c.mp3"_s},
        {9, 9, u"\u00c9t\u00e9 \u590f \U0001F40B"_s, u"09 - \u00c9t\u00e9 \u590f \U0001F40B.mp3"_s},
        {9, 9, u"\u202egpj.exe"_s, u"09 - gpj.exe.mp3"_s}, // shown reversed, before
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChapterFileName(c.number, c.total, c.title, u".mp3"_s), c.name)
            << c.title.toStdString();

    // A long title is cut at a whole character, within what names may hold.
    for (const QString& letter : {u"a"_s, u"\u00e9"_s, u"\u590f"_s, u"\U0001F40B"_s}) {
        const QString name = ChapterFileName(1, 2, letter.repeated(300), u".m4b"_s);
        EXPECT_LE(name.toUtf8().size(), 255);
        EXPECT_GT(name.toUtf8().size(), kChapterNameBytesMax - 4);
        EXPECT_EQ(QString::fromUtf8(name.toUtf8()), name); // no half character
        EXPECT_TRUE(name.endsWith(letter + u".m4b"_s));
    }
}

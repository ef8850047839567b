#include "fake_window.h"
#include "pipeline/progress.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(Progress, ProcessingTextCountsTheRowsAtTheMomentOfTheRefresh)
{
    test::FakeWindow window;
    window.rows = {u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s};
    CurrentBook = 2;
    ActivityCounter = 17;
    ShowProcessingText(window);
    EXPECT_EQ(
        window.caption,
        u"Processing: 2 of 5.. please wait patiently.. Please do not click on anything..17"_s);
    window.rows << u"f"_s;
    Timer1_Timer(window);
    EXPECT_EQ(
        window.caption,
        u"Processing: 2 of 6.. please wait patiently.. Please do not click on anything..18"_s);
    EXPECT_EQ(window.yields, 1);
    EXPECT_EQ(window.repaints, 1);
}

namespace
{
// Runs `passes` passes of a waiting display; returns the bar values given.
QList<double> creep(test::FakeWindow& window, const QString& caption, int start, int books,
                    int passes)
{
    WaitingDisplay display(window, &window, caption, start, books);
    for (int i = 0; i < passes; ++i)
        display.pass();
    display.finish();
    return window.values;
}
} // namespace

TEST(Progress, OneBookCreepsTenAPointEveryFifteenSeconds)
{
    test::FakeWindow window;
    const QList<double> values = creep(window, u"cap"_s, 100, 1, 200);
    EXPECT_EQ(values, (QList<double>{100, 110}));
    EXPECT_TRUE(window.captions.contains(u"cap, Please wait.. 0"_s));
    EXPECT_TRUE(window.captions.contains(u"cap, Please wait.. 150"_s));
    EXPECT_FALSE(window.captions.contains(u"cap, Please wait.. -1"_s));
    EXPECT_EQ(window.caption, u"cap"_s); // put back when the wait ends
}

TEST(Progress, FifteenBooksCreepOneAStepUpToTheLimit)
{
    test::FakeWindow window;
    const QList<double> values = creep(window, u"c"_s, 40, 15, 50 + 150 * 8);
    EXPECT_EQ(values, (QList<double>{40, 41, 42, 43, 44, 45, 46, 46, 46}));
}

TEST(Progress, TwentyBooksDoNotMoveAndAnEmptyCaptionHasNoComma)
{
    test::FakeWindow window;
    const QList<double> values = creep(window, u""_s, 30, 20, 400);
    for (double v : values)
        EXPECT_EQ(v, 30);
    EXPECT_TRUE(window.captions.contains(u"Please wait.. 12"_s));
    EXPECT_EQ(window.caption, u"Progress Bar"_s);
}

TEST(Progress, AShortWaitShowsNothingOfItsOwn)
{
    test::FakeWindow window;
    creep(window, u"c"_s, 50, 4, 49);
    EXPECT_EQ(window.captions, QStringList{u"c"_s});
    EXPECT_TRUE(window.values.isEmpty());
}

// A long join of the last book creeps on, but the bar stays short of 100
// until the book is done.
TEST(Progress, TheJoinsCreepStopsShortOfTheBooksEnd)
{
    test::FakeWindow window;
    window.setProgressValue(BookProgress(1, 1, 0.98));
    CappedBar bar(window, BookProgress(1, 1, 0.99));
    WaitingDisplay display(window, &bar, u"c"_s, 98, 1);
    for (int i = 0; i < 50 + 150 * 3; ++i)
        display.pass();
    EXPECT_EQ(window.values, (QList<double>{98, 99}));
}

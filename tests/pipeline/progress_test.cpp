#include "pipeline/progress.h"

#include <QList>
#include <gtest/gtest.h>

using namespace vt;

namespace
{

// Runs `passes` passes of a join's display from `start`; returns the bar
// values it moved to and the last count of passes it showed.
QList<double> creep(int start, int books, int passes, int* waited = nullptr, double cap = 1000)
{
    JoinCreep display(start, books, cap);
    RunProgress progress;
    progress.percent = start;
    QList<double> values;
    for (int i = 0; i < passes; ++i) {
        const double before = progress.percent;
        display.pass(progress);
        if (progress.percent != before)
            values.append(progress.percent);
    }
    if (waited)
        *waited = progress.waited;
    return values;
}

} // namespace

TEST(Progress, OneBookCreepsTenAPointEveryFifteenSeconds)
{
    int waited = 0;
    EXPECT_EQ(creep(100, 1, 200, &waited), QList<double>{110});
    EXPECT_EQ(waited, 150);
}

TEST(Progress, FifteenBooksCreepOneAStepUpToTheLimit)
{
    EXPECT_EQ(creep(40, 15, 50 + 150 * 8), (QList<double>{41, 42, 43, 44, 45, 46}));
}

TEST(Progress, TwentyBooksDoNotMoveAndAShortWaitShowsNothing)
{
    int waited = 0;
    EXPECT_TRUE(creep(30, 20, 400, &waited).isEmpty());
    EXPECT_EQ(waited, 350);
    EXPECT_TRUE(creep(50, 4, 49, &waited).isEmpty());
    EXPECT_EQ(waited, -1);
}

// A long join of the last book creeps on, but the bar stays short of 100
// until the book is done.
TEST(Progress, TheJoinsCreepStopsShortOfTheBooksEnd)
{
    EXPECT_EQ(creep(98, 1, 50 + 150 * 3, nullptr, BookProgress(1, 1, 0.99)), QList<double>{99});
}

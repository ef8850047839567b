#include "fake_window.h"
#include "pipeline/failure_reasons.h"
#include "pipeline/progress.h"
#include "test_env.h"
#include "tools/command_runner.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(CommandRunner, ShownFormQuotesEveryPathButNotShortOptions)
{
    const Command lame{u"/tmp/w/lame"_s, {u"-h"_s, u"/tmp/w/a b.wav"_s, u"/tmp/w/a.mp3"_s}};
    EXPECT_EQ(lame.shown(), u"\"/tmp/w/lame\" -h \"/tmp/w/a b.wav\" \"/tmp/w/a.mp3\""_s);
    EXPECT_EQ(NormaliseWindowStyle(-1), 6);
    EXPECT_EQ(NormaliseWindowStyle(7), 6);
    EXPECT_EQ(NormaliseWindowStyle(0), 0);
}

TEST(CommandRunner, AMissingProgramFailsAtOnceWithoutAPass)
{
    test::FakeWindow window;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunAndWait(window, Command{u"/no/such/program"_s, {}}, 0), -2147221451);
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(window.yields, 0);
    EXPECT_TRUE(window.captions.isEmpty());
}

TEST(CommandRunner, AToolThatCannotStartNamesTheCause)
{
    QTemporaryDir dir;
    test::FakeWindow window;
    const QString script = dir.filePath(u"tool"_s);
    test::writeFile(script, "#!/bin/sh\nexit 4\n"); // not executable, as on a noexec mount
    EXPECT_EQ(RunAndWait(window, Command{script}), kStartFailure);
    EXPECT_EQ(LastToolEnding().startProblem, u"permission denied"_s);
    // Run by /bin/sh the script starts; a script that is not there is named.
    EXPECT_EQ(RunAndWait(window, Command{script, {}, u"/bin/sh"_s}), 4);
    EXPECT_EQ(RunAndWait(window, Command{dir.filePath(u"gone"_s), {}, u"/bin/sh"_s}),
              kStartFailure);
    EXPECT_EQ(LastToolEnding().startProblem, u"not found"_s);
    EXPECT_EQ(TextFailureReason(script, {}, LastToolEnding()),
              u"calibre's ebook-convert could not be started (not found)"_s);
}

TEST(CommandRunner, ExitCodesComeBackAndEveryWaitMakesAPass)
{
    test::FakeWindow window;
    window.rows = {u"a"_s};
    ActivityCounter = 0;
    EXPECT_EQ(RunAndWait(window, Command{u"/bin/sh"_s, {u"-c"_s, u"exit 3"_s}}), 3);
    EXPECT_GE(ActivityCounter, 1);
    EXPECT_GE(window.yields, 1);
    // A tool that exits with 259 (the old "still active" code) ends the wait too.
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunAndWait(window, Command{u"/bin/sh"_s, {u"-c"_s, u"exit 259"_s}}), 259 & 0xff);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(CommandRunner, AnEndedToolIsNoticedWithinAPass)
{
    test::FakeWindow window;
    QElapsedTimer clock;
    clock.start();
    RunAndWait(window, Command{u"/bin/sh"_s, {u"-c"_s, u"sleep 0.3"_s}});
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_LE(window.yields, 8);
}

TEST(CommandRunner, EveryCharacterOfAPathReachesTheToolAsOneArgument)
{
    QTemporaryDir dir;
    const QString odd = u"My \"Book\" it's $HOME `id` ünïcödé; rm -rf ~ |&.epub"_s;
    const QString out = dir.filePath(u"arg.txt"_s);
    test::FakeWindow window;
    RunAndWait(window,
               Command{u"/bin/sh"_s, {u"-c"_s, u"printf %s \"$1\" > \"$2\""_s, u"sh"_s, odd, out}});
    EXPECT_EQ(QString::fromUtf8(test::readFile(out)), odd);
}

TEST(CommandRunner, EndRunningToolEndsTheToolAndItsChildren)
{
    test::FakeWindow window;
    int passes = 0;
    window.onYield = [&] {
        if (++passes == 3)
            EndRunningTool();
    };
    QElapsedTimer clock;
    clock.start();
    RunAndWait(window, Command{u"/bin/sh"_s, {u"-c"_s, u"sleep 30; echo done"_s}});
    EXPECT_LT(clock.elapsed(), 5000);
}

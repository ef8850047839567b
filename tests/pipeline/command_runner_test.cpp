#include "common/step_guard.h"
#include "pipeline/failure_reasons.h"
#include "test_env.h"
#include "tools/command_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
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
    int passes = 0;
    QElapsedTimer clock;
    clock.start();
    const ToolRun run =
        RunAndWait(Command{u"/no/such/program"_s, {}}, 0, [&](const QByteArray&) { ++passes; });
    EXPECT_EQ(run.exitCode, -2147221451);
    EXPECT_TRUE(run.failed());
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(passes, 0);
}

TEST(CommandRunner, AToolThatCannotStartNamesTheCause)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(u"tool"_s);
    test::writeFile(script, "#!/bin/sh\nexit 4\n"); // not executable, as on a noexec mount
    ToolRun run = RunAndWait(Command{script});
    EXPECT_EQ(run.exitCode, kStartFailure);
    EXPECT_EQ(run.startProblem, u"permission denied"_s);
    // Run by /bin/sh the script starts; a script that is not there is named.
    EXPECT_EQ(RunAndWait(Command{script, {}, u"/bin/sh"_s}).exitCode, 4);
    run = RunAndWait(Command{dir.filePath(u"gone"_s), {}, u"/bin/sh"_s});
    EXPECT_EQ(run.exitCode, kStartFailure);
    EXPECT_EQ(run.startProblem, u"not found"_s);
    EXPECT_EQ(TextFailureReason(script, run),
              u"calibre's ebook-convert could not be started (not found)"_s);
}

TEST(CommandRunner, ExitCodesAndOutputComeBackAndEveryWaitMakesAPass)
{
    int passes = 0;
    const ToolRun run = RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"echo said; exit 3"_s}}, 6,
                                   [&](const QByteArray&) { ++passes; });
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.output, "said\n");
    // Tools start in the program's folder, whatever the process's own.
    EXPECT_EQ(RunAndWait(Command{u"/bin/pwd"_s}).output,
              QCoreApplication::applicationDirPath().toUtf8() + '\n');
    EXPECT_TRUE(run.failed());
    EXPECT_GE(passes, 1);
    // A tool that exits with 259 (the old "still active" code) ends the wait too.
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"exit 259"_s}}).exitCode, 259 & 0xff);
    EXPECT_LT(clock.elapsed(), 3000);
}

TEST(CommandRunner, AnEndedToolIsNoticedWithinAPass)
{
    int passes = 0;
    QElapsedTimer clock;
    clock.start();
    RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"sleep 0.3"_s}}, 6,
               [&](const QByteArray&) { ++passes; });
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_LE(passes, 8);
}

TEST(CommandRunner, EveryCharacterOfAPathReachesTheToolAsOneArgument)
{
    QTemporaryDir dir;
    const QString odd = u"My \"Book\" it's $HOME `id` ünïcödé; rm -rf ~ |&.epub"_s;
    const QString out = dir.filePath(u"arg.txt"_s);
    RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"printf %s \"$1\" > \"$2\""_s, u"sh"_s, odd, out}});
    EXPECT_EQ(QString::fromUtf8(test::readFile(out)), odd);
}

// Ended from outside (the window closes, a signal) or by a stop raised in a
// pass, the tool and what it started go at once.
TEST(CommandRunner, EndingTheRunningToolEndsItAndItsChildren)
{
    int passes = 0;
    QElapsedTimer clock;
    clock.start();
    const ToolRun ended = RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"sleep 30; echo done"_s}}, 6,
                                     [&](const QByteArray&) {
                                         if (++passes == 3)
                                             EndRunningTool();
                                     });
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(ended.crashed);

    QTemporaryDir dir;
    const QString mark = dir.filePath(u"mark"_s);
    clock.restart();
    EXPECT_THROW(
        RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"(sleep 2; touch \"$0\") & wait"_s, mark}}, 6,
                   [](const QByteArray&) { throw RunStopped{}; }),
        RunStopped);
    EXPECT_LT(clock.elapsed(), 1500);
    QThread::msleep(2500);
    EXPECT_FALSE(QFile::exists(mark)); // the child went with the tool
}

// A tool that runs past its time limit is ended, and the reason names it.
TEST(CommandRunner, AToolPastItsTimeLimitIsEnded)
{
    QElapsedTimer clock;
    clock.start();
    const ToolRun run = RunAndWait(Command{u"/bin/sh"_s, {u"-c"_s, u"sleep 30"_s}}, 6, {}, 300);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_GE(run.timedOutAfterMs, 300);
    EXPECT_TRUE(run.failed());
    EXPECT_EQ(TextFailureReason(u"/"_s, run),
              u"calibre took longer than 1 minute, far longer than a book of this size needs, and "
              u"was stopped"_s);
    EXPECT_EQ(ToolTimeLimitMs(3 << 20, 2, 1 << 20), 5 * 60000);
}

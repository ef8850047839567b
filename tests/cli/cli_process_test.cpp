#include "cli_fixture.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;
using namespace vt::test;

TEST_F(Cli, BadUsageExitsWithTwoAndNamesTheProblem)
{
    const Result bad = run({u"--rate"_s, u"fast"_s, u"a.epub"_s});
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.err.contains(u"--rate"_s));
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_EQ(run({u"--beside"_s, booksDir.path() + u"/missing.epub"_s}).status, 2);
    EXPECT_EQ(run({u"--out"_s, out.path() + u"/missing"_s, u"x.epub"_s}).status, 2);
    const Result help = run({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.join(u'\n').contains(u"Exit status"_s));
}

TEST_F(Cli, ListsTheEngineVoices)
{
    const Result voices = run({u"--list-voices"_s});
    EXPECT_EQ(voices.status, 0) << voices.err.toStdString();
    ASSERT_FALSE(voices.out.isEmpty());
    EXPECT_TRUE(voices.out[0].startsWith(u"0\t"_s));
    // Number, name and engine; espeak-ng's voices first, then Flite's.
    QStringList engines;
    for (const QString& line : voices.out)
        engines.append(line.section(u'\t', 2));
    const qsizetype flite = engines.indexOf(u"Flite"_s);
    ASSERT_GT(flite, 0);
    EXPECT_EQ(engines.count(u"espeak-ng"_s), flite);
    EXPECT_EQ(engines.count(u"Flite"_s), engines.size() - flite);
    EXPECT_EQ(voices.out[flite],
              QString::number(flite) + u"\tEnglish (United States) – slt, female (Flite)\tFlite"_s);

    // --voice takes a Flite voice's name (here a folder without books ends the run).
    const Result slt = run({u"--voice"_s, u"slt"_s, u"--out"_s, out.path(), booksDir.path()});
    EXPECT_EQ(slt.err, u"vellumtone-cli: no EPUB books found\n"_s);
    EXPECT_TRUE(run({u"--voice"_s, u"No such voice"_s, u"--out"_s, out.path(), booksDir.path()})
                    .err.contains(u"no voice"_s));
}

TEST_F(Cli, AGoodAndADamagedBookGiveTheirResultLines)
{
    const QString good = copyBook(u"hefty-water.epub"_s, u"good book.epub"_s);
    const QString damaged = books.filePath(u"damaged.epub"_s);
    test::writeFile(damaged, "this is not a zip archive");
    const Result result = run({u"--out"_s, out.path(), u"--rate"_s, u"10"_s, damaged, good});
    EXPECT_EQ(result.status, 1) << result.err.toStdString();
    ASSERT_EQ(result.out.size(), 2) << result.err.toStdString();
    EXPECT_TRUE(result.out[0].startsWith(u"failed: "_s + damaged + u": "_s));
    EXPECT_EQ(result.out[1], out.path() + u"/good book.mp3"_s);
    EXPECT_GT(QFileInfo(result.out[1]).size(), 1000);
    EXPECT_TRUE(test::entries(temp.path()).isEmpty())
        << test::entries(temp.path()).join(u' ').toStdString();
    // One line on standard error as each book starts and ends; no bare "Done.".
    const QString err = result.err;
    EXPECT_TRUE(err.contains(u"Book 1 of 2 started: "_s + damaged + u'\n')) << err.toStdString();
    EXPECT_TRUE(err.contains(QRegularExpression(u"Book 1 of 2 failed after 0:\\d\\d: "_s +
                                                QRegularExpression::escape(damaged) + u'\n')));
    EXPECT_TRUE(err.contains(u"Book 2 of 2 started: "_s + good + u'\n'));
    EXPECT_TRUE(err.contains(QRegularExpression(u"Book 2 of 2 done in \\d+:\\d\\d: "_s +
                                                QRegularExpression::escape(good) + u'\n')));
    EXPECT_FALSE(err.contains(u"Done."_s));
    // The batch program's own words: not the window's "Please do not click"
    // nor its "email a screenshot".
    EXPECT_FALSE(err.contains(u"Please"_s)) << err.toStdString();

    // --no-tags: the same audio without the tag the first run put in front.
    const Result fine = run({u"--beside"_s, u"--no-tags"_s, u"--rate"_s, u"10"_s, good});
    EXPECT_EQ(fine.status, 0);
    EXPECT_EQ(fine.out, QStringList{books.filePath(u"good book.mp3"_s)});
    const QByteArray tagged = test::readFile(result.out[1]);
    const QByteArray bare = test::readFile(fine.out.value(0));
    EXPECT_TRUE(tagged.startsWith("ID3"));
    EXPECT_FALSE(bare.startsWith("ID3"));
    EXPECT_TRUE(tagged.endsWith(bare));
}

TEST_F(Cli, TwoJobsGiveTheSameFilesAsOne)
{
    const QStringList names{u"hefty-water.epub"_s, u"trees.epub"_s};
    for (const QString& name : names)
        copyBook(name, name);
    QTemporaryDir one;
    QTemporaryDir two;
    const Result first =
        run({u"--jobs"_s, u"1"_s, u"--rate"_s, u"10"_s, u"--out"_s, one.path(), booksDir.path()});
    const Result second =
        run({u"--jobs"_s, u"2"_s, u"--rate"_s, u"10"_s, u"--out"_s, two.path(), booksDir.path()});
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_EQ(test::entries(one.path()), test::entries(two.path()));
    ASSERT_EQ(test::entries(one.path()).size(), 2);
    for (const QString& name : test::entries(one.path()))
        EXPECT_EQ(test::readFile(one.filePath(name)), test::readFile(two.filePath(name)))
            << name.toStdString();
    QStringList firstLines = first.out;
    QStringList secondLines = second.out;
    EXPECT_EQ(firstLines.replaceInStrings(one.path(), u"OUT"_s),
              secondLines.replaceInStrings(two.path(), u"OUT"_s));
}

TEST_F(Cli, AnInterruptedRunLeavesNoWorkingFiles)
{
    const QString book = copyBook(u"wasteland.epub"_s, u"long.epub"_s);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TEMP"_s, temp.path());
    process.setProcessEnvironment(env);
    process.start(program(), {u"--rate"_s, u"-10"_s, u"--out"_s, out.path(), book});
    // Wait until the run has begun to work on the book, then interrupt it.
    QByteArray err;
    for (int i = 0; i < 600 && !err.contains("Book 1 of 1"); ++i) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("Book 1 of 1")) << err.toStdString();
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_TRUE(test::entries(temp.path()).isEmpty())
        << test::entries(temp.path()).join(u' ').toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
}

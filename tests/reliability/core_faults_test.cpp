// Faults met by the conversion run itself, as the window drives it: the real
// tool chain, real books and tools, a recording front end.
#include "common/files.h"
#include "common/paths.h"
#include "common/working_folder.h"
#include "conversion.h"
#include "fault_kit.h"
#include "pipeline/conversion_run.h"
#include "pipeline/tool_chain.h"
#include "speech/speech_engine.h"
#include "test_env.h"
#include "text/cutting.h"
#include "tools/command_runner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

class CoreFaults : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        run.settings.folder = out.path();
        run.settings.rate = 10; // short audio keeps the tests fast
        savedPath_ = qgetenv("PATH");
        QDir().mkpath(bin.path());
    }
    void TearDown() override { qputenv("PATH", savedPath_); }

    QString copyBook(const QString& name, const QString& as)
    {
        const QString target = booksDir.filePath(as);
        EXPECT_TRUE(QFile::copy(test::testBook(name), target)) << as.toStdString();
        return target;
    }
    // Tools in `bin` are found before the installed ones.
    void putFakesFirst() { qputenv("PATH", QFile::encodeName(bin.path()) + ':' + savedPath_); }

    RunOutcome convert(const QStringList& books) { return run.convert(books); }
    int book() const { return run.observer.last.book; }

    // After a run the working folder holds nothing of it: no texts, tools,
    // audio or scripts.
    void expectWorkingFolderAsDesigned() const
    {
        EXPECT_EQ(test::entries(temp.path()), QStringList());
    }

    test::TempWorkingFolder temp;
    QTemporaryDir out;
    QTemporaryDir booksDir;
    QTemporaryDir bin;
    test::Conversion run;
    std::function<void()>& onYield = run.observer.onYield;

  private:
    QByteArray savedPath_;
};

TEST_F(CoreFaults, ABookDeletedWhileTheOneBeforeRunsFailsAloneAndIsNamed)
{
    const QString first = copyBook(u"hefty-water.epub"_s, u"first.epub"_s);
    const QString gone = copyBook(u"hefty-water.epub"_s, u"gone.epub"_s);
    const QString third = copyBook(u"hefty-water.epub"_s, u"third.epub"_s);
    onYield = [&] {
        if (book() == 1 && QFile::exists(gone))
            QFile::remove(gone);
    };
    const RunOutcome outcome = convert({first, gone, third});
    ASSERT_EQ(outcome.books.size(), 3);
    EXPECT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    EXPECT_FALSE(outcome.books[1].ok);
    EXPECT_EQ(outcome.books[1].reason, u"the book file could not be found (moved or deleted?)"_s);
    EXPECT_TRUE(outcome.books[2].ok) << outcome.books[2].reason.toStdString();
    EXPECT_TRUE(RunSummary(outcome).endsWith(
        u":\n"_s + gone + u": the book file could not be found (moved or deleted?)"_s));
    EXPECT_EQ(test::entries(out.path()), (QStringList{u"first.mp3"_s, u"third.mp3"_s}));
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, OddBookPathsAndLinkedBooksAreConverted)
{
    const QString odd =
        copyBook(u"hefty-water.epub"_s,
                 u"a 'b' \"c\" $HOME `id` \n\u00e9t\u00e9 \u041a\u043d\u0438\u0433\u0430.epub"_s);
    const QString real = copyBook(u"trees.epub"_s, u"real.epub"_s);
    const QString link = booksDir.filePath(u"link.epub"_s);
    ASSERT_TRUE(QFile::link(real, link));
    const RunOutcome outcome = convert({odd, link});
    ASSERT_EQ(outcome.books.size(), 2);
    for (const BookResult& book : outcome.books) {
        EXPECT_TRUE(book.ok) << book.book.toStdString() << ": " << book.reason.toStdString();
        EXPECT_GT(QFileInfo(book.resultPath).size(), 1000) << book.resultPath.toStdString();
    }
    EXPECT_EQ(QFileInfo(outcome.books[0].resultPath).fileName(),
              QFileInfo(odd).completeBaseName() + u".mp3"_s);
    EXPECT_EQ(outcome.books[1].resultPath, out.filePath(u"link.mp3"_s));
    EXPECT_TRUE(QFileInfo(link).isSymLink()); // the book itself is left alone
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, AHangingToolKeepsTheWindowAliveAndEndingItLetsTheRunGoOn)
{
    test::addFakeTool(bin.path(), u"ebook-convert"_s,
                      "#!/bin/sh\ncase \"$1\" in *hang*) exec sleep 600;; esac\n"
                      "exec /usr/bin/ebook-convert \"$@\"\n");
    putFakesFirst();
    int yieldsWhileHanging = 0;
    onYield = [&] {
        // Closing the window ends the tool the run waits for.
        if (book() == 1 && ++yieldsWhileHanging == 20)
            EndRunningTool();
    };
    const RunOutcome outcome = convert({copyBook(u"hefty-water.epub"_s, u"hang.epub"_s),
                                        copyBook(u"hefty-water.epub"_s, u"fine.epub"_s)});
    EXPECT_GE(yieldsWhileHanging, 20);
    ASSERT_EQ(outcome.books.size(), 2);
    EXPECT_FALSE(outcome.books[0].ok);
    EXPECT_EQ(outcome.books[0].reason, u"calibre stopped unexpectedly (it crashed or was ended)"_s);
    EXPECT_TRUE(outcome.books[1].ok) << outcome.books[1].reason.toStdString();
    EXPECT_FALSE(QFile::exists(out.filePath(u"hang.mp3"_s)));
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, CrashingToolsLeaveNoResultThatLooksComplete)
{
    run.settings.threads = 1; // the deployed encoder works in the sequential chain
    // Each fake writes part of its output and then crashes, for one book only.
    test::addFakeTool(
        bin.path(), u"ebook-convert"_s,
        "#!/bin/sh\ncase \"$1\" in *crash-calibre*) echo 'half a' > \"$2\"; kill -SEGV $$;; "
        "esac\nexec /usr/bin/ebook-convert \"$@\"\n");
    test::addFakeTool(
        bin.path(), u"lame"_s,
        "#!/bin/sh\ncase \"$3\" in *crash-lame*) printf 'ID3 half' > \"$3\"; kill -SEGV $$;; "
        "esac\nexec /usr/bin/lame \"$@\"\n");
    putFakesFirst();
    const QStringList books{copyBook(u"hefty-water.epub"_s, u"crash-calibre.epub"_s),
                            copyBook(u"hefty-water.epub"_s, u"crash-lame.epub"_s),
                            copyBook(u"hefty-water.epub"_s, u"fine.epub"_s)};
    const RunOutcome outcome = convert(books);
    ASSERT_EQ(outcome.books.size(), 3);
    EXPECT_EQ(outcome.books[0].reason, u"calibre stopped unexpectedly (it crashed or was ended)"_s);
    EXPECT_EQ(outcome.books[1].reason,
              u"the MP3 encoder lame stopped unexpectedly (it crashed or was ended)"_s);
    EXPECT_TRUE(outcome.books[2].ok) << outcome.books[2].reason.toStdString();
    EXPECT_EQ(test::entries(out.path()), QStringList{u"fine.mp3"_s});
    EXPECT_EQ(RunSummary(outcome), u"Done.\n\nThese books could not be converted completely:\n"_s +
                                       books[0] + u": "_s + outcome.books[0].reason + u'\n' +
                                       books[1] + u": "_s + outcome.books[1].reason);
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, AnOutputFolderDeletedDuringTheRunFailsItsBooksWithTheReason)
{
    onYield = [&] {
        if (book() == 1 && QFile::exists(temp.file(u"output001.txt"_s)) &&
            QFileInfo::exists(out.path()))
            QDir(out.path()).removeRecursively();
    };
    const RunOutcome outcome = convert({copyBook(u"hefty-water.epub"_s, u"a.epub"_s),
                                        copyBook(u"hefty-water.epub"_s, u"b.epub"_s)});
    ASSERT_EQ(outcome.books.size(), 2);
    for (const BookResult& book : outcome.books) {
        EXPECT_FALSE(book.ok);
        EXPECT_EQ(book.reason,
                  u"the output folder "_s + out.path() + u" does not exist (any more)"_s);
    }
    EXPECT_FALSE(QFileInfo::exists(out.path())); // nothing made it again
    expectWorkingFolderAsDesigned();
}

// A book of pictures fails before the converter runs; one of blank pages
// when the converter gives no text.
TEST_F(CoreFaults, APictureOnlyBookIsNamedAndLeavesNoSilentResult)
{
    const QString pictures = booksDir.filePath(u"pictures.epub"_s);
    test::makePictureBook(pictures);
    const QString blank = booksDir.filePath(u"blank.epub"_s);
    test::makeBook(blank, {u" "_s});
    const RunOutcome outcome = convert({pictures, blank});
    ASSERT_EQ(outcome.books.size(), 2);
    EXPECT_FALSE(outcome.books[0].ok || outcome.books[1].ok);
    EXPECT_EQ(outcome.books[0].reason, u"it holds only pictures: there is no text to speak"_s);
    EXPECT_EQ(outcome.books[1].reason, u"the book has no text to speak (pictures only?)"_s);
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, AnEncoderCrashOnOnePieceLeavesNoJoinedResult)
{
    run.settings.threads = 1;
    test::addFakeTool(
        bin.path(), u"lame"_s,
        "#!/bin/sh\ncase \"$3\" in *output002.mp3) printf 'ID3 half' > \"$3\"; kill -SEGV $$;; "
        "esac\nexec /usr/bin/lame \"$@\"\n");
    putFakesFirst();
    // More lines than a piece may hold: two pieces, joined.
    const QString book = booksDir.filePath(u"two pieces.epub"_s);
    test::makeBook(book, QStringList(700, u"Yes."_s));
    const RunOutcome outcome = convert({book});
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_FALSE(outcome.books[0].ok);
    EXPECT_EQ(outcome.books[0].reason,
              u"the MP3 encoder lame stopped unexpectedly (it crashed or was ended)"_s);
    EXPECT_EQ(run.observer.last.pieces, 2); // it was a book of two pieces
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectWorkingFolderAsDesigned();
}

TEST_F(CoreFaults, AWorkingFolderMountedNoexecStillRunsTheTools)
{
    const test::TmpfsMount noexec(MS_NOEXEC);
    if (!noexec.mounted())
        GTEST_SKIP() << noexec.skip().toStdString();
    const QString book = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    qputenv("TEMP", QFile::encodeName(noexec.path()));
    const RunOutcome outcome = convert({book});
    qputenv("TEMP", QFile::encodeName(temp.path()));
    ASSERT_EQ(outcome.books.size(), 1);
    EXPECT_TRUE(outcome.books[0].ok) << outcome.books[0].reason.toStdString();
    EXPECT_GT(QFileInfo(out.filePath(u"a.mp3"_s)).size(), 1000);
}

TEST_F(CoreFaults, AMissingWorkingFolderStopsTheRunWithItsErrorBox)
{
    const QString book = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QString missing = temp.file(u"missing"_s);
    qputenv("TEMP", QFile::encodeName(missing));
    RunOutcome outcome = convert({book});
    EXPECT_FALSE(outcome.started);
    const QList<RunMessage>& messages = run.observer.messages;
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0].kind, RunMessage::Kind::StepFailure);
    EXPECT_EQ(messages[0].line, 107);
    EXPECT_EQ(messages[0].text, u"The working folder "_s + missing + u" does not exist."_s);
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    qputenv("TEMP", QFile::encodeName(temp.path()));
}

// A book of 200 000 short chapters, or of one 5 MB line, would take hours to
// speak; what the run relies on is that cutting stays quick and loses nothing.
// Lines are never split: a piece passes the limit by at most one line, so
// the 5 MB line stays one piece.
TEST_F(CoreFaults, CuttingAHugeLineOrManyChaptersLosesNothing)
{
    constexpr qint64 kCharacterLimit = 500 * 1024; // at speed 0 and above
    QByteArray chapters;
    for (int i = 1; i <= 200000; ++i)
        chapters += "Chapter " + QByteArray::number(i) + "\n";
    QByteArray line;
    line.reserve(5 << 20);
    while (line.size() < (5 << 20))
        line += "word ";
    for (const QByteArray& text : {chapters, line}) {
        test::writeFile(temp.file(u"output.txt"_s), text);
        const qint32 count = CutTextFileFSO(temp.file(u"output.txt"_s), 10, {});
        qint64 total = 0;
        qint64 largest = 0;
        for (qint32 j = 1; j <= count; ++j) {
            const QFileInfo piece(temp.file(u"output"_s + PieceNumber(j) + u".txt"_s));
            ASSERT_TRUE(piece.isFile()) << j;
            total += piece.size();
            largest = std::max(largest, piece.size());
        }
        // Every line ends in one line break, the last one too.
        EXPECT_EQ(total, text.size() + (text.endsWith('\n') ? 0 : 1));
        // Many short lines and one huge line alike give pieces near the limit.
        EXPECT_GE(count, 5);
        EXPECT_LE(largest, kCharacterLimit + 20);
        EXPECT_FALSE(QFile::exists(temp.file(u"output.txt"_s)));
        for (const QString& name : test::entries(temp.path()))
            QFile::remove(temp.file(name));
    }
}

} // namespace

namespace
{

// A stop while a book is spoken into its encoders, in either format, ends
// every encoder thread and leaves no part and no result behind.
TEST_F(CoreFaults, AStopWhileEncodingOnEveryCoreLeavesNoThreadAndNoPart)
{
    const QString book = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    run.settings.threads = 3;
    SpeechEngine::instance().load(); // it keeps a thread of its own from then on
    for (const OutputFormat format : {OutputFormat::Mp3, OutputFormat::M4b}) {
        run.settings.format = format;
        const int before = test::threadsOfThisProcess();
        int during = 0;
        run.observer.stop = false;
        onYield = [&] {
            const QFileInfoList files = QDir(out.path()).entryInfoList(QDir::Files | QDir::Hidden);
            if (!run.observer.stop && !files.isEmpty() && files[0].size() > 0) {
                during = test::threadsOfThisProcess();
                run.observer.stop = true;
            }
        };
        EXPECT_TRUE(convert({book}).stopped);
        EXPECT_GT(during, before);
        EXPECT_EQ(test::threadsOfThisProcess(), before);
        EXPECT_TRUE(test::entries(out.path()).isEmpty());
        EXPECT_TRUE(test::entries(temp.path()).isEmpty())
            << test::entries(temp.path()).join(u' ').toStdString();
    }
}

} // namespace

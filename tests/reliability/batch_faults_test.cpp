// Faults met by the batch converter, run as a process as a user runs it,
// with the real tools: bad books, hostile places, missing or broken tools.
#include "audio/mp3_info_frame.h"
#include "audio_tools.h"
#include "common/owner_lock.h"
#include "fault_kit.h"
#include "test_env.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

class BatchFaults : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        env.insert(u"TEMP"_s, temp.path());
        QDir().mkpath(bin.path());
    }

    QString copyBook(const QString& name, const QString& as)
    {
        const QString target = books.filePath(as);
        EXPECT_TRUE(QFile::copy(test::testBook(name), target)) << as.toStdString();
        return target;
    }
    test::CliRun convert(const QStringList& arguments, const test::ProcessLimits& limits = {},
                         const std::function<bool(const QString&)>& during = {})
    {
        return test::runCli(QStringList{u"--rate"_s, u"10"_s, u"--out"_s, out.path()} + arguments,
                            env, limits, during);
    }
    // A PATH of stand-ins for the given installed tools only.
    void onlyTools(const QStringList& tools)
    {
        for (const QString& tool : tools)
            test::addRealTool(bin.path(), tool);
        env.insert(u"PATH"_s, bin.path());
    }
    static QString failed(const QString& book, const QString& reason)
    {
        return u"failed: "_s + book + u": "_s + reason;
    }
    // The batch converter's private working folder is gone after the run.
    void expectNoWorkingFiles() const
    {
        EXPECT_TRUE(test::entries(temp.path()).isEmpty())
            << test::entries(temp.path()).join(u' ').toStdString();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QTemporaryDir temp;
    QTemporaryDir out;
    QTemporaryDir booksDir;
    QTemporaryDir bin;
    QDir books{booksDir.path()};
};

TEST_F(BatchFaults, BadBooksAreNamedWithAReasonAndTheGoodOnesAreConverted)
{
    const QString empty = books.filePath(u"empty.epub"_s);
    test::writeFile(empty, "");
    const QString text = books.filePath(u"text.epub"_s);
    test::writeFile(text, "Just a text file with a new name.\n");
    const QString truncated = books.filePath(u"truncated.epub"_s);
    test::makeTruncatedCopy(test::testBook(u"trees.epub"_s), truncated, 1500);
    const QString pictures = books.filePath(u"pictures.epub"_s);
    test::makePicturesZip(pictures);
    const QString drm = books.filePath(u"drm.epub"_s);
    test::makeDrmBook(drm);
    const QString zipCrypto = books.filePath(u"zipcrypto.epub"_s);
    test::makeZipCryptoBook(zipCrypto);
    const QString noText = books.filePath(u"no text.epub"_s);
    test::makePictureBook(noText);
    const QString good = copyBook(u"hefty-water.epub"_s, u"good.epub"_s);

    const test::CliRun run = convert(
        {u"--jobs"_s, u"2"_s, empty, text, truncated, pictures, drm, noText, good, zipCrypto});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 8) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(run.lines[0], failed(empty, u"the book file is empty"_s));
    const QString notZip =
        u"the file is not an EPUB book (it is not a ZIP archive, or a damaged one)"_s;
    EXPECT_EQ(run.lines[1], failed(text, notZip));
    EXPECT_EQ(run.lines[2], failed(truncated, notZip));
    EXPECT_EQ(run.lines[3],
              failed(pictures, u"the file is not a valid EPUB book (it holds no book contents)"_s));
    EXPECT_EQ(run.lines[4], failed(drm, u"the book is encrypted (DRM); it cannot be read aloud"_s));
    EXPECT_EQ(run.lines[5], failed(noText, u"it holds only pictures: there is no text to speak"_s));
    EXPECT_EQ(run.lines[6], out.filePath(u"good.mp3"_s));
    // Read, it would have been minutes of noise, and a success.
    EXPECT_EQ(run.lines[7],
              failed(zipCrypto, u"the book is encrypted (DRM); it cannot be read aloud"_s));
    EXPECT_EQ(test::entries(out.path()), QStringList{u"good.mp3"_s});
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, OddAndLinkedBookPathsAreConverted)
{
    const QString odd =
        copyBook(u"hefty-water.epub"_s, u"a 'b' \"c\" $HOME `id` \n\u00e9t\u00e9.epub"_s);
    const QString link = books.filePath(u"link.epub"_s);
    ASSERT_TRUE(QFile::link(odd, link));
    const test::CliRun run = convert({odd, link});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    // The result line of the odd book holds its line break as it stands.
    EXPECT_EQ(QString::fromUtf8(run.out),
              out.filePath(u"a 'b' \"c\" $HOME `id` \n\u00e9t\u00e9.mp3"_s) + u'\n' +
                  out.filePath(u"link.mp3"_s) + u'\n');
    EXPECT_GT(QFileInfo(out.filePath(u"link.mp3"_s)).size(), 1000);
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, ABookDeletedWhileTheOneBeforeRunsIsNamed)
{
    const QString first = copyBook(u"hefty-water.epub"_s, u"first.epub"_s);
    const QString gone = copyBook(u"hefty-water.epub"_s, u"gone.epub"_s);
    const test::CliRun run =
        convert({u"--jobs"_s, u"1"_s, first, gone}, {}, [&](const QString& err) {
            // The books are listed; the first is being converted.
            return err.contains(u"Converting 2 books"_s) && QFile::remove(gone);
        });
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(
        run.lines,
        (QStringList{out.filePath(u"first.mp3"_s),
                     failed(gone, u"the book file could not be found (moved or deleted?)"_s)}))
        << run.err.toStdString();
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, AnOutputFolderDeletedDuringTheRunIsTheReason)
{
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QString b = copyBook(u"hefty-water.epub"_s, u"b.epub"_s);
    const test::CliRun run = convert({u"--jobs"_s, u"1"_s, a, b}, {}, [&](const QString& err) {
        return err.contains(u"Converting 2 books"_s) && QDir(out.path()).removeRecursively();
    });
    EXPECT_EQ(run.status, 1);
    const QString reason = u"the output folder "_s + out.path() + u" does not exist (any more)"_s;
    EXPECT_EQ(run.lines, (QStringList{failed(a, reason), failed(b, reason)}))
        << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(out.path()));
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, ReadOnlyPlacesAreNamedAndNothingIsOverwritten)
{
    if (!test::PermissionsHold())
        GTEST_SKIP() << "this process cannot make a folder read-only for itself";
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QString b = copyBook(u"hefty-water.epub"_s, u"b.epub"_s);
    const QString c = copyBook(u"hefty-water.epub"_s, u"c.epub"_s);
    // b's result is there already and read-only: it stays as it is.
    test::writeFile(out.filePath(u"b.mp3"_s), "kept");
    QFile::setPermissions(out.filePath(u"b.mp3"_s), QFile::ReadOwner);
    const test::CliRun run = convert({a, b, c}, {true, 0});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 3) << run.err.toStdString();
    EXPECT_EQ(run.lines[1], failed(b, u"the result file "_s + out.filePath(u"b.mp3"_s) +
                                          u" already exists and is read-only"_s));
    EXPECT_EQ(test::readFile(out.filePath(u"b.mp3"_s)), "kept");
    EXPECT_EQ(run.lines[2], out.filePath(u"c.mp3"_s));

    QTemporaryDir readOnly;
    QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::ExeOwner);
    const test::CliRun locked =
        test::runCli({u"--rate"_s, u"10"_s, u"--out"_s, readOnly.path(), a}, env, {true, 0});
    EXPECT_EQ(locked.lines, QStringList{failed(a, u"the output folder "_s + readOnly.path() +
                                                      u" is not writable"_s)})
        << locked.err.toStdString();
    EXPECT_TRUE(test::entries(readOnly.path()).isEmpty());
    QFile::setPermissions(readOnly.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, AMissingOrReadOnlyTempNamesEveryBook)
{
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QString missing = temp.filePath(u"missing"_s);
    env.insert(u"TEMP"_s, missing);
    test::CliRun run = convert({a});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.lines[0].startsWith(failed(a, u"the working folder cannot be used: "_s)))
        << run.lines[0].toStdString();
    EXPECT_TRUE(run.lines[0].contains(missing));

    if (test::PermissionsHold()) {
        QDir().mkpath(missing);
        QFile::setPermissions(missing, QFile::ReadOwner | QFile::ExeOwner);
        run = convert({a}, {true, 0});
        EXPECT_EQ(run.status, 1);
        ASSERT_EQ(run.lines.size(), 1) << run.err.toStdString();
        EXPECT_TRUE(run.lines[0].startsWith(failed(a, u"the working folder cannot be used: "_s)));
        EXPECT_TRUE(test::entries(missing).isEmpty());
        QFile::setPermissions(missing, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QDir(missing).removeRecursively();
    }
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
}

TEST_F(BatchFaults, WithoutTempThePrivateFolderUnderTmpdirIsUsedAndRemoved)
{
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    env.remove(u"TEMP"_s);
    env.insert(u"TMPDIR"_s, temp.path());
    const test::CliRun run = convert({a});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines, QStringList{out.filePath(u"a.mp3"_s)});
    // The per-user folder stays, empty, for the next run.
    const QString own = u"vellumtone-"_s + QString::number(::getuid());
    EXPECT_EQ(test::entries(temp.path()), QStringList{own});
    EXPECT_TRUE(test::entries(temp.filePath(own)).isEmpty());
}

TEST_F(BatchFaults, AFullWorkingFolderFailsTheBookWithoutAPartialResult)
{
    // A 1 MB file-size limit: the text fits, the speech of a piece does not.
    const QString a = copyBook(u"trees.epub"_s, u"a.epub"_s);
    test::CliRun run = convert({u"--threads"_s, u"1"_s, a}, {false, 1 << 20});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(run.lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.lines[0].startsWith(failed(a, QString()))) << run.lines[0].toStdString();
    EXPECT_TRUE(run.lines[0].contains(u"full"_s)) << run.lines[0].toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectNoWorkingFiles();

    // Spoken straight into its encoders, the book needs no room for speech;
    // a result that cannot grow fails it the same way.
    run = convert({u"--threads"_s, u"2"_s, a}, {false, 128 << 10});
    EXPECT_EQ(run.lines,
              QStringList{failed(a, u"the disk is full: the MP3 file could not be written"_s)})
        << run.status << run.err.toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectNoWorkingFiles();
}

TEST_F(BatchFaults, ARelativeTempIsTakenFromTheStartFolder)
{
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QFileInfo folder(temp.path());
    env.insert(u"TEMP"_s, folder.fileName());
    const test::CliRun run =
        test::runCli({u"--rate"_s, u"10"_s, u"--out"_s, out.path(), a}, env, {}, {}, folder.path());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines, QStringList{out.filePath(u"a.mp3"_s)});
    expectNoWorkingFiles();
}

// The window program, ended by a signal in the middle of a run as a logout
// or Ctrl+C in its terminal ends it.
class WindowFaults : public BatchFaults
{
};

TEST_F(WindowFaults, ASignalEndsTheToolAndLeavesNoWorkingFiles)
{
    // calibre begins the text, tells its process id, and hangs.
    const QString pidFile = bin.filePath(u"calibre.pid"_s);
    test::addFakeTool(bin.path(), u"ebook-convert"_s,
                      "#!/bin/sh\necho 'half a text' > \"$2\"\necho $$ > '" +
                          QFile::encodeName(pidFile) + "'\nexec sleep 600\n");
    env.insert(u"PATH"_s, bin.path() + u':' + env.value(u"PATH"_s));
    // TEMP as a shell may give it: relative to the folder the program starts in.
    const QFileInfo folder(temp.path());
    env.insert(u"TEMP"_s, folder.fileName());
    // A book with a note reference: calibre reads a cleaned copy of it, which goes too.
    const QString book = copyBook(u"moby-dick-excerpt.epub"_s, u"a.epub"_s);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        QFile::remove(pidFile);
        QTemporaryDir home;
        QProcess window;
        test::startWindow(window, env, home.path(), book, folder.path());
        qint64 tool = 0;
        for (int i = 0; i < 1200 && tool == 0 && window.state() != QProcess::NotRunning; ++i) {
            window.waitForFinished(100);
            tool = test::readFile(pidFile).trimmed().toLongLong();
        }
        ASSERT_GT(tool, 0) << "the run did not reach calibre; signal " << signal;
        ::kill(pid_t(window.processId()), signal);
        ASSERT_TRUE(window.waitForFinished(30000)) << signal;
        EXPECT_EQ(window.exitStatus(), QProcess::NormalExit) << signal;
        EXPECT_EQ(window.exitCode(), 128 + signal);
        EXPECT_FALSE(test::processAlive(tool)) << signal;
        if (test::processAlive(tool))
            ::kill(pid_t(tool), SIGKILL);
        expectNoWorkingFiles();
        EXPECT_EQ(test::entries(booksDir.path()), QStringList{u"a.epub"_s});
    }
}

TEST_F(BatchFaults, MissingToolsAndVoiceDataAreNamed)
{
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    onlyTools({u"lame"_s});
    test::CliRun run = convert({a});
    EXPECT_EQ(run.lines,
              QStringList{failed(a, u"calibre is not installed (install the calibre package)"_s)})
        << run.err.toStdString();

    QDir(bin.path()).removeRecursively();
    QDir().mkpath(bin.path());
    onlyTools({u"ebook-convert"_s});
    run = convert({u"--threads"_s, u"1"_s, a}); // the chain that runs lame
    EXPECT_EQ(run.lines,
              QStringList{failed(a, u"lame is not installed (install the lame package)"_s)})
        << run.err.toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());

    env = QProcessEnvironment::systemEnvironment();
    env.insert(u"TEMP"_s, temp.path());
    QTemporaryDir noVoices;
    env.insert(u"ESPEAK_DATA_PATH"_s, noVoices.path());
    run = convert({a});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines,
              QStringList{failed(a, u"the speech could not be made (is the espeak-ng "
                                    u"voice data installed? is the working folder full?)"_s)})
        << run.err.toStdString();
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectNoWorkingFiles();
}

// Books of one name never make one result: within a run the second gets
// "book (2).mp3" and a note, and a later run replaces only its own book's.
TEST_F(BatchFaults, SameNamedBooksKeepAResultEach)
{
    QDir().mkpath(books.filePath(u"d1"_s));
    QDir().mkpath(books.filePath(u"d2"_s));
    const QString a = copyBook(u"hefty-water.epub"_s, u"d1/book.epub"_s);
    const QString b = copyBook(u"hefty-water.epub"_s, u"d2/book.epub"_s);
    const QString c = copyBook(u"hefty-water.epub"_s, u"d2/book.EPUB"_s);
    const auto named = [&](const QString& name, const QString& natural = u"book.mp3"_s) {
        return out.filePath(name) + u"\tits result is named \""_s + name + u"\": \""_s + natural +
               u"\" is another book's"_s;
    };
    test::CliRun run = convert({u"--jobs"_s, u"2"_s, a, b, c});
    EXPECT_EQ(run.lines, (QStringList{out.filePath(u"book.mp3"_s), named(u"book (2).mp3"_s),
                                      named(u"book (3).mp3"_s, u"book.mp3"_s)}))
        << run.err.toStdString();
    const QByteArray first = test::readFile(out.filePath(u"book.mp3"_s));
    test::writeFile(out.filePath(u"book (2).mp3"_s), "b's older result");
    run = convert({b});
    EXPECT_EQ(run.lines, QStringList{named(u"book (2).mp3"_s)}) << run.err.toStdString();
    EXPECT_EQ(test::readFile(out.filePath(u"book.mp3"_s)), first);
    EXPECT_NE(test::readFile(out.filePath(u"book (2).mp3"_s)), "b's older result");
    EXPECT_EQ(test::entries(out.path()).size(), 3);
    expectNoWorkingFiles();
}

// Runs sharing TEMP from other PID namespaces (containers) or machines are
// known by the lock they hold, not by their process number: a live one's
// working folder and partial result stay, a dead one's go.
TEST_F(BatchFaults, ALiveRunElsewhereKeepsItsWorkingFolderAndPartialResult)
{
    const QString live = temp.filePath(u"cli-999999999-Abc123"_s);
    const QString dead = temp.filePath(u"cli-999999998-Def456"_s);
    test::writeFile(live + u"/output.wav"_s, "speech of a run elsewhere");
    test::writeFile(dead + u"/owner.lock"_s, "");
    const auto working = OwnerLock::take(Path(live) / u"owner.lock");
    const QString partial = out.filePath(u".a.mp3.999999999.l1ve.part"_s);
    test::writeFile(partial, "a book being made elsewhere");
    const auto making = OwnerLock::take(partial);
    ASSERT_TRUE(working && making);
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const test::CliRun run = convert({a});
    EXPECT_EQ(run.lines, QStringList{out.filePath(u"a.mp3"_s)}) << run.err.toStdString();
    EXPECT_EQ(test::entries(temp.path()), QStringList{u"cli-999999999-Abc123"_s});
    EXPECT_TRUE(QFile::exists(live + u"/output.wav"_s));
    EXPECT_TRUE(QFile::exists(partial));
}

// The pronunciation rules are applied before "no text to speak" is judged,
// and a list that is no file, too large or not text is refused unread.
TEST_F(BatchFaults, ListsThatEraseTheTextOrAreNoTextFileAreNamed)
{
    const QString erase = books.filePath(u"erase.txt"_s);
    test::writeFile(erase, "/.+/ =\n");
    const QString a = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    test::CliRun run = convert({u"--pronounce"_s, erase, a});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines,
              QStringList{failed(a, u"the pronunciation rules leave no text to speak"_s)});
    EXPECT_TRUE(test::entries(out.path()).isEmpty());

    ASSERT_EQ(::mkfifo(QFile::encodeName(books.filePath(u"a.pronounce.txt"_s)).constData(), 0600),
              0);
    const QString b = copyBook(u"hefty-water.epub"_s, u"b.epub"_s);
    ASSERT_TRUE(QFile::link(u"/dev/zero"_s, books.filePath(u"b.pronounce.txt"_s)));
    const QString c = copyBook(u"hefty-water.epub"_s, u"c.epub"_s);
    test::writeFile(books.filePath(u"c.pronounce.txt"_s), QByteArray("\x7f"
                                                                     "ELF\x02\x01\x01\0\0",
                                                                     9));
    run = convert({a, b, c});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.lines,
              (QStringList{
                  out.filePath(u"a.mp3"_s) +
                      u"\ta.pronounce.txt: it is a FIFO (named pipe), not a file; it is not used"_s,
                  out.filePath(u"b.mp3"_s) +
                      u"\tb.pronounce.txt: it is a device, not a file; it is not used"_s,
                  out.filePath(u"c.mp3"_s) +
                      u"\tc.pronounce.txt: it is not a text file; it is not used"_s}));
    expectNoWorkingFiles();
}

// A FIFO or a device named as a book is refused by its type, never read.
TEST_F(BatchFaults, AFifoOrADeviceNamedAsABookIsRefused)
{
    const QString fifo = books.filePath(u"fifo.epub"_s);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const test::CliRun run = convert({fifo, u"/dev/zero"_s});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.lines,
              (QStringList{failed(fifo, u"the book is a FIFO (named pipe), not a file"_s),
                           failed(u"/dev/zero"_s, u"the book is a device, not a file"_s)}));
    EXPECT_TRUE(test::entries(out.path()).isEmpty());
    expectNoWorkingFiles();
}

// A page with a byte that is not UTF-8 keeps its chapter, in the chapter
// files and in the players' view of them.
TEST_F(BatchFaults, APageWithABadByteKeepsItsChapter)
{
    const QByteArray words = "<p>The whale swam on through the grey sea, and the men "
                             "watched it go from the deck for a long while.</p>";
    const QString book = books.filePath(u"three.epub"_s);
    test::makeChapteredBook(
        book,
        {{u"One"_s, words}, {u"Two"_s, "<p>Caf\xe9 au lait.</p>" + words}, {u"Three"_s, words}});
    const test::CliRun run = convert({u"--split-chapters"_s, book});
    ASSERT_EQ(run.lines.size(), 1) << run.err.toStdString();
    EXPECT_TRUE(run.lines[0].startsWith(out.filePath(u"three\t"_s))) << run.lines[0].toStdString();
    EXPECT_TRUE(run.lines[0].contains(u"bytes that are not UTF-8 in OEBPS/c2.xhtml"_s));
    EXPECT_EQ(test::entries(out.filePath(u"three"_s)),
              (QStringList{u"01 - One.mp3"_s, u"02 - Two.mp3"_s, u"03 - Three.mp3"_s}));
    for (const QString& name : test::entries(out.filePath(u"three"_s)))
        EXPECT_EQ(test::PlayersReadItAsFfprobeDoes(out.filePath(u"three/"_s + name)).toStdString(),
                  "");
}

// A book whose file name is not UTF-8 is found by a folder scan and when
// named; its result's name is the name read as Windows-1252.
TEST_F(BatchFaults, BooksNamedInAnotherEncodingAreConverted)
{
    const QByteArray name = QFile::encodeName(booksDir.path()) + "/caf\xe9.epub";
    ASSERT_TRUE(QFile::copy(test::testBook(u"hefty-water.epub"_s), books.filePath(u"x"_s)));
    ASSERT_EQ(::rename(QFile::encodeName(books.filePath(u"x"_s)).constData(), name.constData()), 0);
    const QString line =
        out.filePath(u"caf\u00e9.mp3"_s) +
        u"\tits result is named \"caf\u00e9.mp3\": the book's file name is not UTF-8"_s;
    test::CliRun run = convert({booksDir.path()});
    EXPECT_EQ(run.lines, QStringList{line}) << run.err.toStdString();
    QProcess named; // its bytes as they are, which a QString cannot carry
    named.setProcessEnvironment(env);
    named.start(u"/bin/sh"_s,
                {u"-c"_s, u"exec \"$0\" --rate 10 --out \"$1\" \"$(printf \"$2\")\""_s,
                 QStringLiteral(VT_BIN_DIR "/vellumtone-cli"), out.path(),
                 booksDir.path() + u"/caf\\351.epub"_s});
    ASSERT_TRUE(named.waitForFinished(120000));
    EXPECT_EQ(named.exitCode(), 0) << named.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(named.readAllStandardOutput()), line + u'\n');
    expectNoWorkingFiles();
}

// A result name too long for the file system is shortened before any work;
// a folder in a result's place is found before the book is read.
TEST_F(BatchFaults, ResultPlacesAreSettledBeforeTheBookIsRead)
{
    const QString log = bin.filePath(u"calibre.log"_s);
    test::addFakeTool(
        bin.path(), u"ebook-convert"_s,
        "#!/bin/sh\necho \"$1\" >> \"$CALIBRE_LOG\"\nexec /usr/bin/ebook-convert \"$@\"\n");
    env.insert(u"PATH"_s, bin.path() + u':' + env.value(u"PATH"_s));
    env.insert(u"CALIBRE_LOG"_s, log);
    const QString stem = QString(240, u'x');
    const QString longName = copyBook(u"hefty-water.epub"_s, stem + u".epub"_s);
    const QString taken = copyBook(u"hefty-water.epub"_s, u"taken.epub"_s);
    QDir().mkpath(out.filePath(u"taken.mp3"_s));
    const test::CliRun run = convert({taken, longName});
    const QString shortName = stem.left(196) + u".mp3"_s;
    EXPECT_EQ(run.lines,
              (QStringList{failed(taken, u"a folder has the result's name "_s +
                                             out.filePath(u"taken.mp3"_s) +
                                             u"; rename it or choose another folder"_s),
                           out.filePath(shortName) + u"\tits result is named \""_s + shortName +
                               u"\": the book's name is too long for a file name"_s}))
        << run.err.toStdString();
    EXPECT_EQ(test::readFile(log).count('\n'), 1); // calibre read the long-named book only
}

// What players built on mutagen and eyeD3 read: every result opens with an
// Info frame (exact length, the encoder's delay), an M4B's "chpl" titles
// are cut at a character and its sample entry says mono.
TEST_F(BatchFaults, PlayersReadEveryResultWhole)
{
    const QByteArray words = "<p>The whale swam on through the grey sea, and the men "
                             "watched it go from the deck for a long while.</p>";
    const QString book = books.filePath(u"two.epub"_s);
    test::makeChapteredBook(book, {{QString(190, u'\u00e9'), words}, {u"Two"_s, words}});
    const QList<QStringList> ways{{},
                                  {u"--threads"_s, u"1"_s},
                                  {u"--split-chapters"_s},
                                  {u"--format"_s, u"m4b"_s},
                                  {u"--format"_s, u"m4b"_s, u"--split-chapters"_s}};
    for (const QStringList& way : ways) {
        const test::CliRun run = convert(way + QStringList{book});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        const QString result = run.lines.value(0).section(u'\t', 0, 0);
        const QStringList files =
            QFileInfo(result).isDir()
                ? test::entries(result).replaceInStrings(QRegularExpression(u"^"_s), result + u'/')
                : QStringList{result};
        for (const QString& file : files) {
            EXPECT_EQ(test::PlayersReadItAsFfprobeDoes(file).toStdString(), "")
                << way.join(u' ').toStdString() << ' ' << file.toStdString();
            // The encoder's delay is stated where the book starts.
            const int delay = file.contains(u"/02 - "_s) ? 0 : kLameEncoderDelay;
            if (file.endsWith(u".mp3"_s)) {
                EXPECT_EQ(InfoDelayPadding(test::readFile(file)).delay, delay);
            }
        }
        QDir(result).removeRecursively();
        QFile::remove(result);
    }
}
} // namespace

// Killed outright (SIGKILL, the out-of-memory killer), the batch converter
// takes the tool it waits for along, and the next run removes the working
// folder and the partial result it left.
TEST_F(BatchFaults, AKilledRunTakesItsToolAlongAndTheNextClearsUp)
{
    const QString pidFile = bin.filePath(u"tool.pid"_s);
    test::addFakeTool(bin.path(), u"ebook-convert"_s,
                      "#!/bin/sh\necho $$ > \"$FAKE_PID\"\nexec sleep 600\n");
    QProcessEnvironment faked = env;
    faked.insert(u"PATH"_s, bin.path() + u':' + env.value(u"PATH"_s));
    faked.insert(u"FAKE_PID"_s, pidFile);
    const QString book = copyBook(u"hefty-water.epub"_s, u"a.epub"_s);
    const QString stray = out.filePath(u".a.mp3.999999999.k1ll3d.part"_s);
    test::writeFile(stray, "left by a run killed while it encoded");
    QProcess cli;
    cli.setProcessEnvironment(faked);
    cli.start(QStringLiteral(VT_BIN_DIR "/vellumtone-cli"),
              {u"--rate"_s, u"10"_s, u"--out"_s, out.path(), book});
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(pidFile) && waited.elapsed() < 60000)
        QThread::msleep(50);
    const qint64 tool = test::readFile(pidFile).trimmed().toLongLong();
    ASSERT_GT(tool, 0);
    ::kill(pid_t(cli.processId()), SIGKILL);
    ASSERT_TRUE(cli.waitForFinished(10000));
    waited.restart();
    while (test::processAlive(tool) && waited.elapsed() < 5000)
        QThread::msleep(20);
    EXPECT_FALSE(test::processAlive(tool)) << "the converter outlived the program";
    EXPECT_FALSE(test::entries(temp.path()).isEmpty()); // what the killed run left

    const test::CliRun next = convert({book});
    EXPECT_EQ(next.lines, QStringList{out.filePath(u"a.mp3"_s)}) << next.err.toStdString();
    expectNoWorkingFiles();
    EXPECT_EQ(test::entries(out.path()), QStringList{u"a.mp3"_s});
}

// Faults met by the batch converter, run as a process as a user runs it,
// with the real tools: bad books, hostile places, missing or broken tools.
#include "fault_kit.h"
#include "test_env.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
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

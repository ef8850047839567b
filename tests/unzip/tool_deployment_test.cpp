#include "common/step_guard.h"
#include "fake_window.h"
#include "test_env.h"
#include "tools/tool_deployment.h"
#include "unzip/cunzip.h"
#include "zip_maker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

struct Ran {
    int exitCode = -1;
    QString output;
    QString errors;
};

Ran run(const QString& program, const QStringList& arguments,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(120'000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class ToolDeploymentTest : public ::testing::Test
{
  protected:
    void deploy()
    {
        StepGuard guard(window.report(), u"Form1.PushButton1_Click"_s);
        DeployTools(guard, window.yield());
    }
    void remove()
    {
        StepGuard guard(window.report(), u"Form1.PushButton1_Click"_s);
        RemoveTools(guard, window.yield());
    }

    TempWorkingFolder work;
    FakeWindow window;
};

TEST(ToolResources, HoldTheTwoLaunchers)
{
    QFile archive(u":/CUSTOM/101"_s);
    ASSERT_TRUE(archive.open(QIODevice::ReadOnly));
    QTemporaryDir dir;
    writeFile(dir.filePath(u"calibre.zip"_s), archive.readAll());
    cUnzip unzip;
    unzip.setZipFile(dir.filePath(u"calibre.zip"_s));
    unzip.Directory();
    ASSERT_EQ(unzip.FileCount(), 1);
    EXPECT_EQ(unzip.Filename(1), u"ebook-convert"_s);
    EXPECT_EQ(unzip.FileDirectory(1), QString());

    QFile lame(u":/CUSTOM/102"_s);
    ASSERT_TRUE(lame.open(QIODevice::ReadOnly));
    EXPECT_TRUE(lame.readAll().startsWith("#!/bin/sh\n"));
}

TEST_F(ToolDeploymentTest, LaunchersReachTheInstalledToolsAndNothingIsLeftAfterwards)
{
    // The process stays in the user's folder, where the file dialogs open.
    const QString before = QDir::currentPath();
    deploy();
    EXPECT_EQ(QDir::currentPath(), before);
    EXPECT_TRUE(window.messages.isEmpty()) << window.messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(entries(work.path()), QStringList({u"calibre"_s, u"lame"_s}));
    const QString converter = work.file(u"calibre/ebook-convert"_s);
    EXPECT_TRUE(QFileInfo(converter).isExecutable());
    EXPECT_TRUE(QFileInfo(work.file(u"lame"_s)).isExecutable());

    const Ran calibre = run(converter, {u"--version"_s});
    EXPECT_EQ(calibre.exitCode, 0) << calibre.errors.toStdString();
    EXPECT_TRUE(calibre.output.contains(u"calibre"_s)) << calibre.output.toStdString();
    const Ran lame = run(work.file(u"lame"_s), {u"--version"_s});
    EXPECT_EQ(lame.exitCode, 0) << lame.errors.toStdString();
    EXPECT_TRUE(lame.output.contains(u"LAME"_s)) << lame.output.toStdString();

    // Where the tool is not installed the launcher says so.
    QProcessEnvironment bare;
    bare.insert(u"PATH"_s, work.path());
    const Ran missing = run(work.file(u"lame"_s), {u"--version"_s}, bare);
    EXPECT_EQ(missing.exitCode, 127);
    EXPECT_EQ(missing.errors, u"lame is not installed; install the lame package.\n"_s);
    bare.insert(u"PATH"_s, work.file(u"calibre"_s)); // not even itself
    EXPECT_EQ(run(converter, {}, bare).errors,
              u"ebook-convert is not installed; install the calibre package.\n"_s);

    remove();
    EXPECT_TRUE(entries(work.path()).isEmpty());
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(ToolDeploymentTest, StaleToolsOfAnEndedRunAreUsedAsTheyAreThenRemoved)
{
    ZipMaker stale(work.file(u"calibre.zip"_s));
    stale.file(u"ebook-convert"_s, "#!/bin/sh\necho stale\n", {false, 0100755})
        .file(u"lib/deep/locked.dat"_s, "read-only", {false, 0100444})
        .folder(u"lib/empty/"_s);
    stale.close();
    writeFile(work.file(u"lame"_s), "stale lame");

    deploy();
    EXPECT_TRUE(window.messages.isEmpty()) << window.messageTexts().join(u'\n').toStdString();
    EXPECT_EQ(readFile(work.file(u"calibre/ebook-convert"_s)), "#!/bin/sh\necho stale\n");
    EXPECT_EQ(readFile(work.file(u"calibre/lib/deep/locked.dat"_s)), "read-only");
    EXPECT_EQ(readFile(work.file(u"lame"_s)), "stale lame");
    EXPECT_FALSE(QFileInfo::exists(work.file(u"calibre.zip"_s)));

    remove();
    EXPECT_TRUE(entries(work.path()).isEmpty());
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(ToolDeploymentTest, ADamagedArchiveIsReportedAndTheRunGoesOn)
{
    writeFile(work.file(u"calibre.zip"_s), "not a zip");
    deploy();
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_EQ(window.messages[0].caption, u"Application Error"_s);
    EXPECT_TRUE(window.messages[0].text.contains(
        u"in Vellumtone2021/08/31.Form1.PushButton1_Click at line 126"_s))
        << window.messages[0].text.toStdString();
    EXPECT_EQ(entries(work.path()), QStringList{u"lame"_s});
    remove();
    EXPECT_TRUE(entries(work.path()).isEmpty());
}

} // namespace
} // namespace vt::test

#include "common/error.h"
#include "common/startup.h"
#include "common/working_folder.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vt;

TEST(Startup, ApplicationTitleOfAOneWordNameIsTheName)
{
    SetApplicationTitle(u"Vellumtone"_s);
    EXPECT_EQ(ApplicationTitle(), u"Vellumtone"_s);
    SetApplicationTitle(u"Quillmark Vellumtone 2021"_s);
    EXPECT_EQ(ApplicationTitle(), u"Quillmark Vellumtone"_s);
    SetApplicationTitle(u"Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa Bb Cc"_s);
    EXPECT_EQ(ApplicationTitle(), u"Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"_s);
    SetApplicationTitle();
}

TEST(Startup, VendorPageOpensAtOneStartInAHundred)
{
    QStringList opened;
    const auto open = [&](const QString& url) { opened << url; };
    const QString page = u"https://example.org/vellumtone"_s;
    OpenVendorPageSometimes([] { return 0.05; }, open, page);  // r = 6
    OpenVendorPageSometimes([] { return 0.069; }, open, page); // r = 7
    OpenVendorPageSometimes([] { return 0.999; }, open, page); // r = 100
    OpenVendorPageSometimes([] { return 0.069; }, open, {});   // a project without a page
    EXPECT_EQ(opened, QStringList{page});
    EXPECT_EQ(MakerSiteName(page), u"example.org"_s);
    EXPECT_EQ(MakerSiteName({}), u"the web"_s);
}

TEST(Startup, TempFolderCheckPassesOnAWritableFolder)
{
    test::TempWorkingFolder temp;
    EXPECT_EQ(CheckTempFolder(), QString());
    EXPECT_TRUE(test::entries(temp.path()).isEmpty());
}

TEST(Startup, TempFolderCheckWarnsOnAMissingFolder)
{
    test::TempWorkingFolder temp;
    const QString missing = temp.file(u"gone"_s);
    qputenv("TEMP", QFile::encodeName(missing));
    EXPECT_EQ(
        CheckTempFolder(),
        u"Software cannot access your TEMP folder.\n\nIt needs to access the TEMP folder to "
        u"work correctly.\n\nPlease delete files in your\n\n"_s +
            missing +
            u"\n\nfolder\n\nPlease email support@vellumtone.example if you have any questions."_s);
}

TEST(WorkingFolder, TempIsUsedWhenSetElseAPrivateFolder)
{
    test::TempWorkingFolder temp;
    EXPECT_EQ(WorkingFolder()->text(), temp.path());

    QTemporaryDir base;
    qunsetenv("TEMP");
    qputenv("TMPDIR", QFile::encodeName(base.path()));
    const QString mine = base.path() + u"/vellumtone-"_s + QString::number(::getuid());
    EXPECT_EQ(WorkingFolder()->text(), mine);
    EXPECT_EQ(QFileInfo(mine).permissions() & 0x0077, 0); // nothing for group and others
    qunsetenv("TMPDIR");
}

TEST(WorkingFolder, ASharedFolderIsNeverUsedItself)
{
    test::TempWorkingFolder temp;
    QFile::setPermissions(temp.path(), QFileDevice::Permissions(0x7777));
    EXPECT_EQ(WorkingFolder()->text(),
              temp.path() + u"/vellumtone-"_s + QString::number(::getuid()));

    // A planted link in place of the private folder is refused.
    QTemporaryDir base;
    QTemporaryDir elsewhere;
    qunsetenv("TEMP");
    qputenv("TMPDIR", QFile::encodeName(base.path()));
    QFile::link(elsewhere.path(), base.path() + u"/vellumtone-"_s + QString::number(::getuid()));
    EXPECT_EQ(WorkingFolder().error(), u"The working folder "_s + base.path() + u"/vellumtone-"_s +
                                           QString::number(::getuid()) +
                                           u" is not a real folder; refusing to use it."_s);
    qunsetenv("TMPDIR");
}

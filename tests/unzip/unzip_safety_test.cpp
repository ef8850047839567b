#include "test_env.h"
#include "unzip/cunzip.h"
#include "zip_maker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

class UnzipSafetyTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        target = dir.filePath(u"out"_s);
        unzip.setUnzipFolder(target);
        unzip.setUseFolderNames(true);
        unzip.Progress = [this](qint32, const QString& text) { messages.append(text); };
    }
    QString out(const QString& name) const { return target + u'/' + name; }
    QString use(const QString& name)
    {
        const QString path = dir.filePath(name);
        unzip.setZipFile(path);
        return path;
    }

    QTemporaryDir dir;
    QString target;
    cUnzip unzip;
    QStringList messages;
};

TEST_F(UnzipSafetyTest, EntriesLeadingOutOfTheTargetFolderAreNeverWritten)
{
    const QString absolute = dir.filePath(u"absolute.txt"_s);
    ZipMaker zip(use(u"evil.zip"_s));
    zip.file(u"../escape.txt"_s, "out")
        .file(u"docs/../../escape2.txt"_s, "out")
        .file(absolute, "out")
        .file(u"docs/ok.txt"_s, "in")
        .link(u"docs/link"_s, "/etc/passwd");
    zip.close();

    for (const bool folders : {true, false}) {
        messages.clear();
        unzip.setUseFolderNames(folders);
        EXPECT_FALSE(unzip.Unzip()); // something was left out
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"escape.txt"_s)));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"escape2.txt"_s)));
        EXPECT_FALSE(QFileInfo::exists(out(u"escape.txt"_s)));
        EXPECT_FALSE(QFileInfo::exists(absolute));
        EXPECT_FALSE(QFileInfo::exists(out(folders ? u"docs/link"_s : u"link"_s)));
        EXPECT_EQ(readFile(out(folders ? u"docs/ok.txt"_s : u"ok.txt"_s)), "in");
        EXPECT_TRUE(messages.contains(
            u"Skipped ../escape.txt: its path leads out of the target folder."_s));
        EXPECT_TRUE(messages.contains(u"Skipped "_s + absolute + u": its path is absolute."_s));
        EXPECT_TRUE(messages.contains(
            u"Skipped docs/link: it is a symbolic link, and links are not unpacked."_s));
    }
    // The listing still shows them as they are stored.
    unzip.Directory();
    EXPECT_EQ(unzip.FileDirectory(1), u".."_s);
    EXPECT_EQ(unzip.Filename(1), u"escape.txt"_s);
}

TEST_F(UnzipSafetyTest, LinksInTheTargetFolderAreNotFollowed)
{
    const QString outside = dir.filePath(u"outside"_s);
    QDir().mkpath(outside);
    writeFile(outside + u"/c.txt"_s, "outside");
    QDir().mkpath(target);
    ASSERT_TRUE(QFile::link(outside, out(u"docs"_s)));
    ASSERT_TRUE(QFile::link(outside + u"/c.txt"_s, out(u"readme.txt"_s)));
    makeCleanArchive(use(u"clean.zip"_s));
    unzip.setOverwriteExisting(true);

    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(entries(outside), QStringList{u"c.txt"_s});
    EXPECT_EQ(readFile(outside + u"/c.txt"_s), "outside");
    EXPECT_TRUE(messages.contains(u"Skipped docs/a/b.txt: a link stands in its way."_s));
    EXPECT_TRUE(messages.contains(u"Skipped readme.txt: a link stands in its way."_s));
    EXPECT_EQ(readFile(out(u"bin/run.sh"_s)), "#!/bin/sh\necho run\n");
}

TEST_F(UnzipSafetyTest, ArchiveErrorsReachTheCallerWithTheirSource)
{
    const QString missing = use(u"missing.zip"_s);
    for (const auto& call : {std::function<void()>([&] { unzip.Directory(); }),
                             std::function<void()>([&] { unzip.Unzip(); })}) {
        const auto error = errorOf(call);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->number(), err::FileNotFound);
        EXPECT_EQ(error->source(), u"Vellumtone.VBUnzip"_s);
        EXPECT_EQ(error->description(),
                  u"The zip archive \""_s + missing + u"\" does not exist."_s);
    }

    makeCleanArchive(dir.filePath(u"whole.zip"_s));
    const QByteArray whole = readFile(dir.filePath(u"whole.zip"_s));
    const QString truncated = use(u"truncated.zip"_s);
    writeFile(truncated, whole.left(whole.size() / 2));
    auto error = errorOf([&] { unzip.Unzip(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), kInvalidFileFormat);
    EXPECT_EQ(error->source(), u"Vellumtone.VBUnzip"_s);
    EXPECT_TRUE(error->description().startsWith(u"The zip archive \""_s + truncated +
                                                u"\" is damaged or is not a zip archive"_s))
        << error->description().toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));

    writeFile(use(u"empty.zip"_s), {});
    error = errorOf([&] { unzip.Directory(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), kInvalidFileFormat);
}

TEST_F(UnzipSafetyTest, ADamagedEntryIsReportedAfterTheOthersAndHarmsNoFile)
{
    const QString damaged = use(u"damaged.zip"_s);
    {
        ZipMaker zip(damaged);
        zip.file(u"first.txt"_s, "first")
            .file(u"bad.txt"_s, "PAYLOAD-PAYLOAD", {true})
            .file(u"last.txt"_s, "last");
        zip.close();
    }
    QByteArray bytes = readFile(damaged);
    bytes.replace("PAYLOAD-PAYLOAD", "PAYLOAD-PAYLOAX");
    writeFile(damaged, bytes);
    writeFile(out(u"bad.txt"_s), "kept");
    unzip.setOverwriteExisting(true);

    const auto error = errorOf([&] { unzip.Unzip(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->source(), u"Vellumtone.VBUnzip"_s);
    EXPECT_TRUE(error->description().startsWith(u"The entry \"bad.txt\" of the zip archive \""_s))
        << error->description().toStdString();
    EXPECT_EQ(readFile(out(u"first.txt"_s)), "first");
    EXPECT_EQ(readFile(out(u"last.txt"_s)), "last");
    EXPECT_EQ(readFile(out(u"bad.txt"_s)), "kept");
    EXPECT_EQ(entries(target), QStringList({u"bad.txt"_s, u"first.txt"_s, u"last.txt"_s}));

    unzip.setTestZip(true);
    EXPECT_TRUE(errorOf([&] { unzip.Unzip(); }));
}

} // namespace
} // namespace vt::test

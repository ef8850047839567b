#include "test_env.h"
#include "unzip/cunzip.h"
#include "zip_maker.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace vt::test
{
namespace
{

mode_t modeOf(const QString& path)
{
    struct stat st {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

qint32 indexOf(const cUnzip& unzip, const QString& name)
{
    for (qint32 i = 1; i <= unzip.FileCount(); ++i)
        if (unzip.Filename(i) == name)
            return i;
    return 0;
}

class CUnzipTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        archive = dir.filePath(u"clean.zip"_s);
        target = dir.filePath(u"out"_s);
        makeCleanArchive(archive);
        unzip.setZipFile(archive);
        unzip.setUnzipFolder(target);
        unzip.setUseFolderNames(true);
        unzip.Progress = [this](qint32 count, const QString& text) {
            EXPECT_EQ(count, 1);
            messages.append(text);
        };
    }
    QString out(const QString& name) const { return target + u'/' + name; }

    QTemporaryDir dir;
    QString archive;
    QString target;
    cUnzip unzip;
    QStringList messages;
};

TEST(CUnzipDefaults, StartEmptyAndGuardTheEntryIndex)
{
    cUnzip unzip;
    EXPECT_FALSE(unzip.ExtractOnlyNewer() || unzip.SpaceToUnderScore() ||
                 unzip.PromptToOverwrite() || unzip.TestZip() || unzip.UseFolderNames() ||
                 unzip.OverwriteExisting() || unzip.ConvertCRToCRLF() ||
                 unzip.CaseSensitiveFileNames());
    EXPECT_EQ(unzip.MessageLevel(), 0);
    EXPECT_TRUE(unzip.ZipFile().isEmpty());
    EXPECT_TRUE(unzip.UnzipFolder().isEmpty());
    EXPECT_EQ(unzip.FileCount(), 0);
    EXPECT_EQ(errorOf([&] { unzip.Filename(1); })->number(), err::SubscriptOutOfRange);
    EXPECT_EQ(errorOf([&] { unzip.setFileSelected(0, true); })->number(), err::SubscriptOutOfRange);
    // Nothing named: nothing done.
    EXPECT_EQ(unzip.Directory(), 0);
    EXPECT_FALSE(unzip.Unzip());

    qint32 major = -1, minor = -1, revision = -1;
    const QDateTime date(QDate(2000, 1, 2), QTime(3, 4));
    QDateTime dDate = date;
    QString extra;
    unzip.GetVersion(major, minor, revision, dDate, extra);
    EXPECT_EQ(QString::number(major) + u'.' + QString::number(minor) + u'.' +
                  QString::number(revision),
              QString::fromUtf8(zip_libzip_version()));
    EXPECT_EQ(dDate, date);
    EXPECT_EQ(extra.size(), 10);
}

TEST_F(CUnzipTest, DirectoryListsFileEntriesOnlyAndAppends)
{
    EXPECT_EQ(unzip.Directory(), 0);
    ASSERT_EQ(unzip.FileCount(), 6); // the folder entries docs/ and empty/ are not listed
    const qint32 b = indexOf(unzip, u"b.txt"_s);
    ASSERT_GT(b, 0);
    EXPECT_EQ(unzip.FileDirectory(b), u"docs/a"_s);
    EXPECT_EQ(unzip.FileSize(b), 8);
    EXPECT_EQ(unzip.FileCRC(b), crc32("nested b"));
    EXPECT_EQ(unzip.FileDate(b), QDateTime(QDate(2021, 8, 31), QTime(14, 35, 0)));
    EXPECT_FALSE(unzip.FileEncrypted(b));
    EXPECT_TRUE(unzip.FileSelected(b));

    const qint32 readme = indexOf(unzip, u"readme.txt"_s);
    EXPECT_EQ(unzip.FileDirectory(readme), QString());
    EXPECT_EQ(unzip.FileCompressionMethod(readme), u"Deflated"_s);
    EXPECT_LT(unzip.FileCompressionRatio(readme), 10);
    EXPECT_EQ(unzip.FilePackedSize(readme),
              unzip.FileSize(readme) * unzip.FileCompressionRatio(readme) / 100);
    const qint32 stored = indexOf(unzip, u"stored.bin"_s);
    EXPECT_EQ(unzip.FileCompressionMethod(stored), u"Stored"_s);
    EXPECT_EQ(unzip.FileCompressionRatio(stored), 100);
    EXPECT_EQ(unzip.FilePackedSize(stored), 9);

    unzip.setFileSelected(b, false);
    EXPECT_FALSE(unzip.FileSelected(b));
    unzip.Directory();
    EXPECT_EQ(unzip.FileCount(), 12);
    unzip.setZipFile(archive); // the same name still empties the list
    EXPECT_EQ(unzip.FileCount(), 0);
    EXPECT_EQ(errorOf([&] { unzip.FileSize(1); })->number(), err::SubscriptOutOfRange);
}

TEST_F(CUnzipTest, PackedSizeBeyond32BitsIsAnOverflow)
{
    const QString big = dir.filePath(u"big.zip"_s);
    ZipMaker zip(big);
    zip.file(u"zeros.bin"_s, QByteArray(22'000'000, '\0'), {true});
    zip.close();
    unzip.setZipFile(big);
    unzip.Directory();
    EXPECT_EQ(unzip.FileSize(1), 22'000'000);
    EXPECT_EQ(unzip.FileCompressionRatio(1), 100);
    EXPECT_EQ(errorOf([&] { unzip.FilePackedSize(1); })->number(), err::Overflow);
}

TEST_F(CUnzipTest, UnzipsTheWholeArchiveWithFoldersModesAndDates)
{
    EXPECT_TRUE(unzip.Unzip()); // nothing listed: everything
    EXPECT_EQ(readFile(out(u"readme.txt"_s)), QByteArray("Read me. ").repeated(200));
    EXPECT_EQ(readFile(out(u"stored.bin"_s)), QByteArray("\x00\x01\x02stored", 9));
    EXPECT_EQ(readFile(out(u"docs/a/b.txt"_s)), "nested b");
    EXPECT_TRUE(QFileInfo(out(u"empty"_s)).isDir());
    EXPECT_TRUE(entries(out(u"empty"_s)).isEmpty());
    EXPECT_EQ(modeOf(out(u"readonly.txt"_s)), 0444u);
    EXPECT_EQ(modeOf(out(u"bin/run.sh"_s)), 0755u);
    EXPECT_EQ(QFileInfo(out(u"docs/c.txt"_s)).lastModified(),
              QDateTime(QDate(2021, 8, 31), QTime(14, 35, 20)));
    EXPECT_TRUE(messages.contains(u"Unpacked "_s + out(u"docs/a/b.txt"_s)));
    // Nothing half-written is left beside the files.
    EXPECT_EQ(entries(target), QStringList({u"bin"_s, u"docs"_s, u"empty"_s, u"readme.txt"_s,
                                            u"readonly.txt"_s, u"stored.bin"_s}));
}

TEST_F(CUnzipTest, WithoutFolderNamesEveryFileLandsInTheTargetFolder)
{
    unzip.setUseFolderNames(false);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(entries(target), QStringList({u"b.txt"_s, u"c.txt"_s, u"readme.txt"_s,
                                            u"readonly.txt"_s, u"run.sh"_s, u"stored.bin"_s}));
}

TEST_F(CUnzipTest, UnzipsTheSelectedEntriesOrAllWhenAllOrNoneAreSelected)
{
    unzip.Directory();
    unzip.setFileSelected(indexOf(unzip, u"b.txt"_s), false);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_FALSE(QFileInfo::exists(out(u"docs/a/b.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(out(u"docs/c.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(out(u"empty"_s))); // folder entries go with "everything" only

    QDir(target).removeRecursively();
    for (qint32 i = 1; i <= unzip.FileCount(); ++i)
        unzip.setFileSelected(i, false);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_TRUE(QFileInfo::exists(out(u"docs/a/b.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(out(u"empty"_s)));

    QDir(target).removeRecursively();
    unzip.setFileSelected(indexOf(unzip, u"b.txt"_s), true);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(entries(target), QStringList{u"docs"_s});
    EXPECT_EQ(entries(out(u"docs"_s)), QStringList{u"a"_s});
}

TEST_F(CUnzipTest, MoreThan1023SelectedButNotAllIsOutOfRange)
{
    const QString many = dir.filePath(u"many.zip"_s);
    ZipMaker zip(many);
    for (int i = 0; i < 1025; ++i)
        zip.file(u"f"_s + QString::number(i), "x", {true});
    zip.close();
    unzip.setZipFile(many);
    unzip.Directory();
    unzip.setFileSelected(1, false);
    const auto error = errorOf([&] { unzip.Unzip(); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number(), err::SubscriptOutOfRange);
    EXPECT_EQ(error->source(), u"Vellumtone.VBUnzip"_s);
    EXPECT_FALSE(QFileInfo::exists(target));

    unzip.setFileSelected(1, true); // all selected: everything, whatever the count
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(entries(target).size(), 1025);
}

TEST_F(CUnzipTest, SpacesBecomeUnderscoresAndLetterCaseMatchesAsAsked)
{
    const QString named = dir.filePath(u"named.zip"_s);
    ZipMaker zip(named);
    zip.file(u"a b/c d.txt"_s, "1").file(u"A.txt"_s, "2").file(u"a.txt"_s, "3");
    zip.close();
    unzip.setZipFile(named);
    unzip.setSpaceToUnderScore(true);
    unzip.Directory();
    unzip.setFileSelected(indexOf(unzip, u"a.txt"_s), false);
    EXPECT_TRUE(unzip.Unzip());
    // Without case sensitivity the selected "A.txt" names "a.txt" too.
    EXPECT_EQ(entries(target), QStringList({u"A.txt"_s, u"a.txt"_s, u"a_b"_s}));
    EXPECT_EQ(readFile(out(u"a_b/c_d.txt"_s)), "1");

    QDir(target).removeRecursively();
    unzip.setCaseSensitiveFileNames(true);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(entries(target), QStringList({u"A.txt"_s, u"a_b"_s}));
}

TEST_F(CUnzipTest, ExistingFilesAreKeptUnlessTheAnswerOrTheOptionsSayOtherwise)
{
    writeFile(out(u"readme.txt"_s), "mine");
    writeFile(out(u"docs/c.txt"_s), "mine");
    EXPECT_TRUE(unzip.Unzip()); // no listener: the preset answer keeps them
    EXPECT_EQ(readFile(out(u"readme.txt"_s)), "mine");
    EXPECT_EQ(readFile(out(u"docs/c.txt"_s)), "mine");

    QStringList asked;
    qint32 answer = kOverwriteReplace;
    unzip.OverwritePrompt = [&](const QString& file, qint32& response) {
        EXPECT_EQ(response, kOverwriteKeep);
        asked.append(file);
        response = answer;
    };
    writeFile(out(u"readme.txt"_s), "mine");
    writeFile(out(u"docs/c.txt"_s), "mine");
    answer = kOverwriteKeepAll;
    unzip.Unzip();
    EXPECT_EQ(asked.size(), 1); // the first answer stood for the rest
    EXPECT_EQ(readFile(out(u"docs/c.txt"_s)), "mine");

    asked.clear();
    answer = kOverwriteReplace;
    unzip.Unzip();
    EXPECT_EQ(asked.size(), 6); // every file is there now
    EXPECT_TRUE(asked.contains(out(u"docs/c.txt"_s)));
    EXPECT_EQ(readFile(out(u"docs/c.txt"_s)), "c");

    asked.clear();
    writeFile(out(u"docs/c.txt"_s), "mine");
    unzip.setOverwriteExisting(true);
    unzip.Unzip();
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(readFile(out(u"docs/c.txt"_s)), "c");
    unzip.setPromptToOverwrite(true);
    unzip.Unzip();
    EXPECT_EQ(asked.size(), 6);
}

TEST_F(CUnzipTest, OnlyNewerReplacesOlderFilesAlone)
{
    ASSERT_TRUE(unzip.Unzip());
    writeFile(out(u"docs/c.txt"_s), "newer than the entry");
    writeFile(out(u"readme.txt"_s), "older than the entry");
    QFile old(out(u"readme.txt"_s));
    ASSERT_TRUE(old.open(QIODevice::ReadWrite));
    old.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
    old.close();
    int asked = 0;
    unzip.OverwritePrompt = [&](const QString&, qint32&) { ++asked; };
    unzip.setExtractOnlyNewer(true);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(readFile(out(u"docs/c.txt"_s)), "newer than the entry");
    EXPECT_EQ(readFile(out(u"readme.txt"_s)), QByteArray("Read me. ").repeated(200));
}

TEST_F(CUnzipTest, TestZipChecksEveryEntryAndWritesNothing)
{
    unzip.setTestZip(true);
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_FALSE(QFileInfo::exists(target));
    EXPECT_TRUE(messages.contains(u"Tested docs/a/b.txt: OK"_s));

    unzip.setMessageLevel(kMessagesWarnings);
    messages.clear();
    EXPECT_TRUE(unzip.Unzip());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(CUnzipTest, CancelStopsBeforeTheEntryItNames)
{
    QStringList told;
    unzip.Cancel = [&](const QString& name, bool& cancel) {
        EXPECT_FALSE(cancel);
        told.append(name);
        cancel = name == u"docs/a/b.txt"_s;
    };
    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(told, QStringList({u"readme.txt"_s, u"stored.bin"_s, u"docs/"_s, u"docs/c.txt"_s,
                                 u"docs/a/b.txt"_s}));
    EXPECT_TRUE(QFileInfo::exists(out(u"docs/c.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(out(u"docs/a"_s)));
    EXPECT_FALSE(QFileInfo::exists(out(u"readonly.txt"_s)));
    EXPECT_TRUE(messages.contains(u"Stopped before docs/a/b.txt: cancelled."_s));
}

TEST_F(CUnzipTest, PasswordsAreAskedUntilAnEmptyAnswerOrCancel)
{
    const QString locked = dir.filePath(u"locked.zip"_s);
    ZipMaker zip(locked);
    zip.file(u"one.txt"_s, "secret one", {false, 0100644, "open sesame"})
        .file(u"plain.txt"_s, "plain")
        .file(u"two.txt"_s, "secret two", {true, 0100644, "open sesame"});
    zip.close();
    unzip.setZipFile(locked);
    unzip.Directory();
    EXPECT_TRUE(unzip.FileEncrypted(1));
    EXPECT_FALSE(unzip.FileEncrypted(2));

    // No listener: encrypted entries are skipped, the rest unpacked.
    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(entries(target), QStringList{u"plain.txt"_s});
    EXPECT_TRUE(
        messages.contains(u"Skipped one.txt: it is encrypted and no password was given."_s));

    QStringList answers;
    int requests = 0;
    unzip.PasswordRequest = [&](QString& password, bool& cancel) {
        EXPECT_TRUE(password.isEmpty());
        EXPECT_FALSE(cancel);
        ++requests;
        password = answers.isEmpty() ? QString() : answers.takeFirst();
    };
    EXPECT_FALSE(unzip.Unzip()); // an empty answer: asked once in the call, not again
    EXPECT_EQ(requests, 1);

    requests = 0;
    answers = {u"wrong"_s, u"  open sesame "_s};
    EXPECT_TRUE(unzip.Unzip()); // blanks trimmed; the good one serves both entries
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(readFile(out(u"one.txt"_s)), "secret one");
    EXPECT_EQ(readFile(out(u"two.txt"_s)), "secret two");

    QDir(target).removeRecursively();
    unzip.PasswordRequest = [&](QString& password, bool& cancel) {
        password = u"open sesame"_s;
        cancel = true;
    };
    EXPECT_FALSE(unzip.Unzip());
    EXPECT_EQ(entries(target), QStringList{u"plain.txt"_s});
}

} // namespace
} // namespace vt::test

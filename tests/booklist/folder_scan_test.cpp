#include "booklist/folder_scan.h"
#include "fake_window.h"
#include "test_env.h"
#include "unreadable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

class Scan : public ::testing::Test
{
  protected:
    QString dir(const QString& relative)
    {
        const QString path = root.filePath(relative);
        QDir().mkpath(path);
        return path;
    }
    QString file(const QString& relative, const QByteArray& content = "x")
    {
        const QString path = root.filePath(relative);
        test::writeFile(path, content);
        return path;
    }
    QString top() const { return root.path() + u'/'; }
    // Sub-folder names in the order the file system lists them.
    QStringList listed(const QString& relative) const
    {
        return QDir(root.filePath(relative))
            .entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted);
    }
    QStringList scan(QStringList folders = {})
    {
        if (folders.isEmpty())
            folders = {top()};
        GetSubDirectories2016(folders, true, window.yield(), window.report());
        return folders;
    }

    QTemporaryDir root;
    test::FakeWindow window;
};

} // namespace

TEST_F(Scan, ListsTheTreeBreadthFirst)
{
    dir(u"A/B/D"_s);
    dir(u"A/C"_s);
    const QString a = root.filePath(u"A/"_s);
    QStringList expected{a};
    for (const QString& name : listed(u"A"_s))
        expected.append(a + name + u'/');
    expected.append(a + u"B/D/"_s);
    EXPECT_EQ(scan({a}), expected);
    EXPECT_TRUE(window.messages.isEmpty());
    EXPECT_GT(window.yields, 0);
}

TEST_F(Scan, WithoutRecursionOnlyTheFirstLevelIsAdded)
{
    dir(u"B/D"_s);
    QStringList folders{top()};
    GetSubDirectories2016(folders, false, window.yield(), window.report());
    EXPECT_EQ(folders, (QStringList{top(), top() + u"B/"_s}));
}

TEST_F(Scan, GivenEntriesStayEvenWhenTheyAreNoFolders)
{
    dir(u"B"_s);
    const QString missing = root.filePath(u"missing/"_s);
    const QString plainFile = file(u"plain.epub"_s) + u'/';
    EXPECT_EQ(scan({missing, top(), plainFile}),
              (QStringList{missing, top(), plainFile, top() + u"B/"_s}));
}

TEST_F(Scan, HiddenFoldersAreEnteredUnreadableOnesDropWithoutAMessage)
{
    dir(u".hidden/inner"_s);
    dir(u"locked/below"_s);
    dir(u"shut"_s);
    dir(u"open"_s);
    test::Unreadable locked(root.filePath(u"locked"_s));
    test::Unreadable shut(root.filePath(u"shut"_s));
    if (!locked.ok() || !shut.ok())
        GTEST_SKIP() << "cannot set aside root's rights here";
    const QStringList result = scan();
    EXPECT_TRUE(result.contains(top() + u".hidden/"_s));
    EXPECT_TRUE(result.contains(top() + u".hidden/inner/"_s));
    EXPECT_TRUE(result.contains(top() + u"open/"_s));
    EXPECT_FALSE(result.contains(top() + u"locked/"_s));
    EXPECT_FALSE(result.contains(top() + u"locked/below/"_s));
    EXPECT_FALSE(result.contains(top() + u"shut/"_s));
    EXPECT_EQ(result.size(), 4);
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(Scan, AnUnreadableTopFolderLeavesTheList)
{
    dir(u"top/sub"_s);
    const QString topFolder = root.filePath(u"top/"_s);
    test::Unreadable locked(topFolder);
    if (!locked.ok())
        GTEST_SKIP() << "cannot set aside root's rights here";
    EXPECT_EQ(scan({topFolder}), QStringList());
}

TEST_F(Scan, AFolderThatVanishesDuringTheScanIsDropped)
{
    dir(u"gone/deeper"_s);
    dir(u"stays/inner"_s);
    // Yields: the top folder, its two sub-folders found, then entering the
    // first of them, which is when the folder to be removed goes.
    const QString first = listed(QString()).first();
    const QString victim = root.filePath(first);
    window.onYield = [&] {
        if (window.yields == 4)
            QDir(victim).removeRecursively();
    };
    const QStringList result = scan();
    EXPECT_FALSE(result.contains(top() + first + u'/'));
    EXPECT_EQ(result.size(), 3); // the top and the other folder with its child
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(Scan, FoldersReachedTwiceThroughLinksAreListedOnce)
{
    dir(u"A/B"_s);
    dir(u"outside/X"_s);
    ASSERT_EQ(::symlink("..", QFile::encodeName(root.filePath(u"A/B/loop"_s)).constData()), 0);
    ASSERT_EQ(::symlink("../outside", QFile::encodeName(root.filePath(u"A/one"_s)).constData()), 0);
    ASSERT_EQ(::symlink("../outside", QFile::encodeName(root.filePath(u"A/two"_s)).constData()), 0);
    const QStringList result = scan({root.filePath(u"A/"_s)});
    // A, B, and the outside folder with its X through one of the two links.
    ASSERT_EQ(result.size(), 4) << result.join(u' ').toStdString();
    EXPECT_EQ(result.first(), root.filePath(u"A/"_s));
    EXPECT_TRUE(result.contains(root.filePath(u"A/B/"_s)));
    EXPECT_EQ(result.filter(u"/X/"_s).size(), 1);
    EXPECT_TRUE(result.filter(u"loop"_s).isEmpty());
}

TEST_F(Scan, AMountedFolderAlsoReachedThroughALinkIsListedOnce)
{
    dir(u"A/B"_s);
    const test::TmpfsMount mount(0, dir(u"A/mnt"_s));
    if (!mount.mounted())
        GTEST_SKIP() << mount.skip().toStdString();
    dir(u"A/mnt/X"_s);
    ASSERT_EQ(::symlink("../mnt", QFile::encodeName(root.filePath(u"A/B/link"_s)).constData()), 0);
    const QStringList result = scan({root.filePath(u"A/"_s)});
    // A, B, the mounted folder through one of its two paths, and its X.
    EXPECT_EQ(result.size(), 4) << result.join(u' ').toStdString();
    EXPECT_EQ(result.filter(u"/X/"_s).size(), 1);
}

TEST_F(Scan, NamesWithControlCharactersOrBrokenUtf8AreLeftOutWithTheirTree)
{
    const QByteArray base = QFile::encodeName(top());
    ASSERT_EQ(::mkdir((base + "tab\tname").constData(), 0755), 0);
    ASSERT_EQ(::mkdir((base + "bad\xff").constData(), 0755), 0);
    ASSERT_EQ(::mkdir((base + "bad\xff/below").constData(), 0755), 0);
    dir(u"what?"_s);
    dir(u"Café"_s);
    const QStringList result = scan();
    EXPECT_EQ(result.size(), 3) << result.join(u' ').toStdString();
    EXPECT_TRUE(result.contains(top() + u"what?/"_s));
    EXPECT_TRUE(result.contains(top() + u"Café/"_s));
    // Names that are not UTF-8 cannot be removed through Qt.
    ::rmdir((base + "bad\xff/below").constData());
    ::rmdir((base + "bad\xff").constData());
}

TEST(OddCharacters, ControlCodesAndBrokenUtf8Only)
{
    EXPECT_FALSE(HasOddCharacters(QByteArray()));
    EXPECT_FALSE(HasOddCharacters(QByteArray("why? ~ & | * <>")));
    EXPECT_FALSE(HasOddCharacters(u"Ünïcødé 書 😀"_s.toUtf8()));
    EXPECT_TRUE(HasOddCharacters(QByteArray("a\x1f")));
    EXPECT_TRUE(HasOddCharacters(QByteArray("a\x7f")));
    EXPECT_TRUE(HasOddCharacters(u"a\u0085"_s.toUtf8())); // C1 control
    EXPECT_TRUE(HasOddCharacters(u"a\u009f"_s.toUtf8()));
    EXPECT_FALSE(HasOddCharacters(u"a\u00a0"_s.toUtf8()));     // first after the C1 block
    EXPECT_TRUE(HasOddCharacters(QByteArray("\xc3")));         // cut short
    EXPECT_TRUE(HasOddCharacters(QByteArray("\xc0\xaf")));     // overlong
    EXPECT_TRUE(HasOddCharacters(QByteArray("\xed\xa0\x80"))); // surrogate
    EXPECT_TRUE(HasOddCharacters(u"tab\there"_s));
    EXPECT_FALSE(HasOddCharacters(u"plain?"_s));
}

TEST_F(Scan, ListFolderFilesMatchesWithoutRegardToCaseAndIncludesHiddenFiles)
{
    file(u"one.epub"_s);
    file(u"TWO.EPUB"_s);
    file(u".hidden.ePub"_s);
    file(u"notes.txt"_s);
    file(u"noextension"_s);
    file(u"almost.epubx"_s);
    dir(u"folder.epub"_s);
    ASSERT_EQ(
        ::symlink("folder.epub", QFile::encodeName(root.filePath(u"link.epub"_s)).constData()), 0);
    ASSERT_EQ(
        ::symlink("missing", QFile::encodeName(root.filePath(u"dangling.epub"_s)).constData()), 0);
    ASSERT_EQ(::symlink("one.epub", QFile::encodeName(root.filePath(u"alias.epub"_s)).constData()),
              0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(root.filePath(u"pipe.epub"_s)).constData(), 0644), 0);

    QStringList epubs = ListFolderFiles(root.path(), u"*.epub"_s);
    epubs.sort();
    EXPECT_EQ(epubs,
              (QStringList{u".hidden.ePub"_s, u"TWO.EPUB"_s, u"alias.epub"_s, u"one.epub"_s}));
    EXPECT_EQ(ListFolderFiles(top(), u"*.epub"_s).size(), 4); // with or without the "/"
    EXPECT_EQ(ListFolderFiles(root.path(), u"*.*"_s).size(), 7);
    EXPECT_TRUE(ListFolderFiles(root.path(), u"*.pdf"_s).isEmpty());
    EXPECT_TRUE(ListFolderFiles(root.filePath(u"missing"_s), u"*.*"_s).isEmpty());
}

TEST_F(Scan, IsExistingFileNeedsAnOpenableRegularFile)
{
    const QString book = file(u"book.epub"_s);
    EXPECT_TRUE(IsExistingFile(book));
    EXPECT_FALSE(IsExistingFile(root.path()));
    EXPECT_FALSE(IsExistingFile(root.filePath(u"missing.epub"_s)));
    EXPECT_FALSE(IsExistingFile(QString()));
    // Reading is not needed, only that the file is there to be opened.
    ::chmod(QFile::encodeName(book).constData(), 0);
    EXPECT_TRUE(IsExistingFile(book));
    // A file inside a folder that cannot be entered is not there for us.
    const QString inner = file(u"shut/inner.epub"_s);
    test::Unreadable shut(root.filePath(u"shut"_s));
    if (shut.ok()) {
        EXPECT_FALSE(IsExistingFile(inner));
    }
}

TEST_F(Scan, AttributesAsThisPlatformMapsThem)
{
    EXPECT_EQ(FileAttributes(file(u"plain.epub"_s)), attr::Archive);
    EXPECT_EQ(FileAttributes(file(u".old.epub"_s)), attr::Hidden | attr::Archive);
    const QString readOnly = file(u".ro.epub"_s);
    ::chmod(QFile::encodeName(readOnly).constData(), 0444);
    EXPECT_EQ(FileAttributes(readOnly), attr::ReadOnly | attr::Hidden | attr::Archive);
    EXPECT_EQ(FileAttributes(dir(u"sub"_s)), attr::Directory);
    EXPECT_EQ(FileAttributes(dir(u".sub"_s) + u'/'), attr::Hidden | attr::Directory);
    ASSERT_EQ(::symlink("plain.epub", QFile::encodeName(root.filePath(u"l"_s)).constData()), 0);
    EXPECT_EQ(FileAttributes(root.filePath(u"l"_s)), attr::ReparsePoint | attr::Archive);
    EXPECT_EQ(FileAttributes(root.filePath(u"missing"_s)), -1);
}

TEST(Patterns, WildcardsWithoutRegardToCase)
{
    EXPECT_TRUE(MatchesPattern(u"no dot"_s, u"*.*"_s));
    EXPECT_TRUE(MatchesPattern(u"a.EPUB"_s, u"*.epub"_s));
    EXPECT_TRUE(MatchesPattern(u"x.tar.epub"_s, u"*.epub"_s));
    EXPECT_FALSE(MatchesPattern(u"a.epub.txt"_s, u"*.epub"_s));
    EXPECT_FALSE(MatchesPattern(u"epub"_s, u"*.epub"_s));
    EXPECT_TRUE(MatchesPattern(u"ab1.txt"_s, u"a?1*"_s));
    EXPECT_FALSE(MatchesPattern(u"ab12"_s, u"a?1"_s));
}

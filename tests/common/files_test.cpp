#include "common/error.h"
#include "common/files.h"
#include "common/paths.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vt;
using vt::test::readFile;
using vt::test::writeFile;

TEST(Files, ExistenceOfFilesAndFolders)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.epub"_s);
    writeFile(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.path())); // folders count too
    EXPECT_FALSE(IsFolder(file));
    EXPECT_TRUE(IsFolder(dir.path()));
    EXPECT_FALSE(FileExists(dir.filePath(u"missing"_s)));
    EXPECT_FALSE(FileExists(u""_s));
    EXPECT_FALSE(FileExists(u"a\0b"_s));
    EXPECT_EQ(GetShortPath(file), file);
    EXPECT_EQ(GetShortPath(dir.filePath(u"missing"_s)), u""_s);
}

TEST(Files, WriteBytesIfMissingNeverTouchesAnExistingFile)
{
    QTemporaryDir dir;
    const QString empty = dir.filePath(u"empty"_s);
    writeFile(empty, "");
    EXPECT_TRUE(WriteBytesIfMissing("new", empty));
    EXPECT_EQ(readFile(empty), QByteArray());
    const QString fresh = dir.filePath(u"fresh"_s);
    EXPECT_TRUE(WriteBytesIfMissing(QByteArray("a\0b", 3), fresh));
    EXPECT_EQ(readFile(fresh), QByteArray("a\0b", 3));
    const Expected<void> missing = WriteBytesIfMissing("x", dir.filePath(u"no/such/folder"_s));
    EXPECT_EQ(missing.problem().number, err::PathNotFound);
    EXPECT_TRUE(missing.error().startsWith(u"Cannot create \""_s)) << missing.error().toStdString();
}

TEST(Files, TextFilesAndTheirReading)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"t.txt"_s);
    EXPECT_TRUE(WriteTextFile(u"Grüße"_s, file));
    EXPECT_EQ(readFile(file), QByteArray("Gr\xc3\xbc\xc3\x9f"
                                         "e\n"));
    EXPECT_EQ(ReadTextFile(file), u"Grüße\n"_s);
    writeFile(file, "");
    EXPECT_EQ(ReadTextFile(file), u"empty file"_s);
    EXPECT_EQ(ReadTextFile(dir.filePath(u"missing"_s)), u""_s);
    EXPECT_THROW(WriteTextFile(u"x"_s, dir.filePath(u"no/such/t.txt"_s)).value(), vt::Error);
}

TEST(Files, QuietDeletesRemoveReadOnlyFilesAndNeverFail)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"ro"_s);
    writeFile(file, "x");
    QFile::setPermissions(file, QFile::ReadOwner);
    DeleteFileQuiet(file);
    EXPECT_FALSE(FileExists(file));
    DeleteFileQuiet(file);       // missing: nothing happens
    DeleteFileQuiet(dir.path()); // a folder is not a file
    EXPECT_TRUE(IsFolder(dir.path()));
}

TEST(Files, DeleteFolderTreeTakesEverythingButFollowsNoLink)
{
    QTemporaryDir dir;
    QTemporaryDir outside;
    const QString kept = outside.filePath(u"keep.txt"_s);
    writeFile(kept, "keep");
    const QString tree = dir.filePath(u"calibre"_s);
    writeFile(tree + u"/a.txt"_s, "a");
    writeFile(tree + u"/.hidden"_s, "h");
    writeFile(tree + u"/sub/deeper/b.txt"_s, "b");
    QFile::setPermissions(tree + u"/sub/deeper/b.txt"_s, QFile::ReadOwner);
    QFile::setPermissions(tree + u"/sub/deeper"_s, QFile::ReadOwner | QFile::ExeOwner);
    QFile::link(outside.path(), tree + u"/link"_s);
    // Names that are not valid UTF-8 go by their bytes.
    const QByteArray raw = QFile::encodeName(tree);
    const auto writeRaw = [](const QByteArray& path) {
        ::close(::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    };
    ASSERT_EQ(::mkdir((raw + "/bad\x80").constData(), 0755), 0);
    writeRaw(raw + "/bad\x80/\xff\xfe.txt");
    writeRaw(raw + "/\xc3(");

    EXPECT_TRUE(DeleteFolderTree(tree + u"/a.txt"_s)); // a file path does nothing
    EXPECT_TRUE(FileExists(tree + u"/a.txt"_s));
    EXPECT_TRUE(DeleteFolderTree(tree));
    EXPECT_FALSE(FileExists(tree));
    EXPECT_TRUE(FileExists(kept));
}

#include "booklist/adding_books.h"
#include "common/error.h"
#include "common/settings.h"
#include "fake_window.h"
#include "test_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

class Adding : public ::testing::Test
{
  protected:
    QString file(const QString& relative)
    {
        const QString path = root.filePath(relative);
        test::writeFile(path, "book");
        return path;
    }
    // "Add All" with the picker answering `chosen`; records the start folder.
    void addAll(const QString& chosen)
    {
        AddAllEpubFilesInFolder(store, window, [&](const QString& start) {
            pickerStart = start;
            return chosen;
        });
    }

    QTemporaryDir root;
    test::FakeWindow window;
    SettingsStore store;
    QString pickerStart;
};

} // namespace

TEST_F(Adding, AddAllKeepsOnlyRealEpubBooksTopFolderFirst)
{
    file(u"book.epub"_s);
    file(u"~lock.epub"_s);
    file(u"notes.txt"_s);
    file(u".old.epub"_s);
    const QString readOnlyHidden = file(u".kept.epub"_s);
    ::chmod(QFile::encodeName(readOnlyHidden).constData(), 0444); // not exactly hidden + archive
    file(u"sub/Deep.EPUB"_s);
    file(u"sub/deeper/last.epub"_s);
    file(u".hiddenfolder/inside.epub"_s);
    store.setText(key::LastFolder, u"/earlier/pick"_s);
    store.setText(key::Extension, QString());
    QList<Pointer> during;
    window.onYield = [&] { during.append(window.pointerValue); };

    addAll(root.path());

    EXPECT_EQ(pickerStart, u"/earlier/pick"_s);
    EXPECT_EQ(store.text(key::LastFolder), root.path());
    EXPECT_EQ(store.text(key::Extension), u"epub"_s);
    QStringList top = window.rows.mid(0, 2);
    top.sort();
    EXPECT_EQ(top, (QStringList{readOnlyHidden, root.filePath(u"book.epub"_s)}));
    QStringList level1 = window.rows.mid(2, 2);
    level1.sort();
    EXPECT_EQ(level1, (QStringList{root.filePath(u".hiddenfolder/inside.epub"_s),
                                   root.filePath(u"sub/Deep.EPUB"_s)}));
    EXPECT_EQ(window.rows.mid(4), QStringList{root.filePath(u"sub/deeper/last.epub"_s)});
    ASSERT_FALSE(during.isEmpty());
    EXPECT_EQ(during.count(Pointer::Hourglass), during.size());
    EXPECT_EQ(window.pointerValue, Pointer::Default);
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(Adding, AddAllOnAFolderWithoutBooksStillRemembersIt)
{
    file(u"notes.txt"_s);
    addAll(root.path());
    EXPECT_TRUE(window.rows.isEmpty());
    EXPECT_EQ(store.text(key::LastFolder), root.path());
    EXPECT_EQ(window.pointerValue, Pointer::Default);
}

TEST_F(Adding, ACancelledPickerAddsNothingAndKeepsTheLastFolder)
{
    file(u"book.epub"_s);
    store.setText(key::LastFolder, root.path());
    store.setText(key::Extension, QString());
    window.pointerValue = Pointer::Custom;
    addAll(QString());
    EXPECT_EQ(pickerStart, root.path());
    EXPECT_TRUE(window.rows.isEmpty());
    EXPECT_EQ(store.text(key::LastFolder), root.path());
    EXPECT_EQ(store.text(key::Extension), u"epub"_s);
    EXPECT_EQ(window.pointerValue, Pointer::Custom);
}

TEST_F(Adding, AddAllDuringAConversionRunLeavesTheRunsHourglass)
{
    file(u"book.epub"_s);
    window.busyFlag = true;
    window.pointerValue = Pointer::Hourglass;
    addAll(root.path());
    EXPECT_EQ(window.rows.size(), 1);
    EXPECT_EQ(window.pointerValue, Pointer::Hourglass);
}

// A book the list holds already is not added again, and a note says how
// many there were; the others join the list.
TEST_F(Adding, AddAllLeavesOutTheBooksTheListHolds)
{
    const QString a = file(u"a.epub"_s);
    const QString b = file(u"sub/b.epub"_s);
    addAll(root.path());
    EXPECT_TRUE(window.messages.isEmpty());
    const QString c = file(u"sub/c.epub"_s);
    addAll(root.path());
    EXPECT_EQ(window.rows, (QStringList{a, b, c}));
    EXPECT_EQ(window.messageTexts(),
              QStringList{u"2 books in this folder were in the list already; they were not "
                          u"added again."_s});
    addAll(root.filePath(u"sub"_s));
    EXPECT_EQ(window.rows.size(), 3);
    EXPECT_EQ(window.messageTexts().last(),
              u"2 books in this folder were in the list already; they were not added again."_s);
    window.rows.removeLast();
    addAll(root.filePath(u"sub"_s));
    EXPECT_EQ(window.rows, (QStringList{a, b, c}));
    EXPECT_EQ(window.messageTexts().last(),
              u"1 book in this folder was in the list already; it was not added again."_s);
}

TEST_F(Adding, DroppedFilesAreAppendedAsTheyAre)
{
    const QString text = file(u"a text.txt"_s);
    const QString missing = root.filePath(u"gone.epub"_s);
    const QString hiddenFile = file(u".hidden.epub"_s);
    AddDroppedPaths({text, missing, hiddenFile}, window);
    EXPECT_EQ(window.rows, (QStringList{text, missing, hiddenFile}));
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST_F(Adding, DroppedFoldersAreScannedForFilesOfEveryTypeInDropOrder)
{
    file(u"first/b.pdf"_s);
    file(u"first/~tmp.txt"_s);
    file(u"first/.hidden.txt"_s);
    file(u"first/README"_s);
    file(u"first/inner/c.epub"_s);
    file(u"second/d.txt"_s);
    const QString single = file(u"single.epub"_s);
    AddDroppedPaths({root.filePath(u"second"_s), single, root.filePath(u"first"_s)}, window);
    ASSERT_EQ(window.rows.size(), 5) << window.rows.join(u' ').toStdString();
    EXPECT_EQ(window.rows[0], root.filePath(u"second/d.txt"_s));
    EXPECT_EQ(window.rows[1], single);
    QStringList firstTop = window.rows.mid(2, 2);
    firstTop.sort();
    EXPECT_EQ(firstTop,
              (QStringList{root.filePath(u"first/README"_s), root.filePath(u"first/b.pdf"_s)}));
    EXPECT_EQ(window.rows[4], root.filePath(u"first/inner/c.epub"_s));
    EXPECT_EQ(window.pointerValue, Pointer::Default); // a drop never shows the hourglass
}

TEST_F(Adding, ADroppedHiddenFolderIsOneRowAndIsNotScanned)
{
    file(u".stash/a.epub"_s);
    const QString hidden = root.filePath(u".stash"_s);
    AddDroppedPaths({hidden}, window);
    EXPECT_EQ(window.rows, QStringList{hidden});
}

namespace
{

// A list that refuses one path, as a failing step would.
class RefusingWindow : public test::FakeWindow
{
  public:
    void appendRow(const QString& text) override
    {
        if (text == refused)
            raise(err::PermissionDenied, u"Permission denied"_s);
        FakeWindow::appendRow(text);
    }
    QString refused;
};

} // namespace

TEST_F(Adding, AFailureDuringADropIsReportedAndTheDropGoesOn)
{
    RefusingWindow refusing;
    const QString bad = file(u"folder/bad.epub"_s);
    const QString good = file(u"folder/good.epub"_s);
    const QString after = file(u"after.txt"_s);
    refusing.refused = bad;
    AddDroppedPaths({root.filePath(u"folder"_s), after}, refusing);
    EXPECT_EQ(refusing.rows, (QStringList{good, after}));
    ASSERT_EQ(refusing.messages.size(), 1);
    const test::FakeWindow::Message& report = refusing.messages.first();
    EXPECT_EQ(report.caption, u"Application Error"_s);
    EXPECT_EQ(report.icon, Icon::Warning);
    EXPECT_TRUE(report.text.startsWith(
        u"Permission denied\nin Vellumtone2021/08/31.Form1.ListView1_OLEDragDrop at line "_s))
        << report.text.toStdString();
}

TEST(PickedFiles, OnePathStaysAsItIsSeveralAreCleaned)
{
    test::FakeWindow window;
    AddPickedFiles({u"/books//one.epub"_s}, window);
    EXPECT_EQ(window.rows, QStringList{u"/books//one.epub"_s});
    window.rows.clear();
    AddPickedFiles({u"//a.epub"_s, u"/x//b.epub"_s, u"/c.epub"_s}, window);
    EXPECT_EQ(window.rows, (QStringList{u"/a.epub"_s, u"/x/b.epub"_s, u"/c.epub"_s}));
    EXPECT_TRUE(window.messages.isEmpty());
}

TEST(PickedFiles, TooManyNamesAddNothingAndSaySo)
{
    test::FakeWindow window;
    const QStringList picked{u"/books/a.epub"_s, u"/books/b.epub"_s};
    EXPECT_FALSE(AddPickedFiles(picked, window, 20));
    EXPECT_TRUE(window.rows.isEmpty());
    ASSERT_EQ(window.messages.size(), 1);
    EXPECT_EQ(
        window.messages.first().text,
        u"You've selected too many files to add.\n\nPlease try adding via the \"Add All\" button."_s);
    EXPECT_EQ(window.messages.first().icon, Icon::None);
    EXPECT_EQ(window.messages.first().caption, QString());
    EXPECT_TRUE(AddPickedFiles(picked, window, 28));
    EXPECT_EQ(window.rows, picked);
}

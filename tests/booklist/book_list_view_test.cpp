#include "app/book_list_view.h"
#include "fake_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace vt;

namespace
{

// The window's pointer, as a plain value.
struct PointerValue : WindowPointer {
    Pointer pointer() const override { return pointerValue; }
    void setPointer(Pointer p) override { pointerValue = p; }
    Pointer pointerValue = Pointer::Default;
};

class ListView : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        view.setWindowPointer(&window);
        view.screenPointer = [this] { return QPoint(0, screenY); };
        view.resize(400, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }
    void fill(const QStringList& texts)
    {
        for (const QString& text : texts)
            view.appendRow(text);
    }
    QStringList texts() const
    {
        QStringList all;
        for (int i = 1; i <= view.rowCount(); ++i)
            all.append(view.rowText(i));
        return all;
    }
    QPoint at(int row) const { return view.visualItemRect(view.topLevelItem(row)).center(); }
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, view.viewport()->mapToGlobal(pos),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    }
    void press(int row) { mouse(QEvent::MouseButtonPress, at(row), Qt::LeftButton); }
    void moveOver(int row) { mouse(QEvent::MouseMove, at(row), Qt::LeftButton); }
    void release(int row) { mouse(QEvent::MouseButtonRelease, at(row), Qt::NoButton); }
    int selectedRow() const
    {
        const QList<QTreeWidgetItem*> selected = view.selectedItems();
        return selected.size() == 1 ? view.indexOfTopLevelItem(selected.first()) : -1;
    }
    bool visible(int row) const
    {
        const QRect rect = view.visualItemRect(view.topLevelItem(row));
        return rect.top() >= 0 && rect.bottom() < view.viewport()->height();
    }
    void doubleClick(int row)
    {
        mouse(QEvent::MouseButtonPress, at(row), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at(row), Qt::NoButton);
        mouse(QEvent::MouseButtonDblClick, at(row), Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, at(row), Qt::NoButton);
    }

    PointerValue window;
    BookListView view;
    int screenY = 330; // between the two scroll lines
};

} // namespace

TEST_F(ListView, IsAOneColumnReportWithItsToolTipAndNoDragOut)
{
    EXPECT_EQ(view.objectName(), u"ListView1"_s);
    EXPECT_EQ(view.columnCount(), 1);
    EXPECT_EQ(view.headerItem()->text(0), u"EPUB File(s)"_s);
    EXPECT_FALSE(view.isHeaderHidden());
    EXPECT_EQ(view.columnWidth(0), 467);
    EXPECT_EQ(view.toolTip(), u"Drag and drop files here. Double-click item to remove it. "
                              u"Move | line to right and out of window to reveal full names."_s);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(view.dragEnabled());
    EXPECT_TRUE(view.acceptDrops());
    view.appendRow(u"/books/a.epub"_s);
    EXPECT_EQ(view.topLevelItem(0)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    EXPECT_EQ(view.rowCount(), 1);
    EXPECT_EQ(view.rowText(1), u"/books/a.epub"_s);
}

TEST_F(ListView, DeleteAndDoubleClickRemoveTheSelectedOrCurrentRow)
{
    fill({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
    view.setCurrentItem(view.topLevelItem(2));
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(texts(), (QStringList{u"1"_s, u"2"_s, u"4"_s, u"5"_s}));

    doubleClick(0);
    EXPECT_EQ(texts(), (QStringList{u"2"_s, u"4"_s, u"5"_s}));

    view.setCurrentItem(view.topLevelItem(0));
    QTest::keyClick(&view, Qt::Key_Backspace);
    QTest::keyClick(&view, Qt::Key_A);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.rowCount(), 3);

    // A row made current but not selected (Tab into the list) goes too.
    view.clearSelection();
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_EQ(view.rowCount(), 2);
    view.setCurrentItem(nullptr);
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_FALSE(view.removeSelectedRow());
    EXPECT_EQ(view.rowCount(), 2);
}

TEST_F(ListView, NothingIsRemovedOrClearedWhileTheHourglassShows)
{
    fill({u"1"_s, u"2"_s});
    view.setCurrentItem(view.topLevelItem(0));
    window.pointerValue = Pointer::Hourglass;
    QTest::keyClick(&view, Qt::Key_Delete);
    doubleClick(1);
    view.clearRows();
    EXPECT_EQ(texts(), (QStringList{u"1"_s, u"2"_s}));

    window.pointerValue = Pointer::Custom;
    view.clearRows();
    EXPECT_EQ(view.rowCount(), 0);
    view.clearRows();
    QTest::keyClick(&view, Qt::Key_Delete);
    EXPECT_FALSE(view.removeSelectedRow());
    EXPECT_EQ(view.rowCount(), 0);
}

TEST_F(ListView, ADraggedRowTravelsWithThePointerAndStaysSelected)
{
    fill({u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    press(1);
    EXPECT_EQ(view.viewport()->cursor().shape(), Qt::ClosedHandCursor);
    moveOver(1); // still over itself: nothing
    EXPECT_EQ(texts(), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    moveOver(0);
    EXPECT_EQ(texts(), (QStringList{u"b"_s, u"a"_s, u"c"_s, u"d"_s}));
    EXPECT_EQ(selectedRow(), 0);
    moveOver(1);
    moveOver(2);
    moveOver(3);
    EXPECT_EQ(texts(), (QStringList{u"a"_s, u"c"_s, u"d"_s, u"b"_s}));
    EXPECT_EQ(selectedRow(), 3);
    release(3);
    EXPECT_EQ(selectedRow(), 3);
    EXPECT_FALSE(view.viewport()->testAttribute(Qt::WA_SetCursor));
    // With the button up the pointer passes over rows without moving them.
    mouse(QEvent::MouseMove, at(0), Qt::NoButton);
    EXPECT_EQ(texts(), (QStringList{u"a"_s, u"c"_s, u"d"_s, u"b"_s}));
}

TEST_F(ListView, RowsWithTheSameTextNeverSwap)
{
    fill({u"/same.epub"_s, u"/same.epub"_s, u"/other.epub"_s});
    press(0);
    moveOver(1);
    EXPECT_EQ(selectedRow(), 0);
    moveOver(2);
    EXPECT_EQ(texts(), (QStringList{u"/other.epub"_s, u"/same.epub"_s, u"/same.epub"_s}));
    EXPECT_EQ(selectedRow(), 2);
}

TEST_F(ListView, ARemovedDraggedRowIsForgotten)
{
    fill({u"a"_s, u"b"_s, u"c"_s});
    press(1);
    release(1);
    QTest::keyClick(&view, Qt::Key_Delete);
    // A press on empty space followed by a move has no row to carry.
    mouse(QEvent::MouseButtonPress, QPoint(5, view.viewport()->height() - 3), Qt::LeftButton);
    moveOver(0);
    EXPECT_EQ(texts(), (QStringList{u"a"_s, u"c"_s}));
}

TEST_F(ListView, TheListScrollsOnlyPastTheFixedScreenLines)
{
    QStringList many;
    for (int i = 0; i < 60; ++i)
        many.append(QString::number(i));
    fill(many);
    int last = 0;
    while (last + 1 < view.rowCount() && visible(last + 1))
        ++last;
    ASSERT_GT(last, 2);

    // Between the lines nothing scrolls.
    press(last - 1);
    moveOver(last);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
    release(last);

    // Below the lower line the next row is brought into view.
    screenY = 365;
    press(last - 1);
    moveOver(last);
    EXPECT_TRUE(visible(last + 1));
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
    release(last);

    // Above the upper line the row before comes into view; over the first
    // row there is nothing above to show.
    view.scrollToItem(view.topLevelItem(59));
    int first = 59;
    while (first > 0 && visible(first - 1))
        --first;
    screenY = 304;
    press(first + 1);
    moveOver(first);
    EXPECT_TRUE(visible(first - 1));
    release(first);
}

TEST_F(ListView, PointerMovesResetTheWindowPointerUnlessBusy)
{
    fill({u"a"_s});
    window.pointerValue = Pointer::Custom;
    mouse(QEvent::MouseMove, at(0), Qt::NoButton);
    EXPECT_EQ(window.pointerValue, Pointer::Default);
    window.pointerValue = Pointer::Hourglass;
    mouse(QEvent::MouseMove, at(0), Qt::NoButton);
    EXPECT_EQ(window.pointerValue, Pointer::Hourglass);
}

namespace
{

bool dragAccepted(BookListView& view, QMimeData& data)
{
    const QPoint pos = view.viewport()->rect().center();
    QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &enter);
    return enter.isAccepted();
}

} // namespace

TEST_F(ListView, OnlyDragsWithLocalFilesAreTakenAndDropsArriveInOrder)
{
    QMimeData text;
    text.setText(u"/books/a.epub"_s);
    EXPECT_FALSE(dragAccepted(view, text));
    QMimeData web;
    web.setUrls({QUrl(u"https://example.org/a.epub"_s)});
    EXPECT_FALSE(dragAccepted(view, web));

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(u"/books/b.epub"_s), QUrl(u"https://example.org/x"_s),
                   QUrl::fromLocalFile(u"/books/folder/"_s)});
    EXPECT_TRUE(dragAccepted(view, files));
    QSignalSpy dropped(&view, &BookListView::filesDropped);
    QDropEvent drop(view.viewport()->rect().center(), Qt::CopyAction, &files, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(dropped.count(), 0); // handled once the drop is over
    ASSERT_TRUE(dropped.wait(1000) || dropped.count() == 1);
    EXPECT_EQ(dropped.first().first().toStringList(),
              (QStringList{u"/books/b.epub"_s, u"/books/folder"_s}));
}

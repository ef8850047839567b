#pragma once

#include "booklist/list_window.h"

#include <QCursor>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QStringList>
#include <QTreeWidget>
#include <functional>

namespace vt
{

// The window's pointer as the list sees it: the hourglass means busy.
class WindowPointer
{
  public:
    virtual ~WindowPointer() = default;
    virtual Pointer pointer() const = 0;
    virtual void setPointer(Pointer pointer) = 0;
};

// ListView1: the book list in report view with its one column. Rows are
// removed by double-click or Delete and moved by dragging them up or down;
// files and folders dropped from outside are handed on by filesDropped.
// While the window shows the hourglass, rows are neither removed nor cleared.
class BookListView : public QTreeWidget
{
    Q_OBJECT
  public:
    explicit BookListView(QWidget* parent = nullptr);
    ~BookListView() override;

    // Rows are numbered from 1.
    int rowCount() const;
    QString rowText(int row) const;
    void appendRow(const QString& text);

    // The window's pointer: the hourglass means busy, and every pointer move
    // over the list sets it back to the default unless it is the hourglass.
    void setWindowPointer(WindowPointer* pointer) { windowPointer_ = pointer; }
    // The pointer the list shows while a row is being moved.
    void setDragCursor(const QCursor& cursor) { dragCursor_ = cursor; }
    QCursor dragCursor() const { return dragCursor_; }

    // Removes the selected row (else the current one) unless busy; false when
    // nothing was removed.
    bool removeSelectedRow();
    // Removes every row unless busy.
    void clearRows();
    // Swaps the current row with the one `by` rows away; false when there is none.
    bool moveCurrentRow(int by);

    // The pointer's place on the screen, which decides the auto-scroll while
    // a row is moved. Tests put a fixed place here.
    std::function<QPoint()> screenPointer = [] { return QCursor::pos(); };

    // The drag pointer from "drag.ico" beside the program, else a closed hand.
    static QCursor loadDragCursor();

  Q_SIGNALS:
    // Local files and folders dropped on the list, in the order of the drop.
    // Sent after the drop has finished, so a long folder scan never holds
    // up the program the files came from.
    void filesDropped(const QStringList& paths);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    void describeRows();
    bool busy() const;
    void moveDraggedRow(const QPoint& position);
    static QStringList localFiles(const QMimeData* data);

    WindowPointer* windowPointer_ = nullptr;
    QCursor dragCursor_;
    bool dragFlag_ = false;
    QPersistentModelIndex dragged_;
};

} // namespace vt

#include "app/book_list_view.h"

#include "booklist/app_files.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

const QString kToolTip = u"Drag and drop files here. Double-click item to remove it. "
                         u"Move | line to right and out of window to reveal full names."_s;

// Rows move with the pointer; above this screen line the list scrolls up,
// below the next one down.
constexpr int kScrollUpBelow = 305;
constexpr int kScrollDownAbove = 364;

// A row as a screen reader announces it: the book's file name, with its
// full path as the description; the row shows the full path, shortened in
// its middle when it is wider than the column, and whole as its tooltip.
class BookRow : public QTreeWidgetItem
{
  public:
    explicit BookRow(const QString& path) : QTreeWidgetItem(QStringList{path})
    {
        setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }
    QVariant data(int column, int role) const override
    {
        if (role == Qt::AccessibleTextRole)
            return QFileInfo(text(column)).fileName();
        if (role == Qt::AccessibleDescriptionRole || role == Qt::ToolTipRole)
            return text(column);
        return QTreeWidgetItem::data(column, role);
    }
};

} // namespace

BookListView::BookListView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(u"ListView1"_s);
    setColumnCount(1);
    setHeaderLabels({u"EPUB File(s)"_s});
    setColumnWidth(0, qRound(7000 / 15.0));
    header()->setStretchLastSection(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A long path keeps its start and its file name; the user may still
    // widen the column.
    setTextElideMode(Qt::ElideMiddle);
    setAutoScroll(false);
    // Nothing is ever dragged out of the list; files come in from outside.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    setToolTip(kToolTip);
    viewport()->setToolTip(kToolTip);
    dragCursor_ = loadDragCursor();
    setAccessibleName(u"EPUB File(s)"_s);
    describeRows();
    connect(model(), &QAbstractItemModel::rowsInserted, this, &BookListView::describeRows);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &BookListView::describeRows);
    connect(model(), &QAbstractItemModel::modelReset, this, &BookListView::describeRows);
}

// The rows go after this class's part of the list: they are not counted.
BookListView::~BookListView()
{
    disconnect(model(), nullptr, this, nullptr);
}

QCursor BookListView::loadDragCursor()
{
    const QPixmap image(FindBesideExecutable(u"drag.ico"_s));
    return image.isNull() ? QCursor(Qt::ClosedHandCursor) : QCursor(image);
}

int BookListView::rowCount() const
{
    return topLevelItemCount();
}

QString BookListView::rowText(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row - 1);
    return item ? item->text(0) : QString();
}

void BookListView::appendRow(const QString& text)
{
    addTopLevelItem(new BookRow(text));
}

bool BookListView::busy() const
{
    return windowPointer_ && windowPointer_->pointer() == Pointer::Hourglass;
}

bool BookListView::removeSelectedRow()
{
    if (busy() || topLevelItemCount() == 0)
        return false;
    // Tab into the list makes a row current without selecting it: that row.
    const QList<QTreeWidgetItem*> selected = selectedItems();
    QTreeWidgetItem* row = selected.isEmpty() ? currentItem() : selected.first();
    if (!row)
        return false;
    delete takeTopLevelItem(indexOfTopLevelItem(row));
    return true;
}

void BookListView::clearRows()
{
    if (!busy())
        clear();
}

void BookListView::mousePressEvent(QMouseEvent* event)
{
    dragFlag_ = true;
    QTreeWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || !itemAt(event->position().toPoint()))
        return;
    // A row click readies the move of the selected row.
    viewport()->setCursor(dragCursor_);
    const QList<QTreeWidgetItem*> selected = selectedItems();
    dragged_ = selected.isEmpty() ? QPersistentModelIndex()
                                  : QPersistentModelIndex(indexFromItem(selected.first()));
}

void BookListView::mouseMoveEvent(QMouseEvent* event)
{
    if (windowPointer_ && windowPointer_->pointer() != Pointer::Hourglass)
        windowPointer_->setPointer(Pointer::Default);
    if (!dragFlag_) {
        QTreeWidget::mouseMoveEvent(event);
        return;
    }
    moveDraggedRow(event->position().toPoint());
}

void BookListView::moveDraggedRow(const QPoint& position)
{
    QTreeWidgetItem* target = itemAt(position);
    if (!dragged_.isValid() || !target)
        return;
    const int from = dragged_.row();
    const int to = indexOfTopLevelItem(target);
    QTreeWidgetItem* draggedItem = topLevelItem(from);
    const QString text = draggedItem->text(0);
    // Rows are never swapped with one that holds the same path.
    if (text == target->text(0))
        return;
    draggedItem->setText(0, target->text(0));
    target->setText(0, text);
    setCurrentItem(target);
    dragged_ = QPersistentModelIndex(indexFromItem(target));

    const int y = screenPointer().y();
    if (y < kScrollUpBelow) {
        if (to >= 1)
            scrollToItem(topLevelItem(to - 1));
    } else if (y > kScrollDownAbove) {
        if (to + 1 < topLevelItemCount())
            scrollToItem(topLevelItem(to + 1));
    }
}

void BookListView::mouseReleaseEvent(QMouseEvent* event)
{
    dragFlag_ = false;
    viewport()->unsetCursor();
    QTreeWidget::mouseReleaseEvent(event);
}

void BookListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    dragFlag_ = true;
    removeSelectedRow();
    event->accept();
}

void BookListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        removeSelectedRow();
        event->accept();
        return;
    }
    // What a drag does with the mouse, Ctrl+Up and Ctrl+Down do from the keyboard.
    if (event->modifiers() == Qt::ControlModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        moveCurrentRow(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool BookListView::moveCurrentRow(int by)
{
    QTreeWidgetItem* from = currentItem();
    QTreeWidgetItem* to = from ? topLevelItem(indexOfTopLevelItem(from) + by) : nullptr;
    if (!to)
        return false;
    const QString text = from->text(0);
    from->setText(0, to->text(0));
    to->setText(0, text);
    setCurrentItem(to);
    return true;
}

// The list tells a screen reader how many books it holds.
void BookListView::describeRows()
{
    const int n = topLevelItemCount();
    setAccessibleDescription((n == 1 ? u"1 book"_s : QString::number(n) + u" books"_s) +
                             u" to convert. Delete removes the current book; Ctrl+Up and "
                             u"Ctrl+Down move it."_s);
}

QStringList BookListView::localFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

void BookListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void BookListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (localFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void BookListView::dropEvent(QDropEvent* event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    QMetaObject::invokeMethod(
        this, [this, paths] { Q_EMIT filesDropped(paths); }, Qt::QueuedConnection);
}

void BookListView::startDrag(Qt::DropActions) {}

} // namespace vt

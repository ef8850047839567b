#pragma once

#include <QTreeWidget>

namespace vt {

// ListView1: the book list in report view with its one column.
class BookListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit BookListView(QWidget* parent = nullptr);
};

} // namespace vt

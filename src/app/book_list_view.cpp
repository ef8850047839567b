#include "book_list_view.h"

using namespace Qt::StringLiterals;

namespace vt {

BookListView::BookListView(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(u"ListView1"_s);
    setColumnCount(1);
    setHeaderLabels({u"EPUB File(s)"_s});
    setRootIsDecorated(false);
}

} // namespace vt

#pragma once

#include "epub/book_parts.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vt
{

// Which parts of one book are read: its contents with a check box per
// entry, indented by level, front and back matter marked with their kind.
class ChaptersDialog : public QDialog
{
    Q_OBJECT
  public:
    ChaptersDialog(const QString& bookName, const QList<BookPart>& parts, const PartChoice& choice,
                   QWidget* parent = nullptr);

    // The numbers (from 1) of the parts checked.
    QList<int> chosen() const;
    // Whether the checks are those a book gets when nothing is chosen.
    bool isDefault() const;

    QTreeWidget* tree() const { return tree_; }
    QPushButton* readAllButton() const { return readAll_; }
    QPushButton* defaultsButton() const { return defaults_; }
    QPushButton* okButton() const { return ok_; }

  private:
    QList<bool> checks() const;
    void setChecks(const QList<bool>& read);

    QList<BookPart> parts_;
    QList<QTreeWidgetItem*> items_; // by part, in order
    QTreeWidget* tree_ = nullptr;
    QPushButton* readAll_ = nullptr;
    QPushButton* defaults_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace vt

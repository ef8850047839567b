#include "app/chapters_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

QString kindText(const BookPart& part)
{
    QString text = PartKindName(part.kind);
    if (!part.listed)
        text += text.isEmpty() ? u"not in the contents"_s : u", not in the contents"_s;
    return text;
}

} // namespace

ChaptersDialog::ChaptersDialog(const QString& bookName, const QList<BookPart>& parts,
                               const PartChoice& choice, QWidget* parent)
    : QDialog(parent), parts_(parts)
{
    setObjectName(u"ChaptersDialog"_s);
    setWindowTitle(u"Chapters"_s);
    auto* intro = new QLabel(u"&Parts of %1 to read:"_s.arg(bookName));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    tree_ = new QTreeWidget;
    tree_->setObjectName(u"parts"_s);
    tree_->setHeaderLabels({u"Part"_s, u"Kind"_s});
    tree_->setAccessibleName(u"Parts of the book"_s);
    tree_->setAccessibleDescription(u"The checked parts are read. Space checks or unchecks the "
                                    u"selected part; the copyright page, colophon, imprint, index "
                                    u"and bibliography are left out unless checked."_s);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setColumnWidth(0, 360);
    intro->setBuddy(tree_);

    // A part one level below the one before it is shown inside it.
    QList<QTreeWidgetItem*> open; // the last item at each depth
    for (const BookPart& part : parts_) {
        const qsizetype depth = std::clamp<qsizetype>(part.level - 1, 0, open.size());
        const QStringList texts{part.title.isEmpty() ? u"(untitled)"_s : part.title,
                                kindText(part)};
        auto* item = depth > 0 ? new QTreeWidgetItem(open[depth - 1], texts)
                               : new QTreeWidgetItem(tree_, texts);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        open.resize(depth);
        open.append(item);
        items_.append(item);
    }
    tree_->expandAll();
    setChecks(PartsRead(parts_, choice));
    if (!items_.isEmpty())
        tree_->setCurrentItem(items_.first());

    readAll_ = new QPushButton(u"Read &All"_s);
    readAll_->setAccessibleDescription(u"Checks every part"_s);
    defaults_ = new QPushButton(u"&Defaults"_s);
    defaults_->setAccessibleDescription(
        u"Checks the parts read when nothing is chosen: all but the copyright page, colophon, "
        u"imprint, index, bibliography and lists of contents"_s);
    for (QPushButton* b : {readAll_, defaults_})
        b->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setAccessibleDescription(u"Keeps the choice for this book while it is in the list"_s);
    ok_->setEnabled(checks().contains(true));
    auto* row = new QHBoxLayout;
    row->addWidget(readAll_);
    row->addWidget(defaults_);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(tree_);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setTabOrder(tree_, readAll_);
    setTabOrder(readAll_, defaults_);
    setTabOrder(defaults_, ok_);
    setTabOrder(ok_, buttons->button(QDialogButtonBox::Cancel));
    resize(560, 460);

    // A book of which nothing is read would become an empty file.
    connect(tree_, &QTreeWidget::itemChanged, this,
            [this] { ok_->setEnabled(checks().contains(true)); });
    connect(readAll_, &QPushButton::clicked, this,
            [this] { setChecks(QList<bool>(parts_.size(), true)); });
    connect(defaults_, &QPushButton::clicked, this,
            [this] { setChecks(PartsRead(parts_, PartChoice{})); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QList<int> ChaptersDialog::chosen() const
{
    QList<int> numbers;
    const QList<bool> read = checks();
    for (qsizetype i = 0; i < read.size(); ++i)
        if (read[i])
            numbers.append(int(i + 1));
    return numbers;
}

bool ChaptersDialog::isDefault() const
{
    return checks() == PartsRead(parts_, PartChoice{});
}

QList<bool> ChaptersDialog::checks() const
{
    QList<bool> read;
    for (const QTreeWidgetItem* item : items_)
        read.append(item->checkState(0) == Qt::Checked);
    return read;
}

void ChaptersDialog::setChecks(const QList<bool>& read)
{
    for (qsizetype i = 0; i < items_.size(); ++i)
        items_[i]->setCheckState(0, i < read.size() && read[i] ? Qt::Checked : Qt::Unchecked);
}

} // namespace vt

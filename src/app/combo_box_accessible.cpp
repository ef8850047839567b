#include "app/combo_box_accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QItemSelectionModel>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void selectCurrent(QComboBox* box)
{
    QItemSelectionModel* selection = box->view()->selectionModel();
    const QModelIndex current = box->model()->index(box->currentIndex(), box->modelColumn());
    if (selection && !selection->isSelected(current))
        selection->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect);
}

// A drop-down named by its label, whose chosen item is its value and its
// text (what AT-SPI hands a screen reader of it), and the selected item of
// the list it opens.
class NamedComboBox : public QAccessibleWidget, public QAccessibleTextInterface
{
  public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value ||
            (t == QAccessible::Name && widget()->accessibleName().isEmpty()))
            return box()->currentText();
        return QAccessibleWidget::text(t); // the name and description that were set
    }

    // The list it opens, as Qt's own combo box shows it.
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override
    {
        if (index != 0)
            return nullptr;
        selectCurrent(box()); // a choice made without signals (the voice restored)
        return QAccessible::queryAccessibleInterface(box()->view());
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return {showMenuAction(), pressAction(), setFocusAction()};
    }
    void doAction(const QString& name) override
    {
        if (name == showMenuAction() || name == pressAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

    // The chosen item as text that can be read but not changed.
    QString text(int start, int end) const override { return current().mid(start, end - start); }
    int characterCount() const override { return int(current().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    int selectionCount() const override { return 0; }
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override
    {
        *start = *end = offset;
        return {};
    }

  private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
    QString current() const { return box()->currentText(); }
};

// The list keeps the chosen item selected while it is closed too, and a
// screen reader hears of each new choice as a change of the box's text.
void followChoiceOf(QComboBox* box)
{
    QObject::connect(box, &QComboBox::currentIndexChanged, box,
                     [box, said = box->currentText()]() mutable {
                         selectCurrent(box);
                         const QString now = box->currentText();
                         QAccessibleTextUpdateEvent changed(box, 0, said, now);
                         QAccessible::updateAccessibility(&changed);
                         said = now;
                     });
}

QAccessibleInterface* namedComboBox(const QString& className, QObject* object)
{
    // Asked as the box is made, before it has a name: every box that cannot
    // be edited gets this interface.
    auto* box = qobject_cast<QComboBox*>(object);
    if (className != u"QComboBox"_s || !box || box->isEditable())
        return nullptr;
    return new NamedComboBox(box);
}

} // namespace

void InstallComboBoxNames()
{
    static const bool installed = [] {
        QAccessible::installFactory(namedComboBox);
        return true;
    }();
    (void)installed;
}

void FollowComboBoxChoice(QComboBox* box)
{
    followChoiceOf(box);
}

} // namespace vt

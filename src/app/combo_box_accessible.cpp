#include "app/combo_box_accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

class NamedComboBox : public QAccessibleWidget
{
  public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

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
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
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

  private:
    QComboBox* box() const { return static_cast<QComboBox*>(widget()); }
};

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

} // namespace vt

#include "app/form1.h"
#include "common/error.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

void paintBackground(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

// The optional skin: a style sheet in "x/o.cjs". With a skin the window and
// its option buttons, check boxes, frames and labels take the button-face
// colour instead of white.
void Form1::ApplySkin()
{
    const QString file = programFile(u"x/o.cjs"_s);
    if (file.isEmpty())
        return;
    const QColor face = QApplication::palette().color(QPalette::Button);
    paintBackground(this, face);
    for (QWidget* w : findChildren<QWidget*>())
        if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w) ||
            qobject_cast<QGroupBox*>(w) || qobject_cast<QLabel*>(w))
            paintBackground(w, face);

    QFile sheet(file);
    if (!sheet.open(QIODevice::ReadOnly))
        vt::raise(err::PathFileAccess, u"Path/File access error"_s);
    setStyleSheet(QString::fromUtf8(sheet.readAll()));
}

} // namespace vt

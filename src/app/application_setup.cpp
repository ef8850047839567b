#include "app/application_setup.h"

#include "app/combo_box_accessible.h"
#include "common/build_config.h"

#include <QApplication>

using namespace Qt::StringLiterals;

namespace vt
{

QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/icons/%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

void SetUpApplication()
{
    QApplication::setApplicationName(u"Vellumtone"_s);
    // The window is laid out control by control; one style keeps every
    // caption where it was placed, whatever the desktop.
    QApplication::setStyle(u"Fusion"_s);
    QApplication::setWindowIcon(ApplicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral(VT_APP_ID));
    InstallComboBoxNames();
}

} // namespace vt

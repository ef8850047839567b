#include "form1.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Vellumtone"_s);
    // The window is laid out control by control; one style keeps every
    // caption where it was placed, whatever the desktop.
    QApplication::setStyle(u"Fusion"_s);
    vt::Form1 form;
    if (!form.Form_Load())
        return 1;
    form.show();
    return app.exec();
}

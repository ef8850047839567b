#include <QApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QLabel window(u"Vellumtone"_s);
    window.setWindowTitle(u"Vellumtone"_s);
    window.resize(640, 240);
    window.show();
    return app.exec();
}

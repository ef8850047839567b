#include "app/application_setup.h"
#include "modal_answerer.h"
#include "temp_home.h"

#include <QApplication>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Widget tests need a QApplication. Settings and home stay in a temporary
// folder as in every other test program, and web pages are only recorded.
int main(int argc, char* argv[])
{
    QTemporaryDir home;
    vt::test::UseTemporaryHome(home);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vt::SetUpApplication(); // as the program does
    vt::test::OpenedPages pages;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &pages, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &pages, "open");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    return result;
}

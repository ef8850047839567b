#include "temp_home.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Drawing SVG covers needs Qt's fonts, which only a GUI application has (as
// both programs are); settings and home stay in a temporary folder as in
// every other test program.
int main(int argc, char* argv[])
{
    QTemporaryDir home;
    vt::test::UseTemporaryHome(home);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "temp_home.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test program keeps its settings and home in a temporary folder, never
// the user's real ones.
int main(int argc, char* argv[])
{
    QTemporaryDir home;
    vt::test::UseTemporaryHome(home);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

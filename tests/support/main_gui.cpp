#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Widget tests are headless. CTest sets the offscreen platform for each case but not
    // for listing the cases (gtest_discover_tests), which would otherwise abort without a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

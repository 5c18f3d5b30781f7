#include <QApplication>
#include <gtest/gtest.h>

#include <cstring>

int main(int argc, char **argv)
{
    // CTest lists the cases (--gtest_list_tests) without the test environment, so without a
    // display the application object would abort; listing needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0 && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

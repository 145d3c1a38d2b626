// SPDX-License-Identifier: GPL-3.0-or-later
// main() for GoogleTest executables that build windows.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv)
{
    // Windows are built off screen, also when CTest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

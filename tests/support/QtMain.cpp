// SPDX-License-Identifier: GPL-3.0-or-later
// main() for GoogleTest executables that need a Qt event loop on the test
// thread (posted events, timers, socket notifiers).
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

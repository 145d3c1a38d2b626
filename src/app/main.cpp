// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppWindows.h"
#include "app/CommandLine.h"
#include "app/ErrorHandler.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    tonvar::app::AnswerCommandLine(argc, argv);
    QApplication application(argc, argv);
    tonvar::app::CheckCommandLine(application);
    QApplication::setApplicationName(tonvar::app::kApplicationTitle);
    // Lets the desktop match the windows to the installed menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TONVAR_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TONVAR_APP_ID)));
    tonvar::app::AppWindows windows;
    windows.Form1->show();
    return QApplication::exec();
}

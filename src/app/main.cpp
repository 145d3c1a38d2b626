// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppWindows.h"
#include "app/CommandLine.h"
#include "app/ErrorHandler.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    tonvar::app::AnswerCommandLine(argc, argv);
    QApplication application(argc, argv);
    const QString file = tonvar::app::CheckCommandLine(application);
    QApplication::setApplicationName(tonvar::app::kApplicationTitle);
    // Lets the desktop match the windows to the installed menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TONVAR_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(TONVAR_APP_ID)));
    tonvar::app::AppWindows windows;
    windows.Form1->show();
    // Opened once the window is up, so that what it says shows over it.
    if (!file.isEmpty())
        QTimer::singleShot(0, windows.Form1.get(), [&windows, file] { windows.Form1->OpenFile(file); });
    return QApplication::exec();
}

#include "app/AppWindows.h"
#include "app/ErrorHandler.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(tonvar::app::kApplicationTitle);
    tonvar::app::AppWindows windows;
    windows.Form1->show();
    return QApplication::exec();
}

#include "app/ErrorHandler.h"
#include "app/Unit1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(tonvar::app::kApplicationTitle);
    tonvar::app::TForm1 form1;
    form1.show();
    return QApplication::exec();
}

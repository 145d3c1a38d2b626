#include "app/Unit1.h"

#include "app/ErrorHandler.h"

namespace tonvar::app {

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(kApplicationTitle);
}

} // namespace tonvar::app

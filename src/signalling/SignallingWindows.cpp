#include "signalling/SignallingWindows.h"

namespace tonvar::signalling {

SignallingWindow::SignallingWindow(const QString &caption, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

} // namespace tonvar::signalling

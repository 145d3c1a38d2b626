// The main window.
#pragma once

#include <QMainWindow>

namespace tonvar::app {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
};

} // namespace tonvar::app

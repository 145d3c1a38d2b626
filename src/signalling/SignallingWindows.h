// The four signalling windows. Each reads and writes its own memory area of
// the radio through the main window's port and receive handler.
#pragma once

#include <QWidget>

namespace tonvar::signalling {

// The common frame of a signalling window: its caption, kept on top of the
// main window, shown without blocking.
class SignallingWindow : public QWidget {
    Q_OBJECT
public:
    SignallingWindow(const QString &caption, QWidget *parent);
};

class TForm2 : public SignallingWindow { // DTMF
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr) : SignallingWindow(QStringLiteral("DTMF"), parent) {}
};

class TForm4 : public SignallingWindow { // 2TONE
    Q_OBJECT
public:
    explicit TForm4(QWidget *parent = nullptr) : SignallingWindow(QStringLiteral("2TONE"), parent) {}
};

class TForm5 : public SignallingWindow { // 5TONE
    Q_OBJECT
public:
    explicit TForm5(QWidget *parent = nullptr) : SignallingWindow(QStringLiteral("5TONE"), parent) {}
};

class TForm6 : public SignallingWindow { // FleetSync
    Q_OBJECT
public:
    explicit TForm6(QWidget *parent = nullptr) : SignallingWindow(QStringLiteral("FleetSync"), parent) {}
};

} // namespace tonvar::signalling

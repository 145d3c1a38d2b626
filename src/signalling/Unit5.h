// SPDX-License-Identifier: GPL-3.0-or-later
// The 5TONE window.
#pragma once

#include "signalling/FiveToneSession.h"
#include "signalling/SignallingWindows.h"

#include <memory>

#include <array>

class QComboBox;
class QLineEdit;
class QTabWidget;

namespace Ui {
class TForm5;
}

namespace tonvar::signalling {

class TForm5 : public SignallingForm<FiveToneSession, Ui::TForm5> {
    Q_OBJECT
public:
    TForm5(link::PortHub &hub, WindowServices services, QWidget *parent = nullptr);

    QTabWidget *Tabs = nullptr;
    QComboBox *CCIR = nullptr;
    std::array<QLineEdit *, 16> Edit{}; // Edit1..Edit16
    grid::TextGrid *xg1 = nullptr;
    grid::TextGrid *xg2 = nullptr;
    grid::TextGrid *xg3 = nullptr;
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr, *cb4 = nullptr;
    QLineEdit *ed1 = nullptr;
};

} // namespace tonvar::signalling

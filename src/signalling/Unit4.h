// SPDX-License-Identifier: GPL-3.0-or-later
// The 2TONE window.
#pragma once

#include "signalling/SignallingWindows.h"

#include <memory>
#include "signalling/TwoToneSession.h"

class QComboBox;
class QLineEdit;
class QTabWidget;

namespace Ui {
class TForm4;
}

namespace tonvar::signalling {

class TForm4 : public SignallingForm<TwoToneSession, Ui::TForm4> {
    Q_OBJECT
public:
    TForm4(link::PortHub &hub, WindowServices services, QWidget *parent = nullptr);

    QTabWidget *Tabs = nullptr;
    grid::TextGrid *xg1 = nullptr;
    grid::TextGrid *xg2 = nullptr;
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr;
    QLineEdit *ed1 = nullptr, *ed2 = nullptr, *ed3 = nullptr, *ed4 = nullptr, *ed5 = nullptr;
};

} // namespace tonvar::signalling

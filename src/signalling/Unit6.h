// SPDX-License-Identifier: GPL-3.0-or-later
// The FleetSync window.
#pragma once

#include "signalling/FleetSyncSession.h"
#include "signalling/SignallingWindows.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace Ui {
class TForm6;
}

namespace tonvar::signalling {

class TForm6 : public SignallingForm<FleetSyncSession, Ui::TForm6> {
    Q_OBJECT
public:
    TForm6(link::PortHub &hub, WindowServices services, QWidget *parent = nullptr);

    QLineEdit *ed1 = nullptr, *ed2 = nullptr, *ed3 = nullptr, *ed4 = nullptr;
    QComboBox *cb1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    grid::TextGrid *xg1 = nullptr;
};

} // namespace tonvar::signalling

// SPDX-License-Identifier: GPL-3.0-or-later
// The DTMF window.
#pragma once

#include "signalling/DtmfSession.h"
#include "signalling/SignallingWindows.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTabWidget;

namespace Ui {
class TForm2;
}

namespace tonvar::signalling {

class TForm2 : public SignallingForm<DtmfSession, Ui::TForm2> {
    Q_OBJECT
public:
    TForm2(link::PortHub &hub, WindowServices services, QWidget *parent = nullptr);

    QTabWidget *Tabs = nullptr;
    grid::TextGrid *xg2 = nullptr;
    QComboBox *cb1 = nullptr, *cb2 = nullptr, *cb3 = nullptr, *cb4 = nullptr, *cb5 = nullptr;
    QCheckBox *CheckB1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QComboBox *cb6 = nullptr, *cb7 = nullptr, *cb8 = nullptr, *cb9 = nullptr;
    QCheckBox *CheckB2 = nullptr;
};

} // namespace tonvar::signalling

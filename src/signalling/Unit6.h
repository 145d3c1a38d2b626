// The FleetSync window.
#pragma once

#include "signalling/FleetSyncSession.h"
#include "signalling/SignallingWindows.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tonvar::signalling {

class TForm6 : public SignallingWindow {
    Q_OBJECT
public:
    TForm6(protocol::MainSession &main, WindowServices services, QWidget *parent = nullptr);
    ~TForm6() override;

    FleetSyncSession logic;

    QLineEdit *ed1 = nullptr, *ed2 = nullptr, *ed3 = nullptr, *ed4 = nullptr;
    QComboBox *cb1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    grid::TextGrid *xg1 = nullptr;
};

} // namespace tonvar::signalling

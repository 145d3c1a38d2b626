// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/Unit6.h"

#include "ui_Unit6.h"

namespace tonvar::signalling {

TForm6::TForm6(link::PortHub &hub, WindowServices services, QWidget *parent)
    : SignallingForm(QStringLiteral("FleetSync"), hub, std::move(services), parent, 4)
{
    ed1 = ui->ed1, ed2 = ui->ed2, ed3 = ui->ed3, ed4 = ui->ed4;
    cb1 = ui->cb1;
    CheckBox1 = ui->CheckBox1;
    xg1 = ui->xg1;

    FleetSyncTexts &t = logic.texts;
    BindEdit(ed1, t.ownFleet);
    BindEdit(ed2, t.ownId);
    BindCombo(cb1, t.baudRate, {"1200", "2400"});
    BindEdit(ed3, t.modulationDelay);
    BindEdit(ed4, t.messageTimer);
    BindCheck(CheckBox1, t.sideTone);
    BindGrid(xg1, {QStringLiteral("NO."), QStringLiteral("Fleet"), QStringLiteral("ID")}, kFleetEntries,
             {[&t](int row) -> std::string & { return t.fleet[static_cast<std::size_t>(row - 1)]; },
              [&t](int row) -> std::string & { return t.id[static_cast<std::size_t>(row - 1)]; }});
    xg1->setColumnWidth(0, 40);
    Refresh();
}

} // namespace tonvar::signalling

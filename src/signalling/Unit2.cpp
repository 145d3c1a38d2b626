// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/Unit2.h"

#include "ui_Unit2.h"

#include <QHeaderView>

namespace tonvar::signalling {

TForm2::TForm2(link::PortHub &hub, WindowServices services, QWidget *parent)
    : SignallingForm(QStringLiteral("DTMF"), hub, std::move(services), parent)
{
    Tabs = ui->Tabs;
    xg2 = ui->xg2;
    cb1 = ui->cb1, cb2 = ui->cb2, cb3 = ui->cb3, cb4 = ui->cb4, cb5 = ui->cb5;
    CheckB1 = ui->CheckB1;
    Edit1 = ui->Edit1;
    cb6 = ui->cb6, cb7 = ui->cb7, cb8 = ui->cb8, cb9 = ui->cb9;
    CheckB2 = ui->CheckB2;

    DtmfTexts &t = logic.texts;
    BindGrid(xg2, {QStringLiteral("NO."), QStringLiteral("Autodial Memory")}, kAutodialMemories,
             {[&t](int row) -> std::string & { return t.autodial[static_cast<std::size_t>(row - 1)]; }},
             [this](int row, int) { logic.AutodialEdited(row); });
    ColumnEditor(xg2, 1, {}, "12345678");
    xg2->setColumnWidth(0, 40);
    xg2->horizontalHeader()->setStretchLastSection(true);
    BindCombo(cb1, t.speed, {"6", "8", "10", "15"});
    BindCombo(cb2, t.firstDigitTime, {"100", "500", "1000"});
    BindCombo(cb3, t.firstDigitDelay, NumberTexts(100, 1000, 50));
    BindCombo(cb4, t.hashStarTime, {"0", "100", "500", "1000"});
    std::vector<std::string> dCodes{"D Code"};
    for (const std::string &v : NumberTexts(1000, 10000, 1000))
        dCodes.push_back(v);
    BindCombo(cb5, t.dCode, dCodes);
    BindCheck(CheckB1, t.sideTone);

    BindEdit(Edit1, t.idCode);
    BindCombo(cb6, t.groupCode, {"Off", "A", "B", "C", "D", "*", "#"});
    std::vector<std::string> resets{"Off"};
    for (const std::string &v : NumberTexts(1, 15, 1))
        resets.push_back(v);
    BindCombo(cb7, t.autoReset, resets);
    BindCombo(cb8, t.callAlert, {"Normal", "Continuous", "Off"});
    BindCombo(cb9, t.transpond, {"Off", "Alert", "ID Code"});
    BindCheck(CheckB2, t.clearToTranspond);

    Refresh();
}

} // namespace tonvar::signalling

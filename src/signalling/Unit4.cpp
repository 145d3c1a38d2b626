// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/Unit4.h"

#include "ui_Unit4.h"

#include <QHeaderView>

namespace tonvar::signalling {

TForm4::TForm4(link::PortHub &hub, WindowServices services, QWidget *parent)
    : SignallingForm(QStringLiteral("2TONE"), hub, std::move(services), parent, 11)
{
    Tabs = ui->Tabs;
    xg1 = ui->xg1;
    xg2 = ui->xg2;
    cb1 = ui->cb1, cb2 = ui->cb2, cb3 = ui->cb3;
    ed1 = ui->ed1, ed2 = ui->ed2, ed3 = ui->ed3, ed4 = ui->ed4, ed5 = ui->ed5;

    TwoToneTexts &t = logic.texts;
    BindGrid(xg1,
             {QStringLiteral("NO."), QStringLiteral("First Frequency(hz)"), QStringLiteral("Second Frequency(hz)")},
             kTwoToneRows,
             {[&t](int row) -> std::string & { return t.first[static_cast<std::size_t>(row - 1)]; },
              [&t](int row) -> std::string & { return t.second[static_cast<std::size_t>(row - 1)]; }});
    xg1->setColumnWidth(0, 40);
    xg1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    const auto times = NumberTexts(50, 1000, 50);
    BindCombo(cb1, t.firstTime, times);
    BindCombo(cb2, t.secondTime, times);
    BindCombo(cb3, t.interval, times);

    QStringList headers{QStringLiteral("NO.")};
    std::vector<CellText> columns;
    for (int j = 0; j < 4; ++j)
        headers << QStringLiteral("Decode%1").arg(j + 1) << QStringLiteral("Response Mode") << QStringLiteral("Prompt");
    for (int c = 1; c <= kTwoToneDecodeColumns; ++c)
        columns.push_back([&t, c](int row) -> std::string & { return t.Decode(row, c); });
    BindGrid(xg2, headers, kTwoToneRows, columns, [this](int row, int column) { logic.DecodeCellEdited(row, column); });
    xg2->setColumnWidth(0, 40);
    std::vector<std::string> prompts = NumberTexts(1, 16, 1);
    for (int j = 0; j < 4; ++j) {
        ColumnEditor(xg2, 3 * j + 1, TonePairNames(), "AB");
        ColumnEditor(xg2, 3 * j + 2, ResponseModeNames(), "NONE");
        ColumnEditor(xg2, 3 * j + 3, prompts, "1");
    }

    // The tones are disabled on the form: only a read changes them.
    BindEdit(ed1, t.toneA);
    BindEdit(ed2, t.toneB);
    BindEdit(ed3, t.toneC);
    BindEdit(ed4, t.toneD);
    BindEdit(ed5, t.restTime);

    Refresh();
}

} // namespace tonvar::signalling

// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/Unit5.h"

#include "ui_Unit5.h"

#include "signalling/ToneCodecs.h"

#include <QComboBox>

namespace tonvar::signalling {

TForm5::TForm5(link::PortHub &hub, WindowServices services, QWidget *parent)
    : SignallingForm(QStringLiteral("5TONE"), hub, std::move(services), parent, 16)
{
    Tabs = ui->Tabs;
    CCIR = ui->CCIR;
    Edit = {ui->Edit1, ui->Edit2,  ui->Edit3,  ui->Edit4,  ui->Edit5,  ui->Edit6,  ui->Edit7,  ui->Edit8,
            ui->Edit9, ui->Edit10, ui->Edit11, ui->Edit12, ui->Edit13, ui->Edit14, ui->Edit15, ui->Edit16};
    xg1 = ui->xg1;
    xg2 = ui->xg2;
    xg3 = ui->xg3;
    cb1 = ui->cb1, cb2 = ui->cb2, cb3 = ui->cb3, cb4 = ui->cb4;
    ed1 = ui->ed1;

    // Standard: the tones of one standard (shown, disabled on the form), and
    // each standard's settings.
    FiveToneTexts &t = logic.texts;
    BindCombo(CCIR, t.shownStandard, StandardNames());
    connect(CCIR, &QComboBox::editTextChanged, this, [this] {
        logic.StandardChanged();
        Refresh();
    });
    for (std::size_t d = 0; d < Edit.size(); ++d)
        BindEdit(Edit[d], logic.tones[d]);
    QStringList names;
    for (const std::string &name : StandardNames())
        names << QString::fromLatin1(name);
    std::vector<CellText> standardColumns;
    for (int c = 1; c <= 3; ++c)
        standardColumns.push_back([&t, c](int row) -> std::string & { return t.Standard(row, c); });
    BindGrid(xg1,
             {QStringLiteral("5 TONE Standard"), QStringLiteral("TX Time(ms)"), QStringLiteral("Group Code"),
              QStringLiteral("Duplication Code")},
             kStandards, standardColumns, {}, names);
    std::vector<std::string> digits;
    for (int d = 0; d < 16; ++d)
        digits.emplace_back(1, HexDigit(static_cast<std::uint8_t>(d)));
    ColumnEditor(xg1, 2, digits, "");
    ColumnEditor(xg1, 3, digits, "");

    std::vector<CellText> encodeColumns;
    for (int c = 1; c <= kEncodeColumns; ++c)
        encodeColumns.push_back([&t, c](int row) -> std::string & { return t.Encode(row, c); });
    BindGrid(xg2,
             {QStringLiteral("NO."), QStringLiteral("First Frame Coding"), QStringLiteral("Second Frame Coding"),
              QStringLiteral("Third Frame Coding"), QStringLiteral("Confirmation Code"),
              QStringLiteral("Use  Standard")},
             kFiveToneRows, encodeColumns, [this](int row, int column) { logic.EncodeCellEdited(row, column); });
    for (int c = 1; c <= 4; ++c)
        ColumnEditor(xg2, c, {}, "12345");
    ColumnEditor(xg2, 5, StandardNames(), "CCIR");
    const auto times = NumberTexts(50, 1000, 50);
    BindCombo(cb1, t.firstFrameDelay, times);
    BindCombo(cb2, t.secondFrameDelay, times);
    BindCombo(cb3, t.thirdFrameDelay, times);
    BindCombo(cb4, t.firstToneExtension, times);

    std::vector<CellText> decodeColumns;
    for (int c = 1; c <= kDecodeColumns; ++c)
        decodeColumns.push_back([&t, c](int row) -> std::string & { return t.Decode(row, c); });
    BindGrid(xg3,
             {QStringLiteral("NO."), QStringLiteral("Use Standard"), QStringLiteral("First Frame Decoding"),
              QStringLiteral("Function"), QStringLiteral("Second Frame Decoding"), QStringLiteral("Function"),
              QStringLiteral("Third Frame Decoding"), QStringLiteral("Function"), QStringLiteral("Response Code")},
             kFiveToneRows, decodeColumns, [this](int row, int column) { logic.DecodeCellEdited(row, column); });
    ColumnEditor(xg3, 1, StandardNames(), "CCIR");
    for (int c : {2, 4, 6, 8})
        ColumnEditor(xg3, c, {}, "12345");
    for (int c : {3, 5, 7})
        ColumnEditor(xg3, c, FunctionNames(), "CALL");
    BindEdit(ed1, t.resetTime);

    Refresh();
}

} // namespace tonvar::signalling

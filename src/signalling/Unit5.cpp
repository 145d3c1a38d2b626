#include "signalling/Unit5.h"

#include "signalling/ToneCodecs.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tonvar::signalling {

TForm5::TForm5(protocol::MainSession &main, WindowServices services, QWidget *parent)
    : SignallingWindow(QStringLiteral("5TONE"), std::move(services), parent), logic(main, timer1Adapter_, MessageSink())
{
    setObjectName(QStringLiteral("Form5"));
    FiveToneTexts &t = logic.texts;
    Tabs = new QTabWidget(this);

    // Standard: the tones of one standard, and each standard's settings.
    auto *standardPage = new QWidget;
    auto *standardLayout = new QVBoxLayout(standardPage);
    auto *nameForm = new QFormLayout;
    CCIR = BoundCombo(t.CCIR, StandardNames());
    CCIR->setObjectName(QStringLiteral("CCIR"));
    connect(CCIR, &QComboBox::editTextChanged, this, [this] {
        logic.CCIRChange();
        Refresh();
    });
    nameForm->addRow(QStringLiteral("Standard Name"), CCIR);
    standardLayout->addLayout(nameForm);
    auto *toneGrid = new QGridLayout;
    for (int d = 0; d < 16; ++d) {
        auto *edit = BoundEdit(logic.tones[static_cast<std::size_t>(d)]);
        edit->setEnabled(false);
        edit->setObjectName(QStringLiteral("Edit%1").arg(d + 1));
        Edit[static_cast<std::size_t>(d)] = edit;
        const int column = d < 8 ? 0 : 2;
        toneGrid->addWidget(new QLabel(QString(QChar::fromLatin1(HexDigit(static_cast<std::uint8_t>(d)))), this), d % 8,
                            column);
        toneGrid->addWidget(edit, d % 8, column + 1);
    }
    standardLayout->addLayout(toneGrid);
    QStringList names;
    for (const std::string &name : StandardNames())
        names << QString::fromLatin1(name);
    std::vector<CellText> standardColumns;
    for (int c = 1; c <= 3; ++c)
        standardColumns.push_back([&t, c](int row) -> std::string & { return t.Standard(row, c); });
    xg1 = BoundGrid({QStringLiteral("5 TONE Standard"), QStringLiteral("TX Time(ms)"), QStringLiteral("Group Code"),
                     QStringLiteral("Duplication Code")},
                    kStandards, standardColumns, {}, names);
    xg1->setObjectName(QStringLiteral("xg1"));
    std::vector<std::string> digits;
    for (int d = 0; d < 16; ++d)
        digits.emplace_back(1, HexDigit(static_cast<std::uint8_t>(d)));
    ColumnEditor(xg1, 2, digits, "");
    ColumnEditor(xg1, 3, digits, "");
    standardLayout->addWidget(xg1);
    Tabs->addTab(standardPage, QStringLiteral("Standard"));

    auto *encodePage = new QWidget;
    auto *encodeLayout = new QVBoxLayout(encodePage);
    std::vector<CellText> encodeColumns;
    for (int c = 1; c <= kEncodeColumns; ++c)
        encodeColumns.push_back([&t, c](int row) -> std::string & { return t.Encode(row, c); });
    xg2 = BoundGrid({QStringLiteral("NO."), QStringLiteral("First Frame Coding"), QStringLiteral("Second Frame Coding"),
                     QStringLiteral("Third Frame Coding"), QStringLiteral("Confirmation Code"),
                     QStringLiteral("Use  Standard")},
                    kFiveToneRows, encodeColumns, [this](int row, int column) { logic.xg2SetEditText(row, column); });
    xg2->setObjectName(QStringLiteral("xg2"));
    for (int c = 1; c <= 4; ++c)
        ColumnEditor(xg2, c, {}, "12345");
    ColumnEditor(xg2, 5, StandardNames(), "CCIR");
    encodeLayout->addWidget(xg2);
    auto *delays = new QFormLayout;
    const auto times = NumberTexts(50, 1000, 50);
    cb1 = BoundCombo(t.cb1, times);
    cb2 = BoundCombo(t.cb2, times);
    cb3 = BoundCombo(t.cb3, times);
    cb4 = BoundCombo(t.cb4, times);
    delays->addRow(QStringLiteral("Sending First Frame Coding Delay Time(ms)"), cb1);
    delays->addRow(QStringLiteral("Sending Second Frame Coding Delay Time(ms)"), cb2);
    delays->addRow(QStringLiteral("Sending Third Frame Coding Delay Time(ms)"), cb3);
    delays->addRow(QStringLiteral("Extended Duration of The First Tone of Each Group"), cb4);
    encodeLayout->addLayout(delays);
    Tabs->addTab(encodePage, QStringLiteral("Encode"));

    auto *decodePage = new QWidget;
    auto *decodeLayout = new QVBoxLayout(decodePage);
    std::vector<CellText> decodeColumns;
    for (int c = 1; c <= kDecodeColumns; ++c)
        decodeColumns.push_back([&t, c](int row) -> std::string & { return t.Decode(row, c); });
    xg3 =
        BoundGrid({QStringLiteral("NO."), QStringLiteral("Use Standard"), QStringLiteral("First Frame Decoding"),
                   QStringLiteral("Function"), QStringLiteral("Second Frame Decoding"), QStringLiteral("Function"),
                   QStringLiteral("Third Frame Decoding"), QStringLiteral("Function"), QStringLiteral("Response Code")},
                  kFiveToneRows, decodeColumns, [this](int row, int column) { logic.xg3SetEditText(row, column); });
    xg3->setObjectName(QStringLiteral("xg3"));
    ColumnEditor(xg3, 1, StandardNames(), "CCIR");
    for (int c : {2, 4, 6, 8})
        ColumnEditor(xg3, c, {}, "12345");
    for (int c : {3, 5, 7})
        ColumnEditor(xg3, c, FunctionNames(), "CALL");
    decodeLayout->addWidget(xg3);
    auto *reset = new QFormLayout;
    ed1 = BoundEdit(t.ed1);
    reset->addRow(QStringLiteral("Reset Time(ms)"), ed1);
    decodeLayout->addLayout(reset);
    Tabs->addTab(decodePage, QStringLiteral("Decode"));
    Tabs->setCurrentIndex(0); // Standard first
    body_->addWidget(Tabs);

    AddButtons(
        logic, [this] { logic.rbtnClick(); }, [this] { logic.wbtnClick(); }, [this] { logic.Button3Click(); });
    logic.progress.visible = true; // visible from the start
    logic.progress.position = 0;
    logic.progress.maximum = 16;
    Refresh();
}

TForm5::~TForm5()
{
    Detach();
}

} // namespace tonvar::signalling

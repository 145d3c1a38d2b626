#include "signalling/Unit4.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tonvar::signalling {

TForm4::TForm4(protocol::MainSession &main, WindowServices services, QWidget *parent)
    : SignallingWindow(QStringLiteral("2TONE"), std::move(services), parent), logic(main, timer1Adapter_, MessageSink())
{
    setObjectName(QStringLiteral("Form4"));
    TwoToneTexts &t = logic.texts;
    Tabs = new QTabWidget(this);

    auto *encodePage = new QWidget;
    auto *encodeLayout = new QHBoxLayout(encodePage);
    xg1 = BoundGrid(
        {QStringLiteral("NO."), QStringLiteral("First Frequency(hz)"), QStringLiteral("Second Frequency(hz)")},
        kTwoToneRows,
        {[&t](int row) -> std::string & { return t.first[static_cast<std::size_t>(row - 1)]; },
         [&t](int row) -> std::string & { return t.second[static_cast<std::size_t>(row - 1)]; }});
    xg1->setObjectName(QStringLiteral("xg1"));
    xg1->setColumnWidth(0, 40);
    xg1->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    encodeLayout->addWidget(xg1);
    auto *encodeForm = new QFormLayout;
    const auto times = NumberTexts(50, 1000, 50);
    cb1 = BoundCombo(t.cb1, times);
    cb2 = BoundCombo(t.cb2, times);
    cb3 = BoundCombo(t.cb3, times);
    encodeForm->addRow(QStringLiteral("First Frequency Time(ms)"), cb1);
    encodeForm->addRow(QStringLiteral("Second Frequency Time(ms)"), cb2);
    encodeForm->addRow(QStringLiteral("Interval Between Two Frequency (ms)"), cb3);
    encodeLayout->addLayout(encodeForm);
    Tabs->addTab(encodePage, QStringLiteral("Encode"));

    auto *decodePage = new QWidget;
    auto *decode = new QGroupBox(QStringLiteral("2TONE Decode"), decodePage);
    QStringList headers{QStringLiteral("NO.")};
    std::vector<CellText> columns;
    for (int j = 0; j < 4; ++j)
        headers << QStringLiteral("Decode%1").arg(j + 1) << QStringLiteral("Response Mode") << QStringLiteral("Prompt");
    for (int c = 1; c <= kTwoToneDecodeColumns; ++c)
        columns.push_back([&t, c](int row) -> std::string & { return t.Decode(row, c); });
    xg2 = BoundGrid(headers, kTwoToneRows, columns, [this](int row, int column) { logic.xg2SetEditText(row, column); });
    xg2->setObjectName(QStringLiteral("xg2"));
    xg2->setColumnWidth(0, 40);
    std::vector<std::string> prompts = NumberTexts(1, 16, 1);
    for (int j = 0; j < 4; ++j) {
        ColumnEditor(xg2, 3 * j + 1, TonePairNames(), "AB");
        ColumnEditor(xg2, 3 * j + 2, ResponseModeNames(), "NONE");
        ColumnEditor(xg2, 3 * j + 3, prompts, "1");
    }
    (new QVBoxLayout(decode))->addWidget(xg2);
    (new QVBoxLayout(decodePage))->addWidget(decode);
    Tabs->addTab(decodePage, QStringLiteral("Decode"));
    Tabs->setCurrentIndex(1); // Decode first
    body_->addWidget(Tabs);

    auto *below = new QHBoxLayout;
    auto *frequencies = new QGroupBox(QStringLiteral("2TONE Frequency"), this);
    auto *frequencyForm = new QFormLayout(frequencies);
    ed1 = BoundEdit(t.ed1);
    ed2 = BoundEdit(t.ed2);
    ed3 = BoundEdit(t.ed3);
    ed4 = BoundEdit(t.ed4);
    for (auto [edit, label] :
         {std::pair{ed1, "Atone(hz)"}, {ed2, "Btone(hz)"}, {ed3, "Ctone(hz)"}, {ed4, "Dtone(hz)"}}) {
        edit->setEnabled(false); // only a read changes the tones
        frequencyForm->addRow(QString::fromLatin1(label), edit);
    }
    below->addWidget(frequencies);
    auto *rest = new QFormLayout;
    ed5 = BoundEdit(t.ed5);
    rest->addRow(QStringLiteral("Rest Time(ms)"), ed5);
    below->addLayout(rest);
    body_->addLayout(below);

    AddButtons(
        logic, [this] { logic.rbtnClick(); }, [this] { logic.wbtnClick(); }, [this] { logic.Button3Click(); });
    logic.progress.visible = true; // visible from the start
    logic.progress.position = 0;
    logic.progress.maximum = 11;
    Refresh();
}

TForm4::~TForm4()
{
    Detach();
}

} // namespace tonvar::signalling

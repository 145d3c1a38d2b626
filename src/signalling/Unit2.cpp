#include "signalling/Unit2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tonvar::signalling {

TForm2::TForm2(protocol::MainSession &main, WindowServices services, QWidget *parent)
    : SignallingWindow(QStringLiteral("DTMF"), std::move(services), parent), logic(main, timer1Adapter_, MessageSink())
{
    setObjectName(QStringLiteral("Form2"));
    DtmfTexts &t = logic.texts;
    Tabs = new QTabWidget(this);

    auto *encodePage = new QWidget;
    auto *encode = new QGroupBox(QStringLiteral("Encode"), encodePage);
    auto *encodeLayout = new QHBoxLayout(encode);
    xg2 = BoundGrid({QStringLiteral("NO."), QStringLiteral("Autodial Memory")}, kAutodialMemories,
                    {[&t](int row) -> std::string & { return t.autodial[static_cast<std::size_t>(row - 1)]; }},
                    [this](int row, int) { logic.xg2SetEditText(row); });
    xg2->setObjectName(QStringLiteral("xg2"));
    ColumnEditor(xg2, 1, {}, "12345678");
    xg2->setColumnWidth(0, 40);
    xg2->horizontalHeader()->setStretchLastSection(true);
    encodeLayout->addWidget(xg2);
    auto *encodeForm = new QFormLayout;
    cb1 = BoundCombo(t.cb1, {"6", "8", "10", "15"});
    cb2 = BoundCombo(t.cb2, {"100", "500", "1000"});
    cb3 = BoundCombo(t.cb3, NumberTexts(100, 1000, 50));
    cb4 = BoundCombo(t.cb4, {"0", "100", "500", "1000"});
    std::vector<std::string> dCodes{"D Code"};
    for (const std::string &v : NumberTexts(1000, 10000, 1000))
        dCodes.push_back(v);
    cb5 = BoundCombo(t.cb5, dCodes);
    CheckB1 = BoundCheck(t.CheckB1, QStringLiteral("DTMF Side Tone"));
    encodeForm->addRow(QStringLiteral("DTMF Spend [digit/s]"), cb1);
    encodeForm->addRow(QStringLiteral("First Digit Time [ms]"), cb2);
    encodeForm->addRow(QStringLiteral("First Digit Delay [ms]"), cb3);
    encodeForm->addRow(QStringLiteral("# and * Tone [ms]"), cb4);
    encodeForm->addRow(QStringLiteral("D Code Assignment"), cb5);
    encodeForm->addRow(CheckB1);
    encodeLayout->addLayout(encodeForm);
    (new QVBoxLayout(encodePage))->addWidget(encode);
    Tabs->addTab(encodePage, QStringLiteral("DTMF Encode"));

    auto *decodePage = new QWidget;
    auto *decode = new QGroupBox(QStringLiteral("Decode"), decodePage);
    auto *decodeForm = new QFormLayout(decode);
    Edit1 = BoundEdit(t.Edit1, 8);
    cb6 = BoundCombo(t.cb6, {"Off", "A", "B", "C", "D", "*", "#"});
    std::vector<std::string> resets{"Off"};
    for (const std::string &v : NumberTexts(1, 15, 1))
        resets.push_back(v);
    cb7 = BoundCombo(t.cb7, resets);
    cb8 = BoundCombo(t.cb8, {"Normal", "Continuous", "Off"});
    cb9 = BoundCombo(t.cb9, {"Off", "Alert", "ID Code"});
    CheckB2 = BoundCheck(t.CheckB2, QStringLiteral("Clear To Transpond"));
    decodeForm->addRow(QStringLiteral("ID Code"), Edit1);
    decodeForm->addRow(QStringLiteral("Group Code"), cb6);
    decodeForm->addRow(QStringLiteral("Auto Reset Timer [s]"), cb7);
    decodeForm->addRow(QStringLiteral("Call Alert"), cb8);
    decodeForm->addRow(QStringLiteral("Transpond"), cb9);
    decodeForm->addRow(CheckB2);
    (new QVBoxLayout(decodePage))->addWidget(decode);
    Tabs->addTab(decodePage, QStringLiteral("DTMF Decode"));

    body_->addWidget(Tabs);
    AddButtons(
        logic, [this] { logic.rbtnClick(); }, [this] { logic.wbtnClick(); }, [this] { logic.Button3Click(); });
    Refresh();
}

TForm2::~TForm2()
{
    Detach();
}

} // namespace tonvar::signalling

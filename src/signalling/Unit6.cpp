#include "signalling/Unit6.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProgressBar>

namespace tonvar::signalling {

TForm6::TForm6(protocol::MainSession &main, WindowServices services, QWidget *parent)
    : SignallingWindow(QStringLiteral("FleetSync"), std::move(services), parent),
      logic(main, timer1Adapter_, MessageSink())
{
    setObjectName(QStringLiteral("Form6"));
    FleetSyncTexts &t = logic.texts;
    auto *top = new QHBoxLayout;
    auto *form = new QFormLayout;
    ed1 = BoundEdit(t.ed1);
    ed2 = BoundEdit(t.ed2);
    cb1 = BoundCombo(t.cb1, {"1200", "2400"}, false);
    ed3 = BoundEdit(t.ed3);
    ed4 = BoundEdit(t.ed4);
    CheckBox1 = BoundCheck(t.CheckBox1, QStringLiteral("PTT ID Side Tone"));
    form->addRow(QStringLiteral("Fleet[Own]"), ed1);
    form->addRow(QStringLiteral("ID[Own]"), ed2);
    form->addRow(QStringLiteral("FleetSync Baud Rate[bps]"), cb1);
    form->addRow(QStringLiteral("Data TX Modulation Delay Time[ms]"), ed3);
    form->addRow(QStringLiteral("Message Mode Timer [s]"), ed4);
    form->addRow(CheckBox1);
    top->addLayout(form);
    xg1 = BoundGrid({QStringLiteral("NO."), QStringLiteral("Fleet"), QStringLiteral("ID")}, kFleetEntries,
                    {[&t](int row) -> std::string & { return t.fleet[static_cast<std::size_t>(row - 1)]; },
                     [&t](int row) -> std::string & { return t.id[static_cast<std::size_t>(row - 1)]; }});
    xg1->setObjectName(QStringLiteral("xg1"));
    xg1->setColumnWidth(0, 40);
    top->addWidget(xg1);
    body_->addLayout(top);
    AddButtons(
        logic, [this] { logic.rbtnClick(); }, [this] { logic.wbtnClick(); }, [this] { logic.Button3Click(); });
    logic.progress.visible = true; // visible from the start, unlike the other windows'
    logic.progress.maximum = 4;
    logic.progress.position = 0;
    Refresh();
}

TForm6::~TForm6()
{
    Detach();
}

} // namespace tonvar::signalling

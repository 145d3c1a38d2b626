// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Radio menu: Compare with Radio, Next Difference and Show
// Differences, and the differences shown in place (RadioCompare.h has the
// logic).
#include "app/DifferenceList.h"
#include "app/Unit1.h"
#include "app/WindowJobs.h"

#include "protocol/Frames.h"
#include "signalling/SignallingWindows.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScreen>

#include <map>

namespace tonvar::app {

namespace {

QString RadioTip(const std::string &radio)
{
    return QStringLiteral("Radio: ") +
           (radio.empty() || radio == " " ? QStringLiteral("(empty)") : QString::fromLatin1(radio));
}

constexpr std::uint8_t kSignallingAreas[] = {protocol::kAreaDtmf, protocol::kAreaFleetSync, protocol::kArea2Tone,
                                             protocol::kArea5Tone};

} // namespace

void TForm1::BuildRadioMenu()
{
    QMenu *radio = menuBar()->addMenu(QStringLiteral("&Radio"));
    QAction *compare = radio->addAction(QStringLiteral("&Compare with Radio"), this, &TForm1::CompareWithRadioClick);
    compare->setObjectName(QStringLiteral("CompareWithRadio"));
    compare->setShortcut(QKeySequence(Qt::Key_F9));
    QAction *next = radio->addAction(QStringLiteral("&Next Difference"), this, &TForm1::NextDifferenceClick);
    next->setObjectName(QStringLiteral("NextDifference"));
    next->setShortcut(QKeySequence(Qt::Key_F8));
    radio->addAction(QStringLiteral("Show &Differences"), this, &TForm1::ShowDifferencesClick)
        ->setObjectName(QStringLiteral("ShowDifferences"));
    // The keys work from every window of the application: the signalling
    // windows and the list of differences too.
    for (QAction *a : radio->actions())
        a->setShortcutContext(Qt::ApplicationShortcut);
}

void TForm1::CompareWithRadioClick()
{
    jobs_->compare.Start(); // runs as the window's handlers run
}

void TForm1::NextDifferenceClick()
{
    if (!jobs_ || !jobs_->compare.Shown())
        return;
    const int next = jobs_->compare.Next();
    if (next >= 0)
        GoToDifference(next);
}

void TForm1::ShowDifferencesClick()
{
    if (!differences_)
        ShowDifferences();
    if (differences_) {
        differences_->show();
        differences_->raise();
        differences_->activateWindow();
    }
}

DifferenceList *TForm1::Differences() const
{
    return differences_;
}

void TForm1::CheckDifferences()
{
    if (jobs_)
        jobs_->compare.Check();
}

signalling::SignallingWindow *TForm1::SignallingWindowOf(std::uint8_t area) const
{
    QWidget *w = area == protocol::kAreaDtmf        ? dtmf_.data()
                 : area == protocol::kAreaFleetSync ? fleetSync_.data()
                 : area == protocol::kArea2Tone     ? twoTone_.data()
                 : area == protocol::kArea5Tone     ? fiveTone_.data()
                                                    : nullptr;
    return qobject_cast<signalling::SignallingWindow *>(w);
}

std::vector<std::uint8_t> TForm1::OpenSignallingAreas() const
{
    std::vector<std::uint8_t> out;
    for (const std::uint8_t area : kSignallingAreas)
        if (signalling::SignallingWindow *w = SignallingWindowOf(area); w && w->isVisible())
            out.push_back(area);
    return out;
}

std::vector<std::string> TForm1::ComparedTexts() const
{
    std::vector<std::string> out;
    for (int ch = 1; ch <= memory::kChannelCount && ch < table.RowCount(); ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            out.push_back(table.Row(ch)[static_cast<std::size_t>(c)]);
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        out.push_back(settings.Box(n));
    for (const std::uint8_t area : kSignallingAreas)
        if (signalling::SignallingWindow *w = SignallingWindowOf(area))
            for (const signalling::FieldSlot &slot : w->Slots())
                out.push_back(slot.text ? *slot.text : *slot.checked ? "on" : "off");
    return out;
}

void TForm1::ShowDifferences()
{
    const RadioComparison &compare = jobs_->compare;
    std::map<std::pair<int, int>, QString> cells;
    std::map<int, QString> boxes;
    std::map<std::uint8_t, std::map<int, std::string>> fields;
    QStringList lines;
    for (const signalling::PlacedDifference &d : compare.Differences()) {
        lines << QString::fromLatin1(DifferenceLine(d.difference));
        const signalling::FieldPlace &p = d.place;
        if (p.area == protocol::kAreaChannels)
            cells[{p.channel - 1, p.column}] = RadioTip(d.difference.radio); // row r shows channel r + 1
        else if (p.area == protocol::kAreaSettings)
            boxes[p.index] = RadioTip(d.difference.radio);
        else
            fields[p.area][p.index] = d.difference.radio.empty() ? "(empty)" : d.difference.radio;
    }
    model->SetMarks(std::move(cells));
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n) {
        if (const auto box = boxes.find(n); box != boxes.end())
            grid::MarkControl(Box(n), box->second);
        else
            grid::UnmarkControl(Box(n));
    }
    for (const std::uint8_t area : kSignallingAreas)
        if (signalling::SignallingWindow *w = SignallingWindowOf(area))
            w->MarkFields(fields[area]);

    const QString summary = QString::fromStdString(compare.Summary());
    CompareStatus->setText(summary);
    if (!differences_) {
        if (!compare.Shown())
            return;
        differences_ = new DifferenceList(this);
        differences_->activated = [this](int index) { GoToDifference(index); };
        differences_->next = [this] { NextDifferenceClick(); };
    }
    differences_->Show(lines, summary);
    if (compare.Shown()) {
        // First shown under the main window where the screen has room, so
        // that it hides none of the fields it lists.
        if (!differences_->property("placed").toBool() && screen()) {
            const QRect avail = screen()->availableGeometry();
            const QPoint below = frameGeometry().bottomLeft() + QPoint(0, 8);
            if (below.y() + differences_->height() + 40 <= avail.bottom())
                differences_->move(below);
            differences_->setProperty("placed", true);
        }
        differences_->show();
        differences_->raise();
    }
}

void TForm1::GoToDifference(int index)
{
    const std::vector<signalling::PlacedDifference> &all = jobs_->compare.Differences();
    if (index < 0 || index >= static_cast<int>(all.size()))
        return;
    jobs_->compare.GoTo(index);
    if (differences_)
        differences_->Select(index);
    const signalling::FieldPlace &p = all[static_cast<std::size_t>(index)].place;
    if (p.area == protocol::kAreaChannels || p.area == protocol::kAreaSettings) {
        raise();
        activateWindow();
        if (p.area == protocol::kAreaChannels) {
            const QModelIndex cell = model->index(p.channel - 1, p.column);
            xg->setCurrentIndex(cell);
            xg->scrollTo(cell);
            xg->setFocus(Qt::ShortcutFocusReason);
        } else {
            Box(p.index)->setFocus(Qt::ShortcutFocusReason);
        }
        return;
    }
    if (signalling::SignallingWindow *w = SignallingWindowOf(p.area))
        w->GoToField(p.index);
}

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's View menu (All Columns) and its size. The stored layout
// is the window's smallest size wherever the screen has room for it; a larger
// window gives the room to the table, the panel of boxes and buttons staying
// whole at the top right. On a screen too small for the stored layout (a
// 1280 x 800 screen at twice the scale) the window fits the screen: the
// table narrows and scrolls, and the whole scrolls up and down.
#include "app/Unit1.h"

#include "memory/ChannelTexts.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace tonvar::app {

namespace {

// Column widths of the stored layout; -1 hides a column.
constexpr std::array<int, memory::kColumnCount> kColumnWidths{50, 80, 80, 80, 80, 80, 80, 80,
                                                              -1, -1, -1, -1, -1, -1, -1, -1};
// A column the stored layout hides, shown: at least this wide, and wide
// enough for its caption.
constexpr int kShownColumnWidth = 80;
// The table is never narrower than this, however small the window.
constexpr int kLeastTableWidth = 150;
// What a window manager adds around the window: borders and a title bar.
const QSize kWindowFrame(8, 32);

QSettings Remembered()
{
    return QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar"));
}

const QString kAllColumnsKey = QStringLiteral("view/allColumns");

// The scroll area the panel lies in. Its size hint is the stored panel's,
// so that the window's is the stored window's.
class PanelArea : public QScrollArea {
public:
    PanelArea(QSize stored, QWidget *parent) : QScrollArea(parent), stored_(stored)
    {
        setObjectName(QStringLiteral("PanelArea"));
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
    }
    QSize sizeHint() const override { return stored_; }

private:
    QSize stored_;
};

// Lays the panel's controls out for the panel's size: the table takes what
// the panel has beyond its stored size, the boxes keep their distance from
// the top right corner.
class PanelStretch : public QObject {
public:
    PanelStretch(QWidget *panel, QWidget *table, const std::vector<QWidget *> &right)
        : QObject(panel), panel_(panel), table_(table), stored_(panel->size()), tableRect_(table->geometry())
    {
        for (QWidget *w : right)
            right_.emplace_back(w, w->pos());
    }
    bool on = false;
    QSize Stored() const { return stored_; }
    int TableWidth() const { return tableRect_.width(); }
    void Place()
    {
        const int dw = panel_->width() - stored_.width();
        const int dh = panel_->height() - stored_.height();
        table_->setGeometry(tableRect_.adjusted(0, 0, dw, dh));
        for (const auto &[w, pos] : right_)
            w->move(pos + QPoint(dw, 0));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (on && watched == panel_ && event->type() == QEvent::Resize)
            Place();
        return false;
    }

private:
    QWidget *panel_;
    QWidget *table_;
    QSize stored_;
    QRect tableRect_;
    std::vector<std::pair<QWidget *, QPoint>> right_;
};

} // namespace

void TForm1::BuildViewMenu()
{
    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    allColumns_ = view->addAction(QStringLiteral("&All Columns"));
    allColumns_->setObjectName(QStringLiteral("AllColumns"));
    allColumns_->setCheckable(true);
    allColumns_->setChecked(Remembered().value(kAllColumnsKey, false).toBool());
    allColumns_->setStatusTip(QStringLiteral("Show the columns the usual layout hides"));
    // Only the user's choice is remembered: the small layout's check is not.
    connect(allColumns_, &QAction::triggered, this, &TForm1::AllColumnsClick);
}

void TForm1::AllColumnsClick(bool on)
{
    if (smallLayout_)
        return; // the small layout shows its own columns
    allColumns_->setChecked(on);
    Remembered().setValue(kAllColumnsKey, on);
    ShowColumns();
}

void TForm1::ShowColumns()
{
    if (smallLayout_)
        return;
    const bool all = allColumns_ && allColumns_->isChecked();
    for (int c = 0; c < memory::kColumnCount; ++c) {
        const int width = kColumnWidths[static_cast<std::size_t>(c)];
        if (width < 0 && !all) {
            xg->setColumnHidden(c, true);
            continue;
        }
        xg->setColumnHidden(c, false);
        if (width >= 0) {
            xg->setColumnWidth(c, width);
        } else {
            xg->setColumnWidth(c, std::max(kShownColumnWidth, CaptionWidth(c)));
        }
    }
}

int TForm1::CaptionWidth(int column) const
{
    const QHeaderView *header = xg->horizontalHeader();
    const QString caption = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 4;
    return header->fontMetrics().horizontalAdvance(caption) + margins;
}

void TForm1::WrapPanel()
{
    auto *stretch = new PanelStretch(Panel1, xg, {GroupBox1, GroupBox3});
    panelStretch_ = stretch;
    Panel1->installEventFilter(stretch);
    auto *area = new PanelArea(Panel1->size(), this);
    takeCentralWidget();
    area->setWidget(Panel1);
    setCentralWidget(area);
}

void TForm1::FitToScreen(QSize room)
{
    auto *stretch = static_cast<PanelStretch *>(panelStretch_);
    const QSize stored = stretch->Stored();
    // The panel narrows only as far as the table allows; it never gets lower
    // than the boxes and buttons need (the window scrolls instead).
    Panel1->setMinimumSize(stored.width() - stretch->TableWidth() + kLeastTableWidth, stored.height());
    Panel1->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    stretch->on = true;
    ShowColumns();
    const QSize window = sizeHint(); // the stored layout's window
    const QSize fits = room.isValid() ? window.boundedTo(room - kWindowFrame) : window;
    setMinimumSize(fits);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(fits);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    statusBar()->setSizeGripEnabled(true);
}

void TForm1::KeepSmallLayout()
{
    // The small layout shows all the columns it has room for, whatever the
    // menu says: the item shows them shown and cannot be changed.
    smallLayout_ = true;
    if (allColumns_) {
        allColumns_->setChecked(true);
        allColumns_->setEnabled(false);
    }
}

} // namespace tonvar::app

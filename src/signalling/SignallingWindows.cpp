// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/SignallingWindows.h"

#include "signalling/SignallingSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tonvar::signalling {

namespace {

QString Latin1(const std::string &s)
{
    return QString::fromLatin1(s);
}

std::string Std(const QString &s)
{
    return s.toLatin1().toStdString();
}

} // namespace

std::vector<std::string> NumberTexts(int from, int to, int step)
{
    std::vector<std::string> out;
    for (int v = from; v <= to; v += step)
        out.push_back(std::to_string(v));
    return out;
}

SignallingWindow::SignallingWindow(const QString &caption, WindowServices services, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      services_(std::move(services))
{
    setWindowTitle(caption);
    Timer1.setInterval(kSessionTimeoutMs);
    resize(760, 560);
}

std::function<void(const std::string &)> SignallingWindow::MessageSink()
{
    return [this](const std::string &text) {
        Refresh();
        if (services_.showMessage)
            services_.showMessage(text);
    };
}

void SignallingWindow::Handle(const std::function<void()> &handler)
{
    if (services_.run)
        services_.run(handler);
    else
        handler();
    if (services_.refreshAll)
        services_.refreshAll(); // every window shows who holds the port
    else
        Refresh();
}

void SignallingWindow::AddButtons(SignallingLogic &logic)
{
    logic_ = &logic;
    auto *body = qobject_cast<QBoxLayout *>(layout());
    if (!body)
        body = new QVBoxLayout(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    // Drawn as a bar, on the window's colour: an idle one does not look like
    // an empty text field.
    ProgressBar1->setFixedHeight(12);
    ProgressBar1->setStyleSheet(QStringLiteral(
        "QProgressBar { border: 1px solid palette(mid); border-radius: 3px; background: palette(window); }"
        "QProgressBar::chunk { background: palette(highlight); border-radius: 2px; }"));
    // A hidden bar keeps its place: the buttons below do not jump.
    QSizePolicy keep = ProgressBar1->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(keep);
    body->addWidget(ProgressBar1);
    auto *buttons = new QHBoxLayout;
    rbtn = new QPushButton(QStringLiteral("&Read"), this);
    wbtn = new QPushButton(QStringLiteral("&Write"), this);
    Button3 = new QPushButton(QStringLiteral("&Close"), this);
    rbtn->setObjectName(QStringLiteral("rbtn"));
    wbtn->setObjectName(QStringLiteral("wbtn"));
    Button3->setObjectName(QStringLiteral("Button3"));
    for (QPushButton *b : {rbtn, wbtn, Button3})
        buttons->addWidget(b);
    body->addLayout(buttons);
    // A click while any session runs starts nothing (the buttons are
    // disabled then, but a click may be queued before).
    connect(rbtn, &QPushButton::clicked, this, [this] {
        if (logic_->MayStart())
            Handle([this] { logic_->StartRead(); });
    });
    connect(wbtn, &QPushButton::clicked, this, [this] {
        if (logic_->MayStart())
            Handle([this] {
                if (guardWrite)
                    guardWrite(*logic_);
                else
                    logic_->StartWrite();
            });
    });
    connect(Button3, &QPushButton::clicked, this, [this] {
        Handle([this] { logic_->Close(); });
        hide();
    });
    connect(&Timer1, &QTimer::timeout, this, [this] { Handle([this] { logic_->TimeOut(); }); });
}

void SignallingWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && Button3) {
        Button3->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SignallingWindow::Detach()
{
    detached_ = true;
    for (grid::TextGridModel *model : grids_)
        model->Detach();
    Timer1.stop();
}

void SignallingWindow::Refresh()
{
    if (detached_)
        return;
    refreshing_ = true;
    for (const auto &show : shows_)
        show();
    refreshing_ = false;
    if (!logic_)
        return;
    // One session at a time on the port: a window's buttons are disabled
    // while its own session or any other runs.
    const bool free = logic_->MayStart();
    rbtn->setEnabled(free);
    wbtn->setEnabled(free);
    const QString busy = QStringLiteral("Another read or write is running on the port.");
    rbtn->setToolTip(logic_->OthersRunning() ? busy : QString());
    wbtn->setToolTip(logic_->OthersRunning() ? busy : QString());
    ProgressBar1->setRange(0, logic_->progress.maximum);
    ProgressBar1->setValue(logic_->progress.position);
    ProgressBar1->setVisible(logic_->progress.visible);
}

void SignallingWindow::Edited(const std::function<void()> &change)
{
    change();
    if (onEdited)
        onEdited();
}

SignallingWindow::Shown SignallingWindow::Find(const FieldSlot &slot) const
{
    const void *at = slot.text ? static_cast<const void *>(slot.text) : static_cast<const void *>(slot.checked);
    if (const auto control = controls_.find(at); control != controls_.end())
        return {control->second, nullptr, 0, 0};
    for (const BoundGrid &g : boundGrids_)
        for (int row = 1; row <= g.rows; ++row)
            for (std::size_t c = 0; c < g.columns.size(); ++c)
                if (&g.columns[c](row) == at)
                    return {nullptr, g.grid, row - 1, static_cast<int>(c) + 1};
    return {};
}

void SignallingWindow::MarkFields(const std::map<int, std::string> &radioTexts)
{
    for (QWidget *w : marked_)
        grid::UnmarkControl(w);
    marked_.clear();
    std::map<grid::TextGrid *, std::map<std::pair<int, int>, QString>> cells;
    for (const BoundGrid &g : boundGrids_)
        cells[g.grid];
    const std::vector<FieldSlot> slots = Slots();
    for (const auto &[index, radio] : radioTexts) {
        if (index < 0 || index >= static_cast<int>(slots.size()))
            continue;
        const QString tip = QStringLiteral("Radio: ") + Latin1(radio);
        const Shown shown = Find(slots[static_cast<std::size_t>(index)]);
        if (shown.control) {
            grid::MarkControl(shown.control, tip);
            marked_.push_back(shown.control);
        } else if (shown.grid) {
            cells[shown.grid][{shown.row, shown.column}] = tip;
        }
    }
    for (auto &[grid, marks] : cells)
        grid->Model()->SetMarks(std::move(marks));
}

void SignallingWindow::GoToField(int index)
{
    const std::vector<FieldSlot> slots = Slots();
    if (index < 0 || index >= static_cast<int>(slots.size()))
        return;
    const Shown shown = Find(slots[static_cast<std::size_t>(index)]);
    QWidget *target = shown.control ? shown.control : shown.grid;
    if (!target)
        return;
    // A minimized window comes back as it was.
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    // The tab the control is on comes to the front.
    for (QWidget *w = target; w && w != this; w = w->parentWidget())
        if (auto *tabs = qobject_cast<QTabWidget *>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            if (tabs->indexOf(w) >= 0)
                tabs->setCurrentWidget(w);
    if (shown.grid) {
        const QModelIndex cell = shown.grid->model()->index(shown.row, shown.column);
        shown.grid->setCurrentIndex(cell);
        shown.grid->scrollTo(cell);
    }
    target->setFocus(Qt::ShortcutFocusReason);
}

void SignallingWindow::BindCombo(QComboBox *box, std::string &text, const std::vector<std::string> &items)
{
    controls_[&text] = box;
    const bool editable = box->isEditable();
    if (editable)
        grid::KeepTypedText(box);
    for (const std::string &item : items)
        box->addItem(Latin1(item));
    const auto edited = [this, &text](const QString &t) {
        if (Editable())
            Edited([&] { text = Std(t); });
    };
    if (editable)
        connect(box, &QComboBox::editTextChanged, this, edited);
    else
        connect(box, &QComboBox::currentTextChanged, this, edited);
    shows_.push_back([box, &text, editable] {
        const QString t = Latin1(text);
        if (box->currentText() == t)
            return;
        const QSignalBlocker blocker(box);
        const int at = box->findText(t, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0 || !editable)
            box->setCurrentIndex(at);
        if (editable)
            box->setEditText(t);
    });
}

void SignallingWindow::BindEdit(QLineEdit *edit, std::string &text)
{
    controls_[&text] = edit;
    // The form's limit, or none (32767 is a line edit's own).
    constexpr int kNoLimit = 32767;
    const int maxLength = edit->maxLength() == kNoLimit ? 0 : edit->maxLength();
    // The limit is for typing: a longer text the session holds is shown
    // whole, and typing never makes it longer.
    const auto limit = [edit, maxLength] {
        if (maxLength > 0)
            edit->setMaxLength(std::max<int>(maxLength, static_cast<int>(edit->text().size())));
    };
    limit();
    connect(edit, &QLineEdit::textChanged, this, [this, &text, limit](const QString &t) {
        if (Editable())
            Edited([&] { text = Std(t); });
        limit();
    });
    shows_.push_back([edit, &text, maxLength] {
        const QString t = Latin1(text);
        if (edit->text() != t) {
            const QSignalBlocker blocker(edit);
            if (maxLength > 0)
                edit->setMaxLength(std::max<int>(maxLength, static_cast<int>(t.size())));
            edit->setText(t);
            if (maxLength > 0)
                edit->setMaxLength(std::max<int>(maxLength, static_cast<int>(t.size())));
        }
    });
}

void SignallingWindow::BindCheck(QCheckBox *box, bool &checked)
{
    controls_[&checked] = box;
    connect(box, &QCheckBox::toggled, this, [this, &checked](bool on) {
        if (Editable())
            Edited([&] { checked = on; });
    });
    shows_.push_back([box, &checked] {
        const QSignalBlocker blocker(box);
        box->setChecked(checked);
    });
}

void SignallingWindow::BindGrid(grid::TextGrid *grid, const QStringList &headers, int rows,
                                std::vector<CellText> columns, std::function<void(int row, int column)> edited,
                                QStringList rowNames)
{
    std::vector<grid::ColumnSpec> specs;
    for (int c = 0; c <= static_cast<int>(columns.size()); ++c)
        specs.push_back(
            {c < headers.size() ? headers[c] : QString(), c == 0 ? grid::Editor::Fixed : grid::Editor::Text, {}, {}});
    grid::TextSource source;
    source.rowCount = [rows] { return rows; };
    // Column 0: FormCreate's "1" to "16", or the rows' names.
    source.text = [columns, rowNames](int row, int column) -> std::string {
        if (column == 0)
            return row < rowNames.size() ? Std(rowNames[row]) : std::to_string(row + 1);
        return columns[static_cast<std::size_t>(column - 1)](row + 1);
    };
    source.setText = [columns](int row, int column, const std::string &text) {
        if (column >= 1)
            columns[static_cast<std::size_t>(column - 1)](row + 1) = text;
    };
    boundGrids_.push_back({grid, rows, columns});
    grid->SetUp(std::move(specs), std::move(source));
    grid->verticalHeader()->setDefaultSectionSize(22);
    grid->resizeColumnsToContents(); // wide enough for the headers
    // and for a five-digit number (a FleetSync fleet or ID up to 65535)
    const int fiveDigits = grid->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
    for (int c = 1; c < grid->model()->columnCount(); ++c)
        grid->setColumnWidth(c, std::max(grid->columnWidth(c), fiveDigits));
    grid::TextGridModel *model = grid->Model();
    model->onCommit = [this, edited](int row, int column) {
        if (edited)
            Handle([&] { edited(row + 1, column); });
        else
            Refresh();
    };
    grids_.push_back(model);
    shows_.push_back([model] { model->Refresh(); });
}

void SignallingWindow::ColumnEditor(grid::TextGrid *grid, int column, const std::vector<std::string> &items,
                                    const std::string &defaultText, bool editable)
{
    QStringList list;
    for (const std::string &item : items)
        list << Latin1(item);
    const grid::Editor editor = list.isEmpty() ? grid::Editor::Text
                                : editable     ? grid::Editor::TypedList
                                               : grid::Editor::PickList;
    grid->Model()->SetColumnEditor(column, editor, list, Latin1(defaultText));
}

} // namespace tonvar::signalling

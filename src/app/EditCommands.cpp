// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Edit menu: undo and redo, the clipboard, filling cells,
// clearing and moving channels; and File > New.
#include "app/Unit1.h"

#include "app/RowClipboard.h"
#include "app/TableFill.h"
#include "app/WindowJobs.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace tonvar::app {

namespace {

// The grid's row r shows table row r + 1.
constexpr int kFirstChannelRow = 1;

// The cells the user has selected, in table rows.
struct Selection {
    std::map<int, std::set<int>> cells; // row -> selected columns 1..15
    bool wholeRows = false;             // every visible cell of each row is selected

    bool Empty() const { return cells.empty(); }
    int FirstRow() const { return cells.begin()->first; }
    int LastRow() const { return cells.rbegin()->first; }
    int FirstColumn() const
    {
        int first = memory::kColCompandor;
        for (const auto &[row, columns] : cells)
            first = std::min(first, *columns.begin());
        return first;
    }
    int LastColumn() const
    {
        int last = memory::kColRxFreq;
        for (const auto &[row, columns] : cells)
            last = std::max(last, *columns.rbegin());
        return last;
    }
};

Selection SelectionOf(const grid::TextGrid &xg)
{
    Selection s;
    const auto visible = [&xg](int column) { return !xg.isColumnHidden(column); };
    for (const QModelIndex &index : xg.selectionModel()->selectedIndexes())
        if (index.column() >= memory::kColRxFreq && visible(index.column()))
            s.cells[index.row() + kFirstChannelRow].insert(index.column());
    const QModelIndex current = xg.currentIndex();
    if (s.Empty() && current.isValid()) {
        // Nothing selected: the current cell, or its whole row where it is
        // the channel number.
        const int row = current.row() + kFirstChannelRow;
        if (current.column() >= memory::kColRxFreq)
            s.cells[row].insert(current.column());
        else
            for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c)
                if (visible(c))
                    s.cells[row].insert(c);
    }
    int shown = 0;
    for (int c = memory::kColRxFreq; c <= memory::kColCompandor; ++c)
        shown += visible(c) ? 1 : 0;
    s.wholeRows = !s.Empty() && std::all_of(s.cells.begin(), s.cells.end(), [shown](const auto &row) {
        return static_cast<int>(row.second.size()) == shown;
    });
    return s;
}

// The rows of a selection.
std::set<int> RowsOf(const Selection &s)
{
    std::set<int> rows;
    for (const auto &[row, columns] : s.cells)
        rows.insert(row);
    return rows;
}

QString Caption(int column)
{
    return QString::fromLatin1(memory::ColumnCaptions().at(static_cast<std::size_t>(column)));
}

// Set Column's question: the column's list where it has one (the tones'
// list also takes a tone typed), else the text.
std::optional<std::string> AskForValue(QWidget *parent, int column, const std::string &current)
{
    const QString title = QStringLiteral("Set Column");
    const QString label = QStringLiteral("%1 for the selected channels:").arg(Caption(column));
    bool ok = false;
    QString text;
    const auto &items = memory::PickList(column);
    if (items.empty()) {
        text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString::fromLatin1(current), &ok);
    } else {
        QStringList list;
        for (const std::string &item : items)
            list << QString::fromLatin1(item);
        const bool typed = column == memory::kColDecodeTone || column == memory::kColEncodeTone;
        const int at = static_cast<int>(list.indexOf(QString::fromLatin1(current)));
        text = QInputDialog::getItem(parent, title, label, list, std::max(0, at), typed, &ok);
    }
    if (!ok)
        return std::nullopt;
    return text.toLatin1().toStdString();
}

QString Channels(int first, int last)
{
    if (first == last)
        return QStringLiteral("channel %1").arg(first);
    return QStringLiteral("channels %1 to %2").arg(first).arg(last);
}

// A press on a channel number selects the channel's row; with Shift the
// rows from the current one to it, with Ctrl one row more.
class RowPicker : public QObject {
public:
    explicit RowPicker(grid::TextGrid &xg) : QObject(&xg), xg_(xg) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, event);
        const auto *press = static_cast<QMouseEvent *>(event);
        const QModelIndex index = xg_.indexAt(press->position().toPoint());
        if (press->button() != Qt::LeftButton || !index.isValid() || index.column() != memory::kColChannel)
            return false;
        const Qt::KeyboardModifiers mods = press->modifiers();
        const QModelIndex current = xg_.currentIndex();
        const int from = (mods & Qt::ShiftModifier) && current.isValid() ? current.row() : index.row();
        const QAbstractItemModel *model = xg_.model();
        const QItemSelection rows(model->index(std::min(from, index.row()), memory::kColRxFreq),
                                  model->index(std::max(from, index.row()), memory::kColCompandor));
        QItemSelectionModel *selection = xg_.selectionModel();
        selection->select(rows, mods & (Qt::ShiftModifier | Qt::ControlModifier) ? QItemSelectionModel::Select
                                                                                 : QItemSelectionModel::ClearAndSelect);
        selection->setCurrentIndex(model->index(index.row(), memory::kColRxFreq), QItemSelectionModel::NoUpdate);
        xg_.setFocus(Qt::MouseFocusReason);
        return true;
    }

private:
    grid::TextGrid &xg_;
};

} // namespace

void TForm1::BuildEditMenu(QMenu *file)
{
    file->addAction(QStringLiteral("&Import CSV..."), this, &TForm1::ImportCsvClick)
        ->setObjectName(QStringLiteral("ImportCsv"));
    file->addAction(QStringLiteral("&Export CSV..."), this, &TForm1::ExportCsvClick)
        ->setObjectName(QStringLiteral("ExportCsv"));

    QMenu *edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction *undo = edit->addAction(QStringLiteral("&Undo"), this, &TForm1::UndoClick);
    undo->setObjectName(QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *redo = edit->addAction(QStringLiteral("&Redo"), this, &TForm1::RedoClick);
    redo->setObjectName(QStringLiteral("Redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    const TableHistory &history = *history_;
    QUndoStack &stack = history_->Stack();
    const auto update = [undo, redo, &stack, &history] {
        undo->setEnabled(stack.canUndo());
        redo->setEnabled(stack.canRedo());
        undo->setText(history.UndoMenuText());
        redo->setText(history.RedoMenuText());
    };
    connect(&stack, &QUndoStack::indexChanged, this, update);
    connect(&stack, &QUndoStack::undoTextChanged, this, update);
    connect(&stack, &QUndoStack::redoTextChanged, this, update);
    update();

    // The table's own commands work where the table has the focus; in a
    // cell editor or a panel box the same keys edit the text there.
    edit->addSeparator();
    const auto tableAction = [this, edit](const char *name, const char *text, QKeySequence key,
                                          void (TForm1::*slot)()) {
        QAction *a = edit->addAction(QString::fromLatin1(text), this, slot);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        xg->addAction(a);
        return a;
    };
    tableAction("Cut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X), &TForm1::CutClick);
    tableAction("Copy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C), &TForm1::CopyClick);
    tableAction("Paste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &TForm1::PasteClick);
    edit->addSeparator();
    QAction *fillDown =
        tableAction("FillDown", "&Fill Down", QKeySequence(Qt::CTRL | Qt::Key_D), &TForm1::FillDownClick);
    tableAction("SetColumn", "&Set Column...", QKeySequence(), &TForm1::SetColumnClick);
    // Fill Down has something to fill where a column has two selected rows.
    const auto updateFill = [this, fillDown] {
        fillDown->setEnabled(!FillDown(table, SelectionOf(*xg).cells).empty());
    };
    connect(xg->selectionModel(), &QItemSelectionModel::selectionChanged, this, updateFill);
    connect(xg->selectionModel(), &QItemSelectionModel::currentChanged, this, updateFill);
    updateFill();
    edit->addSeparator();
    tableAction("ClearChannel", "C&lear Channel", QKeySequence(Qt::Key_Delete), &TForm1::ClearChannelClick);
    tableAction("MoveChannelUp", "Move Channel U&p", QKeySequence(Qt::CTRL | Qt::Key_Up), &TForm1::MoveChannelUpClick);
    tableAction("MoveChannelDown", "Move Channel &Down", QKeySequence(Qt::CTRL | Qt::Key_Down),
                &TForm1::MoveChannelDownClick);

    // Cells or whole rows are selected; a click on a channel number selects
    // its row.
    xg->setSelectionMode(QAbstractItemView::ExtendedSelection);
    xg->viewport()->installEventFilter(new RowPicker(*xg));
}

void TForm1::CommitOpenEditor()
{
    // Taking the focus back from a cell editor commits it (and runs the hook).
    const QWidget *focus = QApplication::focusWidget();
    if (focus && xg->viewport()->isAncestorOf(focus))
        xg->setFocus();
}

void TForm1::UndoClick()
{
    CommitOpenEditor();
    if (session.Editable())
        history_->Undo();
}

void TForm1::RedoClick()
{
    CommitOpenEditor();
    if (session.Editable())
        history_->Redo();
}

void TForm1::CopyClick()
{
    CommitOpenEditor();
    const Selection s = SelectionOf(*xg);
    if (s.Empty())
        return;
    const int first = s.wholeRows ? static_cast<int>(memory::kColRxFreq) : s.FirstColumn();
    const int last = s.wholeRows ? static_cast<int>(memory::kColCompandor) : s.LastColumn();
    QGuiApplication::clipboard()->setText(
        QString::fromLatin1(CopyCells(table, s.FirstRow(), s.LastRow(), first, last)));
}

void TForm1::CutClick()
{
    CommitOpenEditor();
    const Selection s = SelectionOf(*xg);
    if (s.Empty())
        return;
    CopyClick();
    Change(QStringLiteral("Cut from ") + Channels(s.FirstRow(), s.LastRow()), [&] {
        for (const auto &[row, columns] : s.cells) {
            if (s.wholeRows) {
                ClearChannel(table, row);
                continue;
            }
            // As if each cell were emptied and left, the receive frequency first.
            if (columns.count(memory::kColRxFreq))
                CommitCell(table, row, memory::kColRxFreq, {});
            for (const int c : columns)
                if (c != memory::kColRxFreq)
                    CommitCell(table, row, c, {});
        }
    });
}

void TForm1::PasteClick()
{
    CommitOpenEditor();
    const Selection s = SelectionOf(*xg);
    const std::string text = QGuiApplication::clipboard()->text().toLatin1().toStdString();
    if (s.Empty() || text.empty())
        return;
    const int row = s.FirstRow();
    const auto fields = ParseClipboard(text);
    const bool oneCell = fields.size() == 1 && fields.front().size() == 1;
    const bool manyCells = s.cells.size() > 1 || s.cells.begin()->second.size() > 1;
    if (oneCell && manyCells && !s.wholeRows) {
        // One cell copied into a selection of cells: every selected cell
        // takes it, or none does. Whole rows take a paste from RX Freq on,
        // as before.
        Change(QStringLiteral("Paste into ") + Channels(row, s.LastRow()),
               [&] { SetCells(table, FillSelection(s.cells, fields.front().front())); });
        return;
    }
    const int column = s.wholeRows ? static_cast<int>(memory::kColRxFreq) : s.FirstColumn();
    const int lines = static_cast<int>(fields.size());
    const int last = std::min(row + lines - 1, table.RowCount() - 1);
    Change(QStringLiteral("Paste into ") + Channels(row, std::max(row, last)),
           [&] { PasteCells(table, row, column, text); });
}

void TForm1::FillDownClick()
{
    CommitOpenEditor();
    const Selection s = SelectionOf(*xg);
    const std::vector<CellText> cells = FillDown(table, s.cells);
    if (cells.empty())
        return;
    Change(QStringLiteral("Fill Down into ") + Channels(cells.front().row, s.LastRow()),
           [&] { SetCells(table, cells); });
}

void TForm1::SetColumnClick()
{
    CommitOpenEditor();
    const QModelIndex current = xg->currentIndex();
    const Selection s = SelectionOf(*xg);
    if (!current.isValid() || s.Empty())
        return;
    // The current cell's column; on a channel number, the receive frequency.
    const int column = std::max(current.column(), static_cast<int>(memory::kColRxFreq));
    const std::string now = table.Cell(current.row() + kFirstChannelRow, column);
    const std::optional<std::string> text =
        AskColumnValue ? AskColumnValue(column, now) : AskForValue(this, column, now);
    if (!text)
        return;
    Change(QStringLiteral("Set %1 of ").arg(Caption(column)) + Channels(s.FirstRow(), s.LastRow()),
           [&] { SetCells(table, SetColumn(RowsOf(s), column, *text)); });
}

void TForm1::NewClick()
{
    CommitOpenEditor();
    const auto ask = [this] {
        return AskUnsaved(this, QStringLiteral("Save them to a channel file before emptying the table?"));
    };
    if (!session.Editable() || !jobs_->files.MayDiscard(ask))
        return;
    // As the window starts: empty channels, the settings it opened with,
    // nothing known of a radio, nothing to undo and nothing to save.
    table = memory::ChannelTable();
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        table.SetCell(ch, memory::kColChannel, std::to_string(ch));
    settings = startSettings_;
    session.KeepKnownBlocks({});
    holdsRadioData_ = false;
    history_->Start();
    RefreshControls();
    xg->setCurrentIndex(model->index(0, memory::kColRxFreq));
}

void TForm1::ClearChannelClick()
{
    CommitOpenEditor();
    const Selection s = SelectionOf(*xg);
    if (s.Empty())
        return;
    const QString name = s.FirstRow() == s.LastRow()
                             ? QStringLiteral("Clear Channel %1").arg(s.FirstRow())
                             : QStringLiteral("Clear Channels %1 to %2").arg(s.FirstRow()).arg(s.LastRow());
    Change(name, [&] {
        for (const auto &[row, columns] : s.cells)
            ClearChannel(table, row);
    });
}

void TForm1::MoveChannel(int by)
{
    CommitOpenEditor();
    const QModelIndex current = xg->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row() + kFirstChannelRow;
    const int to = row + by;
    if (to < kFirstChannelRow || to >= table.RowCount())
        return;
    const bool wholeRow = SelectionOf(*xg).wholeRows;
    Change(QStringLiteral("Move Channel %1 %2").arg(row).arg(by < 0 ? QStringLiteral("Up") : QStringLiteral("Down")),
           [&] { SwapChannels(table, row, to); });
    // The cursor goes with the channel.
    const QModelIndex moved = model->index(to - kFirstChannelRow, current.column());
    if (wholeRow) {
        xg->selectionModel()->select(QItemSelection(model->index(moved.row(), memory::kColRxFreq),
                                                    model->index(moved.row(), memory::kColCompandor)),
                                     QItemSelectionModel::ClearAndSelect);
        xg->selectionModel()->setCurrentIndex(moved, QItemSelectionModel::NoUpdate);
    } else {
        xg->selectionModel()->setCurrentIndex(moved, QItemSelectionModel::ClearAndSelect);
    }
}

void TForm1::MoveChannelUpClick()
{
    MoveChannel(-1);
}

void TForm1::MoveChannelDownClick()
{
    MoveChannel(+1);
}

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TableUndo.h"

#include <QUndoCommand>

#include <algorithm>

namespace tonvar::app {

namespace {

// Steps kept on the stack; the oldest go first.
constexpr int kUndoLimit = 200;

} // namespace

TableState CaptureState(const memory::ChannelTable &table, const memory::SettingsTexts &settings)
{
    TableState state;
    state.rows.reserve(static_cast<std::size_t>(table.RowCount()));
    for (int r = 0; r < table.RowCount(); ++r)
        state.rows.push_back(table.Row(r));
    state.settings = settings;
    return state;
}

TableChange Difference(const TableState &from, const TableState &to)
{
    TableChange change;
    change.rowsBefore = static_cast<int>(from.rows.size());
    change.rowsAfter = static_cast<int>(to.rows.size());
    const std::size_t rows = std::max(from.rows.size(), to.rows.size());
    for (std::size_t r = 0; r < rows; ++r) {
        const bool inFrom = r < from.rows.size(), inTo = r < to.rows.size();
        if (inFrom && inTo && from.rows[r] == to.rows[r])
            continue;
        if (inFrom)
            change.before.emplace_back(static_cast<int>(r), from.rows[r]);
        if (inTo)
            change.after.emplace_back(static_cast<int>(r), to.rows[r]);
    }
    change.settingsBefore = from.settings;
    change.settingsAfter = to.settings;
    return change;
}

class TableStep : public QUndoCommand {
public:
    TableStep(TableHistory &history, TableChange change, const QString &name, int mergeKey)
        : QUndoCommand(name), history_(history), change_(std::move(change)), mergeKey_(mergeKey)
    {
    }

    int id() const override { return mergeKey_; }

    void redo() override
    {
        // Pushed after the change was made: the first redo has nothing to do.
        if (done_)
            history_.Apply(change_, true);
        done_ = true;
    }

    void undo() override { history_.Apply(change_, false); }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = dynamic_cast<const TableStep *>(other);
        if (!next || next->mergeKey_ != mergeKey_ || !SettingsOnly() || !next->SettingsOnly())
            return false;
        change_.settingsAfter = next->change_.settingsAfter;
        setObsolete(change_.Empty());
        return true;
    }

private:
    bool SettingsOnly() const { return change_.before.empty() && change_.after.empty(); }

    TableHistory &history_;
    TableChange change_;
    int mergeKey_;
    bool done_ = false;
};

TableHistory::TableHistory(memory::ChannelTable &table, memory::SettingsTexts &settings)
    : table_(table), settings_(settings), base_(CaptureState(table, settings))
{
    stack_.setUndoLimit(kUndoLimit);
}

bool TableHistory::Record(const QString &name, int mergeKey)
{
    TableState now = CaptureState(table_, settings_);
    if (now == base_)
        return false;
    TableChange change = Difference(base_, now);
    base_ = std::move(now);
    stack_.push(new TableStep(*this, std::move(change), name, mergeKey < 0 ? -1 : mergeKey));
    return true;
}

void TableHistory::AcceptChannelNumbers()
{
    const std::size_t rows = std::min(base_.rows.size(), static_cast<std::size_t>(table_.RowCount()));
    for (std::size_t r = 0; r < rows; ++r)
        base_.rows[r][memory::kColChannel] = table_.Cell(static_cast<int>(r), memory::kColChannel);
}

void TableHistory::AcceptState()
{
    base_ = CaptureState(table_, settings_);
}

void TableHistory::Start()
{
    stack_.clear();
    AcceptState();
}

void TableHistory::RecordRead(bool succeeded)
{
    Record(QStringLiteral("Read from Radio"));
    if (succeeded)
        stack_.setClean();
}

namespace {

// Menu texts take "&" as the mark of a shortcut letter.
QString MenuText(const QString &command, bool can, QString step)
{
    return can ? command + QLatin1Char(' ') + step.replace(QLatin1Char('&'), QStringLiteral("&&")) : command;
}

} // namespace

QString TableHistory::UndoMenuText() const
{
    return MenuText(QStringLiteral("&Undo"), stack_.canUndo(), stack_.undoText());
}

QString TableHistory::RedoMenuText() const
{
    return MenuText(QStringLiteral("&Redo"), stack_.canRedo(), stack_.redoText());
}

void TableHistory::Apply(const TableChange &change, bool forward)
{
    table_.SetRowCount(forward ? change.rowsAfter : change.rowsBefore);
    for (const auto &[r, row] : forward ? change.after : change.before)
        if (r < table_.RowCount())
            table_.Row(r) = row;
    settings_ = forward ? change.settingsAfter : change.settingsBefore;
    base_ = CaptureState(table_, settings_);
    if (onRestored)
        onRestored();
}

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo of the user's changes to the channel table and the settings
// boxes, on Qt's undo stack.
//
// A change is made first and recorded afterwards: Record compares the table
// and the settings with the state the last step left and makes one step of
// the difference. So a step holds whatever the change did on its way, every
// cell the edit hook rewrote after a commit, a paste stopped half-way by a
// text that does not convert, a load cut short by a missing line, and undo
// takes all of it back. A step keeps only the rows that changed.
//
// Changes that are not the user's (the channel numbers the window writes
// when it is activated) are accepted without a step.
#pragma once

#include "app/Document.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"

#include <QString>
#include <QUndoStack>

#include <functional>
#include <utility>
#include <vector>

namespace tonvar::app {

// Every row of the table and the ten settings texts.
struct TableState {
    std::vector<memory::ChannelRow> rows;
    memory::SettingsTexts settings;
    bool operator==(const TableState &) const = default;
};

TableState CaptureState(const memory::ChannelTable &table, const memory::SettingsTexts &settings);

// What one step changed: the rows it changed, before and after, the row
// counts and the settings.
struct TableChange {
    int rowsBefore = 0;
    int rowsAfter = 0;
    std::vector<std::pair<int, memory::ChannelRow>> before, after;
    memory::SettingsTexts settingsBefore, settingsAfter;

    bool Empty() const { return before.empty() && after.empty() && settingsBefore == settingsAfter; }
};

TableChange Difference(const TableState &from, const TableState &to);

class TableHistory : public StepHistory {
public:
    TableHistory(memory::ChannelTable &table, memory::SettingsTexts &settings);

    QUndoStack &Stack() { return stack_; }

    // Makes one step named `name` of what changed since the last step;
    // nothing when nothing changed. Consecutive steps of the same
    // `mergeKey` (0 or more) that change only settings become one, so
    // typing a number into a box is one step; a box put back as it was
    // leaves no step.
    bool Record(const QString &name, int mergeKey = -1);
    // The channel numbers now in column 0 are taken as they are, without a
    // step.
    void AcceptChannelNumbers();
    // The whole present state is taken as it is, without a step.
    void AcceptState();
    // What the window starts with: no step, and nothing to save.
    void Start();
    // A read from the radio that has ended, however it ended (done,
    // cancelled or failed), is one step; one that succeeded brought in what
    // the radio holds, so there is then nothing to save.
    void RecordRead(bool succeeded);
    // The Edit menu's texts: "&Undo Paste into channel 3", "&Redo", ...; an
    // "&" in a step's name shows as itself.
    QString UndoMenuText() const;
    QString RedoMenuText() const;

    // The commands' view: a step of its own name, saved as the clean state.
    void RecordStep(const QString &name) override { Record(name); }
    void MarkSaved() override { stack_.setClean(); }
    bool Saved() const override { return stack_.isClean(); }

    void Undo() { stack_.undo(); }
    void Redo() { stack_.redo(); }

    // Runs after an undo or a redo changed the texts.
    std::function<void()> onRestored;

private:
    friend class TableStep;
    void Apply(const TableChange &change, bool forward);

    memory::ChannelTable &table_;
    memory::SettingsTexts &settings_;
    TableState base_; // the state the last step left
    QUndoStack stack_;
};

} // namespace tonvar::app

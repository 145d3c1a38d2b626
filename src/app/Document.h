// SPDX-License-Identifier: GPL-3.0-or-later
// What the File menu's commands work on: the channel table and the settings
// the user edits, their undo history, and the window's way of running a
// command and of telling the user something. The commands (ChannelFiles,
// CsvTransfer, ImageFiles) need no window: it hands them these.
#pragma once

#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"

#include <QString>

#include <functional>
#include <string>

namespace tonvar::app {

// The undo history of the table and the settings, as the commands see it.
class StepHistory {
public:
    virtual ~StepHistory() = default;
    // One step named `name` of what changed since the last step; none when
    // nothing changed.
    virtual void RecordStep(const QString &name) = 0;
    // What the user holds now is what a file (or the radio) holds.
    virtual void MarkSaved() = 0;
    // Nothing changed since the last MarkSaved.
    virtual bool Saved() const = 0;
};

struct Document {
    memory::ChannelTable &table;
    memory::SettingsTexts &settings;
    StepHistory &history;
    // Runs a command as the window runs its handlers: a failure ends it where
    // it stands and is shown; the controls then show the state.
    std::function<void(const std::function<void()> &)> run;
    // Shows an information message and waits until it is closed.
    std::function<void(const std::string &)> tell;
    // Takes an edit still open in a cell into the table; may be empty.
    std::function<void()> commitEdit;

    // Runs a change of the user's as a command and makes one undoable step of
    // whatever it changed, also when it stopped half-way.
    void Change(const QString &name, const std::function<void()> &change) const
    {
        run(change);
        history.RecordStep(name);
    }
    void CommitEdit() const
    {
        if (commitEdit)
            commitEdit();
    }
};

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open... and Save... of channel files (.wh), and what closing the
// window does with changes not saved.
//
// A file that cannot be read changes nothing: the table, the settings and
// the undo history stay as they were. An open that succeeds is one undoable
// step and what the user holds is then saved; so is a save. A save never
// replaces a file of another kind.
#pragma once

#include "app/Document.h"

#include <QString>

#include <functional>

namespace tonvar::app {

class ChannelFiles {
public:
    // Asks for a file to open (save = false) or to save to; empty when the
    // user cancels.
    using Choose = std::function<QString(bool save)>;
    // What to do with changes not saved before the window closes.
    enum class Unsaved { Save, Discard, Cancel };
    using AskUnsaved = std::function<Unsaved()>;

    ChannelFiles(Document document, Choose choose, AskUnsaved askUnsaved);

    // Told of each file opened or saved, once it was (File > Open Recent
    // and the folder the next dialog starts in); may be empty.
    std::function<void(const QString &name)> fileUsed;

    // Asks for a file, then opens it.
    void Open();
    // Opens the channel file `name`; one that cannot be read changes nothing.
    void Open(const QString &name);
    // Asks for a file and saves; false when nothing was saved.
    bool Save();
    // Changes not saved are saved, dropped or kept, as the user says; true
    // when the window may close.
    bool MayClose();
    // The same before the table and the settings are dropped for another
    // reason (File > New), with `ask` asking the user.
    bool MayDiscard(const AskUnsaved &ask);

private:
    Document document_;
    Choose choose_;
    AskUnsaved askUnsaved_;
};

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// File > Import CSV... and Export CSV...: channel lists as CSV files
// (files/ChannelCsv.h, app/CsvImport.h).
//
// An import is one undoable step and ends with a report of what was and was
// not taken; a file that cannot be imported changes nothing. An export never
// replaces a file of another kind.
#pragma once

#include "app/Document.h"

#include <QString>

#include <functional>

namespace tonvar::app {

class CsvTransfer {
public:
    // Asks for a file to import (save = false) or to export to; empty when
    // the user cancels.
    using Choose = std::function<QString(bool save)>;

    CsvTransfer(Document document, Choose choose);

    // Told of each file opened or saved, once it was (File > Open Recent
    // and the folder the next dialog starts in); may be empty.
    std::function<void(const QString &name)> fileUsed;

    // Asks for a file, then imports it.
    void Import();
    // Imports the CSV list `name`; one that cannot be imported changes nothing.
    void Import(const QString &name);
    void Export();

private:
    Document document_;
    Choose choose_;
};

} // namespace tonvar::app

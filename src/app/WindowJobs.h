// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's jobs, each done by a class that needs no window: channel
// files, CSV lists, radio images, the status bar's clock and the port list.
// Here they are wired to the window's data, controls and dialogs; the window
// forwards its handlers to them.
#pragma once

#include "app/ChannelFiles.h"
#include "app/CsvTransfer.h"
#include "app/Document.h"
#include "app/ImageFiles.h"
#include "app/PortSelector.h"
#include "app/RadioCompare.h"
#include "app/RecentMenu.h"
#include "app/StatusClock.h"
#include "app/WritePreview.h"
#include "app/Unit1.h"

#include <QPointer>

#include <functional>
#include <memory>

namespace tonvar::app {

// Save, Discard or Cancel for changes not saved; `question` says before
// what ("Save them to a channel file before quitting?").
ChannelFiles::Unsaved AskUnsaved(QWidget *parent, const QString &question);

struct TForm1::Jobs {
    // `run` runs a command as the window runs its handlers; `sleep` is the
    // sessions' short pause.
    Jobs(TForm1 &w, std::function<void(const std::function<void()> &)> run, std::function<void(int)> sleep);

    Document document;
    ChannelFiles files;
    CsvTransfer csv;
    WriteGuard guard; // the read, backup and preview before every write
    // The window whose Write asked: its preview comes up over it, whatever
    // window the read before left active. None for the main window's.
    QPointer<QWidget> asking;
    ImageFiles images;
    StatusClock clock;
    std::unique_ptr<PortBox> portBox; // the port selector
    PortSelector ports;
    RadioComparison compare; // Radio > Compare with Radio
    RecentMenu recent;       // File > Open Recent
};

// Shows `port` chosen in the port selector: its item, or where it is not
// listed (no port found), the port itself in place of an item.
void ShowChosenPort(QComboBox &box, const std::string &port);

} // namespace tonvar::app

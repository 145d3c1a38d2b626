// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window's jobs work on, without the window: the table and the
// settings, their undo history, the document that runs commands (a failure
// kept in `failures`, a message in `messages`) and the session on a fake port.
#pragma once

#include "Fakes.h"
#include "app/Document.h"
#include "app/TableUndo.h"
#include "link/Hub.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/MainSession.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace tonvar::test {

struct WindowDocument {
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    app::TableHistory history{table, settings};
    std::vector<std::string> failures, messages;
    app::Document document{table,
                           settings,
                           history,
                           [this](const std::function<void()> &command) {
                               try {
                                   command();
                               } catch (const std::exception &e) {
                                   failures.emplace_back(e.what());
                               }
                           },
                           [this](const std::string &text) { messages.push_back(text); },
                           {}};
    FakePort port;
    FakeTimer tim1;
    link::PortHub hub{port, tim1};
    protocol::MainSession session{
        hub, table, settings,
        protocol::MainSessionHost{[this](const std::string &m) { messages.push_back(m); }, [](int) {}, [] {}}};
};

} // namespace tonvar::test

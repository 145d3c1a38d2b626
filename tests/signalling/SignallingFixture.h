// SPDX-License-Identifier: GPL-3.0-or-later
// A main session on a fake port's hub, with one signalling window on the same
// hub (WindowFixture).
#pragma once

#include "protocol/MainSession.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tonvar::test {

struct SignallingFixture : ::testing::Test {
    FakePort port;
    FakeTimer tim1;
    FakeTimer timer1;
    memory::ChannelTable table;
    memory::SettingsTexts mainSettings = memory::DefaultSettingsTexts();
    link::PortHub hub{port, tim1};
    protocol::MainSession main{hub, table, mainSettings, {}};
    std::vector<std::string> messages;

    SignallingFixture() { port.open = true; }
    auto MessageSink()
    {
        return [this](const std::string &m) { messages.push_back(m); };
    }
    void Receive(const Bytes &chunk) { main.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size())); }
    // Answers a write's read-back as a radio that holds every block as it
    // was written; returns the number of blocks read back.
    template <typename Window>
    int AnswerReadBack(const Window &window)
    {
        int blocks = 0;
        for (Bytes sent = port.Sent(); sent.size() >= 4 && sent[0] == 0x52; sent = port.Sent()) {
            const auto b = window.Written(sent[2]);
            Receive(Frame(sent[1], sent[2], Bytes(b.begin() + 4, b.begin() + 32)));
            ++blocks;
        }
        return blocks;
    }
    static Bytes Frame(std::uint8_t area, std::uint8_t block, const Bytes &payload)
    {
        Bytes f(34, 0);
        f[0] = 0x57;
        f[1] = area;
        f[2] = block;
        f[3] = 0x20;
        for (std::size_t i = 0; i < payload.size() && i < 28; ++i)
            f[4 + i] = payload[i];
        const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
        f[32] = static_cast<std::uint8_t>(crc >> 8);
        f[33] = static_cast<std::uint8_t>(crc & 0xFF);
        return f;
    }
};

// The fixture with one window's session, `Session`, as `window`.
template <typename Session>
struct WindowFixture : SignallingFixture {
    Session window{hub, timer1, MessageSink()};
};

} // namespace tonvar::test

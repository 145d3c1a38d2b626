// SPDX-License-Identifier: GPL-3.0-or-later
// A serial port and a timer that tests drive by hand.
#pragma once

#include "protocol/MainSession.h"
#include "text/Convert.h"

#include "ByteStrings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tonvar::test {

struct FakePort : protocol::Port {
    std::vector<std::string> calls; // "name X", "close", "open"
    std::vector<Bytes> writes;      // one entry per WritePort call
    bool open = false;
    bool failOpen = false;

    void SetCommName(const std::string &name) override { calls.push_back("name " + name); }
    void OpenPort() override
    {
        calls.push_back("open");
        if (failOpen)
            throw text::Failure("Error opening serial port");
        open = true;
    }
    void ClosePort() override
    {
        calls.push_back("close");
        open = false;
    }
    bool WritePort(const std::uint8_t *bytes, std::uint16_t count) override
    {
        if (!open)
            return false;
        writes.emplace_back(bytes, bytes + count);
        return true;
    }
    // Everything written since the last call, joined.
    Bytes Sent()
    {
        const Bytes all = Joined(writes);
        writes.clear();
        return all;
    }
};

struct FakeTimer : protocol::Timer {
    bool active = false;
    int starts = 0; // times a stopped timer was started: each begins a fresh period
    void Start() override
    {
        if (!active)
            ++starts;
        active = true;
    }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
};

} // namespace tonvar::test

// SPDX-License-Identifier: GPL-3.0-or-later
// A serial port and timers for the targets that drive sessions. The port
// checks that every byte handed to it lies in the frame buffer and reads each
// one, so a read past the end shows up under the sanitizers.
#pragma once

#include "Fuzz.h"

#include "protocol/MainSession.h"
#include "text/Convert.h"

#include <cstdint>
#include <string>

namespace tonvar::fuzz {

struct CheckedPort : protocol::Port {
    const protocol::ByteBuffer *frame = nullptr;
    bool open = false;
    bool failOpen = false;

    void SetCommName(const std::string &) override {}
    void OpenPort() override
    {
        if (failOpen)
            throw text::Failure("Error opening serial port");
        open = true;
    }
    void ClosePort() override { open = false; }
    bool WritePort(const std::uint8_t *bytes, std::uint16_t count) override
    {
        // Everything a session sends is built in the frame buffer, but the
        // one Ack byte that answers the radio's own request for one (which
        // leaves the frame buffer as the message awaited left it).
        const auto first = reinterpret_cast<std::uintptr_t>(frame->data());
        const auto at = reinterpret_cast<std::uintptr_t>(bytes);
        const bool ack = count == 1 && bytes[0] == protocol::kAck;
        Check(ack || (at >= first && at - first + count <= frame->size()), "bytes sent from outside the frame buffer");
        std::uint8_t sum = 0;
        for (std::uint16_t i = 0; i < count; ++i)
            sum = static_cast<std::uint8_t>(sum + bytes[i]); // a read past the end shows up here
        sent += sum;
        return open && count > 0;
    }
    unsigned sent = 0;
};

struct FakeTimer : protocol::Timer {
    bool active = false;
    void Start() override { active = true; }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
};

} // namespace tonvar::fuzz

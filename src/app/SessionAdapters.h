// SPDX-License-Identifier: GPL-3.0-or-later
// Bridges from the session logic's small interfaces to the real port and
// a Qt timer.
#pragma once

#include "protocol/MainSession.h"
#include "protocol/QtTimer.h"
#include "serial/SPComm.h"

namespace tonvar::app {

class CommPort : public protocol::Port {
public:
    explicit CommPort(serial::TComm &comm) : comm_(comm) {}
    void SetCommName(const std::string &name) override { comm_.SetCommName(name); }
    void OpenPort() override { comm_.OpenPort(); }
    void ClosePort() override { comm_.ClosePort(); }
    bool WritePort(const std::uint8_t *bytes, std::uint16_t count) override { return comm_.WritePort(bytes, count); }

private:
    serial::TComm &comm_;
};

using protocol::QtTimer;

} // namespace tonvar::app

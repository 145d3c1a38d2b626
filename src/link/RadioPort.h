// SPDX-License-Identifier: GPL-3.0-or-later
// The port both front ends program radios through: the serial port (Comm1)
// set up as the main window's stored form sets it up, the 300 ms resend
// timer Tim1, and the port hub over them.
//
// The owner routes the port's chunks (comm.OnReceiveData) to hub.Receive,
// its hang-up (comm.OnRequestHangup) to hub.HungUp and Tim1's ticks to
// hub.Tick, each inside its own handling of what they throw.
#pragma once

#include "link/Hub.h"
#include "link/QtTimer.h"
#include "serial/SPComm.h"

#include <QTimer>

namespace tonvar::link {

class RadioPort {
public:
    RadioPort();
    ~RadioPort();

    serial::TComm comm;
    QTimer tim1;

private:
    // The link's Port over the serial port.
    class CommPort : public Port {
    public:
        explicit CommPort(serial::TComm &comm) : comm_(comm) {}
        void SetCommName(const std::string &name) override { comm_.SetCommName(name); }
        void OpenPort() override { comm_.OpenPort(); }
        void ClosePort() override { comm_.ClosePort(); }
        bool WritePort(const std::uint8_t *bytes, std::uint16_t count) override
        {
            return comm_.WritePort(bytes, count);
        }

    private:
        serial::TComm &comm_;
    };
    CommPort port_{comm};
    QtTimer timer_{tim1};

public:
    PortHub hub{port_, timer_};
};

} // namespace tonvar::link

// Bridges from the session logic's small interfaces to the real port and
// a Qt timer.
#pragma once

#include "protocol/MainSession.h"
#include "serial/SPComm.h"

#include <QTimer>

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

class QtTimer : public protocol::Timer {
public:
    explicit QtTimer(QTimer &timer) : timer_(timer) {}
    void Start() override
    {
        if (!timer_.isActive())
            timer_.start();
    }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer &timer_;
};

} // namespace tonvar::app

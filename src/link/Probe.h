// SPDX-License-Identifier: GPL-3.0-or-later
// Whether a radio answers on a port right now: the port is opened afresh by
// its name (so a USB cable plugged into another socket under the same
// /dev/serial/by-id name, or a link pointed at another device, is followed),
// "PROGRAM" is sent as every session sends it, its Ack is awaited, and the
// port is closed again. Nothing is read from or written to the radio's
// memory.
//
// HandshakeProbe is plain logic on the port hub: a session of its own whose
// only transfer is the handshake. PortProbe runs one on its own port and
// resend timer on the Qt event loop; ProbePorts runs one a port, all at
// once, within a limit.
#pragma once

#include "link/Hub.h"
#include "link/Transfer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonvar::link {

// How a probe ended.
enum class ProbeResult {
    Answered,   // the radio acknowledged "PROGRAM"
    Silent,     // the port opened, and no Ack came within the limit
    CannotOpen, // the port is not there or cannot be opened (Error() says why)
    HungUp,     // the port hung up while the probe waited
};

// "answered", "silent", "cannot open", "hung up".
std::string ProbeResultName(ProbeResult result);

// A session whose transfer is "PROGRAM" and its Ack alone.
class HandshakeProbe : public HubSession {
public:
    explicit HandshakeProbe(PortHub &hub);
    ~HandshakeProbe() override;
    HandshakeProbe(const HandshakeProbe &) = delete;
    HandshakeProbe &operator=(const HandshakeProbe &) = delete;

    // Opens hub.portName afresh and sends "PROGRAM". A port that cannot be
    // opened ends the probe CannotOpen at once.
    void Start();
    // Ends a probe still waiting Silent, and closes the port.
    void GiveUp();

    bool Running() const override { return running_; }
    void Answered(Answer answer) override;
    std::string Abandon() override;

    bool Finished() const { return finished_; }
    ProbeResult Result() const { return result_; }
    const std::string &Error() const { return error_; }

private:
    void End(ProbeResult result, const std::string &error = {});

    PortHub &hub_;
    Transfer transfer_;
    bool running_ = false;
    bool finished_ = false;
    ProbeResult result_ = ProbeResult::Silent;
    std::string error_;
};

// One probe on its own serial port and resend timer, on the Qt event loop.
class PortProbe {
public:
    PortProbe();
    ~PortProbe();
    PortProbe(const PortProbe &) = delete;
    PortProbe &operator=(const PortProbe &) = delete;

    // Probes `portName`; `done` is called once, from the event loop (never
    // from within Start), at the latest `limit` after Start. A probe still
    // running is given up first, without its `done`.
    void Start(const std::string &portName, std::chrono::milliseconds limit,
               std::function<void(ProbeResult, const std::string &error)> done);
    // Gives a running probe up without calling its `done`; the port closes.
    void Stop();
    bool Running() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

struct PortAnswer {
    std::string port;
    ProbeResult result = ProbeResult::Silent;
    std::string error;
};

// Probes every port at once, each on its own port object; returns when all
// have ended, within `limit` (a local event loop runs meanwhile). In the
// order given.
std::vector<PortAnswer> ProbePorts(const std::vector<std::string> &ports, std::chrono::milliseconds limit);

} // namespace tonvar::link

// SPDX-License-Identifier: GPL-3.0-or-later
// The port hub: where every session of the program meets the radio.
//
// The hub owns the link on the one port (its frame buffer, receive buffers
// and resend timer) and knows the sessions that may use it: the main
// window's, the four signalling windows', one of tonvar-cli's radios. It
//
//  - gives each answer the link takes to the session whose message it
//    answers (Link::Sender()), and to no other; a session that has ended
//    hears nothing more;
//  - lets one session run at a time: while one runs, no other may start
//    (MayStart);
//  - opens the port afresh for a session, or holds it open for the
//    signalling windows, and closes it;
//  - when the port hangs up (cable pulled, device gone), ends every running
//    session at once and closes the port; each says what the radio may now
//    hold.
//
// After each chunk or tick has been dealt with by the session it concerns
// (and the radio's request for an Ack answered), every running session is
// told it has settled: a transfer sequence starts its next stage only then.
//
// Plain logic: the owner routes the port's chunks to Receive, Tim1's ticks
// to Tick and the port's hang-up to HungUp.
#pragma once

#include "link/Link.h"

#include <string>
#include <vector>

namespace tonvar::link {

// A session on the hub.
class HubSession {
public:
    virtual ~HubSession() = default;
    // The session holds the port for a read or a write.
    virtual bool Running() const = 0;
    // An answer the link took for the session's message.
    virtual void Answered(Answer answer) = 0;
    // A chunk or a tick has been dealt with: what waits for that goes on.
    virtual void Settled() {}
    // The port hung up while the session ran: it ends at once, and says
    // what the radio may now hold (empty: nothing to say).
    virtual std::string Abandon() = 0;
};

// The user a session's transfers name on the link (Link::Sender()): the hub
// hands it the answers to them.
inline const void *LinkUser(const HubSession &session) { return &session; }

class PortHub {
public:
    PortHub(Port &port, Timer &tim1);
    PortHub(const PortHub &) = delete;
    PortHub &operator=(const PortHub &) = delete;

    Link link;
    // The port a session opens ("ttyUSB0" or a path).
    std::string portName = "COM1";

    // Sessions are offered their answers in the order they joined.
    void Join(HubSession &session);
    void Leave(HubSession &session);

    // Some session runs.
    bool AnyRunning() const;
    // A session other than `session` runs.
    bool OthersRunning(const HubSession *session) const;
    // `session` may start: no session runs.
    bool MayStart() const { return !AnyRunning(); }

    // Closes the port and opens `portName` afresh for a session; throws
    // what the port throws (the port stays closed).
    void OpenFresh();
    // Opens `portName` unless the port is open already (held by an earlier
    // signalling session); throws what the port throws.
    void Hold();
    void Close();
    // Port > Close Port: closes a port held open with no session on it.
    void Release();
    bool PortOpen() const { return open_; }
    // The port is open with no session on it.
    bool HeldIdle() const { return open_ && !AnyRunning(); }

    // A chunk from the port: the answer goes to the session that asked.
    // What a session throws is passed on, the receive buffers finished.
    void Receive(const std::uint8_t *bytes, std::size_t length);
    // A tick of Tim1: a resend, or an answer the link held back.
    void Tick();
    // The port hung up: every running session ends, the port closes.
    // Returns what the radio may now hold, in words (empty: no session ran).
    std::string HungUp();

private:
    void Dispatch(Answer answer);
    void SettleAll();

    Port &port_;
    std::vector<HubSession *> sessions_;
    bool open_ = false;
};

} // namespace tonvar::link

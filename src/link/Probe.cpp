// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Probe.h"

#include "text/Convert.h"

#include <algorithm>
#include <exception>

namespace tonvar::link {

std::string ProbeResultName(ProbeResult result)
{
    switch (result) {
    case ProbeResult::Answered:
        return "answered";
    case ProbeResult::Silent:
        return "silent";
    case ProbeResult::CannotOpen:
        return "cannot open";
    case ProbeResult::HungUp:
        return "hung up";
    }
    return {};
}

HandshakeProbe::HandshakeProbe(PortHub &hub) : hub_(hub), transfer_(hub.link, LinkUser(*this))
{
    hub_.Join(*this);
}

HandshakeProbe::~HandshakeProbe()
{
    if (running_) {
        transfer_.Stop();
        hub_.Close();
    }
    hub_.Leave(*this);
}

void HandshakeProbe::Start()
{
    if (running_)
        transfer_.Stop();
    running_ = false;
    finished_ = false;
    result_ = ProbeResult::Silent;
    error_.clear();
    if (hub_.OthersRunning(this)) {
        End(ProbeResult::CannotOpen, "Another session is using the port.");
        return;
    }
    try {
        hub_.OpenFresh();
    } catch (const text::Failure &e) {
        finished_ = true;
        result_ = ProbeResult::CannotOpen;
        error_ = text::OneLine(e.what(), e.detail());
        return;
    } catch (const std::exception &e) {
        finished_ = true;
        result_ = ProbeResult::CannotOpen;
        error_ = text::OneLine(e.what(), {});
        return;
    }
    running_ = true;
    TransferPlan plan;
    plan.handshake = true; // and no blocks: "PROGRAM" -> Ack alone
    transfer_.Read(plan, {});
}

void HandshakeProbe::GiveUp()
{
    if (running_)
        End(ProbeResult::Silent);
}

void HandshakeProbe::Answered(Answer answer)
{
    if (!running_)
        return;
    transfer_.Answered(answer);
    if (transfer_.State() == Transfer::Phase::Succeeded)
        End(ProbeResult::Answered);
}

std::string HandshakeProbe::Abandon()
{
    // The hub closes the port; nothing was written, so the radio holds
    // what it held.
    transfer_.Stop();
    running_ = false;
    finished_ = true;
    result_ = ProbeResult::HungUp;
    error_ = "The port hung up.";
    return {};
}

void HandshakeProbe::End(ProbeResult result, const std::string &error)
{
    const bool held = running_;
    transfer_.Stop();
    running_ = false;
    finished_ = true;
    result_ = result;
    error_ = error;
    if (held)
        hub_.Close();
}

} // namespace tonvar::link

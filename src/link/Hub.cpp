// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Hub.h"

#include <algorithm>

namespace tonvar::link {

PortHub::PortHub(Port &port, Timer &tim1) : link(port, tim1), port_(port) {}

void PortHub::Join(HubSession &session)
{
    if (std::find(sessions_.begin(), sessions_.end(), &session) == sessions_.end())
        sessions_.push_back(&session);
}

void PortHub::Leave(HubSession &session)
{
    sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), &session), sessions_.end());
}

bool PortHub::AnyRunning() const
{
    return OthersRunning(nullptr);
}

bool PortHub::OthersRunning(const HubSession *session) const
{
    return std::any_of(sessions_.begin(), sessions_.end(),
                       [session](const HubSession *s) { return s != session && s->Running(); });
}

void PortHub::OpenFresh()
{
    port_.SetCommName(portName);
    Close();
    port_.OpenPort();
    open_ = true;
}

void PortHub::Hold()
{
    if (open_)
        return;
    port_.SetCommName(portName);
    port_.OpenPort();
    open_ = true;
}

void PortHub::Close()
{
    open_ = false;
    port_.ClosePort();
}

void PortHub::Release()
{
    if (HeldIdle())
        Close();
}

void PortHub::Receive(const std::uint8_t *bytes, std::size_t length)
{
    const Answer answer = link.Receive(bytes, length);
    try {
        Dispatch(answer);
    } catch (...) {
        link.Finish();
        throw;
    }
    link.AckIfAsked();
    link.Finish();
    SettleAll();
}

void PortHub::Tick()
{
    Dispatch(link.Tick());
    SettleAll();
}

void PortHub::Dispatch(Answer answer)
{
    if (answer == Answer::None)
        return;
    const void *sender = link.Sender();
    for (HubSession *session : sessions_)
        if (static_cast<const void *>(session) == sender && session->Running()) {
            session->Answered(answer);
            return;
        }
}

void PortHub::SettleAll()
{
    // A session may start or end another's stage here: each is told once.
    const std::vector<HubSession *> sessions = sessions_;
    for (HubSession *session : sessions)
        if (session->Running())
            session->Settled();
}

std::string PortHub::HungUp()
{
    std::string failure;
    for (HubSession *session : sessions_) {
        if (!session->Running())
            continue;
        const std::string said = session->Abandon();
        if (!said.empty())
            failure = said;
    }
    // The device is gone: the next session opens it again.
    Close();
    return failure;
}

} // namespace tonvar::link

// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in probe until the handshake probe lands: "PROGRAM" and its Ack on
// a freshly opened port, nothing more.
#include "link/Probe.h"

#include "link/RadioPort.h"
#include "protocol/Frames.h"

#include <QTimer>

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
    hub_.Leave(*this);
}

void HandshakeProbe::Start()
{
    finished_ = false;
    error_.clear();
    try {
        hub_.OpenFresh();
    } catch (const std::exception &e) {
        End(ProbeResult::CannotOpen, e.what());
        return;
    }
    running_ = true;
    hub_.link.Begin();
    protocol::PutProgramHandshake(hub_.link.frame);
    protocol::Crc16(hub_.link.frame);
    hub_.link.Send(LinkUser(*this), protocol::kHandshakeLength, Wait::ForAck());
}

void HandshakeProbe::GiveUp()
{
    if (running_)
        End(ProbeResult::Silent);
}

void HandshakeProbe::Answered(Answer answer)
{
    if (running_ && answer == Answer::Ack)
        End(ProbeResult::Answered);
}

std::string HandshakeProbe::Abandon()
{
    if (running_)
        End(ProbeResult::HungUp);
    return {};
}

void HandshakeProbe::End(ProbeResult result, const std::string &error)
{
    running_ = false;
    finished_ = true;
    result_ = result;
    error_ = error;
    hub_.link.Stop(LinkUser(*this));
    try {
        hub_.Close();
    } catch (...) {
    }
}

struct PortProbe::Impl {
    std::unique_ptr<RadioPort> port;
    std::unique_ptr<HandshakeProbe> probe;
    QTimer limit;
    std::function<void(ProbeResult, const std::string &)> done;
    bool reported = false;
    unsigned generation = 0; // a probe given up never calls its `done`

    void Report()
    {
        if (!probe || !probe->Finished() || reported)
            return;
        reported = true;
        limit.stop();
        auto callback = std::move(done);
        const ProbeResult result = probe->Result();
        const std::string error = probe->Error();
        // From the event loop, never from within Start or a port callback.
        QTimer::singleShot(0, &limit, [this, gen = generation, callback, result, error] {
            if (callback && gen == generation)
                callback(result, error);
        });
    }
};

PortProbe::PortProbe() : impl_(std::make_unique<Impl>())
{
    impl_->limit.setSingleShot(true);
    QObject::connect(&impl_->limit, &QTimer::timeout, [this] {
        if (impl_->probe)
            impl_->probe->GiveUp();
        impl_->Report();
    });
}

PortProbe::~PortProbe()
{
    Stop();
}

void PortProbe::Start(const std::string &portName, std::chrono::milliseconds limit,
                      std::function<void(ProbeResult, const std::string &error)> done)
{
    Stop();
    Impl &d = *impl_;
    d.port = std::make_unique<RadioPort>();
    d.probe = std::make_unique<HandshakeProbe>(d.port->hub);
    d.done = std::move(done);
    d.reported = false;
    d.port->hub.portName = portName;
    d.port->comm.OnReceiveData = [&d](serial::TComm *, const std::uint8_t *bytes, std::uint16_t length) {
        try {
            d.port->hub.Receive(bytes, length);
        } catch (...) {
        }
        d.Report();
    };
    d.port->comm.OnRequestHangup = [&d](serial::TComm *) {
        d.port->hub.HungUp();
        d.Report();
    };
    QObject::connect(&d.port->tim1, &QTimer::timeout, [&d] {
        try {
            d.port->hub.Tick();
        } catch (...) {
        }
        d.Report();
    });
    d.limit.start(limit);
    d.probe->Start();
    d.Report();
}

void PortProbe::Stop()
{
    Impl &d = *impl_;
    ++d.generation;
    d.limit.stop();
    d.done = nullptr;
    d.reported = true;
    if (d.probe && d.probe->Running())
        d.probe->GiveUp();
    d.probe.reset();
    d.port.reset();
}

bool PortProbe::Running() const
{
    return impl_->probe && !impl_->reported;
}

std::vector<PortAnswer> ProbePorts(const std::vector<std::string> &ports, std::chrono::milliseconds limit)
{
    std::vector<PortAnswer> out(ports.size());
    for (std::size_t i = 0; i < ports.size(); ++i)
        out[i] = {ports[i], ProbeResult::Silent, {}};
    (void)limit;
    return out;
}

} // namespace tonvar::link

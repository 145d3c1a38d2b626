// SPDX-License-Identifier: GPL-3.0-or-later
// The probe on a serial port of its own: PortProbe and ProbePorts.
#include "link/Probe.h"
#include "link/RadioPort.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <cstdint>

namespace tonvar::link {

struct PortProbe::Impl {
    Impl()
    {
        limit.setSingleShot(true);
        limit.setTimerType(Qt::PreciseTimer); // never before the limit
        port.comm.OnReceiveData = [this](serial::TComm *, const std::uint8_t *bytes, std::uint16_t length) {
            if (!running)
                return;
            try {
                port.hub.Receive(bytes, length);
            } catch (...) {
                // Nothing a probe does with an answer throws; should it, the
                // probe is given up.
                probe.GiveUp();
            }
            Settle();
        };
        port.comm.OnRequestHangup = [this](serial::TComm *) {
            if (!running)
                return;
            port.hub.HungUp();
            Settle();
        };
        QObject::connect(&port.tim1, &QTimer::timeout, &context, [this] {
            if (!running)
                return;
            port.hub.Tick();
            Settle();
        });
        QObject::connect(&limit, &QTimer::timeout, &context, [this] {
            if (!running)
                return;
            probe.GiveUp();
            Settle();
        });
    }

    ~Impl()
    {
        // The port closes (the probe, then the port itself) before the
        // handlers that name this object go.
        running = false;
        ++generation;
        probe.GiveUp();
    }

    // Once the probe has ended, its `done` goes out from the event loop, so
    // whatever it does (a new Start, the probe's end) never runs inside the
    // port's own handlers.
    void Settle()
    {
        if (!running || !probe.Finished())
            return;
        running = false;
        queued = true;
        limit.stop();
        const std::uint64_t ended = generation;
        QTimer::singleShot(0, &context, [this, ended] { Report(ended); });
    }

    void Report(std::uint64_t ended)
    {
        if (ended != generation)
            return; // stopped or started again since
        ++generation;
        queued = false;
        auto callback = std::move(done);
        done = nullptr;
        if (callback)
            callback(probe.Result(), probe.Error());
    }

    void Stop()
    {
        ++generation; // a `done` queued already is not called
        running = false;
        queued = false;
        limit.stop();
        probe.GiveUp();
        done = nullptr;
    }

    RadioPort port;
    HandshakeProbe probe{port.hub};
    QTimer limit;
    QObject context; // what the timers' and queued calls' handlers live with
    std::function<void(ProbeResult, const std::string &)> done;
    bool running = false;
    bool queued = false; // ended, its `done` not yet called
    // Counts starts and stops: a queued report of an earlier probe is dropped.
    std::uint64_t generation = 0;
};

PortProbe::PortProbe() : impl_(std::make_unique<Impl>()) {}

PortProbe::~PortProbe() = default;

void PortProbe::Start(const std::string &portName, std::chrono::milliseconds limit,
                      std::function<void(ProbeResult, const std::string &error)> done)
{
    Impl &p = *impl_;
    p.Stop();
    p.done = std::move(done);
    p.port.hub.portName = portName;
    p.running = true;
    p.probe.Start();
    if (!p.probe.Finished())
        p.limit.start(std::max(limit, std::chrono::milliseconds{0}));
    p.Settle();
}

void PortProbe::Stop()
{
    impl_->Stop();
}

bool PortProbe::Running() const
{
    return impl_->running || impl_->queued;
}

std::vector<PortAnswer> ProbePorts(const std::vector<std::string> &ports, std::chrono::milliseconds limit)
{
    std::vector<PortAnswer> answers(ports.size());
    if (ports.empty())
        return answers;
    std::vector<std::unique_ptr<PortProbe>> probes;
    QEventLoop loop;
    std::size_t left = ports.size();
    for (std::size_t i = 0; i < ports.size(); ++i) {
        answers[i].port = ports[i];
        probes.push_back(std::make_unique<PortProbe>());
        probes.back()->Start(ports[i], limit, [&, i](ProbeResult result, const std::string &error) {
            answers[i].result = result;
            answers[i].error = error;
            if (--left == 0)
                loop.quit();
        });
    }
    // Every `done` comes from the loop, so none has come before it runs.
    loop.exec();
    return answers;
}

} // namespace tonvar::link

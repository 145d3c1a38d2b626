// SPDX-License-Identifier: GPL-3.0-or-later
// The handshake probe on real serial ports: the simulated radio on a
// pseudo-terminal answering or silent, a path that is not there, a link
// pointed at another radio between two probes, and one probe used again
// and again.
#include "link/Probe.h"
#include "serial/SPComm.h"

#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace tonvar;
using namespace std::chrono_literals;
using link::ProbeResult;
using test::WaitUntil;

namespace {

// Generous for a busy machine: a probe of an answering radio ends at its Ack.
constexpr std::chrono::milliseconds kAnswerLimit = 5s;

struct Ended {
    ProbeResult result;
    std::string error;
};

// Handshakes the simulator saw.
int Handshakes(const sim::RadioSimulator &radio)
{
    int n = 0;
    for (const sim::LogEntry &e : radio.Log())
        n += e.kind == sim::LogEntry::Handshake ? 1 : 0;
    return n;
}

// Nobody holds the port: another opener gets it.
bool Free(const std::string &path)
{
    serial::TComm comm;
    comm.SetCommName(path);
    try {
        comm.OpenPort();
    } catch (const serial::ECommsError &) {
        return false;
    }
    comm.ClosePort();
    return true;
}

int OpenFiles()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

struct PortProbeE2E : ::testing::Test {
    sim::RadioSimulator radio;
    link::PortProbe probe;
    std::vector<Ended> ends;

    PortProbeE2E() { radio.Start(); }

    // Starts a probe and waits for its one `done`.
    std::optional<Ended> Probe(const std::string &port, std::chrono::milliseconds limit)
    {
        ends.clear();
        probe.Start(port, limit, [this](ProbeResult r, const std::string &e) { ends.push_back({r, e}); });
        // Never from within Start.
        EXPECT_TRUE(ends.empty());
        EXPECT_TRUE(probe.Running());
        if (!WaitUntil([&] { return !ends.empty(); }, limit + 20s))
            return std::nullopt;
        return ends.front();
    }
};

TEST_F(PortProbeE2E, AnAnsweringRadioAnswersAndThePortIsClosedAgain)
{
    const auto ended = Probe(radio.DevicePath(), kAnswerLimit);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->result, ProbeResult::Answered);
    EXPECT_EQ(ended->error, "");
    EXPECT_FALSE(probe.Running());
    EXPECT_TRUE(Free(radio.DevicePath()));
    // "PROGRAM" alone: nothing was read or written.
    ASSERT_TRUE(WaitUntil([&] { return Handshakes(radio) == 1; }));
    for (const sim::LogEntry &e : radio.Log())
        EXPECT_EQ(e.kind, sim::LogEntry::Handshake) << sim::Describe(e);
    // `done` came once.
    WaitUntil([] { return false; }, 100ms);
    EXPECT_EQ(ends.size(), 1u);
}

TEST_F(PortProbeE2E, ASilentRadioIsSilentWithinTheLimit)
{
    sim::Faults faults;
    faults.silent = true;
    radio.SetFaults(faults);
    const auto started = std::chrono::steady_clock::now();
    const auto ended = Probe(radio.DevicePath(), 700ms);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->result, ProbeResult::Silent);
    EXPECT_GE(took, 690ms);
    EXPECT_LT(took, 5s);
    EXPECT_TRUE(Free(radio.DevicePath()));
    // The link resent "PROGRAM" while it waited.
    EXPECT_GE(Handshakes(radio), 2);
}

TEST_F(PortProbeE2E, APathThatIsNotThereCannotBeOpened)
{
    const auto ended = Probe("/dev/tonvar-no-such-port", kAnswerLimit);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->result, ProbeResult::CannotOpen);
    EXPECT_NE(ended->error.find("Error opening serial port"), std::string::npos) << ended->error;
    EXPECT_NE(ended->error.find("/dev/tonvar-no-such-port"), std::string::npos) << ended->error;
}

TEST_F(PortProbeE2E, ALinkPointedAtAnotherRadioIsFollowed)
{
    sim::RadioSimulator second;
    second.Start();
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string link = dir.filePath(QStringLiteral("radio")).toStdString();
    std::filesystem::create_symlink(radio.DevicePath(), link);

    auto ended = Probe(link, kAnswerLimit);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->result, ProbeResult::Answered);
    ASSERT_TRUE(WaitUntil([&] { return Handshakes(radio) == 1; }));
    EXPECT_EQ(Handshakes(second), 0);

    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.DevicePath(), link);
    ended = Probe(link, kAnswerLimit);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->result, ProbeResult::Answered);
    ASSERT_TRUE(WaitUntil([&] { return Handshakes(second) == 1; }));
    EXPECT_EQ(Handshakes(radio), 1);
}

TEST_F(PortProbeE2E, OneProbeServesManyInTurnAndLeavesNothingOpen)
{
    // The first probe opens what every later one reuses.
    ASSERT_TRUE(Probe(radio.DevicePath(), kAnswerLimit));
    const int files = OpenFiles();
    constexpr int kProbes = 20;
    for (int i = 0; i < kProbes; ++i) {
        const auto ended = Probe(radio.DevicePath(), kAnswerLimit);
        ASSERT_TRUE(ended) << i;
        EXPECT_EQ(ended->result, ProbeResult::Answered) << i;
        EXPECT_TRUE(Free(radio.DevicePath())) << i;
    }
    ASSERT_TRUE(WaitUntil([&] { return Handshakes(radio) == kProbes + 1; }));
    EXPECT_EQ(OpenFiles(), files);
}

TEST_F(PortProbeE2E, AProbeStartedFromItsOwnDoneGoesOn)
{
    int left = 5;
    std::vector<ProbeResult> results;
    std::function<void(ProbeResult, const std::string &)> again = [&](ProbeResult r, const std::string &) {
        results.push_back(r);
        if (--left > 0)
            probe.Start(radio.DevicePath(), kAnswerLimit, again);
    };
    probe.Start(radio.DevicePath(), kAnswerLimit, again);
    ASSERT_TRUE(WaitUntil([&] { return left == 0; }, 60s));
    EXPECT_EQ(results, std::vector<ProbeResult>(5, ProbeResult::Answered));
    EXPECT_FALSE(probe.Running());
}

TEST_F(PortProbeE2E, AStoppedProbeSaysNothingAndClosesThePort)
{
    sim::Faults faults;
    faults.silent = true;
    radio.SetFaults(faults);
    int called = 0;
    probe.Start(radio.DevicePath(), 300ms, [&](ProbeResult, const std::string &) { ++called; });
    ASSERT_TRUE(WaitUntil([&] { return Handshakes(radio) >= 1; }));
    probe.Stop();
    EXPECT_FALSE(probe.Running());
    EXPECT_TRUE(Free(radio.DevicePath()));
    // A stopped probe's `done` never comes, not even after its limit.
    WaitUntil([] { return false; }, 600ms);
    EXPECT_EQ(called, 0);

    // Nor does that of a probe started again over a running one, and a
    // stopped CannotOpen is as silent.
    probe.Start(radio.DevicePath(), 300ms, [&](ProbeResult, const std::string &) { called += 10; });
    probe.Start("/dev/tonvar-no-such-port", 300ms, [&](ProbeResult, const std::string &) { called += 100; });
    probe.Stop();
    WaitUntil([] { return false; }, 600ms);
    EXPECT_EQ(called, 0);
}

TEST_F(PortProbeE2E, ProbePortsProbesEveryPortAtOnceInTheOrderGiven)
{
    sim::RadioSimulator silent, quiet;
    sim::Faults faults;
    faults.silent = true;
    for (sim::RadioSimulator *s : {&silent, &quiet}) {
        s->SetFaults(faults);
        s->Start();
    }
    const std::vector<std::string> ports{silent.DevicePath(), "/dev/tonvar-no-such-port", radio.DevicePath(),
                                         quiet.DevicePath()};
    const auto started = std::chrono::steady_clock::now();
    const std::vector<link::PortAnswer> answers = link::ProbePorts(ports, 2s);
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(answers.size(), 4u);
    const std::vector<ProbeResult> expected{ProbeResult::Silent, ProbeResult::CannotOpen, ProbeResult::Answered,
                                            ProbeResult::Silent};
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].port, ports[i]) << i;
        EXPECT_EQ(answers[i].result, expected[i]) << i;
        EXPECT_EQ(answers[i].error.empty(), i != 1) << i << ": " << answers[i].error;
    }
    // All at once: the limit once, not once for each silent port.
    EXPECT_GE(took, 1990ms);
    EXPECT_LT(took, 3900ms);
    for (const std::string &port : {ports[0], ports[2], ports[3]})
        EXPECT_TRUE(Free(port)) << port;
    EXPECT_TRUE(link::ProbePorts({}, 1s).empty());
}

} // namespace

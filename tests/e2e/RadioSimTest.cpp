// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated radio's line: paced both ways, and bursts told apart by the
// gap between the bytes it receives.
#include "FrameBytes.h"
#include "RadioSim.h"

#include "protocol/Frames.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace tonvar;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// The tool's end of the line.
struct Line {
    int fd;
    explicit Line(const std::string &path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~Line() { ::close(fd); }
    void Write(const sim::Bytes &b) const
    {
        ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    // Reads until `n` bytes are in (or 5 s without a byte).
    sim::Bytes Read(std::size_t n) const
    {
        sim::Bytes out;
        std::uint8_t buf[256];
        while (out.size() < n) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t got = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0)
                break;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }
};

sim::Bytes Request(std::uint8_t area, std::uint8_t block)
{
    return {0x52, area, block, 0x20};
}

} // namespace

TEST(RadioSim, AnswersOnlyOnceTheMessageCouldHaveCrossedAndPacesTheAnswer)
{
    sim::RadioSimulator radio(true);
    radio.Start();
    Line line(radio.DevicePath());
    const auto t0 = Clock::now();
    line.Write({'P', 'R', 'O', 'G', 'R', 'A', 'M'});
    ASSERT_EQ(line.Read(1), sim::Bytes{0x06});
    EXPECT_GE(Clock::now() - t0, 8 * sim::kByteTime) << "7 bytes in, then the Ack's own byte";

    std::this_thread::sleep_for(25ms); // the tool's quiet after an answer
    const auto t1 = Clock::now();
    line.Write(Request(0, 1));
    ASSERT_EQ(line.Read(34).size(), 34u);
    EXPECT_GE(Clock::now() - t1, 38 * sim::kByteTime) << "4 bytes in, 34 out";
    radio.Stop();
}

TEST(RadioSim, AResendsLeftoversAreATailAndTheNextBurstIsAMessage)
{
    sim::RadioSimulator radio(false);
    radio.Start();
    Line line(radio.DevicePath());
    // A 34-byte resend of a request: the request and what the frame buffer
    // held behind it, here bytes that would read as a handshake and a frame.
    sim::Bytes resend = Request(0, 1);
    for (const char c : std::string("PROGRAMW"))
        resend.push_back(static_cast<std::uint8_t>(c));
    resend.resize(34, 0x06);
    line.Write(resend);
    ASSERT_EQ(line.Read(34).size(), 34u);
    std::this_thread::sleep_for(25ms); // the tool's quiet after an answer
    line.Write(Request(0, 2));
    ASSERT_EQ(line.Read(34).size(), 34u);

    const std::vector<sim::LogEntry> log = radio.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(sim::Summary(log[0]), "READ 0 1");
    EXPECT_EQ(log[0].tail.size(), 30u);
    EXPECT_EQ(sim::Summary(log[1]), "READ 0 2");
    EXPECT_TRUE(log[1].tail.empty());
    radio.Stop();
}

namespace {

sim::Bytes WriteFrame(std::uint8_t area, std::uint8_t block, std::uint8_t fill)
{
    return test::FrameBytes(area, block, fill);
}

bool ChecksumMatches(const sim::Bytes &f)
{
    const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
    return f.size() == 34 && f[32] == (crc >> 8) && f[33] == (crc & 0xFF);
}

} // namespace

TEST(RadioSim, ABlockNotStoredIsAcknowledgedAndKeepsWhatItHeld)
{
    sim::RadioSimulator radio(false);
    sim::Faults faults;
    faults.notStoredArea = 0;
    faults.notStoredBlock = 3;
    radio.SetFaults(faults);
    radio.Start();
    Line line(radio.DevicePath());
    line.Write(WriteFrame(0, 3, 0x42));
    ASSERT_EQ(line.Read(1), sim::Bytes{0x06});
    std::this_thread::sleep_for(25ms);
    line.Write(WriteFrame(0, 4, 0x42));
    ASSERT_EQ(line.Read(1), sim::Bytes{0x06});
    radio.Stop();
    EXPECT_EQ(radio.GetBlock(0, 3), sim::Block{});
    sim::Block written;
    written.fill(0x42);
    EXPECT_EQ(radio.GetBlock(0, 4), written);
}

TEST(RadioSim, AStrayFrameForTheBlockComesBeforeTheAnswer)
{
    sim::RadioSimulator radio(false);
    sim::Block held;
    held.fill(0x20);
    radio.SetBlock(0, 2, held);
    sim::Faults faults;
    faults.strayAnswer = 1;
    radio.SetFaults(faults);
    radio.Start();
    Line line(radio.DevicePath());
    line.Write(Request(0, 2));
    const sim::Bytes both = line.Read(68);
    radio.Stop();
    ASSERT_EQ(both.size(), 68u);
    const sim::Bytes stray(both.begin(), both.begin() + 34);
    const sim::Bytes answer(both.begin() + 34, both.end());
    EXPECT_EQ(sim::Bytes(stray.begin(), stray.begin() + 4), (sim::Bytes{0x57, 0, 2, 0x20}));
    EXPECT_TRUE(ChecksumMatches(stray)) << "well-formed";
    EXPECT_EQ(stray[4], 0x31) << "another payload";
    EXPECT_EQ(answer, WriteFrame(0, 2, 0x20));
}

TEST(RadioSim, TheSameLineErrorInTwoAnswersRunning)
{
    sim::RadioSimulator radio(false);
    sim::Faults faults;
    faults.repeatBadChecksum = 1;
    radio.SetFaults(faults);
    radio.Start();
    Line line(radio.DevicePath());
    std::vector<sim::Bytes> answers;
    for (int i = 0; i < 3; ++i) {
        line.Write(Request(5, 0));
        answers.push_back(line.Read(34));
        std::this_thread::sleep_for(25ms);
    }
    radio.Stop();
    EXPECT_FALSE(ChecksumMatches(answers[0]));
    EXPECT_EQ(answers[1], answers[0]) << "the same bit flipped";
    EXPECT_TRUE(ChecksumMatches(answers[2]));
}

// Two copies of a block 100 ms apart, to a radio taking 1 s to answer: one
// answering in turn spaces the Acks a second apart, one answering every copy
// on its own time 100 ms apart.
TEST(RadioSim, EveryCopyIsAnsweredOnItsOwnTime)
{
    for (const bool everyCopy : {false, true}) {
        sim::RadioSimulator radio(false);
        sim::Faults faults;
        faults.answerDelayMs = 1000;
        faults.ackEveryCopy = everyCopy;
        radio.SetFaults(faults);
        radio.Start();
        Line line(radio.DevicePath());
        line.Write(WriteFrame(0, 1, 0x11));
        std::this_thread::sleep_for(100ms);
        line.Write(WriteFrame(0, 1, 0x11));
        ASSERT_EQ(line.Read(1), sim::Bytes{0x06});
        const auto first = Clock::now();
        ASSERT_EQ(line.Read(1), sim::Bytes{0x06});
        const auto gap = Clock::now() - first;
        radio.Stop();
        if (everyCopy)
            EXPECT_LT(gap, 700ms);
        else
            EXPECT_GE(gap, 950ms);
        sim::Block stored;
        stored.fill(0x11);
        EXPECT_EQ(radio.GetBlock(0, 1), stored);
    }
}

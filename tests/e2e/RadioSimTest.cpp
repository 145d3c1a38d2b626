// The simulated radio's line: paced both ways, and bursts told apart by the
// gap between the bytes it receives.
#include "RadioSim.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

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

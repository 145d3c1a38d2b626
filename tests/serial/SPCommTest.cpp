// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SPComm.h"

#include "ByteStrings.h"
#include "OpenFailure.h"
#include "Pty.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <asm/termbits.h>
#include <dirent.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <numeric>
#include <thread>

using namespace tonvar::serial;
using tonvar::test::OpenFailureOf;
using tonvar::test::Pty;
using tonvar::test::WaitUntil;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

namespace {

std::size_t CountEntries(const char *dir)
{
    std::size_t n = 0;
    if (DIR *d = ::opendir(dir)) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

Bytes Pattern(std::size_t n, std::uint8_t seed = 0)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>((i * 7 + seed) & 0xFF);
    return b;
}

termios2 SlaveSettings(const Pty &pty)
{
    termios2 tio{};
    // A pseudo-terminal master reports the settings of its slave.
    EXPECT_EQ(::ioctl(pty.Master(), TCGETS2, &tio), 0);
    return tio;
}

// A port set up the way the main window sets up its Comm1, open on a pty.
struct SerialFixture : ::testing::Test {
    Pty pty;
    TComm comm;
    std::vector<Bytes> chunks;
    bool zeroAfterEveryChunk = true;
    int hangups = 0;

    void SetUp() override
    {
        comm.SetReadIntervalTimeout(20);
        comm.SetOutx_XonXoffFlow(false);
        comm.SetInx_XonXoffFlow(false);
        comm.SetCommName(pty.SlavePath());
        comm.OnReceiveData = [this](TComm *, const std::uint8_t *buffer, std::uint16_t length) {
            chunks.emplace_back(buffer, buffer + length);
            zeroAfterEveryChunk = zeroAfterEveryChunk && buffer[length] == 0;
        };
        comm.OnRequestHangup = [this](TComm *) { ++hangups; };
        comm.OpenPort();
    }
    void TearDown() override { comm.ClosePort(); }

    // Waits, without running the event loop, until the reader has handed over
    // its first chunk: with the writer's "queue empty" notice from the open,
    // two notifications are then waiting.
    bool WaitForFirstChunkHandedOver()
    {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (comm.PendingNotifications() < 2) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }

    std::size_t Received() const
    {
        return std::accumulate(chunks.begin(), chunks.end(), std::size_t{0},
                               [](std::size_t n, const Bytes &c) { return n + c.size(); });
    }
    Bytes AllReceived() const { return tonvar::test::Joined(chunks); }
};

} // namespace

TEST_F(SerialFixture, OpensWithTheRadiosLineSettings)
{
    const termios2 tio = SlaveSettings(pty);
    EXPECT_EQ(tio.c_ospeed, 9600u);
    EXPECT_EQ(tio.c_ispeed, 9600u);
    EXPECT_TRUE(tio.c_iflag & IGNBRK);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_TRUE(tio.c_cflag & CLOCAL);
    EXPECT_TRUE(tio.c_cflag & CREAD);
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    EXPECT_EQ(tio.c_cc[VMIN], 1);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
}

TEST_F(SerialFixture, LineChangesApplyAtOnceButParityWaitsAndEqualValuesDoNothing)
{
    comm.SetBaudRate(19200);
    EXPECT_EQ(SlaveSettings(pty).c_ospeed, 19200u);

    // Someone else changes the line (a pseudo-terminal forces 8 bits without
    // parity, so its speed shows whether the settings were applied again).
    const auto setSpeedBehindOurBack = [&] {
        termios2 tio = SlaveSettings(pty);
        tio.c_cflag = (tio.c_cflag & ~static_cast<tcflag_t>(CBAUD)) | BOTHER;
        tio.c_ispeed = tio.c_ospeed = 1200;
        ASSERT_EQ(::ioctl(pty.Master(), TCSETS2, &tio), 0);
    };
    setSpeedBehindOurBack();
    comm.SetBaudRate(19200); // the current value: nothing happens
    EXPECT_EQ(SlaveSettings(pty).c_ospeed, 1200u);
    comm.SetParity(TParity::Even); // only stored
    EXPECT_EQ(SlaveSettings(pty).c_ospeed, 1200u);
    comm.SetStopBits(TStopBits::_2);
    EXPECT_EQ(SlaveSettings(pty).c_ospeed, 19200u);
    EXPECT_TRUE(SlaveSettings(pty).c_cflag & CSTOPB);

    setSpeedBehindOurBack();
    comm.SetReadIntervalTimeout(30); // a time-out is no line setting
    EXPECT_EQ(SlaveSettings(pty).c_ospeed, 1200u);
}

TEST_F(SerialFixture, AReplyWithoutPausesArrivesAsOneChunkEndedByAZeroByte)
{
    const Bytes reply = Pattern(40);
    pty.Write(reply);
    ASSERT_TRUE(WaitUntil([&] { return Received() >= 40; }));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_EQ(chunks[0], reply);
    EXPECT_TRUE(zeroAfterEveryChunk);
}

TEST_F(SerialFixture, RepliesWithAPauseArriveAsSeparateChunks)
{
    pty.Write(Pattern(20, 1));
    ASSERT_TRUE(WaitUntil([&] { return chunks.size() == 1; }));
    pty.Write(Pattern(30, 2));
    ASSERT_TRUE(WaitUntil([&] { return Received() >= 50; }));
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(chunks[0], Pattern(20, 1));
    EXPECT_EQ(chunks[1], Pattern(30, 2));
}

TEST_F(SerialFixture, RepliesFiftyMillisecondsApartAreTwoChunks)
{
    pty.Write(Pattern(10, 1));
    std::this_thread::sleep_for(50ms); // the far end's pause, not a wait for a result
    // Should the reader have been starved that long, the pause lasts until
    // it has handed the first reply over.
    ASSERT_TRUE(WaitForFirstChunkHandedOver());
    pty.Write(Pattern(10, 2));
    ASSERT_TRUE(WaitUntil([&] { return Received() >= 20; }));
    EXPECT_EQ(chunks.size(), 2u);
}

// The far end writes the bytes one at a time, each at least `gap` after the
// one before, and reports the longest pause that actually passed.
std::chrono::steady_clock::duration Trickle(Pty &pty, const Bytes &bytes, std::chrono::milliseconds gap)
{
    std::chrono::steady_clock::duration longest{};
    std::chrono::steady_clock::time_point last{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_until(last + gap);
        const auto now = std::chrono::steady_clock::now();
        if (i > 0)
            longest = std::max(longest, now - last);
        last = now;
        pty.Write({bytes[i]});
    }
    return longest;
}

// The rule the radio protocol relies on, over a real line: bytes less than
// 20 ms apart are one chunk, bytes further apart are not. A loaded machine
// can hold a byte up on its way (the far end's sleep runs long, the
// pseudo-terminal's hand-over or the reader waits for a core), so an attempt
// may be disturbed and is then made again; a wrong rule fails every attempt.
TEST_F(SerialFixture, ATrickle15MsApartIsOneChunkAnd30MsApartOneChunkPerByte)
{
    constexpr int kAttempts = 8;
    const Bytes bytes = Pattern(6, 9);
    bool oneChunk = false;
    for (int attempt = 0; attempt < kAttempts && !oneChunk; ++attempt) {
        chunks.clear();
        const auto longest = Trickle(pty, bytes, 15ms);
        ASSERT_TRUE(WaitUntil([&] { return Received() == bytes.size(); }));
        EXPECT_EQ(AllReceived(), bytes);
        if (longest < 19ms) // else the far end itself paused too long
            oneChunk = chunks.size() == 1;
    }
    EXPECT_TRUE(oneChunk) << "15 ms apart: the chunk was cut";

    bool separate = false;
    for (int attempt = 0; attempt < kAttempts && !separate; ++attempt) {
        chunks.clear();
        Trickle(pty, bytes, 30ms);
        ASSERT_TRUE(WaitUntil([&] { return Received() == bytes.size(); }));
        EXPECT_EQ(AllReceived(), bytes);
        separate = chunks.size() == bytes.size();
    }
    EXPECT_TRUE(separate) << "30 ms apart: bytes were joined";
}

TEST_F(SerialFixture, ALongBurstIsCutAt4096Bytes)
{
    const Bytes burst = Pattern(5000);
    std::thread far([&] { pty.Write(burst); });
    ASSERT_TRUE(WaitUntil([&] { return Received() >= burst.size(); }));
    far.join();
    ASSERT_GE(chunks.size(), 2u);
    EXPECT_EQ(chunks[0].size(), 4096u);
    EXPECT_EQ(AllReceived(), burst);
    EXPECT_TRUE(zeroAfterEveryChunk);
}

TEST_F(SerialFixture, TenMegabytesArriveCompleteAndInOrder)
{
    const Bytes data = Pattern(10 * 1024 * 1024, 3);
    std::thread far([&] { pty.Write(data); });
    ASSERT_TRUE(WaitUntil([&] { return Received() >= data.size(); }, 120s));
    far.join();
    EXPECT_EQ(AllReceived(), data);
    for (const Bytes &c : chunks)
        ASSERT_LE(c.size(), 4096u);
}

TEST_F(SerialFixture, OneByteWritesGoOutInCallOrder)
{
    const Bytes sent = Pattern(10, 5);
    for (const std::uint8_t b : sent)
        EXPECT_TRUE(comm.WritePort(&b, 1));
    EXPECT_EQ(pty.Read(10), sent);
}

TEST_F(SerialFixture, WritePortRefusesACountOfZeroAndAClosedPort)
{
    const std::uint8_t b = 0x06;
    EXPECT_FALSE(comm.WritePort(&b, 0));
    comm.ClosePort();
    EXPECT_FALSE(comm.WritePort(&b, 1));
    comm.ClosePort(); // closing a closed port does nothing
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(SerialFixture, OpeningAnOpenPortFailsAndThePortKeepsWorking)
{
    EXPECT_EQ(OpenFailureOf(comm).message, "This serial port already opened");
    ASSERT_TRUE(comm.IsOpen());
    const std::uint8_t ack = 0x06;
    EXPECT_TRUE(comm.WritePort(&ack, 1));
    EXPECT_EQ(pty.Read(1), Bytes{0x06});
    pty.Write({0x57, 0x01});
    EXPECT_TRUE(WaitUntil([&] { return Received() == 2; }));
}

TEST_F(SerialFixture, ASecondOpenerFailsUntilTheFirstLetsGo)
{
    TComm second;
    second.SetCommName(pty.SlavePath());
    const auto inUse = OpenFailureOf(second);
    EXPECT_EQ(inUse.message, "Error opening serial port");
    EXPECT_NE(inUse.detail.find("in use by this program"), std::string::npos) << inUse.detail;
    EXPECT_FALSE(second.IsOpen());
    comm.ClosePort();
    EXPECT_NO_THROW(second.OpenPort());
    EXPECT_TRUE(second.IsOpen());
    second.ClosePort();
}

TEST_F(SerialFixture, ChunksPostedBeforeCloseAreStillDelivered)
{
    pty.Write(Pattern(12));
    ASSERT_TRUE(WaitForFirstChunkHandedOver());
    ASSERT_TRUE(chunks.empty());
    comm.ClosePort();
    ASSERT_TRUE(WaitUntil([&] { return Received() == 12; }));
    EXPECT_EQ(chunks[0], Pattern(12));
}

TEST_F(SerialFixture, TheFarEndGoingAwayEndsTheReaderWithAHangup)
{
    pty.Write(Pattern(5));
    ASSERT_TRUE(WaitUntil([&] { return Received() == 5; }));
    const std::size_t threads = CountEntries("/proc/self/task");
    const auto start = std::chrono::steady_clock::now();
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return hangups >= 1; }, 5s));
    // The reader has ended by itself: one thread fewer, nothing spinning.
    ASSERT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") < threads; }, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    const auto closeStart = std::chrono::steady_clock::now();
    comm.ClosePort();
    EXPECT_LT(std::chrono::steady_clock::now() - closeStart, 1s);
}

TEST_F(SerialFixture, AfterAHangUpWritePortRefusesInsteadOfQueuingForNobody)
{
    const std::size_t threads = CountEntries("/proc/self/task");
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return hangups >= 1; }, 5s));
    // The writer learns of it with its next write, and ends.
    const std::uint8_t b = 0x06;
    ASSERT_TRUE(WaitUntil([&] { return !comm.WritePort(&b, 1); }, 5s));
    ASSERT_TRUE(WaitUntil([&] { return CountEntries("/proc/self/task") <= threads - 2; }, 5s))
        << "both threads have ended";
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(comm.WritePort(&b, 1)) << i;
    EXPECT_TRUE(comm.IsOpen()) << "the port stays open until ClosePort";
    comm.ClosePort();

    // A fresh open on a live line takes requests again.
    Pty other;
    comm.SetCommName(other.SlavePath());
    comm.OpenPort();
    EXPECT_TRUE(comm.WritePort(&b, 1));
    EXPECT_EQ(other.Read(1), Bytes{0x06});
}

TEST_F(SerialFixture, SendDataEmptyComesOnceAtTheStartAndOnceAfterEachDrainedQueue)
{
    int empties = 0;
    comm.OnSendDataEmpty = [&](TComm *) { ++empties; };
    ASSERT_TRUE(WaitUntil([&] { return empties == 1; })) << "the writer's start";

    const Bytes request = Pattern(10);
    ASSERT_TRUE(comm.WritePort(request.data(), static_cast<std::uint16_t>(request.size())));
    EXPECT_EQ(pty.Read(10), request);
    ASSERT_TRUE(WaitUntil([&] { return empties == 2; }));

    // Requests queued back to back: one notice per time the queue ran
    // empty, so at least one and never more than one per request.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(comm.WritePort(request.data(), static_cast<std::uint16_t>(request.size())));
    EXPECT_EQ(pty.Read(50).size(), 50u);
    ASSERT_TRUE(WaitUntil([&] { return empties >= 3 && comm.PendingNotifications() == 0; }));
    EXPECT_LE(empties, 7);
}

TEST_F(SerialFixture, ClosingWithAFullQueueReturnsPromptlyAndSendsNoMore)
{
    // Nobody reads the far end, so the writer stalls once the pty is full.
    const Bytes block = Pattern(4096);
    for (int i = 0; i < 16; ++i)
        ASSERT_TRUE(comm.WritePort(block.data(), static_cast<std::uint16_t>(block.size())));
    const auto start = std::chrono::steady_clock::now();
    comm.ClosePort();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, 250ms) << "ClosePort must not wait for the line";
    const Bytes arrived = pty.Read(16 * 4096, 200);
    EXPECT_LT(arrived.size(), 16u * 4096u);
}

TEST(SerialPort, OpenFailuresExplainThemselvesAndLeaveThePortClosed)
{
    TComm comm;
    comm.SetCommName("/dev/tonvar-no-such-port");
    const auto missing = OpenFailureOf(comm);
    EXPECT_EQ(missing.message, "Error opening serial port");
    EXPECT_NE(missing.detail.find("plugged in"), std::string::npos) << missing.detail;
    EXPECT_FALSE(comm.IsOpen());

    comm.SetCommName("/dev/null"); // opens, but is no serial line
    EXPECT_THROW(comm.OpenPort(), ECommsError);
    EXPECT_FALSE(comm.IsOpen());
}

TEST(SerialPort, NamesBecomeDevicePaths)
{
    EXPECT_EQ(DevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePath("/dev/pts/3"), "/dev/pts/3");
    TComm comm;
    EXPECT_EQ(comm.Settings(), TCommSettings{});
    EXPECT_EQ(comm.Settings().CommName, "COM2");
    EXPECT_EQ(comm.Settings().ReadIntervalTimeout, 100u);
    EXPECT_TRUE(comm.Settings().Outx_XonXoffFlow);
}

TEST(SerialPort, ManyOpensAndClosesLeaveNoDescriptorOrThreadBehind)
{
    Pty pty;
    TComm comm;
    comm.SetCommName(pty.SlavePath());
    comm.OpenPort(); // let Qt and the process settle their own threads first
    comm.ClosePort();
    const std::size_t fds = CountEntries("/proc/self/fd");
    const std::size_t threads = CountEntries("/proc/self/task");
    for (int i = 0; i < 1000; ++i) {
        comm.OpenPort();
        comm.ClosePort();
    }
    comm.SetCommName("/dev/tonvar-no-such-port");
    for (int i = 0; i < 100; ++i)
        EXPECT_THROW(comm.OpenPort(), ECommsError);
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
    QCoreApplication::processEvents(); // the writers' "queue empty" notices
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated radio's message parser, through its public interface only:
// bytes written to its pseudo-terminal in bursts, with pauses between some
// of them, and faults switched on as its command line does. The tests and
// the users rely on what it logs and answers, so after each input:
//
//  - its log, each message followed by the burst's tail, gives back every
//    byte it was sent, in order;
//  - every logged message is what its kind says (a "PROGRAM", a 4-byte
//    request, a 34- or 32-byte frame, an Ack, or junk);
//  - without faults, it answered exactly as a radio with that log would: an
//    Ack for a handshake and for a frame, the stored block for a request.
//
// Input: a first byte with bit 7 set switches faults on from the bytes that
// follow it; then bursts, each a header byte (bits 0..5: length - 1, bit 6: a
// pause before it, bit 7: 64 more bytes per unit of the next byte) and the
// burst's bytes.
#include "Fuzz.h"

#include "RadioSim.h"
#include "protocol/Frames.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

using namespace tonvar;
using fuzz::Check;
using sim::Bytes;

namespace {

using namespace std::chrono_literals;

// Longer than the simulator's end of a burst.
constexpr auto kPause = 12ms;
constexpr int kMaxPauses = 6;

struct Line {
    int fd = -1;
    Bytes answers;

    explicit Line(const std::string &path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
        Check(fd >= 0, "cannot open the simulator's device");
    }
    ~Line() { ::close(fd); }
    void Write(const Bytes &bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return; // the simulator hung up
            Drain(n > 0 ? 0 : 1);
        }
    }
    // Reads what has come, waiting up to `ms` for the first byte.
    void Drain(int ms)
    {
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, ms) > 0 && (p.revents & POLLIN)) {
            std::uint8_t buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                return;
            answers.insert(answers.end(), buf, buf + n);
            ms = 0;
        }
    }
};

// Waits for the log to report a given message, or some other message that
// took the start of it.
struct Watch {
    std::mutex mutex;
    std::condition_variable changed;
    Bytes awaited;
    bool seen = false;
    bool other = false;

    void Report(const sim::LogEntry &e)
    {
        std::lock_guard lock(mutex);
        (e.bytes == awaited ? seen : other) = true;
        changed.notify_all();
    }
    void Await(const Bytes &message)
    {
        std::lock_guard lock(mutex);
        awaited = message;
        seen = other = false;
    }
    bool Seen(std::chrono::milliseconds within)
    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, within, [&] { return seen || other; });
        if (!seen && other) // perhaps a moment later
            changed.wait_for(lock, 5ms, [&] { return seen; });
        return seen;
    }
};

sim::Faults ReadFaults(fuzz::Reader &in)
{
    sim::Faults f;
    const std::uint8_t which = in.Byte();
    const auto nth = [&] { return 1 + in.Byte() % 6; };
    f.silent = which & 0x01;
    if (which & 0x02)
        f.dropAnswer = nth();
    if (which & 0x04) {
        f.otherBlockAnswer = nth();
        f.otherBlock = in.Byte();
    }
    if (which & 0x08)
        f.splitAnswer = nth();
    if (which & 0x10)
        f.garbageBeforeAnswer = nth();
    if (which & 0x20)
        f.markAnswer = nth();
    if (which & 0x40)
        f.hangUpAtAnswer = nth();
    return f;
}

Bytes Frame(std::uint8_t area, std::uint8_t block, const sim::Block &payload)
{
    Bytes f(protocol::kFrameLength);
    f[0] = protocol::kFrameStart;
    f[1] = area;
    f[2] = block;
    f[3] = protocol::kAddressEnd;
    std::copy(payload.begin(), payload.end(), f.begin() + protocol::kPayloadFirst);
    const std::uint16_t crc = protocol::Crc16Modbus(f.data(), protocol::kPayloadLast + 1);
    f[protocol::kChecksumHigh] = static_cast<std::uint8_t>(crc >> 8);
    f[protocol::kChecksumLow] = static_cast<std::uint8_t>(crc & 0xFF);
    return f;
}

bool Stored(int area, int block)
{
    if (area < 0 || area >= protocol::kAreaCount)
        return false;
    const auto [first, last] = protocol::kAreaBlocks[static_cast<std::size_t>(area)];
    return block >= first && block <= last;
}

void CheckEntry(const sim::LogEntry &e)
{
    const Bytes &b = e.bytes;
    switch (e.kind) {
    case sim::LogEntry::Handshake:
        Check(b == Bytes{'P', 'R', 'O', 'G', 'R', 'A', 'M'}, "a handshake that is not PROGRAM");
        break;
    case sim::LogEntry::ReadRequest:
        Check(b.size() == 4 && b[0] == protocol::kRequestStart && e.area == b[1] && e.block == b[2],
              "a request logged wrong");
        break;
    case sim::LogEntry::DataFrame:
        Check(b.size() >= 4 && b[0] == protocol::kFrameStart && e.area == b[1] && e.block == b[2] &&
                  b.size() == (b[1] == protocol::kAreaFleetSync ? 32u : 34u),
              "a frame logged wrong");
        break;
    case sim::LogEntry::Ack:
        Check(b == Bytes{protocol::kAck}, "an Ack logged wrong");
        break;
    case sim::LogEntry::Junk:
        Check(!b.empty(), "empty junk");
        break;
    }
}

// What a radio with this log answers, block memory starting at zero.
Bytes ExpectedAnswers(const std::vector<sim::LogEntry> &log)
{
    std::map<std::pair<int, int>, sim::Block> memory;
    Bytes out;
    for (const sim::LogEntry &e : log) {
        if (e.kind == sim::LogEntry::Handshake) {
            out.push_back(protocol::kAck);
        } else if (e.kind == sim::LogEntry::ReadRequest) {
            const sim::Block b = Stored(e.area, e.block) ? memory[{e.area, e.block}] : sim::Block{};
            const Bytes f = Frame(static_cast<std::uint8_t>(e.area), static_cast<std::uint8_t>(e.block), b);
            out.insert(out.end(), f.begin(), f.end());
        } else if (e.kind == sim::LogEntry::DataFrame) {
            if (Stored(e.area, e.block))
                std::copy(e.bytes.begin() + 4, e.bytes.begin() + 32, memory[{e.area, e.block}].begin());
            out.push_back(protocol::kAck);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static unsigned run = 0;
    ++run;
    fuzz::Reader in(data, size);
    const bool faulty = !in.Empty() && (data[0] & 0x80);
    if (faulty)
        in.Byte();
    const sim::Faults faults = faulty ? ReadFaults(in) : sim::Faults{};

    sim::RadioSimulator radio(false);
    radio.SetFaults(faults);
    Watch watch;
    radio.SetLogSink([&watch](const sim::LogEntry &e) { watch.Report(e); });
    Line line(radio.DevicePath());
    radio.Start();

    Bytes sent;
    int pauses = 0;
    while (!in.Empty()) {
        const std::uint8_t header = in.Byte();
        std::size_t length = (header & 0x3Fu) + 1u;
        if (header & 0x80)
            length += 64u * in.Byte();
        if ((header & 0x40) && pauses < kMaxPauses) {
            ++pauses;
            std::this_thread::sleep_for(kPause);
        }
        const Bytes burst = in.Bytes(length);
        line.Write(burst);
        sent.insert(sent.end(), burst.begin(), burst.end());
    }

    // A frame no input holds, sent after a pause until the log shows it: by
    // then everything before it has been taken apart.
    bool synced = false;
    for (int attempt = 0; attempt < 12 && !synced && !radio.HungUp(); ++attempt) {
        std::this_thread::sleep_for(kPause * (1 << std::min(attempt, 4)));
        sim::Block nonce{};
        for (std::size_t i = 0; i < nonce.size(); ++i)
            nonce[i] = static_cast<std::uint8_t>((run >> (8 * (i % 4))) ^ (0xA5u + static_cast<unsigned>(attempt) + i));
        const Bytes sentinel = Frame(protocol::kAreaSettings, 0, nonce);
        watch.Await(sentinel);
        line.Write(sentinel);
        sent.insert(sent.end(), sentinel.begin(), sentinel.end());
        synced = watch.Seen(200ms);
    }
    Check(synced || radio.HungUp(), "the simulator stopped taking messages");

    const std::vector<sim::LogEntry> log = radio.Log();
    for (const sim::LogEntry &e : log)
        CheckEntry(e);
    if (synced) {
        Bytes logged;
        for (const sim::LogEntry &e : log) {
            logged.insert(logged.end(), e.bytes.begin(), e.bytes.end());
            logged.insert(logged.end(), e.tail.begin(), e.tail.end());
        }
        Check(logged == sent, "the log does not give back the bytes sent");
    }
    if (synced && !faulty) {
        const Bytes expected = ExpectedAnswers(log);
        for (int i = 0; i < 200 && line.answers.size() < expected.size(); ++i)
            line.Drain(10);
        line.Drain(0);
        Check(line.answers == expected, "the simulator answered unlike a radio");
    }
    radio.Stop();
    return 0;
}

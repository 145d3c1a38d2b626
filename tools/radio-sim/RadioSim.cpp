// SPDX-License-Identifier: GPL-3.0-or-later
#include "RadioSim.h"

#include "protocol/Frames.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace tonvar::sim {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kPause = std::chrono::milliseconds(60); // longer than the tool's 20 ms

std::string Hex(const Bytes &b)
{
    std::string out;
    char buf[4];
    for (const std::uint8_t x : b) {
        std::snprintf(buf, sizeof buf, "%02X ", x);
        out += buf;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

} // namespace

std::size_t ToolMessageLength(const Bytes &start)
{
    if (start.empty())
        return 0;
    switch (start[0]) {
    case 'P':
        return 7;
    case 'R':
        return 4;
    case 'W':
        return start.size() >= 2 && start[1] == protocol::kAreaFleetSync ? 32 : 34;
    default:
        return 0;
    }
}

std::string Summary(const LogEntry &e)
{
    const std::string address = " " + std::to_string(e.area) + " " + std::to_string(e.block);
    switch (e.kind) {
    case LogEntry::Handshake:
        return "PROGRAM";
    case LogEntry::ReadRequest:
        return "READ" + address;
    case LogEntry::DataFrame:
        return "WRITE" + address;
    case LogEntry::Ack:
        return "ACK";
    case LogEntry::Junk:
        break;
    }
    return "JUNK";
}

std::string Describe(const LogEntry &e)
{
    std::string s = Summary(e);
    if (e.kind == LogEntry::DataFrame || e.kind == LogEntry::Junk)
        s += ": " + Hex(e.bytes);
    if (!e.tail.empty())
        s += " (followed by " + std::to_string(e.tail.size()) + " bytes: " + Hex(e.tail) + ")";
    return s;
}

RadioSimulator::RadioSimulator(bool pace) : byteTime_(pace ? kByteTime : std::chrono::nanoseconds(0))
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0)
        throw std::runtime_error("cannot open a pseudo-terminal");
    slavePath_ = name;
    // Holding the slave open keeps the line up between the tool's sessions
    // (a master whose slave is closed reports a hang-up), in raw mode.
    holdSlave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (holdSlave_ >= 0 && ::tcgetattr(holdSlave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(holdSlave_, TCSANOW, &tio);
    }
    stop_ = ::eventfd(0, EFD_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

RadioSimulator::~RadioSimulator()
{
    Stop();
    if (master_ >= 0)
        ::close(master_);
    if (holdSlave_ >= 0)
        ::close(holdSlave_);
    ::close(stop_);
    ::close(wake_);
}

void RadioSimulator::Start()
{
    thread_ = std::thread(&RadioSimulator::Run, this);
}

void RadioSimulator::Stop()
{
    if (!thread_.joinable())
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(stop_, &one, sizeof one);
    thread_.join();
}

void RadioSimulator::SetFaults(const Faults &faults)
{
    std::lock_guard lock(mutex_);
    faults_ = faults;
}

void RadioSimulator::SetLogSink(std::function<void(const LogEntry &)> sink)
{
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
}

int RadioSimulator::Index(int area, int block)
{
    if (area < 0 || area >= protocol::kAreaCount)
        return -1;
    const auto &blocks = protocol::kAreaBlocks;
    int index = 0;
    for (int a = 0; a < area; ++a)
        index += blocks[static_cast<std::size_t>(a)].second - blocks[static_cast<std::size_t>(a)].first + 1;
    const auto [first, last] = blocks[static_cast<std::size_t>(area)];
    if (block < first || block > last)
        return -1;
    return index + block - first;
}

bool RadioSimulator::SetBlock(int area, int block, const Block &bytes)
{
    const int i = Index(area, block);
    if (i < 0)
        return false;
    std::lock_guard lock(mutex_);
    memory_[static_cast<std::size_t>(i)] = bytes;
    return true;
}

Block RadioSimulator::GetBlock(int area, int block) const
{
    const int i = Index(area, block);
    std::lock_guard lock(mutex_);
    return i < 0 ? Block{} : memory_[static_cast<std::size_t>(i)];
}

bool RadioSimulator::LoadImage(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    Bytes image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.eof() && !in.good())
        return false;
    if (image.size() != kImageSize)
        return false;
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < memory_.size(); ++i)
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(i * 28), 28, memory_[i].begin());
    return true;
}

bool RadioSimulator::SaveImage(const std::string &path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::lock_guard lock(mutex_);
    for (const Block &b : memory_)
        out.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

std::vector<LogEntry> RadioSimulator::Log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void RadioSimulator::ClearLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

void RadioSimulator::Append(LogEntry e)
{
    std::function<void(const LogEntry &)> sink;
    {
        std::lock_guard lock(mutex_);
        log_.push_back(e);
        sink = sink_;
    }
    if (sink)
        sink(e);
}

void RadioSimulator::Schedule(const Bytes &bytes)
{
    // Each byte is written when it has crossed the line: one byte time after
    // the one before, the first one byte time after the line is free.
    Clock::time_point at = std::max(Clock::now(), outLineFree_);
    for (const std::uint8_t b : bytes) {
        at += byteTime_;
        outgoing_.push_back({b, at});
    }
    outLineFree_ = at;
}

void RadioSimulator::Pause(std::chrono::milliseconds pause)
{
    outLineFree_ = std::max(Clock::now(), outLineFree_) + pause;
}

void RadioSimulator::WriteDue(Clock::time_point now)
{
    Bytes due;
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        due.push_back(outgoing_.front().byte);
        outgoing_.pop_front();
    }
    std::size_t done = 0;
    while (master_ >= 0 && done < due.size()) {
        const ssize_t n = ::write(master_, due.data() + done, due.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void RadioSimulator::HangUp()
{
    // As if the cable were pulled: the tool's side reads an error.
    ::close(master_);
    master_ = -1;
    if (holdSlave_ >= 0)
        ::close(holdSlave_);
    holdSlave_ = -1;
    outgoing_.clear();
    hungUp_ = true;
}

void RadioSimulator::Inject(const Bytes &bytes)
{
    {
        std::lock_guard lock(injectMutex_);
        injected_.insert(injected_.end(), bytes.begin(), bytes.end());
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
}

void RadioSimulator::TakeInjected()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(wake_, &count, sizeof count);
    Bytes bytes;
    {
        std::lock_guard lock(injectMutex_);
        bytes.swap(injected_);
    }
    if (!bytes.empty())
        Schedule(bytes);
}

void RadioSimulator::Answer(Bytes bytes, bool isFrame, int area, int block)
{
    Faults f;
    {
        std::lock_guard lock(mutex_);
        f = faults_;
    }
    if (f.silent)
        return;
    const int n = ++answers_;
    if (n == f.hangUpAtAnswer) {
        HangUp();
        return;
    }
    if (n == f.dropAnswer)
        return;
    if (isFrame && n == f.otherBlockAnswer) {
        bytes[2] = static_cast<std::uint8_t>(f.otherBlock);
    }
    if (isFrame && n == f.staleAnswer) {
        const Block b = GetBlock(bytes[1], previousBlock_);
        bytes[2] = static_cast<std::uint8_t>(previousBlock_);
        std::copy(b.begin(), b.end(), bytes.begin() + 4);
    }
    if (isFrame && n == f.markAnswer)
        bytes[5] = 0x30;
    if (isFrame) {
        const std::uint16_t crc = protocol::Crc16Modbus(bytes.data(), 32);
        bytes[32] = static_cast<std::uint8_t>(crc >> 8);
        bytes[33] = static_cast<std::uint8_t>(crc & 0xFF);
    }
    if (isFrame && (n == f.badChecksumAnswer || n == f.repeatBadChecksum ||
                    (f.repeatBadChecksum > 0 && n == f.repeatBadChecksum + 1)))
        bytes[10] ^= 0x04; // a line error
    if (n == f.strayAnswer) {
        // The block of the message answered ("PROGRAM": channel 1).
        const int strayArea = area < 0 ? 0 : area;
        const int strayBlock = area < 0 ? 1 : block;
        const Block b = GetBlock(strayArea, strayBlock);
        Bytes stray(34, 0);
        stray[0] = protocol::kFrameStart;
        stray[1] = static_cast<std::uint8_t>(strayArea);
        stray[2] = static_cast<std::uint8_t>(strayBlock);
        stray[3] = protocol::kAddressEnd;
        for (std::size_t i = 0; i < b.size(); ++i)
            stray[4 + i] = static_cast<std::uint8_t>(b[i] + 0x11);
        const std::uint16_t crc = protocol::Crc16Modbus(stray.data(), 32);
        stray[32] = static_cast<std::uint8_t>(crc >> 8);
        stray[33] = static_cast<std::uint8_t>(crc & 0xFF);
        Schedule(stray);
        Pause(kPause);
    }
    if (f.answerDelayMs > 0) {
        if (f.ackEveryCopy) // on its own time, whatever else is under way
            outLineFree_ = std::max(outLineFree_, Clock::now() + std::chrono::milliseconds(f.answerDelayMs));
        else
            Pause(std::chrono::milliseconds(f.answerDelayMs));
    }
    if (n == f.garbageBeforeAnswer) {
        Schedule({'Z', 'Z', 'Z'});
        Pause(kPause);
    }
    if (n == f.splitAnswer && bytes.size() > 1) {
        const auto half = static_cast<std::ptrdiff_t>(
            f.splitAfter > 0 && f.splitAfter < bytes.size() ? f.splitAfter : bytes.size() / 2);
        Schedule(Bytes(bytes.begin(), bytes.begin() + half));
        Pause(kPause);
        Schedule(Bytes(bytes.begin() + half, bytes.end()));
        deafUntil_ = outLineFree_;
        return;
    }
    Schedule(bytes);
    deafUntil_ = outLineFree_;
}

void RadioSimulator::AddTail(const Bytes &bytes)
{
    std::lock_guard lock(mutex_);
    if (tailOf_ < log_.size())
        log_[tailOf_].tail.insert(log_[tailOf_].tail.end(), bytes.begin(), bytes.end());
}

void RadioSimulator::Handle()
{
    Bytes &pending = pending_;
    bool &discarding = discarding_;
    while (!pending.empty() && master_ >= 0) {
        if (discarding) {
            AddTail(pending);
            pending.clear();
            return;
        }
        const std::uint8_t first = pending[0];
        const std::size_t need = first == protocol::kAck ? 1 : ToolMessageLength(pending);
        const bool notProgram =
            first == 'P' && pending.size() >= 7 && std::string(pending.begin(), pending.begin() + 7) != "PROGRAM";
        if (need == 0 || notProgram) {
            // Not the start of any message: log it and look at the next byte.
            Append(LogEntry{LogEntry::Junk, {first}, {}, -1, -1, Clock::now()});
            pending.erase(pending.begin());
            continue;
        }
        if (pending.size() < need)
            return; // the rest of the message is still on its way
        Bytes message(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(need));
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(need));
        bool deaf = false;
        {
            std::lock_guard lock(mutex_);
            deaf = faults_.deaf && Clock::now() < deafUntil_;
        }
        LogEntry e{LogEntry::Ack, message, {}, -1, -1, Clock::now()};
        Bytes answer;
        bool isFrame = false;
        if (first == 'P') {
            e.kind = LogEntry::Handshake;
            answer = {protocol::kAck};
        } else if (first == 'R') {
            e.kind = LogEntry::ReadRequest;
            e.area = message[1];
            e.block = message[2];
            if (!deaf) {
                previousBlock_ = lastBlock_;
                lastBlock_ = e.block;
            }
            const Block b = GetBlock(e.area, e.block);
            answer.assign(34, 0);
            answer[0] = protocol::kFrameStart;
            answer[1] = message[1];
            answer[2] = message[2];
            answer[3] = protocol::kAddressEnd;
            std::copy(b.begin(), b.end(), answer.begin() + 4);
            isFrame = true;
        } else if (first == 'W') {
            e.kind = LogEntry::DataFrame;
            e.area = message[1];
            e.block = message[2];
            Block b{};
            std::copy(message.begin() + 4, message.begin() + 32, b.begin());
            bool stored = true;
            {
                std::lock_guard lock(mutex_);
                stored = !(e.area == faults_.notStoredArea && e.block == faults_.notStoredBlock);
            }
            if (!deaf && stored)
                SetBlock(e.area, e.block, b);
            answer = {protocol::kAck};
        }
        Append(e);
        {
            std::lock_guard lock(mutex_);
            tailOf_ = log_.size() - 1;
        }
        // The rest of this burst is a resend's leftovers: logged, not obeyed.
        discarding = true;
        if (!answer.empty() && !deaf)
            Answer(std::move(answer), isFrame, e.area, e.block);
    }
}

void RadioSimulator::Receive(const std::uint8_t *bytes, std::size_t n, Clock::time_point now)
{
    // All bytes of one read reached the pseudo-terminal together; on the
    // modelled line they follow each other, each taking a byte time.
    const bool startsBurst = !received_ || now - lastReceived_ >= kBurstGap;
    received_ = true;
    lastReceived_ = now;
    for (std::size_t i = 0; i < n; ++i) {
        inLineFree_ = std::max(now, inLineFree_) + byteTime_;
        incoming_.push_back({bytes[i], inLineFree_, startsBurst && i == 0});
    }
}

void RadioSimulator::Parse(Clock::time_point now)
{
    while (!incoming_.empty() && incoming_.front().crossed <= now && master_ >= 0) {
        const Incoming in = incoming_.front();
        incoming_.pop_front();
        if (in.startsBurst) {
            Handle(); // what came before belongs to the burst before
            discarding_ = false;
        }
        pending_.push_back(in.byte);
    }
    Handle();
}

void RadioSimulator::Run()
{
    std::uint8_t buf[4096];
    while (master_ >= 0) {
        TakeInjected();
        const Clock::time_point now = Clock::now();
        Parse(now);
        WriteDue(now);
        if (master_ < 0)
            return;

        // Sleep until the next byte has crossed either way, or bytes come.
        std::optional<Clock::time_point> wake;
        if (!incoming_.empty())
            wake = incoming_.front().crossed;
        if (!outgoing_.empty())
            wake = wake ? std::min(*wake, outgoing_.front().due) : outgoing_.front().due;
        timespec timeout{};
        if (wake) {
            const auto ns = std::max<long long>(
                0, std::chrono::duration_cast<std::chrono::nanoseconds>(*wake - Clock::now()).count());
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
        }
        pollfd fds[3] = {{stop_, POLLIN, 0}, {master_, POLLIN, 0}, {wake_, POLLIN, 0}};
        const int ready = ::ppoll(fds, 3, wake ? &timeout : nullptr, nullptr);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[0].revents & POLLIN))
            return;
        if (ready == 0 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            return;
        Receive(buf, static_cast<std::size_t>(n), Clock::now());
    }
}

} // namespace tonvar::sim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/SPComm.h"

#include "serial/ChunkRule.h"
#include "serial/LineSettings.h"
#include "serial/PortErrors.h"
#include "serial/PortLock.h"

#include <QSocketNotifier>

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace tonvar::serial {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kCounterPollPeriod{250};
constexpr int kLowLatency = static_cast<int>(ASYNC_LOW_LATENCY); // serial_struct's flags are an int

void Signal(int eventFd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(eventFd, &one, sizeof one);
}

void Drain(int eventFd)
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(eventFd, &count, sizeof count);
}

bool Readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// The time from now until `t` for ppoll, never negative: the reader wakes
// at the deadline itself, not at the next whole millisecond after it.
timespec TimeUntil(Clock::time_point t, Clock::time_point now)
{
    const long long ns = t <= now ? 0 : std::chrono::duration_cast<std::chrono::nanoseconds>(t - now).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

std::string DevicePath(const std::string &commName)
{
    if (!commName.empty() && commName.front() == '/')
        return commName;
    return "/dev/" + commName;
}

enum TComm::NotificationKind : int { DataReceived, ReceiveError, RequestHangup, ModemStateChange, SendDataEmpty };

struct TComm::Port {
    struct Notification {
        NotificationKind kind = DataReceived;
        std::uint32_t value = 0;
        std::vector<std::uint8_t> bytes; // a chunk plus its terminating zero
    };

    PortLock lock;
    // The threads' way to the GUI thread: notifications queue up under
    // notifyMutex, and notifyEvent (an eventfd watched on the GUI thread)
    // wakes the event loop to deliver them in order.
    int notifyEvent = -1;
    QSocketNotifier *notifier = nullptr;
    int fd = -1;
    bool lowLatencySet = false; // we turned the driver's low latency on
    int closeEvent = -1;        // eventfd, readable once the threads must end
    int writeEvent = -1;        // eventfd, counts queued write requests
    std::thread reader;
    std::thread writer;

    std::mutex timeoutsMutex;
    ReadTimeouts timeouts;

    std::mutex writeMutex;
    std::deque<std::vector<std::uint8_t>> writeQueue;
    bool writerEnded = true; // no writer takes requests (closed, or it ended after a failure)

    std::mutex notifyMutex;
    std::deque<Notification> notifications;
};

TComm::TComm(QObject *parent) : QObject(parent), d_(std::make_unique<Port>())
{
    d_->notifyEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (d_->notifyEvent < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    d_->notifier = new QSocketNotifier(d_->notifyEvent, QSocketNotifier::Read, this);
    connect(d_->notifier, &QSocketNotifier::activated, this, &TComm::DeliverNotifications);
}

TComm::~TComm()
{
    ClosePort();
    delete d_->notifier;
    ::close(d_->notifyEvent);
}

bool TComm::IsOpen() const
{
    return d_->fd >= 0;
}

void TComm::SetLockDirectories(std::vector<std::string> directories)
{
    d_->lock.SetDirectories(std::move(directories));
}

const std::string &TComm::LockFile() const
{
    return d_->lock.Path();
}

void TComm::SetCommName(const std::string &v)
{
    settings_.CommName = v; // takes effect at the next OpenPort
}

void TComm::SetParity(TParity v)
{
    settings_.Parity = v; // applied with the next OpenPort or line change
}

void TComm::OpenPort()
{
    if (IsOpen())
        throw ECommsError("This serial port already opened");

    const std::string path = DevicePath(settings_.CommName);
    // A device that is not there is said to be not there, whoever holds a
    // lock by its name (another program that tried it a moment ago).
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
        throw ECommsError("Error opening serial port", OpenFailureDetail(path, ENOENT));
    // The lock file first: a port another program has locked is not even
    // opened, which would raise its DTR and RTS.
    if (const auto holder = d_->lock.Acquire(path))
        throw ECommsError("Error opening serial port", LockedPortDetail(path, holder->description));
    const auto fail = [&](int fd, int error) {
        if (fd >= 0)
            ::close(fd);
        d_->lock.Release();
        throw ECommsError("Error opening serial port", OpenFailureDetail(path, error));
    };
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        fail(fd, errno);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        fail(fd, errno == EWOULDBLOCK ? EBUSY : errno);
    if (!::isatty(fd))
        fail(fd, ENOTTY);
    ::ioctl(fd, TIOCEXCL); // a pseudo-terminal may refuse; the lock still holds

    // The kernel's tty queues have a fixed size, so there is nothing to ask
    // of the driver for "Cannot setup comm buffer".
    d_->fd = fd;
    ::ioctl(d_->fd, TCFLSH, TCIOFLUSH);
    ApplyTimeouts();
    ApplyLineSettings();
    AskForLowLatency();

    d_->closeEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    d_->writeEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (d_->closeEvent < 0 || d_->writeEvent < 0) {
        Release();
        throw ECommsError("Unable to create event");
    }
    try {
        d_->reader = std::thread(&TComm::ReadLoop, this);
    } catch (const std::system_error &) {
        Release();
        throw ECommsError("Unable to create read thread");
    }
    try {
        {
            std::lock_guard lock(d_->writeMutex);
            d_->writerEnded = false;
        }
        d_->writer = std::thread(&TComm::WriteLoop, this);
    } catch (const std::system_error &) {
        StopThreads();
        Release();
        throw ECommsError("Unable to create write thread");
    }
}

void TComm::ClosePort()
{
    if (!IsOpen())
        return;
    StopThreads();
    Release();
}

void TComm::StopThreads()
{
    Signal(d_->closeEvent);
    ::ioctl(d_->fd, TCFLSH, TCIFLUSH);
    if (d_->reader.joinable())
        d_->reader.join();
    ::ioctl(d_->fd, TCFLSH, TCOFLUSH);
    if (d_->writer.joinable())
        d_->writer.join();
}

void TComm::AskForLowLatency()
{
    // A USB adapter holds received bytes back until its latency timer runs
    // out (16 ms on an FTDI) unless told otherwise, which delays every reply
    // by that much. Drivers that have no such setting (pseudo-terminals,
    // most UARTs) refuse, which is fine.
    d_->lowLatencySet = false;
    serial_struct serial{};
    if (::ioctl(d_->fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & kLowLatency) != 0)
        return;
    serial.flags |= kLowLatency;
    d_->lowLatencySet = ::ioctl(d_->fd, TIOCSSERIAL, &serial) == 0;
}

void TComm::Release()
{
    // The adapter goes back to the latency the next program expects.
    serial_struct serial{};
    if (d_->lowLatencySet && ::ioctl(d_->fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags &= ~kLowLatency;
        ::ioctl(d_->fd, TIOCSSERIAL, &serial);
    }
    d_->lowLatencySet = false;
    // Output still in the kernel's queue is discarded, so close() does not
    // wait for it to drain.
    ::ioctl(d_->fd, TCFLSH, TCIOFLUSH);
    ::ioctl(d_->fd, TIOCNXCL);
    ::flock(d_->fd, LOCK_UN);
    ::close(d_->fd);
    d_->fd = -1;
    d_->lock.Release();
    for (int *event : {&d_->closeEvent, &d_->writeEvent}) {
        if (*event >= 0)
            ::close(*event);
        *event = -1;
    }
    std::lock_guard lock(d_->writeMutex);
    d_->writeQueue.clear();
    d_->writerEnded = true;
}

bool TComm::WritePort(const std::uint8_t *bytes, std::uint16_t count)
{
    if (!IsOpen() || count == 0 || bytes == nullptr)
        return false;
    try {
        std::vector<std::uint8_t> copy(bytes, bytes + count);
        std::lock_guard lock(d_->writeMutex);
        if (d_->writerEnded)
            return false; // nobody would ever write it
        d_->writeQueue.push_back(std::move(copy));
    } catch (const std::bad_alloc &) {
        return false;
    }
    Signal(d_->writeEvent);
    return true;
}

void TComm::ApplyTimeouts()
{
    std::lock_guard lock(d_->timeoutsMutex);
    d_->timeouts = ReadTimeouts{settings_.ReadIntervalTimeout, settings_.ReadTotalTimeoutMultiplier,
                             settings_.ReadTotalTimeoutConstant, settings_.IgnoreNullChar};
    // Write time limits only split a write into parts on this platform, which
    // the writer joins up again, so they have nothing to change here.
}

void TComm::ApplyLineSettings()
{
    ApplyTimeouts(); // IgnoreNullChar is applied by the reader

    termios2 current{};
    if (::ioctl(d_->fd, TCGETS2, &current) != 0)
        return; // not a serial line after all: ignored, as a refusal would be
    const termios2 tio = TermiosFor(settings_, current);
    ::ioctl(d_->fd, TCSETS2, &tio); // a device that refuses keeps its settings

    // DTR and RTS held on or off; handshake modes leave the driver in charge.
    const ModemLines lines = ModemLinesFor(settings_);
    const auto hold = [this](int bit, std::optional<bool> on) {
        if (on)
            ::ioctl(d_->fd, *on ? TIOCMBIS : TIOCMBIC, &bit);
    };
    hold(TIOCM_DTR, lines.dtr);
    hold(TIOCM_RTS, lines.rts);
}

bool TComm::Closing() const noexcept
{
    return Readable(d_->closeEvent);
}

bool TComm::Post(NotificationKind kind, std::uint32_t value, std::vector<std::uint8_t> bytes) noexcept
{
    try {
        Port::Notification n{kind, value, std::move(bytes)};
        {
            std::lock_guard lock(d_->notifyMutex);
            d_->notifications.push_back(std::move(n));
        }
        Signal(d_->notifyEvent);
        return true;
    } catch (...) {
        return false;
    }
}

bool TComm::Deliver(std::vector<std::uint8_t> &chunk) noexcept
{
    if (chunk.empty())
        return false;
    try {
        std::vector<std::uint8_t> bytes;
        bytes.reserve(chunk.size() + 1);
        bytes.assign(chunk.begin(), chunk.end());
        bytes.push_back(0); // a zero byte after the last counted one
        const auto count = static_cast<std::uint32_t>(chunk.size());
        chunk.clear();
        if (Post(DataReceived, count, std::move(bytes)))
            return true;
    } catch (...) {
    }
    chunk.clear();
    Post(RequestHangup);
    return false;
}

void TComm::ReadLoop() noexcept
{
    std::vector<std::uint8_t> chunk;
    try {
        chunk.reserve(kChunkSize);
    } catch (...) {
        Post(RequestHangup);
        return;
    }
    std::uint8_t buf[kChunkSize];

    serial_icounter_struct counters{};
    const bool haveCounters = ::ioctl(d_->fd, TIOCGICOUNT, &counters) == 0;
    Clock::time_point nextCounterPoll = Clock::now() + kCounterPollPeriod;
    Clock::time_point lastByte{};
    Clock::time_point readStart = Clock::now();

    const auto hangUp = [&](bool report) {
        if (!chunk.empty())
            Deliver(chunk);
        if (report)
            Post(RequestHangup);
    };

    for (;;) {
        ReadTimeouts t;
        {
            std::lock_guard lock(d_->timeoutsMutex);
            t = d_->timeouts;
        }
        const std::optional<Clock::time_point> chunkEnd = ChunkEnd(t, !chunk.empty(), readStart, lastByte);

        Clock::time_point now = Clock::now();
        std::optional<Clock::time_point> wake = chunkEnd;
        if (haveCounters)
            wake = wake ? std::min(*wake, nextCounterPoll) : nextCounterPoll;
        const timespec timeout = wake ? TimeUntil(*wake, now) : timespec{};

        pollfd fds[2] = {{d_->closeEvent, POLLIN, 0}, {d_->fd, POLLIN, 0}};
        const int ready = ::ppoll(fds, 2, wake ? &timeout : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            hangUp(true);
            break;
        }
        if (fds[0].revents & POLLIN)
            break; // closing wins over everything else
        now = Clock::now();

        if (fds[1].revents & POLLIN) {
            const ssize_t n = ::read(d_->fd, buf, kChunkSize - chunk.size());
            if (n > 0) {
                for (ssize_t i = 0; i < n; ++i)
                    if (!(t.ignoreNull && buf[i] == 0))
                        chunk.push_back(buf[i]);
                if (!chunk.empty())
                    lastByte = now;
                if (chunk.size() >= kChunkSize || (HandsOverAtOnce(t) && !chunk.empty())) {
                    if (!Deliver(chunk))
                        break;
                    readStart = now;
                }
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            // End of file or an I/O error: the device has gone (cable pulled,
            // far end of a pseudo-terminal closed).
            hangUp(!(n < 0 && errno == EBADF));
            break;
        }
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            hangUp(!(fds[1].revents & POLLNVAL));
            break;
        }

        if (chunkEnd && now >= *chunkEnd) {
            if (chunk.empty())
                break; // a read that timed out empty ends the reader quietly
            if (!Deliver(chunk))
                break;
            readStart = now;
        }
        if (haveCounters && now >= nextCounterPoll) {
            nextCounterPoll = now + kCounterPollPeriod;
            serial_icounter_struct c{};
            if (::ioctl(d_->fd, TIOCGICOUNT, &c) != 0)
                continue;
            std::uint32_t errors = 0;
            if (c.buf_overrun != counters.buf_overrun)
                errors |= kErrorRxOver;
            if (c.overrun != counters.overrun)
                errors |= kErrorOverrun;
            if (c.parity != counters.parity)
                errors |= kErrorRxParity;
            if (c.frame != counters.frame)
                errors |= kErrorFrame;
            if (c.brk != counters.brk)
                errors |= kErrorBreak;
            std::uint32_t modem = 0;
            if (c.dcd != counters.dcd)
                modem |= kModemCarrier;
            if (c.rng != counters.rng)
                modem |= kModemRing;
            counters = c;
            if (errors != 0 && !Post(ReceiveError, errors))
                break;
            if (modem != 0 && !Post(ModemStateChange, modem))
                break;
        }
    }
    ::ioctl(d_->fd, TCFLSH, TCIFLUSH);
}

bool TComm::WriteRequest(const std::vector<std::uint8_t> &bytes) noexcept
{
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t n = ::write(d_->fd, bytes.data() + offset, bytes.size() - offset);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd fds[2] = {{d_->closeEvent, POLLIN, 0}, {d_->fd, POLLOUT, 0}};
            if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
                Post(RequestHangup);
                return false;
            }
            if (fds[0].revents & POLLIN)
                return false;
            if ((fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) && !(fds[1].revents & POLLOUT)) {
                if (!(fds[1].revents & POLLNVAL))
                    Post(RequestHangup);
                return false;
            }
            continue;
        }
        if (!(n < 0 && errno == EBADF))
            Post(RequestHangup);
        return false;
    }
    return true;
}

void TComm::WriteLoop() noexcept
{
    bool notify = true;
    for (;;) {
        std::vector<std::uint8_t> request;
        bool have = false;
        {
            std::lock_guard lock(d_->writeMutex);
            if (!d_->writeQueue.empty()) {
                request = std::move(d_->writeQueue.front());
                d_->writeQueue.pop_front();
                have = true;
            }
        }
        if (!have) {
            if (notify && !Post(SendDataEmpty)) {
                Post(RequestHangup);
                break;
            }
            notify = false;
            pollfd fds[2] = {{d_->closeEvent, POLLIN, 0}, {d_->writeEvent, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                Post(RequestHangup);
                break;
            }
            if (fds[0].revents & POLLIN)
                break;
            Drain(d_->writeEvent);
            continue;
        }
        if (Closing())
            break; // a request not yet written when closing is dropped
        if (!WriteRequest(request))
            break;
        notify = true;
    }
    {
        // From here on WritePort refuses: requests would only pile up.
        std::lock_guard lock(d_->writeMutex);
        d_->writerEnded = true;
        d_->writeQueue.clear();
    }
    ::ioctl(d_->fd, TCFLSH, TCOFLUSH);
}

std::size_t TComm::PendingNotifications()
{
    std::lock_guard lock(d_->notifyMutex);
    return d_->notifications.size();
}

void TComm::DeliverNotifications()
{
    Drain(d_->notifyEvent);
    // One notification at a time, each taken off the queue before its
    // handler runs: a handler that runs a nested event loop (a message box)
    // sees the following ones delivered from there, still in order.
    for (;;) {
        Port::Notification n;
        {
            std::lock_guard lock(d_->notifyMutex);
            if (d_->notifications.empty())
                return;
            n = std::move(d_->notifications.front());
            d_->notifications.pop_front();
        }
        try {
            // A handler not set is not called.
            const auto fire = [](const auto &handler, auto... args) {
                if (handler)
                    handler(args...);
            };
            switch (n.kind) {
            case DataReceived:
                fire(OnReceiveData, this, n.bytes.data(), static_cast<std::uint16_t>(n.value & 0xFFFF));
                break;
            case ReceiveError:
                fire(OnReceiveError, this, n.value);
                break;
            case RequestHangup:
                fire(OnRequestHangup, this);
                break;
            case ModemStateChange:
                fire(OnModemStateChange, this, n.value);
                break;
            case SendDataEmpty:
                fire(OnSendDataEmpty, this);
                break;
            }
        } catch (...) {
            // Handlers show their own failures; nothing may cross the event loop.
        }
        // The chunk's buffer goes with `n`, on every path.
    }
}

} // namespace tonvar::serial

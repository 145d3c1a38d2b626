// SPDX-License-Identifier: GPL-3.0-or-later
// TComm: the tool's only access to a serial port.
//
// One instance (the main window's Comm1) is shared by every window. While the
// port is open two threads run: a reader that collects incoming bytes into
// chunks and hands each chunk to the GUI thread, and a writer that writes
// queued requests in call order. Every call (OpenPort, ClosePort, WritePort,
// the property setters) and every event runs on the GUI thread.
//
// Chunking is what the radio protocol relies on: a chunk ends when
// ReadIntervalTimeout ms pass without a byte once one has arrived, or at 4096
// bytes, so each reply the radio sends without a pause arrives as one
// OnReceiveData call.
//
// On Linux:
//  * CommName "ttyUSB0" opens /dev/ttyUSB0; an absolute path is used as it is.
//  * The port is opened O_NONBLOCK and held exclusively through flock() and
//    TIOCEXCL, so a second opener (in this process or another program) fails
//    until the first lets go. A UUCP lock file (LCK..ttyUSB0 in /run/lock)
//    is honoured and, where the folder may be written, created while open.
//  * The line is raw, VMIN 1 / VTIME 0; the inter-byte gap is timed here on
//    the monotonic clock because the kernel's VTIME counts tenths of seconds.
//  * HUPCL stays on: DTR and RTS drop when the port is closed, as they do when
//    a Windows program closes a port, so the radio sees the same line states
//    between sessions that it always has.
//  * USB adapters are asked for low latency (ASYNC_LOW_LATENCY) while open,
//    so that their latency timer does not hold replies back.
//  * Line errors and modem changes come from the driver's interrupt counters
//    (TIOCGICOUNT), read every 250 ms while the port is open. Drivers without
//    them (pseudo-terminals, some USB adapters) report neither.
#pragma once

#include "serial/CommSettings.h"
#include "text/Convert.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tonvar::serial {

// Raised by OpenPort. what() is the message the user sees; detail() says why
// the operating system refused, when it did.
class ECommsError : public text::Failure {
public:
    using text::Failure::Failure;
};

// The device path CommName names: "/dev/" + name, or the name itself when it
// is an absolute path.
std::string DevicePath(const std::string &commName);

class TComm : public QObject {
public:
    using TReceiveDataEvent =
        std::function<void(TComm *Sender, const std::uint8_t *Buffer, std::uint16_t BufferLength)>;
    using TReceiveErrorEvent = std::function<void(TComm *Sender, std::uint32_t EventMask)>;
    using TModemStateChangeEvent = std::function<void(TComm *Sender, std::uint32_t ModemEvent)>;
    using TNotifyEvent = std::function<void(TComm *Sender)>;

    explicit TComm(QObject *parent = nullptr);
    // Closes the port if it is still open, so no thread outlives the object.
    ~TComm() override;
    TComm(const TComm &) = delete;
    TComm &operator=(const TComm &) = delete;

    // Events, all called on the GUI thread. Handlers report their own
    // failures; an exception leaving one is dropped here.
    TReceiveDataEvent OnReceiveData;
    TReceiveErrorEvent OnReceiveError;
    TModemStateChangeEvent OnModemStateChange;
    TNotifyEvent OnRequestHangup;
    TNotifyEvent OnSendDataEmpty;

    // Throws ECommsError.
    void OpenPort();
    // Never fails and returns promptly; queued writes are dropped.
    void ClosePort();
    // Queues a copy of the bytes; false when closed, for a count of 0, when
    // the writer has ended (after a hang-up or a failed write), or when the
    // copy cannot be queued.
    bool WritePort(const std::uint8_t *bytes, std::uint16_t count);
    bool IsOpen() const;
    // Notifications handed over by the threads and not yet delivered.
    std::size_t PendingNotifications();

    const TCommSettings &Settings() const { return settings_; }
    // Where UUCP lock files are looked for and created (kLockDirectories
    // unless set); taken at the next OpenPort.
    void SetLockDirectories(std::vector<std::string> directories);
    // The lock file this open holds, empty when none.
    const std::string &LockFile() const;

    // Setters: the same value does nothing; otherwise the value is stored and,
    // while open, applied at once. CommName and Parity are only stored.
    void SetCommName(const std::string &v);
    void SetBaudRate(std::uint32_t v) { SetLine(settings_.BaudRate, v); }
    void SetParityCheck(bool v) { SetLine(settings_.ParityCheck, v); }
    void SetOutx_CtsFlow(bool v) { SetLine(settings_.Outx_CtsFlow, v); }
    void SetOutx_DsrFlow(bool v) { SetLine(settings_.Outx_DsrFlow, v); }
    void SetDtrControl(TDtrControl v) { SetLine(settings_.DtrControl, v); }
    void SetDsrSensitivity(bool v) { SetLine(settings_.DsrSensitivity, v); }
    void SetTxContinueOnXoff(bool v) { SetLine(settings_.TxContinueOnXoff, v); }
    void SetOutx_XonXoffFlow(bool v) { SetLine(settings_.Outx_XonXoffFlow, v); }
    void SetInx_XonXoffFlow(bool v) { SetLine(settings_.Inx_XonXoffFlow, v); }
    void SetReplaceWhenParityError(bool v) { SetLine(settings_.ReplaceWhenParityError, v); }
    void SetIgnoreNullChar(bool v) { SetLine(settings_.IgnoreNullChar, v); }
    void SetRtsControl(TRtsControl v) { SetLine(settings_.RtsControl, v); }
    void SetXonLimit(std::uint16_t v) { SetLine(settings_.XonLimit, v); }
    void SetXoffLimit(std::uint16_t v) { SetLine(settings_.XoffLimit, v); }
    void SetByteSize(TByteSize v) { SetLine(settings_.ByteSize, v); }
    void SetParity(TParity v);
    void SetStopBits(TStopBits v) { SetLine(settings_.StopBits, v); }
    void SetXonChar(std::uint8_t v) { SetLine(settings_.XonChar, v); }
    void SetXoffChar(std::uint8_t v) { SetLine(settings_.XoffChar, v); }
    void SetReplacedChar(std::uint8_t v) { SetLine(settings_.ReplacedChar, v); }
    void SetReadIntervalTimeout(std::uint32_t v) { SetTimeout(settings_.ReadIntervalTimeout, v); }
    void SetReadTotalTimeoutMultiplier(std::uint32_t v) { SetTimeout(settings_.ReadTotalTimeoutMultiplier, v); }
    void SetReadTotalTimeoutConstant(std::uint32_t v) { SetTimeout(settings_.ReadTotalTimeoutConstant, v); }
    void SetWriteTotalTimeoutMultiplier(std::uint32_t v) { SetTimeout(settings_.WriteTotalTimeoutMultiplier, v); }
    void SetWriteTotalTimeoutConstant(std::uint32_t v) { SetTimeout(settings_.WriteTotalTimeoutConstant, v); }

private:
    // What the threads hand to the GUI thread, in the order they happen.
    enum NotificationKind : int;
    // The open port, its threads and what they share with the GUI thread.
    struct Port;

    // Stores `value`; while open, `apply` puts the settings into effect.
    template <typename T>
    void Set(T &field, T value, void (TComm::*apply)())
    {
        if (field == value)
            return;
        field = value;
        if (IsOpen())
            (this->*apply)();
    }
    template <typename T>
    void SetLine(T &field, T value)
    {
        Set(field, value, &TComm::ApplyLineSettings);
    }
    template <typename T>
    void SetTimeout(T &field, T value)
    {
        Set(field, value, &TComm::ApplyTimeouts);
    }

    void ApplyLineSettings();
    void ApplyTimeouts();
    void AskForLowLatency();
    void DeliverNotifications();
    void StopThreads();
    void Release();

    // Worker side; never throw.
    void ReadLoop() noexcept;
    void WriteLoop() noexcept;
    bool Post(NotificationKind kind, std::uint32_t value = 0, std::vector<std::uint8_t> bytes = {}) noexcept;
    bool Deliver(std::vector<std::uint8_t> &chunk) noexcept;
    bool WriteRequest(const std::vector<std::uint8_t> &bytes) noexcept;
    bool Closing() const noexcept;

    TCommSettings settings_;
    std::unique_ptr<Port> d_;
};

} // namespace tonvar::serial

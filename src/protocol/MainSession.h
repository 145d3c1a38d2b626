// The main window's read and write sessions, and the receive handler that
// drives every session of the program.
//
// A read: "PROGRAM" -> Ack; ReadRequest 0,1 .. 0,16 -> one DataFrame each;
// ReadRequest 5,0 -> the settings frame; done ("   Read Succeed!").
// A write: "PROGRAM" -> Ack; DataFrame 0,1 .. 0,16 and 5,0 -> one Ack each;
// done after the 18th Ack ("Write Succeed!").
//
// While a session waits, Tim1 resends the frame buffer's first 34 bytes every
// 300 ms, without limit, until the answer comes or the user presses Retry or
// Cancel on the progress dialog.
//
// Tim1 is shared with the signalling windows, whose sessions wait under it
// too. Every session starts and stops it through StartResend / StopResend, so
// one session's end, time-out, Close or failure never silences the resend
// that another session is still waiting on.
//
// This class holds the state the windows display (button and selector
// enabled states are the session flags, the progress dialog's bar) and works
// through small interfaces, so tests drive it with a fake port and timer.
// Every operation may throw (a text that does not convert, a port that will
// not open); the caller shows the failure, and the state stays as far as the
// operation got.
#pragma once

#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/Frames.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonvar::protocol {

// What a session needs of the serial port.
class Port {
public:
    virtual ~Port() = default;
    virtual void SetCommName(const std::string &name) = 0;
    virtual void OpenPort() = 0; // throws on failure
    virtual void ClosePort() = 0;
    virtual bool WritePort(const std::uint8_t *bytes, std::uint16_t count) = 0;
};

// A repeating timer whose ticks the owner routes back to the session.
class Timer {
public:
    virtual ~Timer() = default;
    // Starts the timer if it is stopped; a running timer keeps its period.
    // Stop followed by Start begins a fresh period.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

// A signalling window's side of the shared receive handler.
class SignallingSession {
public:
    virtual ~SignallingSession() = default;
    virtual std::uint8_t Area() const = 0;
    virtual bool ReadRunning() const = 0;  // its Read button is disabled
    virtual bool WriteRunning() const = 0; // its Write button is disabled
    virtual void BlockAcknowledged() = 0;  // reads the receive copy
    virtual void BlockReceived() = 0;
};

struct ProgressState {
    bool visible = false;
    int maximum = 100;
    int position = 0;

    void Show(int max)
    {
        visible = true;
        maximum = max;
        position = 0;
    }
    void Advance()
    {
        if (position < maximum)
            ++position;
    }
};

inline constexpr int kResendMs = 300;
inline constexpr int kRetryPauseMs = 300;
inline constexpr int kSettingsRequestPauseMs = 2;
inline constexpr int kReadProgressMaximum = 16;
inline constexpr int kWriteProgressMaximum = 17;
inline constexpr int kWriteAcks = 18;
inline const std::string kReadSucceeded = "   Read Succeed!";
inline const std::string kWriteSucceeded = "Write Succeed!";

struct MainSessionHost {
    std::function<void(const std::string &)> ShowMessage; // waits until closed
    std::function<void(int milliseconds)> Sleep;
    std::function<void()> CommitEdit; // moves the focus on, committing a cell edit
};

class MainSession {
public:
    MainSession(Port &port, Timer &tim1, memory::ChannelTable &table, memory::SettingsTexts &settings,
                MainSessionHost host);

    // Shared with the signalling windows.
    ByteBuffer frame{};
    ReceiveBuffers rx;
    std::int32_t readCounter = 0;
    std::int32_t writeStep = 0;
    // 5TONE, 2TONE, FleetSync and DTMF, in the order each chunk is offered.
    std::array<SignallingSession *, 4> signalling{};

    // What the windows show.
    bool rbtnEnabled = true;
    bool wbtnEnabled = true;
    bool comcbbEnabled = true;
    bool formEnabled = true;
    ProgressState progress;
    std::string comcbbText = "COM1";

    bool ReadRunning() const { return !rbtnEnabled; }
    bool WriteRunning() const { return !wbtnEnabled; }
    // A write whose block did not convert takes no further Ack until Retry
    // or Cancel: a stray Ack would otherwise send the block after the one
    // that was never written, and the write could end as a success.
    bool WriteHalted() const { return writeHalted_; }

    // Tim1 on behalf of one session (`user` tells the sessions apart). Start
    // counts the session as waiting and starts Tim1 unless it runs already;
    // Stop stops Tim1 only when no other session is still waiting under it.
    // With a single session these are Tim1's own Start and Stop.
    void StartResend(const void *user);
    void StopResend(const void *user);
    bool ResendUsedBy(const void *user) const;

    void rbtnClick();
    void wbtnClick();
    void Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length);
    void Tim1Timer();
    void Timer1Timer();
    // Sends bytes 0..n-1 as n one-byte writes.
    void SendData(const ByteBuffer &bytes, std::size_t n);
    // The progress dialog's Retry and Cancel.
    void Button1Click();
    void Button2Click();
    // The show commands of the signalling windows: opens the port unless a
    // session or an earlier show command already has.
    void OpenPortForSignalling();

private:
    void StartHandshake();
    void EndRead();
    void EndWrite();
    // Builds and sends the block a write's new step asks for.
    void SendWriteBlock();

    Port &port_;
    Timer &tim1_;
    memory::ChannelTable &table_;
    memory::SettingsTexts &settings_;
    MainSessionHost host_;
    std::vector<const void *> resendUsers_;
    bool writeHalted_ = false;
};

} // namespace tonvar::protocol

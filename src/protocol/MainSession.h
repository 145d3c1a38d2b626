// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's read and write sessions, and the receive handler that
// drives every session of the program.
//
// A read: "PROGRAM" -> Ack; ReadRequest 0,1 .. 0,16 -> one DataFrame each;
// ReadRequest 5,0 -> the settings frame; done ("   Read Succeed!").
// A write: "PROGRAM" -> Ack; DataFrame 0,1 .. 0,16 and 5,0 -> one Ack each;
// done after the 18th Ack ("Write Succeed!").
//
// Both are one transfer over the link (link/Transfer.h): an answer is taken
// only when it is whole and the one asked for, one message is outstanding at
// a time, the resend follows 300 ms without an answer, and an Ack is counted
// only for the block that waits for it.
//
// A write is checked before its first byte: every block it will send must
// convert, and the radio must be able to hold every value as it stands. It
// succeeds only when the radio holds it: after the last Ack the port is
// reopened and the written blocks are read back; blocks that differ are
// written again (up to three times), and otherwise the write fails naming
// them.
//
// A session's end, a time-out, Cancel or a hang-up never silences the resend
// that another session still waits on (Link::StartResend / StopResend).
//
// This class holds the state the windows display (button and selector
// enabled states are the session flags, the progress dialog's bar) and works
// through small interfaces, so tests drive it with a fake port and timer.
// Every operation may throw (a text that does not convert, a port that will
// not open); the caller shows the failure, and the state stays as far as the
// operation got.
#pragma once

#include "link/Link.h"
#include "link/Transfer.h"
#include "protocol/MainAreas.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/Frames.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonvar::protocol {

using link::Port;
using link::Timer;

// A signalling window's side of the shared receive handler.
class SignallingSession {
public:
    virtual ~SignallingSession() = default;
    virtual std::uint8_t Area() const = 0;
    virtual bool ReadRunning() const = 0;  // its Read button is disabled
    virtual bool WriteRunning() const = 0; // its Write button is disabled
    // An answer the link took for the session's message.
    virtual void Answered(link::Answer answer) = 0;
    // The port went away: a running session ends at once.
    virtual void Abandon() {}
};

struct ProgressState {
    bool visible = false;
    int maximum = 100;
    int position = 0;
    // What the session does or waits for, in words ("Reading channel 5 of 16").
    std::string text;

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

inline constexpr int kResendMs = link::kResendMs;
inline constexpr int kRetryPauseMs = 300;
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

using link::kRewriteRounds;

class MainSession {
public:
    MainSession(Port &port, Timer &tim1, memory::ChannelTable &table, memory::SettingsTexts &settings,
                MainSessionHost host);

    // The port, the buffers and the resend, shared with the signalling windows.
    link::Link link;
    ByteBuffer &frame = link.frame;
    ReceiveBuffers &rx = link.rx;
    // 5TONE, 2TONE, FleetSync and DTMF, in the order each chunk is offered.
    std::array<SignallingSession *, 4> signalling{};

    // What the windows show.
    bool rbtnEnabled = true;
    bool wbtnEnabled = true;
    bool comcbbEnabled = true;
    bool formEnabled = true;
    ProgressState progress;
    std::string comcbbText = "COM1";
    // A write reads back what it wrote before it reports success.
    bool verifyWrites = true;

    bool ReadRunning() const { return !rbtnEnabled; }
    bool WriteRunning() const { return !wbtnEnabled; }
    // A write is reading back what it wrote.
    bool Checking() const { return transfer_.Checking(); }

    // Tim1 on behalf of one session (`user` tells the sessions apart).
    void StartResend(const void *user) { link.StartResend(user); }
    void StopResend(const void *user) { link.StopResend(user); }
    bool ResendUsedBy(const void *user) const { return link.ResendUsedBy(user); }

    void rbtnClick();
    void wbtnClick();
    // Back Up Radio and Restore Radio: the transfers of `plans` (the whole
    // radio) one after another on the port, with one progress dialog over all
    // their blocks, Retry starting again from the first. `done` runs once
    // the last has succeeded. Starts nothing while a session runs.
    void StartWhole(bool restore, std::vector<link::TransferPlan> plans, link::TransferHooks hooks,
                    std::function<void()> done);
    // The radio's own bytes for channels and settings, as an image holds
    // them: a write sends each block whose texts the user did not change as
    // these bytes.
    void KeepKnownBlocks(const KnownBlocks &known) { known_ = known; }
    const KnownBlocks &Known() const { return known_; }
    // A backup or a restore runs.
    bool WholeRunning() const { return whole_.active; }
    void Comm1ReceiveData(const std::uint8_t *buffer, std::uint16_t length);
    void Tim1Timer();
    void Timer1Timer();
    // The progress dialog's Retry and Cancel.
    void Button1Click();
    // Cancel ends the session; a write cancelled after its first block throws
    // text::Failure saying what the radio may now hold.
    void Button2Click();
    // The show commands of the signalling windows: opens the port unless a
    // session or an earlier show command already has.
    void OpenPortForSignalling();
    // Port > Close Port: the port a show command left open is closed and
    // its selector freed, unless a session runs on it.
    void ReleasePort();
    // The port is open with no session on it (a show command opened it).
    bool PortHeldIdle() const { return !comcbbEnabled && !SessionRunning(); }
    // The port hung up (cable pulled, device gone): every running session
    // ends at once, the port is closed, and the failure says what the radio
    // may now hold.
    void HungUp();
    // Only one session runs at a time on the port: while `session` (this,
    // or a signalling window) or any other runs, no other may start.
    bool SessionRunning() const;
    bool OtherSessionRunning(const void *session) const;

    // What the session waits for: "the answer to PROGRAM", "channel 5", "the
    // settings", "the Ack of channel 5", "the Ack of the settings"; "nothing"
    // when idle.
    std::string Awaited() const;
    // Answers taken in this session.
    int Answers() const { return transfer_.Answers(); }

private:
    void StartRead();
    void StartWrite();
    // Opens the selected port afresh; a port that will not open hides the
    // dialog again and throws.
    void OpenSessionPort();
    // The session ends where it stands: resend stopped, port closed, buttons back.
    void EndSession();
    void EndRead();
    void EndWrite();
    void Answered(link::Answer answer);
    // Hands an answer to the session whose message it answers.
    void Dispatch(link::Answer answer);
    void Describe();
    void ShowProgress();
    // Every block a write sends converts, and holds what the table says.
    void CheckBeforeWrite() const;
    // The transfer of the whole radio's current stage.
    void StartStage();
    // The next stage, once the last answer of one has been dealt with.
    void AdvanceWhole();
    void EndWhole();
    // What the current stage's transfer adds to the progress.
    int StageTotal(const link::TransferPlan &plan) const;
    // A write's words for a restore ("restore it again").
    static std::string RestoreWords(std::string text);

    struct Whole {
        bool active = false;
        bool restore = false;
        std::vector<link::TransferPlan> plans;
        link::TransferHooks hooks;
        std::function<void()> done;
        std::size_t stage = 0;
        bool stageDone = false; // the stage succeeded; the next is due
        int before = 0;         // progress of the stages before this one
    };
    Whole whole_;

    Port &port_;
    // The bytes the radio gave for each block (the last read, or an image
    // opened): a write sends what the user did not change as those bytes.
    KnownBlocks known_;
    KnownBlocks readKnown_;
    // What a read brings in, put into the table and the settings only when
    // the whole read has succeeded: a read that fails or is stopped leaves
    // them as they were.
    memory::ChannelTable readTable_;
    memory::SettingsTexts readSettings_;
    memory::ChannelTable &table_;
    memory::SettingsTexts &settings_;
    MainSessionHost host_;
    link::Transfer transfer_{link, this};
};

} // namespace tonvar::protocol

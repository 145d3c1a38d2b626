// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's read and write sessions, and its back-up and restore of
// the whole radio.
//
// A read: "PROGRAM" -> Ack; ReadRequest 0,1 .. 0,16 -> one DataFrame each;
// ReadRequest 5,0 -> the settings frame; done ("   Read Succeed!").
// A write: "PROGRAM" -> Ack; DataFrame 0,1 .. 0,16 and 5,0 -> one Ack each;
// done after the 18th Ack ("Write Succeed!").
//
// Each is a transfer sequence (link/Sequence.h) on the port hub
// (link/Hub.h): one transfer for a read or a write, one per area for the
// whole radio. An answer is taken only when it is whole and the one asked
// for, one message is outstanding at a time, the resend follows 300 ms
// without an answer, and an Ack is counted only for the block that waits
// for it.
//
// A write is checked before its first byte: every block it will send must
// convert, and the radio must be able to hold every value as it stands. It
// succeeds only when the radio holds it: after the last Ack the port is
// reopened and the written blocks are read back; blocks that differ are
// written again (up to three times), and otherwise the write fails naming
// them.
//
// This class holds the state the window displays (whether a read or a write
// runs, the progress dialog's bar and words) and works through small
// interfaces, so tests drive it with a fake port and timer. Every operation
// may throw (a text that does not convert, a port that will not open); the
// caller shows the failure, and the state stays as far as the operation got.
#pragma once

#include "link/Hub.h"
#include "link/Sequence.h"
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

class MainSession : public link::HubSession {
public:
    MainSession(link::PortHub &hub, memory::ChannelTable &table, memory::SettingsTexts &settings,
                MainSessionHost host);
    ~MainSession() override;
    MainSession(const MainSession &) = delete;
    MainSession &operator=(const MainSession &) = delete;

    // The port, the buffers and the resend, shared with the signalling windows.
    link::PortHub &hub;

    ProgressState progress;
    // A write reads back what it wrote before it reports success.
    bool verifyWrites = true;

    bool ReadRunning() const { return reading_; }
    bool WriteRunning() const { return writing_; }
    bool Running() const override { return reading_ || writing_; }
    // The window's table and settings take edits: no session of this window runs.
    bool Editable() const { return !Running(); }
    // The port may be chosen: it is closed.
    bool PortFree() const { return !hub.PortOpen(); }
    // A write is reading back what it wrote.
    bool Checking() const { return sequence_.Current().Checking(); }

    // Read and Write: start a session only while none runs on the port.
    void StartRead();
    void StartWrite();
    // Back Up Radio and Restore Radio: the transfers of `plans` (the whole
    // radio) one after another on the port, with one progress dialog over all
    // their blocks, Retry starting again from the first. `done` runs once
    // the last has succeeded. Starts nothing while a session runs. `stopped`
    // says what a read that stops means beyond itself ("Nothing was
    // written.", for the read before a write), after its failure.
    void StartWhole(bool restore, std::vector<link::TransferPlan> plans, link::TransferHooks hooks,
                    std::function<void()> done, std::string stopped = {});
    // The radio's own bytes for channels and settings, as an image holds
    // them: a write sends each block whose texts the user did not change as
    // these bytes.
    void KeepKnownBlocks(const KnownBlocks &known) { known_ = known; }
    const KnownBlocks &Known() const { return known_; }
    // A backup or a restore runs.
    bool WholeRunning() const { return whole_.active; }
    // The 15 s timer: Read and Write count as idle again.
    void MarkIdle();
    // The progress dialog's Retry: the session starts again.
    void Retry();
    // The progress dialog's Cancel: the session ends; a write cancelled after
    // its first block throws text::Failure saying what the radio may now hold.
    void Cancel();
    // The port hung up (cable pulled, device gone): every session on the hub
    // ends at once, the port is closed, and a text::Failure says what the
    // radio may now hold.
    void HungUp();

    // What the session waits for: "the answer to PROGRAM", "channel 5", "the
    // settings", "the Ack of channel 5", "the Ack of the settings"; "nothing"
    // when idle.
    std::string Awaited() const;
    // Answers taken in this session.
    int Answers() const { return sequence_.Answers(); }

    void Answered(link::Answer answer) override;
    void Settled() override;
    std::string Abandon() override;

private:
    void BeginRead();
    void BeginWrite();
    // Starts the sequence on a freshly opened port; a port that will not
    // open hides the dialog again and throws.
    void Begin(std::vector<link::Stage> stages);
    // The session ends where it stands: resend stopped, port closed, buttons back.
    void EndSession();
    // Runs `step`; what it throws ends the session and is passed on.
    template <typename F>
    void Guarded(F &&step);
    void EndRead();
    void EndWrite();
    void Describe();
    void ShowProgress();
    void EndWhole();
    // What a stage's transfer adds to the progress.
    int StageTotal(const link::Stage &stage) const;
    // A write's words for a restore ("restore it again").
    static std::string RestoreWords(std::string text);
    // What a restore that stopped says: `said`, or `mixed` once an area
    // before this one was written, in a restore's words.
    std::string RestoreLeft(std::string said, const std::string &mixed) const;

    struct Whole {
        bool active = false;
        bool restore = false;
        std::vector<link::TransferPlan> plans;
        link::TransferHooks hooks;
        std::function<void()> done;
        std::string stopped;
    };
    Whole whole_;
    bool reading_ = false;
    bool writing_ = false;
    bool lastWasWrite_ = false; // what Retry starts again

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
    link::TransferSequence sequence_;
};

} // namespace tonvar::protocol

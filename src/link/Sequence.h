// SPDX-License-Identifier: GPL-3.0-or-later
// A transfer sequence: transfers one after another on one open port (the
// areas of a whole radio; a backup before a write; a read, a write and its
// read-back).
//
// Each stage is one transfer (a read or a write). A stage starts only when
// the one before has succeeded and its last answer has been dealt with (the
// radio's request for an Ack answered): Advance, called when the hub says
// the session has settled. Before a stage starts, `between` may refuse it
// (it throws): the backup that must be on disk before anything is written.
// A stage that fails ends the sequence; nothing after it is sent.
//
// Before the first byte, every write stage's blocks are built once (Check):
// a sequence that could not go through whole sends nothing.
//
// What Answered, Advance or `between` throws is passed on with the sequence
// where it stood (the transfer still running, so the session can say what
// the radio may now hold); the session then Stops it.
//
// Plain logic over the link: the session routes to Answered each answer the
// link took for it.
#pragma once

#include "link/Transfer.h"

#include <functional>
#include <vector>

namespace tonvar::link {

struct Stage {
    TransferPlan plan;
    bool write = false;
    TransferHooks hooks;
};

class TransferSequence {
public:
    // Stopped: by Stop, while it ran.
    enum class State { Idle, Running, Succeeded, Failed, Stopped };

    TransferSequence(Link &link, const void *user) : transfer_(link, user) {}

    // Builds every block of every write stage on a copy of the frame buffer;
    // a failure is thrown (the block in Current().BuildingBlock()).
    void Check(const std::vector<Stage> &stages);
    // Starts the first stage on the open port. `between(next)` runs before
    // stage `next` (1, 2, ...) starts; what it throws ends the sequence.
    void Start(std::vector<Stage> stages, std::function<void(std::size_t next)> between = {});
    // An answer the link took for this sequence's user. A write whose
    // read-back kept differing ends the sequence Failed.
    void Answered(Answer answer);
    // Once the answer last taken has been dealt with: the next stage starts
    // when the one before has succeeded.
    void Advance();
    // Ends the sequence where it stands; the link gives up the resend.
    void Stop();

    State Now() const { return state_; }
    bool Running() const { return state_ == State::Running; }
    // The stage running (or last run) and how many there are.
    std::size_t StageIndex() const { return stage_; }
    std::size_t Stages() const { return stages_.size(); }
    bool LastStage() const { return stage_ + 1 >= stages_.size(); }
    const Stage &CurrentStage() const { return stages_.at(stage_); }
    const std::vector<Stage> &AllStages() const { return stages_; }
    // The running (or last) stage's transfer.
    const Transfer &Current() const { return transfer_; }
    // Answers taken by the stages so far.
    int Answers() const { return answersBefore_ + transfer_.Answers(); }
    // Some block has gone to the radio (a write stage began sending).
    bool WroteSomething() const;

private:
    void StartStage();
    void End(State state);

    Transfer transfer_;
    std::vector<Stage> stages_;
    std::function<void(std::size_t)> between_;
    std::size_t stage_ = 0;
    State state_ = State::Idle;
    bool stageDone_ = false; // the stage succeeded; the next is due
    int answersBefore_ = 0;
};

} // namespace tonvar::link

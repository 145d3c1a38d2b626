// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Sequence.h"

namespace tonvar::link {

void TransferSequence::Check(const std::vector<Stage> &stages)
{
    for (const Stage &stage : stages)
        if (stage.write)
            transfer_.Check(stage.plan, stage.hooks);
}

void TransferSequence::Start(std::vector<Stage> stages, std::function<void(std::size_t)> between)
{
    transfer_.Stop();
    stages_ = std::move(stages);
    between_ = std::move(between);
    stage_ = 0;
    stageDone_ = false;
    answersBefore_ = 0;
    if (stages_.empty()) {
        state_ = State::Succeeded;
        return;
    }
    state_ = State::Running;
    StartStage();
}

void TransferSequence::StartStage()
{
    const Stage &stage = stages_.at(stage_);
    if (stage.write)
        transfer_.Write(stage.plan, stage.hooks);
    else
        transfer_.Read(stage.plan, stage.hooks);
}

void TransferSequence::Answered(Answer answer)
{
    if (state_ != State::Running)
        return;
    transfer_.Answered(answer);
    switch (transfer_.State()) {
    case Transfer::Phase::Succeeded:
        if (LastStage())
            state_ = State::Succeeded;
        else
            stageDone_ = true; // the next starts once this answer is dealt with
        break;
    case Transfer::Phase::Failed:
        state_ = State::Failed;
        break;
    default:
        break;
    }
}

void TransferSequence::Advance()
{
    if (!stageDone_ || state_ != State::Running)
        return;
    stageDone_ = false;
    answersBefore_ += transfer_.Answers();
    ++stage_;
    if (between_)
        between_(stage_);
    StartStage();
}

void TransferSequence::Stop()
{
    transfer_.Stop();
    stageDone_ = false;
    if (state_ == State::Running)
        state_ = State::Stopped;
}

bool TransferSequence::WroteSomething() const
{
    for (std::size_t i = 0; i < stage_ && i < stages_.size(); ++i)
        if (stages_[i].write)
            return true;
    return stage_ < stages_.size() && stages_[stage_].write && !transfer_.Written().empty();
}

} // namespace tonvar::link

// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Transfer.h"

#include <algorithm>

namespace tonvar::link {

using protocol::ByteBuffer;

BlockRef Transfer::Current() const
{
    return index_ < list_.size() ? list_[index_] : BlockRef{};
}

void Transfer::Read(TransferPlan plan, TransferHooks hooks)
{
    Start(std::move(plan), std::move(hooks), false);
}

void Transfer::Check(const TransferPlan &plan, const TransferHooks &hooks)
{
    // Every block once on the side: nothing goes out for a write that could
    // not go through whole.
    ByteBuffer scratch = link_.frame;
    for (std::size_t i = 0; i < plan.blocks.size(); ++i) {
        building_ = plan.blocks[i];
        Build(plan, hooks, scratch, i);
    }
}

void Transfer::Write(TransferPlan plan, TransferHooks hooks)
{
    Check(plan, hooks);
    Start(std::move(plan), std::move(hooks), true);
}

void Transfer::Start(TransferPlan plan, TransferHooks hooks, bool writing)
{
    plan_ = std::move(plan);
    hooks_ = std::move(hooks);
    writing_ = writing;
    rewriting_ = false;
    list_ = plan_.blocks;
    index_ = 0;
    answers_ = 0;
    round_ = 0;
    differing_.clear();
    takenWithBadChecksum_.clear();
    if (writing)
        written_.clear();
    // "PROGRAM" opens a session with the radio; later transfers on the same
    // port keep what was learnt of its timing and what it still owes.
    if (plan_.handshake)
        link_.Begin();
    // A read of no blocks with the handshake is the handshake alone: whether
    // a radio answers.
    if (list_.empty() && !(plan_.handshake && !writing)) {
        End(Phase::Succeeded);
    } else if (plan_.handshake) {
        phase_ = Phase::Handshake;
        Handshake();
    } else if (writing) {
        phase_ = Phase::Writing;
        SendBlock(0);
    } else {
        phase_ = Phase::Reading;
        Request(0);
    }
}

void Transfer::Stop()
{
    if (Running())
        phase_ = Phase::Idle;
    link_.Stop(user_);
}

void Transfer::End(Phase phase)
{
    phase_ = phase;
    link_.Stop(user_);
}

void Transfer::Handshake()
{
    ByteBuffer &frame = link_.frame;
    protocol::PutProgramHandshake(frame);
    // The checksum covers indices 0..31 as they stand; only 7 bytes go out
    // now, but the resend carries all 34.
    protocol::Crc16(frame);
    link_.Send(user_, protocol::kHandshakeLength, Wait::ForAck());
}

void Transfer::Request(std::size_t index)
{
    const BlockRef b = list_.at(index);
    const bool reading = phase_ == Phase::Reading;
    if (reading && hooks_.beforeRequest)
        hooks_.beforeRequest(b);
    protocol::PutReadRequest(link_.frame, b.area, b.number);
    const bool oneWrite = reading && plan_.requestsInOneWrite && index > 0 && list_[index - 1].area == b.area;
    const bool lenient = reading && !writing_ && plan_.lenientChecksums;
    link_.Send(user_, protocol::kReadRequestLength, Wait::ForFrame(b.area, b.number, lenient), oneWrite);
}

void Transfer::Build(const TransferPlan &plan, const TransferHooks &hooks, ByteBuffer &frame, std::size_t index)
{
    const BlockRef b = plan.blocks.at(index);
    if (plan.clear == TransferPlan::Clear::Each || (plan.clear == TransferPlan::Clear::First && index == 0))
        std::fill_n(frame.begin(), kClearedFrameBytes, std::uint8_t{0});
    protocol::PutFrameHeader(frame, b.area, b.number);
    if (hooks.build)
        protocol::FillPayload(frame, [&](Payload &p) { hooks.build(b, p); });
    if (plan.checksum)
        protocol::Crc16(frame);
}

void Transfer::SendBlock(std::size_t index)
{
    ByteBuffer &frame = link_.frame;
    Build(plan_, hooks_, frame, index);
    const std::size_t n = plan_.checksum ? protocol::kFrameLength : protocol::kUncheckedFrameLength;
    written_[list_.at(index)].assign(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n));
    link_.Send(user_, n, Wait::ForAck(plan_.checksum));
}

void Transfer::SendStored(std::size_t index)
{
    const std::vector<std::uint8_t> &bytes = written_.at(list_.at(index));
    std::copy(bytes.begin(), bytes.end(), link_.frame.begin());
    link_.Send(user_, bytes.size(), Wait::ForAck(plan_.checksum));
}

void Transfer::Answered(Answer answer)
{
    if (!Running() || answer == Answer::None)
        return;
    if (answer == Answer::Contradicted) {
        AskAgain();
        return;
    }
    ++answers_;
    switch (phase_) {
    case Phase::Handshake:
        if (answer != Answer::Ack)
            return;
        index_ = 0;
        if (list_.empty()) {
            End(Phase::Succeeded);
        } else if (!writing_) {
            phase_ = Phase::Reading;
            Request(0);
        } else {
            phase_ = Phase::Writing;
            rewriting_ ? SendStored(0) : SendBlock(0);
        }
        return;
    case Phase::Reading:
        if (answer != Answer::Frame)
            return;
        if (link_.TakenUnchecked())
            takenWithBadChecksum_.push_back(list_.at(index_));
        if (hooks_.received)
            hooks_.received(list_.at(index_), protocol::PayloadOf(link_.rx.buffer));
        Next();
        return;
    case Phase::Writing:
        if (answer == Answer::Ack)
            Next();
        return;
    case Phase::CheckHandshake:
        if (answer != Answer::Ack)
            return;
        phase_ = Phase::Checking;
        Request(0);
        return;
    case Phase::Checking:
        if (answer == Answer::Frame)
            CheckAnswer();
        return;
    default:
        return;
    }
}

void Transfer::Next()
{
    if (++index_ < list_.size()) {
        if (phase_ == Phase::Reading)
            Request(index_);
        else
            rewriting_ ? SendStored(index_) : SendBlock(index_);
        return;
    }
    if (phase_ == Phase::Writing && plan_.readBack)
        StartCheck();
    else
        End(Phase::Succeeded);
}

// The port closed and opened again, and "PROGRAM" as at the start.
void Transfer::Reopen(Phase handshake)
{
    phase_ = handshake;
    link_.port.ClosePort();
    link_.port.OpenPort();
    Handshake();
}

// Reads back the blocks this pass wrote: the port reopened and the handshake
// first, as a read does.
void Transfer::StartCheck()
{
    index_ = 0;
    differing_.clear();
    if (plan_.handshake) {
        Reopen(Phase::CheckHandshake);
    } else {
        phase_ = Phase::Checking;
        Request(0);
    }
}

void Transfer::CheckAnswer()
{
    const BlockRef b = list_.at(index_);
    const std::vector<std::uint8_t> &sent = written_.at(b);
    Payload written{};
    std::copy_n(sent.begin() + protocol::kPayloadFirst, written.size(), written.begin());
    const Payload read = protocol::PayloadOf(link_.rx.buffer);
    const bool same = hooks_.same ? hooks_.same(b, written, read) : written == read;
    if (!same)
        differing_.push_back(b);
    if (++index_ < list_.size())
        Request(index_);
    else
        EndCheck();
}

void Transfer::AskAgain()
{
    if ((phase_ != Phase::Reading && phase_ != Phase::Checking) || index_ == 0)
        return;
    const BlockRef b = list_.at(index_ - 1);
    if (std::pair{b.area, b.number} != link_.Contradicted())
        return;
    // What was taken for it may be a frame nobody asked for: it is read
    // again, and what the read-back found for it counts no more.
    --index_;
    if (phase_ == Phase::Checking)
        differing_.erase(std::remove(differing_.begin(), differing_.end(), b), differing_.end());
    else
        takenWithBadChecksum_.erase(std::remove(takenWithBadChecksum_.begin(), takenWithBadChecksum_.end(), b),
                                    takenWithBadChecksum_.end());
    Request(index_);
}

void Transfer::EndCheck()
{
    if (differing_.empty()) {
        End(Phase::Succeeded);
        return;
    }
    if (++round_ > kRewriteRounds) {
        End(Phase::Failed);
        return;
    }
    // Only what differs goes out again, as it went before, and is read back.
    rewriting_ = true;
    list_ = differing_;
    index_ = 0;
    if (plan_.handshake) {
        Reopen(Phase::Handshake);
    } else {
        phase_ = Phase::Writing;
        SendStored(0);
    }
}

} // namespace tonvar::link

// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Link.h"

#include <algorithm>

namespace tonvar::link {

namespace {

using protocol::kFrameLength;
using protocol::kUncheckedFrameLength;

// A chunk of nothing but Acks is that many Acks (a radio answering copies
// quickly); any other chunk is one message, judged by its first byte.
std::size_t AckCount(const std::uint8_t *bytes, std::size_t length)
{
    return std::all_of(bytes, bytes + length, [](std::uint8_t b) { return b == protocol::kAck; }) ? length : 1;
}

bool ChecksumMatches(const std::vector<std::uint8_t> &answer)
{
    if (answer.size() < kFrameLength)
        return false;
    const std::uint16_t crc = protocol::Crc16Modbus(answer.data(), kUncheckedFrameLength);
    return answer[protocol::kChecksumHigh] == (crc >> 8) && answer[protocol::kChecksumLow] == (crc & 0xFF);
}

} // namespace

Link::Link(Port &p, Timer &tim1) : port(p), tim1_(tim1) {}

void Link::SendData(std::size_t n)
{
    for (std::size_t i = 0; i < n && i < frame.size(); ++i)
        port.WritePort(&frame[i], 1);
}

void Link::Send(const void *user, std::size_t n, Wait wait, bool oneWrite)
{
    if (oneWrite)
        port.WritePort(frame.data(), static_cast<std::uint16_t>(std::min(n, frame.size())));
    else
        SendData(n);
    waiter_ = user;
    wait_ = wait;
    copies_ = 1;
    silentTicks_ = 0;
    ticksSinceSend_ = 0;
    ticksSinceFirst_ = 0;
    ackHeld_ = false;
    pending_.clear();
    candidate_.clear();
    sentLength_ = n;
    sentInOneWrite_ = oneWrite;
    if (contested_ && !(wait.kind == Wait::Frame && std::pair{wait.area, wait.block} == contestedBlock_)) {
        contested_ = false;
        versions_.clear();
    }
    // The 300 ms are counted from this message; a message sent once is
    // timed as well, for its Ack may have to be asked for again.
    tim1_.Stop();
    StartResend(user);
}

void Link::Stop(const void *user)
{
    if (waiter_ == user) {
        wait_ = Wait{};
        ackHeld_ = false;
        pending_.clear();
        candidate_.clear();
        lastTaken_.clear();
        contested_ = false;
        versions_.clear();
    }
    StopResend(user);
}

void Link::Begin()
{
    owed_ = 0;
    lateAcks_ = 0;
    patience_ = 1;
    ackTicks_ = -1;
    unverified_ = 0;
    takenUnchecked_ = false;
    lastTaken_.clear();
    contested_ = false;
    versions_.clear();
}

void Link::StartResend(const void *user)
{
    if (!ResendUsedBy(user))
        resendUsers_.push_back(user);
    tim1_.Start();
}

void Link::StopResend(const void *user)
{
    const auto it = std::find(resendUsers_.begin(), resendUsers_.end(), user);
    if (it == resendUsers_.end())
        return; // not waiting: whatever runs Tim1 is another session's
    resendUsers_.erase(it);
    if (resendUsers_.empty())
        tim1_.Stop();
}

bool Link::ResendUsedBy(const void *user) const
{
    return std::find(resendUsers_.begin(), resendUsers_.end(), user) != resendUsers_.end();
}

Answer Link::Receive(const std::uint8_t *bytes, std::size_t length)
{
    rx.Accept(bytes, length);
    if (length == 0 || wait_.kind == Wait::Nothing)
        return Answer::None;
    if (wait_.kind == Wait::Ack) {
        if (bytes[0] == protocol::kAck)
            return TakeAck(AckCount(bytes, length));
        if (bytes[0] == protocol::kFrameStart) {
            if (Contradicts(std::vector<std::uint8_t>(bytes, bytes + length)))
                return Answer::Contradicted;
            OwedAnswerCame(Wait::Frame);
        }
        return Answer::None;
    }
    const Answer a = TakeFrame(bytes, length);
    if (a == Answer::None && pending_.empty())
        OwedAnswerCame(bytes[0] == protocol::kAck ? Wait::Ack : Wait::Frame);
    return a;
}

void Link::Answered()
{
    ++heard_;
    silentTicks_ = 0;
    // The radio's time to answer, with nothing owed that the Ack could
    // belong to: counted from the first copy (a radio answers the copies in
    // the order they came). No Ack comes sooner than the least of these.
    if (wait_.kind == Wait::Ack && owed_ == 0 && lateAcks_ == 0)
        ackTicks_ = ackTicks_ < 0 ? ticksSinceFirst_ : std::min(ackTicks_, ticksSinceFirst_);
    // A radio slower than the resend has queued or ignored the copies; the
    // next messages wait as long as this one did (from its first copy, also
    // when the answer came after a resend).
    patience_ = std::clamp(ticksSinceFirst_ + 1, patience_, kMostPatientTicks);
    // Answers owed of the other kind can never be taken for this one.
    if (owedKind_ != wait_.kind)
        owed_ = 0;
    owedKind_ = wait_.kind;
    owed_ += copies_ - 1;
    // The other copies' answers come within the radio's time of each other;
    // one of them lost leaves a gap twice as long. (A frame names its block,
    // so one owed is never taken for another: a short wait will do.)
    settleTicks_ = wait_.kind == Wait::Ack ? std::max(copies_ + 1, 2 * patience_ + 1) : copies_ + 1;
    quietTicks_ = 0;
}

void Link::OwedAnswerCame(Wait::Kind kind)
{
    if (owed_ <= 0 || kind != owedKind_)
        return;
    --owed_;
    ++heard_;
    quietTicks_ = 0;
}

Answer Link::TakeAck(std::size_t acks)
{
    for (; acks > 0; --acks) {
        if (ackHeld_) {
            // The message's own Ack is in: the rest answer its other copies.
            if (owed_ > 0)
                --owed_;
            else if (lateAcks_ > 0)
                --lateAcks_;
            ++heard_;
            quietTicks_ = 0;
            continue;
        }
        if (owed_ > 0 && owedKind_ == Wait::Ack) {
            // Owed for an earlier message's copies: they come first.
            --owed_;
            ++heard_;
            quietTicks_ = 0;
            continue;
        }
        if (lateAcks_ > 0 && ticksSinceFirst_ < ackTicks_) {
            // Sooner than the radio has ever answered: no copy of the
            // awaited message can have been answered yet.
            --lateAcks_;
            ++heard_;
            continue;
        }
        Answered();
        ackHeld_ = true;
    }
    if (ackHeld_ && owed_ <= 0) {
        Settled();
        return Answer::Ack;
    }
    // Wait for the rest, counting quiet ticks from this Ack.
    quietTicks_ = 0;
    return Answer::None;
}

void Link::Settled()
{
    wait_ = Wait{};
    ackHeld_ = false;
}

Answer Link::TakeFrame(const std::uint8_t *bytes, std::size_t length)
{
    const bool continues = !pending_.empty() && pending_.size() < kFrameLength;
    if (continues)
        pending_.insert(pending_.end(), bytes, bytes + length);
    else
        pending_.assign(bytes, bytes + length);
    if (pending_[0] != protocol::kFrameStart) {
        pending_.clear();
        return Answer::None;
    }
    if (pending_.size() < kFrameLength)
        return Answer::None; // the rest is on its way, or the resend asks again
    std::vector<std::uint8_t> answer(pending_.begin(), pending_.begin() + kFrameLength);
    pending_.clear();
    Answer a = Judge(answer);
    if (a == Answer::None && continues && length >= kFrameLength && bytes[0] == protocol::kFrameStart) {
        // A fragment of an earlier answer, and a whole one behind it.
        answer.assign(bytes, bytes + kFrameLength);
        a = Judge(answer);
    }
    return a;
}

bool Link::Contradicts(const std::vector<std::uint8_t> &answer)
{
    if (lastTaken_.size() != kFrameLength || answer.size() < kFrameLength || answer[0] != protocol::kFrameStart ||
        answer[1] != lastTaken_[1] || answer[2] != lastTaken_[2] || answer[3] != protocol::kAddressEnd ||
        !ChecksumMatches(answer) || std::equal(lastTaken_.begin(), lastTaken_.end(), answer.begin()))
        return false;
    contested_ = true;
    contestedBlock_ = {answer[1], answer[2]};
    contradicted_ = contestedBlock_;
    versions_ = {lastTaken_, std::vector<std::uint8_t>(answer.begin(), answer.begin() + kFrameLength)};
    lastTaken_.clear();
    return true;
}

Answer Link::Judge(const std::vector<std::uint8_t> &answer)
{
    if (answer.size() < kUncheckedFrameLength || answer[0] != protocol::kFrameStart || answer[1] != wait_.area ||
        answer[2] != wait_.block || answer[3] != protocol::kAddressEnd)
        return Contradicts(answer) ? Answer::Contradicted : Answer::None;
    const bool checked = ChecksumMatches(answer);
    if (!checked) {
        if (!wait_.lenient)
            return Answer::None; // a line error: the resend asks again
        // Taken only when the next answer to this request is the same.
        if (candidate_ != answer) {
            candidate_ = answer;
            return Answer::None;
        }
    }
    if (contested_ && std::pair{wait_.area, wait_.block} == contestedBlock_) {
        // Two answers disagreed on this block: taken is one given twice.
        if (std::find(versions_.begin(), versions_.end(), answer) == versions_.end()) {
            versions_.push_back(answer);
            return Answer::None;
        }
        contested_ = false;
        versions_.clear();
    }
    takenUnchecked_ = !checked;
    if (!checked)
        ++unverified_;
    std::copy(answer.begin(), answer.end(), rx.buffer.begin());
    std::copy(answer.begin(), answer.end(), rx.copy.begin());
    candidate_.clear();
    lastTaken_ = answer;
    lastTaken_.resize(kFrameLength);
    Answered();
    Settled();
    return Answer::Frame;
}

void Link::Repeat(bool whole)
{
    if (whole)
        port.WritePort(frame.data(), static_cast<std::uint16_t>(kFrameLength));
    else if (sentInOneWrite_)
        port.WritePort(frame.data(), static_cast<std::uint16_t>(std::min(sentLength_, frame.size())));
    else
        SendData(sentLength_);
    ticksSinceSend_ = 0;
    ++copies_;
}

Answer Link::Tick()
{
    const bool othersWait = resendUsers_.size() > 1 || (!resendUsers_.empty() && resendUsers_[0] != waiter_);
    if (wait_.kind == Wait::Nothing) {
        // Another session's resend (a signalling window's).
        port.WritePort(frame.data(), static_cast<std::uint16_t>(kFrameLength));
        return Answer::None;
    }
    ++silentTicks_;
    ++ticksSinceFirst_;
    ++ticksSinceSend_;
    if (owed_ > 0) {
        // Answers to earlier copies are still on their way: nothing is sent
        // for this session until they came or the line stayed quiet. A
        // radio that ignored copies while storing never sends them.
        if (othersWait)
            port.WritePort(frame.data(), static_cast<std::uint16_t>(kFrameLength));
        if (++quietTicks_ <= settleTicks_)
            return Answer::None;
        if (owedKind_ == Wait::Ack)
            lateAcks_ += owed_;
        owed_ = 0;
        if (ackHeld_) {
            Settled();
            return Answer::Ack;
        }
        // The request outstanding has waited as long: resent now if due.
    }
    if (wait_.kind == Wait::Frame && wait_.lenient && pending_.size() >= kUncheckedFrameLength) {
        // An answer that stopped short of a checksum: a radio that sends none.
        const std::vector<std::uint8_t> answer = pending_;
        pending_.clear();
        const Answer a = Judge(answer);
        if (a != Answer::None)
            return a;
    }
    if (!wait_.resend) {
        // Sent once: sent again only when its Ack is long overdue.
        if (othersWait)
            port.WritePort(frame.data(), static_cast<std::uint16_t>(kFrameLength));
        else if (copies_ <= kOnceResends && ticksSinceSend_ >= std::max(kOnceWaitTicks, patience_ + 1))
            Repeat(false);
        return Answer::None;
    }
    if (ticksSinceSend_ < patience_ && !othersWait)
        return Answer::None;
    pending_.clear();
    Repeat(true);
    return Answer::None;
}

void Link::AckIfAsked()
{
    if (protocol::Recognise(rx.buffer) == protocol::Message::DataFrame && rx.buffer[5] == 0x30) {
        // Its own byte: the frame buffer keeps the message a resend repeats.
        const std::uint8_t ack = protocol::kAck;
        port.WritePort(&ack, protocol::kAckLength);
    }
}

} // namespace tonvar::link

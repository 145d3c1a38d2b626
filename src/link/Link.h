// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the radio: the port, the frame buffer, the receive buffers and
// the resend timer Tim1, and the rules by which a session takes an answer.
//
// A session sends one message at a time and says what it waits for: the Ack
// of "PROGRAM" or of a DataFrame, or the DataFrame of one area and block.
// The link then
//
//  - takes an answer only when it is whole and is the one asked for: a
//    DataFrame needs its 34 bytes, 'W', the area and block asked for, the
//    0x20 and its checksum. An answer split across chunks is put together;
//    anything else is dropped and the resend asks again.
//
//    A frame whose checksum does not match is dropped like any line error.
//    Only a wait that says so (Wait::lenient; no session of the program asks
//    for it) keeps it and takes it when the next answer to the same request
//    is the same to the byte; such frames are counted (UnverifiedFrames,
//    TakenUnchecked) so a session could say which blocks it took that way;
//
//  - watches, while the next message is outstanding, for a second, different
//    well-formed answer to the request answered last (a frame nobody asked
//    for came first and was taken). Receive then says Answer::Contradicted
//    and names the block (Contradicted()); the session asks for it again, and
//    the link takes for it only an answer the radio has now given twice the
//    same (one of the versions seen). A radio that answers once costs
//    nothing: no block is asked for twice unless two answers disagree. (The
//    last block of a transfer has no next message to watch during: a stray
//    frame right before its answer is not noticed, as noticing it would
//    make every read wait after its last answer.);
//
//  - resends the frame buffer's first 34 bytes only after 300 ms without
//    the answer to the message last sent: the interval restarts with every
//    message sent. Once a radio has been seen to take longer than that, the
//    resend waits as long as the radio took (in whole ticks, at most
//    kMostPatientTicks), learnt from every answer taken, also one that came
//    after a resend (its time counts from the first copy);
//
//  - sends a message that is not to be resent (FleetSync's 32-byte frames)
//    once, and only when its Ack has not come for kOnceWaitTicks ticks (or
//    longer than the radio has been seen to take) sends it again whole, at
//    most kOnceResends times; then the session's own time-out ends it;
//
//  - counts the copies of a message that went out, and takes the Acks by
//    this rule. Tim1 restarts with every message sent, so "ticks since a
//    send" measures time from that send in whole 300 ms steps. An Ack can
//    only count for a message whose copy it can answer: the radio answers a
//    message no sooner than it has ever been seen to (AckTicks: the fewest
//    ticks between the first copy of a message and its first Ack, taken
//    when no Ack of an earlier message could still come). So:
//      1. After the first Ack of a message sent k times, up to k - 1 more
//         (one per other copy) are that message's own. The session hears of
//         the Ack only when they have come, or when the line has stayed quiet
//         for longer than the radio takes to answer twice (k + 1 ticks, and
//         at least twice the resend patience plus one), so a radio that
//         queues copies or answers every copy has given them by then, even
//         with one of them lost.
//      2. Copies still unanswered then may yet be answered (a radio that
//         took longer still): they stay owed late. An Ack that comes, while
//         any is owed late, sooner after the first copy of the message now
//         awaited than the radio has ever answered cannot be that message's:
//         it is taken as a late Ack of an earlier copy.
//      3. Acks owed for earlier copies come before the Ack of a later
//         message (the radio answers in order): while any is owed within the
//         wait of rule 1, the next Ack is one of them.
//    So, with a radio that answers in order and never faster than it has
//    been seen to, no Ack of an earlier copy is counted for the next block,
//    and no block goes out before the radio has answered the one before.
//
// The resend timer is shared by every session of the program: each one
// starts and stops it on its own behalf (StartResend / StopResend), so one
// session's end never silences the resend that another still waits on.
//
// Plain logic: the port hub (link/Hub.h) routes each received chunk to
// Receive and each of Tim1's ticks to Tick.
#pragma once

#include "protocol/Frames.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tonvar::link {

using protocol::ByteBuffer;

// What a session needs of the serial port.
class Port {
public:
    virtual ~Port() = default;
    virtual void SetCommName(const std::string &name) = 0;
    virtual void OpenPort() = 0; // throws on failure
    virtual void ClosePort() = 0;
    virtual bool WritePort(const std::uint8_t *bytes, std::uint16_t count) = 0;
};

// A repeating timer whose ticks the owner routes back.
class Timer {
public:
    virtual ~Timer() = default;
    // Starts the timer if it is stopped; a running timer keeps its period.
    // Stop followed by Start begins a fresh period.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

// What the message last sent asks for.
struct Wait {
    enum Kind { Nothing, Ack, Frame } kind = Nothing;
    std::uint8_t area = 0;
    std::uint8_t block = 0;
    // Repeated after 300 ms (or the radio's time) without the answer;
    // otherwise sent once, and again only after a longer wait.
    bool resend = true;
    // A frame whose checksum does not match is taken when the next answer
    // to the same request is the same to the byte.
    bool lenient = false;

    static Wait ForAck(bool resend = true) { return {Ack, 0, 0, resend, false}; }
    static Wait ForFrame(std::uint8_t area, std::uint8_t block, bool lenient = false)
    {
        return {Frame, area, block, true, lenient};
    }
};

// What a chunk or a tick means to the session that waits.
enum class Answer {
    None,  // nothing it waits for
    Ack,   // the Ack it waits for (every copy's Ack taken)
    Frame, // the frame it asked for, whole, at the start of the receive buffer
    // The frame taken for the request before the one outstanding was
    // contradicted by another well-formed answer to it: ask for that block
    // (Contradicted()) again.
    Contradicted,
};

inline constexpr int kResendMs = 300;
// Ticks without the awaited answer after which the radio counts as silent
// (about 10 s).
inline constexpr int kSilentTicks = 34;
// The longest wait for an answer before a resend, in ticks of Tim1.
inline constexpr int kMostPatientTicks = 10;
// A message sent once (not resent) whose Ack has not come for this many
// ticks, or one more than the radio has been seen to take, is sent again
// whole, at most kOnceResends times.
inline constexpr int kOnceWaitTicks = 7;
inline constexpr int kOnceResends = 3;

class Link {
public:
    Link(Port &port, Timer &tim1);

    Port &port;
    ByteBuffer frame{};
    protocol::ReceiveBuffers rx;

    // Sends frame bytes 0..n-1 as n one-byte writes (results ignored: a lost
    // byte is made good by the resend).
    void SendData(std::size_t n);
    // Sends frame bytes 0..n-1 and waits for `wait` on behalf of `user`,
    // resending 34 bytes after each 300 ms without it. `oneWrite` hands the
    // n bytes to the port in one call (the same bytes on the wire).
    void Send(const void *user, std::size_t n, Wait wait, bool oneWrite = false);
    // The session waits for nothing more; the resend is given up on its behalf.
    void Stop(const void *user);
    // A session starts on a freshly opened port: what was learnt of the
    // radio before (its answer time, answers it still owed, answers taken)
    // is forgotten.
    void Begin();

    // Copies a chunk into the receive buffers and judges it against what is
    // awaited. After an Answer::Frame the frame's 34 bytes stand at indices
    // 0..33 of both buffers. The owner calls Finish when every session has
    // seen the chunk.
    Answer Receive(const std::uint8_t *bytes, std::size_t length);
    void Finish() { rx.Finish(); }
    // The radio may ask for an acknowledgement of a frame on its own (0x30
    // at index 5 of the chunk received): one Ack byte goes out. The frame
    // buffer is left as it is, so a later resend repeats the message awaited.
    void AckIfAsked();
    // A tick of Tim1: the resend, or the end of a wait for Acks still owed.
    Answer Tick();

    // Tim1 on behalf of one session (`user` tells the sessions apart).
    void StartResend(const void *user);
    void StopResend(const void *user);
    bool ResendUsedBy(const void *user) const;

    const Wait &Awaited() const { return wait_; }
    // The session whose message is awaited, or nullptr.
    const void *Waiter() const { return wait_.kind == Wait::Nothing ? nullptr : waiter_; }
    // The session that sent the last message: the one an Answer belongs to.
    const void *Sender() const { return waiter_; }
    // Copies of the awaited message sent so far (the first one included).
    int Copies() const { return copies_; }
    // The radio has not given the awaited answer for about 10 s.
    bool Silent() const { return wait_.kind != Wait::Nothing && silentTicks_ >= kSilentTicks; }
    // Answers heard from the radio, the owed answers to earlier copies
    // included: while they come the radio is alive, however slow.
    int Heard() const { return heard_; }
    // Frames taken because two answers were the same although their
    // checksum did not match (lenient waits only), since Begin.
    int UnverifiedFrames() const { return unverified_; }
    // The frame last taken was one of those.
    bool TakenUnchecked() const { return takenUnchecked_; }
    // After Answer::Contradicted: the area and block to ask for again.
    std::pair<std::uint8_t, std::uint8_t> Contradicted() const { return contradicted_; }
    // The fewest ticks between a message's first copy and its Ack (-1: not
    // seen yet).
    int AckTicks() const { return ackTicks_; }

private:
    Answer TakeAck(std::size_t acks);
    Answer TakeFrame(const std::uint8_t *bytes, std::size_t length);
    Answer Judge(const std::vector<std::uint8_t> &answer);
    // A well-formed answer to the request answered last that differs from
    // the frame taken for it: the block is contested.
    bool Contradicts(const std::vector<std::uint8_t> &answer);
    // The awaited answer came: the other copies' answers may follow.
    void Answered();
    // An answer that is not the awaited one, while others are owed.
    void OwedAnswerCame(Wait::Kind kind);
    void Settled();
    // Writes the message awaited again: 34 bytes, or (sent once) as it went.
    void Repeat(bool whole);

    Timer &tim1_;
    std::vector<const void *> resendUsers_;
    const void *waiter_ = nullptr;
    Wait wait_;
    int copies_ = 0;
    int silentTicks_ = 0;
    int ticksSinceSend_ = 0;  // since the message or its last copy went out
    int ticksSinceFirst_ = 0; // since the message first went out
    int patience_ = 1;        // ticks without an answer before a resend
    int ackTicks_ = -1;       // the fewest ticks from a message's first copy to its Ack
    // Answers still owed for copies of messages already answered, all of one
    // kind (Acks of frames written, or frames asked for).
    int owed_ = 0;
    Wait::Kind owedKind_ = Wait::Nothing;
    // Acks of copies no longer waited for, which a slower radio may yet give.
    int lateAcks_ = 0;
    int quietTicks_ = 0;
    int settleTicks_ = 0;
    bool ackHeld_ = false;                // an Ack taken, held back until the owed ones came
    std::vector<std::uint8_t> pending_;   // an answer still arriving
    std::vector<std::uint8_t> candidate_; // a frame with a checksum not its own
    std::size_t sentLength_ = 0;          // the message awaited, as it went out
    bool sentInOneWrite_ = false;
    std::vector<std::uint8_t> lastTaken_; // the frame taken last, while the next message is outstanding
    // A block two well-formed answers disagreed on, and every answer seen for it.
    bool contested_ = false;
    std::pair<std::uint8_t, std::uint8_t> contestedBlock_{};
    std::vector<std::vector<std::uint8_t>> versions_;
    std::pair<std::uint8_t, std::uint8_t> contradicted_{};
    int unverified_ = 0;
    bool takenUnchecked_ = false;
    int heard_ = 0;
};

} // namespace tonvar::link

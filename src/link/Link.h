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
//    A frame whose checksum does not match is not thrown away at once: it is
//    kept, and taken when the next answer to the same request is the same to
//    the byte (a radio whose frames carry a checksum of another kind, or none,
//    can still be read; a line error is not repeated byte for byte);
//
//  - resends the frame buffer's first 34 bytes only after 300 ms without
//    the answer to the message last sent: the interval restarts with every
//    message sent. Once a radio has been seen to take longer than that, the
//    resend waits as long as the radio took (in whole ticks, at most
//    kMostPatientTicks), so a slow radio is not sent copies it would queue;
//
//  - after an answer to a message sent k times, expects up to k - 1 more
//    answers to the other copies: while they come, nothing is resent;
//
//  - counts the copies of a message that went out. An Ack carries no block
//    number, so when a message went out k times the radio may still owe up
//    to k - 1 Acks for it after the first. Those are taken as that message's
//    own: the session hears of the Ack only when they have come, or when the
//    line has stayed quiet long enough that they will not (a radio that
//    ignored the copies it got while it was storing). No Ack of an earlier
//    copy is ever counted for the next block.
//
// The resend timer is shared by every session of the program: each one
// starts and stops it on its own behalf (StartResend / StopResend), so one
// session's end never silences the resend that another still waits on.
//
// Plain logic: the owner routes each received chunk to Receive and each of
// Tim1's ticks to Tick.
#pragma once

#include "protocol/Frames.h"

#include <cstdint>
#include <string>
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
    bool resend = true; // repeated after 300 ms without the answer

    static Wait ForAck(bool resend = true) { return {Ack, 0, 0, resend}; }
    static Wait ForFrame(std::uint8_t area, std::uint8_t block) { return {Frame, area, block, true}; }
};

// What a chunk or a tick means to the session that waits.
enum class Answer {
    None,  // nothing it waits for
    Ack,   // the Ack it waits for (every copy's Ack taken)
    Frame, // the frame it asked for, whole, at the start of the receive buffer
};

inline constexpr int kResendMs = 300;
// Ticks without the awaited answer after which the radio counts as silent
// (about 10 s).
inline constexpr int kSilentTicks = 34;
// The longest wait for an answer before a resend, in ticks of Tim1.
inline constexpr int kMostPatientTicks = 10;

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
    // radio before (its answer time, answers it still owed) is forgotten.
    void Begin();

    // Copies a chunk into the receive buffers and judges it against what is
    // awaited. After an Answer::Frame the frame's 34 bytes stand at indices
    // 0..33 of both buffers. The owner calls Finish when every session has
    // seen the chunk.
    Answer Receive(const std::uint8_t *bytes, std::size_t length);
    void Finish() { rx.Finish(); }
    // The radio may ask for an acknowledgement of a frame on its own (0x30
    // at index 5 of the chunk received): the Ack goes out.
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
    // checksum did not match, since the last Send.
    int UnverifiedFrames() const { return unverified_; }

private:
    Answer TakeAck(std::size_t acks);
    Answer TakeFrame(const std::uint8_t *bytes, std::size_t length);
    Answer Judge(const std::vector<std::uint8_t> &answer);
    // The awaited answer came: the other copies' answers may follow.
    void Answered();
    // An answer that is not the awaited one, while others are owed.
    void OwedAnswerCame(Wait::Kind kind);
    void Settled();

    Timer &tim1_;
    std::vector<const void *> resendUsers_;
    const void *waiter_ = nullptr;
    Wait wait_;
    int copies_ = 0;
    int silentTicks_ = 0;
    int ticksSinceSend_ = 0;  // since the message or its last copy went out
    int ticksSinceFirst_ = 0; // since the message first went out
    int patience_ = 1;        // ticks without an answer before a resend
    // Answers still owed for copies of messages already answered, all of one
    // kind (Acks of frames written, or frames asked for).
    int owed_ = 0;
    Wait::Kind owedKind_ = Wait::Nothing;
    int quietTicks_ = 0;
    int settleTicks_ = 0;
    bool ackHeld_ = false;                // an Ack taken, held back until the owed ones came
    std::vector<std::uint8_t> pending_;   // an answer still arriving
    std::vector<std::uint8_t> candidate_; // a frame with a checksum not its own
    int unverified_ = 0;
    int heard_ = 0;
};

} // namespace tonvar::link

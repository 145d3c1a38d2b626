// SPDX-License-Identifier: GPL-3.0-or-later
// One read or write of the radio's memory over the link, from a small
// description of what goes: which blocks, whether "PROGRAM" comes first,
// whether written frames carry a checksum and are resent.
//
// A read: ["PROGRAM" -> Ack]; ReadRequest -> DataFrame for each block. A read
// of no blocks with "PROGRAM" is "PROGRAM" -> Ack alone; without it, and a
// write of no blocks, succeed at once with nothing sent.
// A write: ["PROGRAM" -> Ack]; DataFrame -> Ack for each block; then the
// read-back: [port closed and opened again; "PROGRAM" -> Ack]; ReadRequest ->
// DataFrame for each block written. Blocks the radio does not hold as written
// go out again, byte for byte as before, and are read back again, up to
// kRewriteRounds times; the write then fails naming them.
//
// The codecs fill and read 28-byte payloads; the transfer puts them in the
// frame buffer (header, checksum), and takes them from the answers the link
// accepted. Frame bytes a codec does not write keep what the frame buffer
// held, as they always have on the wire.
//
// Before the first byte of a write, every block is built once on a copy of
// the frame buffer: a value that does not convert stops the write with
// nothing sent.
//
// A frame taken for a block and then contradicted by another well-formed
// answer to its request (Answer::Contradicted) is asked for again, and the
// blocks after it with it: what is kept is what the radio gave twice.
//
// A transfer that starts with "PROGRAM" starts a session with the radio on
// a freshly opened port (Link::Begin); the transfers that follow it on the
// same port (the areas of the whole radio, a signalling window's) go on
// with what the link has learnt of the radio's timing.
//
// Plain logic: the session routes to Answered each answer the link took for
// it (Link::Sender() is the transfer's user).
#pragma once

#include "link/Link.h"
#include "memory/Payload.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tonvar::link {

using memory::Payload;

// One block of one area of the radio's memory.
struct BlockRef {
    std::uint8_t area = 0;
    std::uint8_t number = 0;
    bool operator==(const BlockRef &) const = default;
    auto operator<=>(const BlockRef &) const = default;
};

inline constexpr int kRewriteRounds = 3;
// Frame indices a clearing sets to 0 (0 to 50).
inline constexpr std::size_t kClearedFrameBytes = 51;

struct TransferPlan {
    std::vector<BlockRef> blocks; // in the order they go
    // "PROGRAM" and its Ack first; a write's read-back then reopens the port
    // and says "PROGRAM" again.
    bool handshake = false;
    // Written frames are 34 bytes with their CRC-16 and resent after 300 ms
    // without their Ack; otherwise 32 bytes without one, sent once.
    bool checksum = true;
    enum class Clear { Never, First, Each };
    // Frame indices 0..50 set to 0 before the first block of a write is
    // built, or before each one.
    Clear clear = Clear::Never;
    // A write succeeds only when the radio, read back, holds what was written.
    bool readBack = true;
    // A request that follows an answer of the same area goes to the port in
    // one write (the same bytes on the wire).
    bool requestsInOneWrite = false;
    // A read (never a write's read-back) takes a frame whose checksum does
    // not match when the radio gives the same bytes twice, and names it in
    // TakenWithBadChecksum(): for a radio whose frames carry a checksum of
    // another kind. No session of the program sets it (a line that flips the
    // same bit twice would otherwise put a wrong value in a table). Off:
    // every frame taken has its own checksum.
    bool lenientChecksums = false;
};

struct TransferHooks {
    // A read's block, whole and the one asked for.
    std::function<void(BlockRef, const Payload &)> received;
    // A write's block: fills the payload, which holds what the frame buffer
    // held. Throws when a value does not convert.
    std::function<void(BlockRef, Payload &)> build;
    // The read-back: the radio holds what was written. Without it, the 28
    // bytes must be equal.
    std::function<bool(BlockRef, const Payload &written, const Payload &read)> same;
    // Before a read request goes out (a pause the radio needs).
    std::function<void(BlockRef)> beforeRequest;
};

class Transfer {
public:
    enum class Phase { Idle, Handshake, Reading, Writing, CheckHandshake, Checking, Succeeded, Failed };

    Transfer(Link &link, const void *user) : link_(link), user_(user) {}

    // Starts a read on the open port.
    void Read(TransferPlan plan, TransferHooks hooks);
    // Builds every block of a write on a copy of the frame buffer; a failure
    // is thrown, with the block in BuildingBlock(). Nothing is sent.
    void Check(const TransferPlan &plan, const TransferHooks &hooks);
    // Checks (as Check does), then starts the write on the open port.
    void Write(TransferPlan plan, TransferHooks hooks);
    // An answer the link took for this transfer's user.
    void Answered(Answer answer);
    // Ends the transfer where it stands; the link gives up the resend.
    void Stop();

    Phase State() const { return phase_; }
    bool Running() const { return phase_ != Phase::Idle && phase_ != Phase::Succeeded && phase_ != Phase::Failed; }
    bool Writing() const { return writing_; }
    // In the handshake (of a read, a write or a read-back).
    bool Handshaking() const { return phase_ == Phase::Handshake || phase_ == Phase::CheckHandshake; }
    bool Checking() const { return phase_ == Phase::CheckHandshake || phase_ == Phase::Checking; }
    // The block being asked for, written or read back.
    BlockRef Current() const;
    // Blocks of this pass done, of Total().
    int Done() const { return static_cast<int>(index_); }
    int Total() const { return static_cast<int>(list_.size()); }
    // Answers taken since the transfer started.
    int Answers() const { return answers_; }
    // Write-again rounds so far (0: the first write and its read-back).
    int Round() const { return round_; }
    // After a failed write: the blocks the radio did not hold.
    const std::vector<BlockRef> &Differing() const { return differing_; }
    // Each block of the write as it went out.
    const std::map<BlockRef, std::vector<std::uint8_t>> &Written() const { return written_; }
    // The block being built when Write threw.
    BlockRef BuildingBlock() const { return building_; }
    // A read with lenientChecksums: the blocks taken although their checksum
    // did not match (the radio gave the same bytes twice), in order.
    std::vector<BlockRef> TakenWithBadChecksum() const { return takenWithBadChecksum_; }

private:
    void Start(TransferPlan plan, TransferHooks hooks, bool writing);
    void Handshake();
    void Reopen(Phase handshake);
    void Request(std::size_t index);
    static void Build(const TransferPlan &plan, const TransferHooks &hooks, protocol::ByteBuffer &frame,
                      std::size_t index);
    void SendBlock(std::size_t index);
    void SendStored(std::size_t index);
    void StartCheck();
    void CheckAnswer();
    void EndCheck();
    // Asks again for a block whose answer another contradicted.
    void AskAgain();
    void Next();
    void End(Phase phase);

    Link &link_;
    const void *user_;
    TransferPlan plan_;
    TransferHooks hooks_;
    Phase phase_ = Phase::Idle;
    bool writing_ = false;
    bool rewriting_ = false;
    std::vector<BlockRef> list_; // the blocks of this pass
    std::size_t index_ = 0;
    int answers_ = 0;
    int round_ = 0;
    std::vector<BlockRef> differing_;
    std::map<BlockRef, std::vector<std::uint8_t>> written_;
    BlockRef building_;
    std::vector<BlockRef> takenWithBadChecksum_;
};

} // namespace tonvar::link

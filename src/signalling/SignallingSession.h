// SPDX-License-Identifier: GPL-3.0-or-later
// What the four signalling windows' sessions have in common.
//
// A signalling window owns no port and no buffer: each of its reads and
// writes is one transfer (link/Transfer.h) on the port hub (link/Hub.h), which
// hands it the answers the link took for it. The window's codec fills and
// reads the blocks' payloads. Only one session of any window runs at a time.
//
// A write checks every block before its first byte, and succeeds only when
// the window's blocks, read back, are what was written.
//
// Each window's own 10 s Timer1 ends a session whose radio has not answered
// for 10 s, and says so. It belongs to the window's running session: it stops
// when that session ends, so it never acts on a later one.
#pragma once

#include "files/RadioImage.h"
#include "link/Transfer.h"
#include "link/Hub.h"
#include "protocol/MainSession.h"
#include "text/Convert.h"

#include <functional>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline const std::string kWriteSucceeded = "WRITE SUCCEED!";
inline const std::string kWriteClosed = "The write stopped when the window was closed.\n"
                                        "The radio may now hold a mix of old and new values: write it again.";
inline const std::string kReadTimedOut = "The radio did not answer for 10 s: the read stopped.";
inline const std::string kWriteTimedOut = "The radio did not answer for 10 s: the write stopped.\n"
                                          "The radio may now hold a mix of old and new values: write it again.";
using link::kRewriteRounds;
inline constexpr int kSessionTimeoutMs = 10000;

// How the windows' sessions differ.
struct SessionTraits {
    std::uint8_t area;
    int blocks; // 0 .. blocks - 1, read and written in order
    // Writes are checksummed 34-byte frames repeated by the resend (all but
    // FleetSync, whose 32-byte frames are sent once).
    bool checkedWrites;
    link::TransferPlan::Clear clear; // frame indices 0..50 cleared before the first block or each
    bool timeOutRecovers;            // Timer1 gives a stalled session back (all but 5TONE)
    bool writesTimeOut;              // Timer1 runs for writes as well as reads (DTMF, FleetSync)
    int readProgressMaximum;
    int writeProgressMaximum;
    const char *name; // the window's, as messages name it: "DTMF", "2TONE", ...
};

// The transfer plan of an area's read or write.
link::TransferPlan AreaPlan(const SessionTraits &traits);

class SignallingLogic : public link::HubSession {
public:
    // Joins `hub` for as long as it lives.
    SignallingLogic(const SessionTraits &traits, link::PortHub &hub, link::Timer &timer1,
                    std::function<void(const std::string &)> showMessage);
    ~SignallingLogic() override;
    SignallingLogic(const SignallingLogic &) = delete;
    SignallingLogic &operator=(const SignallingLogic &) = delete;

    bool ReadRunning() const { return reading_; }
    bool WriteRunning() const { return writing_; }
    bool Running() const override { return reading_ || writing_; }
    void Answered(link::Answer answer) override;
    // The port hung up: the session ends at once.
    std::string Abandon() override;
    // Read: block 0 to the last; the window's texts become what the radio
    // holds once every block has come, and stay as they were otherwise.
    void StartRead();
    // Write: checks that every block converts and that the radio can hold
    // it (nothing is sent when one does not), then writes them all and reads
    // them back.
    void StartWrite();
    // What a write would send now, into the window's area of `image`: the
    // blocks as StartWrite builds them, a block it encodes from the texts
    // alone encoded over the image's bytes. Throws as StartWrite's check
    // does; `image` is not changed then.
    void WriteInto(files::RadioImage &image);
    // The window's area and name.
    const SessionTraits &Traits() const { return traits_; }
    // The window closes: its session ends; a write stopped half-way says
    // what the radio may now hold.
    void Close();
    // Block `block` of the running (or last) write as it went out.
    std::vector<std::uint8_t> Written(int block) const;
    // The window's transfer: what it does and waits for.
    const link::Transfer &Transfer() const { return transfer_; }
    // Another session (the main window's or another window's) holds the
    // port: this window's Read and Write stay disabled.
    bool OthersRunning() const { return hub_.OthersRunning(this); }
    // Read and Write start a session only while none runs on the port.
    bool MayStart() const { return hub_.MayStart(); }
    // The window's area of a radio image, decoded as a read decodes it
    // into the window's first texts (nothing is left from before).
    void ReadImage(const files::RadioImage &image);
    // The window's texts into its area of an image: the fields whose text
    // differs from what the image shows, checked as a write checks them;
    // every other byte stays. A failure names the window. A window that has
    // never held a radio's area (read or opened) and whose first texts do
    // not convert leaves the image's area as it is.
    void WriteImage(files::RadioImage &image) const;

    // The time-out: Timer1 stops; where the window recovers and one of its
    // timed sessions is still running, both buttons come back and the
    // transfer stops, which would otherwise repeat the last frame for ever.
    // Another session's use of Tim1 is left alone.
    void TimeOut();

    protocol::ProgressState progress;
    // The window holds a radio's area: read, or opened from an image.
    bool holdsArea = false;

protected:
    // The window's codec.
    virtual void Decode(int block, const memory::Payload &payload) = 0;
    virtual void Encode(int block, memory::Payload &payload) const = 0;
    // What the radio cannot hold although every block converts.
    virtual void CheckHeld() const {}
    // The window's first texts again.
    virtual void ResetTexts() = 0;
    // The window's texts are those `blocks` decode to (into its first texts).
    virtual bool ShowsBlocks(const std::vector<memory::Payload> &blocks) const = 0;
    // Two areas decode to the same texts.
    virtual bool SameTexts(const std::vector<memory::Payload> &a, const std::vector<memory::Payload> &b) const = 0;
    // For the windows' ShowsBlocks and SameTexts: `decode(block, payload,
    // texts)` of every block of `blocks` into first texts.
    template <typename Texts, typename Decode>
    static Texts DecodedArea(const std::vector<memory::Payload> &blocks, Decode decode)
    {
        Texts t{};
        for (std::size_t b = 0; b < blocks.size(); ++b)
            decode(static_cast<int>(b), blocks[b], t);
        return t;
    }
    // The window's texts into its area of `image` where they differ from
    // what the image shows (every other byte stays); throws text::Failure
    // naming a field that does not convert or that the radio cannot hold.
    virtual void ApplyTexts(files::RadioImage &image) const = 0;

private:
    // StartWrite's check: every block converts and the radio can hold it;
    // what goes out over the known area is kept in toWrite_.
    void PrepareWrite();
    link::TransferPlan Plan() const;
    link::TransferHooks Hooks();
    void EndRead();
    void EndWrite();
    // The window's first texts, then each block of the area decoded in turn.
    void DecodeArea(const std::vector<memory::Payload> &blocks);
    // Close: the transfer stops, Timer1 stops, the bar hides and both
    // buttons come back.
    void CloseSession();
    void StartTimeout();
    void RestartTimeout();
    bool TimedSessionRunning() const;
    std::string WindowName() const { return traits_.name; }

    SessionTraits traits_;
    // The blocks a read has taken so far: the window's texts change only
    // when the whole area has come, so a read that is stopped or fails
    // leaves them as they were.
    std::vector<memory::Payload> readBlocks_;
    // The area's bytes as the radio gave them (the last read, or an image
    // opened), or none. A write of texts the user left as they came sends
    // these bytes; a changed area is encoded over them.
    std::vector<memory::Payload> known_;
    bool Unchanged() const { return !known_.empty() && ShowsBlocks(known_); }
    // The known area with the fields whose text changed encoded again,
    // judged as a write judges them; a failure names the window and field.
    std::vector<memory::Payload> OverKnown() const;
    // What a write sends, block by block (the known area with the changes),
    // or none: then each block is encoded from the texts.
    std::vector<memory::Payload> toWrite_;
    text::Failure Named(const text::Failure &e) const;
    bool reading_ = false;
    bool writing_ = false;
    link::PortHub &hub_;
    link::Timer &timer1_;
    std::function<void(const std::string &)> showMessage_;
    link::Transfer transfer_;
};

} // namespace tonvar::signalling

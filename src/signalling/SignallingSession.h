// What the four signalling windows' sessions have in common.
//
// A signalling window owns no port and no buffer: it builds every message in
// the main window's frame buffer, sends it through the main window's link
// (link/Link.h), and reads what the radio sends from the receive copy. The
// link takes only the answer to the message the window sent; the main
// window's receive handler hands it over: BlockReceived for the frame a read
// asked for, Acknowledged for the Ack of a block written, ReadBack for the
// frames of a write's read-back. Read and Write disabled are the session
// flags, and only one session of any window runs at a time.
//
// Each window's own 10 s Timer1 ends a session whose radio has not answered
// for 10 s, and says so. It belongs to the window's running session: it stops
// when that session ends, so it never acts on a later one.
#pragma once

#include "protocol/MainSession.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tonvar::signalling {

inline const std::string kWriteSucceeded = "WRITE SUCCEED!";
inline const std::string kWriteClosed = "The write stopped when the window was closed.\n"
                                        "The radio may now hold a mix of old and new values: write it again.";
inline const std::string kReadTimedOut = "The radio did not answer for 10 s: the read stopped.";
inline const std::string kWriteTimedOut = "The radio did not answer for 10 s: the write stopped.\n"
                                          "The radio may now hold a mix of old and new values: write it again.";
// Rounds of sending again the blocks that a read-back found different.
inline constexpr int kRewriteRounds = 3;
inline constexpr int kSessionTimeoutMs = 10000;
inline constexpr std::size_t kClearedFrameBytes = 51; // indices 0 to 50

// How the windows' sessions differ.
struct SessionTraits {
    std::uint8_t area;
    // Writes are checksummed 34-byte frames repeated by the main window's
    // resend (all but FleetSync, whose 32-byte frames are sent once).
    bool checkedWrites;
    bool sharesReadCounter; // the block counter is the main window's read counter (2TONE, 5TONE)
    bool timeOutRecovers;   // Timer1 gives a stalled session back (all but 5TONE)
    bool writesTimeOut;     // Timer1 runs for writes as well as reads (DTMF, FleetSync)
};

class SignallingLogic : public protocol::SignallingSession {
public:
    SignallingLogic(const SessionTraits &traits, protocol::MainSession &main, protocol::Timer &timer1,
                    std::function<void(const std::string &)> showMessage);

    std::uint8_t Area() const override { return traits_.area; }
    bool ReadRunning() const override { return !rbtnEnabled; }
    bool WriteRunning() const override { return !wbtnEnabled; }
    // The last block's Ack ends a write with its success message; any other
    // Ack goes to BlockAcknowledged.
    void Acknowledged() override;
    void Abandon() override { CloseSession(); }
    void ReadBack() override;
    // Close: the window's session ends; a write stopped half-way says what
    // the radio may now hold.
    void Button3Click();
    // Each block of the running (or last) write as it went out.
    const std::map<int, std::vector<std::uint8_t>> &Written() const { return written_; }
    // Write: checks that every block converts (nothing is sent when one does
    // not), then starts the window's write.
    void wbtnClick();
    // Another session (the main window's or another window's) holds the
    // port: this window's Read and Write stay disabled.
    bool OthersRunning() const { return main_.OtherSessionRunning(this); }
    // Read and Write start a session only while none runs on the port.
    bool MayStart() const { return rbtnEnabled && wbtnEnabled && !OthersRunning(); }

    // The time-out: Timer1 stops; where the window recovers and one of its
    // timed sessions is still running, both buttons come back and the
    // window gives up its use of the resend, which would otherwise repeat
    // the last frame for ever. Another session's use of Tim1 is left alone.
    void Timer1Timer();

    bool rbtnEnabled = true;
    bool wbtnEnabled = true;
    protocol::ProgressState progress;

private:
    std::int32_t ownCounter_ = 0;

public:
    // The number of the block last asked for or sent.
    std::int32_t &blockCounter;

protected:
    // The window's own write: the first block built and sent.
    virtual void StartWriting() = 0;
    void RequestBlock(int block);
    // A read starts: the resend and Timer1 run, Read is disabled, the bar
    // stands at 1 and block 0 is asked for.
    void StartRead(int progressMaximum);
    // The last block has come: Read is back, the bar hidden, the window's
    // use of the resend over.
    void EndRead();
    // A write starts: Write is disabled, indices 0..50 cleared, the bar at 1
    // and block 0's header written. The caller starts the timers it uses.
    void StartWrite(int progressMaximum);
    // Sends the block built in the frame buffer, as this area's frames go.
    void SendBlock();
    // A write waits under the resend (all but FleetSync's).
    void StartWriteResend();
    // Timer1 starts, unless it already runs for a session still running.
    void StartTimeout()
    {
        if (!dryRun_)
            timer1_.Start();
    }
    // After a block of a write went out: the bar moves on; the last block's
    // Ack will end the write (Write back, bar hidden, resend use over,
    // success message).
    void BlockSent(int block, int lastBlock);
    // Close: the window's use of the resend ends, Timer1 stops and both
    // buttons come back.
    void CloseSession();

    protocol::ByteBuffer &Frame() { return main_.frame; }
    const protocol::ByteBuffer &Received() const { return main_.rx.copy; }
    void ClearFrame();
    void ShowProgress(int maximum);
    void WriteSucceeded();
    // Runs the building of a block to write. A field that does not convert
    // ends the write at once: the resend stops and Write comes back, so a
    // half-built block never goes out again. The failure is passed on for the
    // error box.
    template <typename Build>
    void BuildBlock(Build &&build)
    {
        try {
            build();
        } catch (...) {
            writeWaits_ = false;
            lastSent_ = false;
            wbtnEnabled = true;
            progress.visible = false;
            blockCounter = 0;
            Settle();
            throw;
        }
    }

private:
    // After a session of the window ended, was closed or timed out: the
    // resend is given up once no session of the window waits under it, and
    // Timer1 stops once no timed session of the window runs.
    void Settle();
    bool TimedSessionRunning() const;

    // After the last Ack a write reads back every block it wrote; blocks
    // that differ are sent again as they were, up to kRewriteRounds times.
    enum class Phase { Writing, Checking, Rewriting };
    void StartCheck(std::vector<int> blocks);
    void FinishCheck();
    void SendStored(int block);
    void EndWrite();
    void RestartTimeout();
    std::string WindowName() const;

    Phase phase_ = Phase::Writing;
    std::map<int, std::vector<std::uint8_t>> written_; // each block as it went out
    std::vector<int> checkList_;
    std::size_t checkIndex_ = 0;
    std::vector<int> differing_;
    int rounds_ = 0;
    bool dryRun_ = false;     // building every block once, sending nothing
    bool lastSent_ = false;   // the last block of a write went out
    bool readWaits_ = false;  // a read waits under Tim1
    bool writeWaits_ = false; // a write waits under Tim1
    SessionTraits traits_;
    protocol::MainSession &main_;
    protocol::Timer &timer1_;
    std::function<void(const std::string &)> showMessage_;
};

} // namespace tonvar::signalling

// What the four signalling windows' sessions have in common.
//
// A signalling window owns no port and no buffer: it builds every message in
// the main window's frame buffer, sends it with the main window's SendData,
// and reads what the radio sends from the receive copy. The main window's
// receive handler calls BlockReceived for a frame of the window's area while
// its Read button is disabled, and BlockAcknowledged for an Ack while its
// Write button is disabled; those two buttons are the session flags.
//
// Each window's own 10 s Timer1 gives the buttons back when the radio does
// not answer.
#pragma once

#include "protocol/MainSession.h"

#include <functional>
#include <string>

namespace tonvar::signalling {

inline const std::string kWriteSucceeded = "WRITE SUCCEED!";
inline constexpr int kSessionTimeoutMs = 10000;
inline constexpr std::size_t kClearedFrameBytes = 51; // indices 0 to 50

class SignallingLogic : public protocol::SignallingSession {
public:
    // `writesResent`: the window's writes wait under the main window's resend
    // timer (all but FleetSync); its reads always do.
    SignallingLogic(std::uint8_t area, bool writesResent, protocol::MainSession &main, protocol::Timer &timer1,
                    std::function<void(const std::string &)> showMessage);

    std::uint8_t Area() const override { return area_; }
    bool ReadRunning() const override { return !rbtnEnabled; }
    bool WriteRunning() const override { return !wbtnEnabled; }

    // The time-out: both buttons come back. A session of this window that was
    // still waiting under the main window's resend also stops it, which would
    // otherwise repeat the last frame for ever.
    void Timer1Timer();

    bool rbtnEnabled = true;
    bool wbtnEnabled = true;
    protocol::ProgressState progress;
    int blockCounter = 0;

protected:
    protocol::ByteBuffer &Frame() { return main_.frame; }
    const protocol::ByteBuffer &Received() const { return main_.rx.copy; }
    void Send(std::size_t n) { main_.SendData(main_.frame, n); }
    void ClearFrame();
    void ShowProgress(int maximum);
    void WriteSucceeded();
    protocol::Timer &Tim1() { return main_.Tim1(); }
    protocol::Timer &Timer1() { return timer1_; }
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
            if (writesResent_)
                Tim1().Stop();
            wbtnEnabled = true;
            progress.visible = false;
            blockCounter = 0;
            throw;
        }
    }

private:
    std::uint8_t area_;
    bool writesResent_;
    protocol::MainSession &main_;
    protocol::Timer &timer1_;
    std::function<void(const std::string &)> showMessage_;
};

} // namespace tonvar::signalling

// The DTMF window's sessions: memory area 1, four blocks.
//
//   block 0   4 speed, 5..7 first digit time / delay / # and * time (ms / 10),
//             8 D code (0 "D Code", else ms / 100), 9 side tone,
//             14..17 ID code, 18 group code, 19 auto reset, 20 call alert,
//             21 transpond, 22 clear to transpond, 23 ID digit count,
//             24..31 digit counts of autodial memories 1..8
//   block n   memories 6(n-1)+1 .. 6(n-1)+6, 4 bytes each (block 3: 13..16)
#pragma once

#include "signalling/SignallingSession.h"

#include <array>
#include <cstdint>
#include <string>

namespace tonvar::signalling {

inline constexpr int kAutodialMemories = 16;

// What the DTMF window shows, as texts and check states.
struct DtmfTexts {
    std::string cb1 = "6";                               // DTMF Spend [digit/s]
    std::string cb2 = "0";                               // First Digit Time [ms]
    std::string cb3 = "100";                             // First Digit Delay [ms]
    std::string cb4 = "0";                               // # and * Tone [ms]
    std::string cb5 = "D Code";                          // D Code Assignment
    bool CheckB1 = true;                                 // DTMF Side Tone
    std::string Edit1 = "12345678";                      // ID Code
    std::string cb6 = "Off";                             // Group Code
    std::string cb7 = "10";                              // Auto Reset Timer [s]
    std::string cb8 = "Normal";                          // Call Alert
    std::string cb9 = "Off";                             // Transpond
    bool CheckB2 = false;                                // Clear To Transpond
    std::array<std::string, kAutodialMemories> autodial; // xg2 rows 1..16

    bool operator==(const DtmfTexts &) const = default;
};

class DtmfSession : public SignallingLogic {
public:
    DtmfSession(protocol::MainSession &main, protocol::Timer &timer1,
                std::function<void(const std::string &)> showMessage);

    DtmfTexts texts;
    // Entry 0: digits of the ID code; 1..8: of autodial memories 1..8. Kept
    // between sessions.
    std::array<std::uint8_t, 9> digitCounts{};

    void rbtnClick();
    using SignallingLogic::wbtnClick;
    void BlockReceived() override;
    void BlockAcknowledged() override;
    // After the user changed autodial memory `row` (1..16): at most 8 characters.
    void xg2SetEditText(int row);

private:
    void DecodeSettings(const protocol::ByteBuffer &in);
    void BuildSettings();

protected:
    void StartWriting() override;
};

} // namespace tonvar::signalling

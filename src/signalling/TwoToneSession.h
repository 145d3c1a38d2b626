// The 2TONE window's sessions: memory area 3, eleven blocks. The block
// counter is the main window's read counter.
//
//   block 0     4..11 tones A..D (Hz), 12 rest time, 14/16/18 first and
//               second frequency time and interval (ms), 24..31 encode
//               memories 1 and 2 (first, second frequency)
//   block 1, 2  encode memories 7(n-1)+3 .. 7(n-1)+9
//   block 3..10 decode rows 2(n-3)+1 (from offset 4) and the next (from 16):
//               four entries of tone pair, response mode, prompt
#pragma once

#include "signalling/SignallingSession.h"

#include <array>
#include <string>

namespace tonvar::signalling {

inline constexpr int kTwoToneRows = 16;
inline constexpr int kTwoToneDecodeColumns = 12; // xg2 columns 1..12

struct TwoToneTexts {
    std::string cb1 = "500";                                            // First Frequency Time(ms)
    std::string cb2 = "500";                                            // Second Frequency Time(ms)
    std::string cb3 = "500";                                            // Interval Between Two Frequency (ms)
    std::string ed1 = "1981", ed2 = "1124", ed3 = "1197", ed4 = "1275"; // tones A..D (Hz)
    std::string ed5 = "6000";                                           // Rest Time(ms)
    std::array<std::string, kTwoToneRows> first;                        // xg1 column 1
    std::array<std::string, kTwoToneRows> second;                       // xg1 column 2
    std::array<std::array<std::string, kTwoToneDecodeColumns>, kTwoToneRows> decode; // xg2 columns 1..12

    // Cell (row, column) of xg2, both from 1.
    std::string &Decode(int row, int column)
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    bool operator==(const TwoToneTexts &) const = default;
};

const std::vector<std::string> &TonePairNames();
const std::vector<std::string> &ResponseModeNames();

class TwoToneSession : public SignallingLogic {
public:
    TwoToneSession(protocol::MainSession &main, protocol::Timer &timer1,
                   std::function<void(const std::string &)> showMessage);

    TwoToneTexts texts;

    void rbtnClick();
    using SignallingLogic::wbtnClick;
    void BlockReceived() override;
    void BlockAcknowledged() override;
    // After the user changed xg2 cell (row, column), both from 1.
    void xg2SetEditText(int row, int column);

protected:
    void StartWriting() override;
};

} // namespace tonvar::signalling

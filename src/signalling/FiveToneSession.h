// The 5TONE window's sessions: memory area 4, seventeen blocks. The block
// counter is the main window's read counter.
//
//   block 0     standard s (1..5) at 3s+1: TX time, group code, duplication
//               code; 24..27 the four delays (ms / 10)
//   block 1..8  encode rows 2n-1 (from offset 4) and 2n (from 18): four
//               5TONE codes and the standard; the record's last byte is not
//               written and keeps what the frame buffer held
//   block 9..16 decode rows 2n-17 and 2n-16: standard and functions in
//               nibbles, first/second/third frame and response codes
#pragma once

#include "signalling/SignallingSession.h"

#include <array>
#include <string>

namespace tonvar::signalling {

inline constexpr int kStandards = 5;
inline constexpr int kFiveToneRows = 16;
inline constexpr int kEncodeColumns = 5; // xg2 columns 1..5
inline constexpr int kDecodeColumns = 8; // xg3 columns 1..8

struct FiveToneTexts {
    std::string CCIR = "CCIR"; // the standard whose tones are shown
    std::array<std::array<std::string, 3>, kStandards> standards{
        {{"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}, {"100", "A", "E"}}}; // xg1
    std::array<std::array<std::string, kEncodeColumns>, kFiveToneRows> encode;                            // xg2
    std::array<std::array<std::string, kDecodeColumns>, kFiveToneRows> decode;                            // xg3
    std::string cb1 = "500", cb2 = "500", cb3 = "500", cb4 = "500";
    std::string ed1 = "6000"; // Reset Time(ms): kept in no block

    // Cells by row and column from 1.
    std::string &Standard(int row, int column)
    {
        return standards[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    std::string &Encode(int row, int column)
    {
        return encode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    std::string &Decode(int row, int column)
    {
        return decode[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    }
    bool operator==(const FiveToneTexts &) const = default;
};

class FiveToneSession : public SignallingLogic {
public:
    FiveToneSession(protocol::MainSession &main, protocol::Timer &timer1,
                    std::function<void(const std::string &)> showMessage);

    FiveToneTexts texts;
    // Edit1..Edit16: the tones of the standard named in CCIR, "1981.0" etc.
    std::array<std::string, 16> tones;

    void CCIRChange();
    void rbtnClick();
    using SignallingLogic::wbtnClick;
    void BlockReceived() override;
    void BlockAcknowledged() override;
    void xg2SetEditText(int row, int column);
    void xg3SetEditText(int row, int column);

protected:
    void StartWriting() override;
};

} // namespace tonvar::signalling

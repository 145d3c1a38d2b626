// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the channel table: column captions, each column's pick list
// and default text, the tone list, and the defaults of a newly created row.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tonvar::memory {

inline constexpr int kColumnCount = 16;
inline constexpr int kChannelCount = 16;
inline constexpr int kTableRows = kChannelCount + 1; // header row + channels

// Column numbers of the channel table.
enum Column : int {
    kColChannel = 0,
    kColRxFreq = 1,
    kColTxFreq = 2,
    kColDecodeTone = 3,
    kColEncodeTone = 4,
    kColPower = 5,
    kColBandwidth = 6,
    kColScanAdd = 7,
    kColStep = 8,
    kColDtmf1 = 9,
    kColDtmf2 = 10,
    kColPttId = 11,
    kColScrambler = 12,
    kColPttIdType = 13,
    kColPttIdNumber = 14,
    kColCompandor = 15,
};

const std::array<std::string, kColumnCount> &ColumnCaptions();

// The 218 entries offered in the tone columns: "NONE", 51 CTCSS tones,
// 83 DCS codes with "N" and the same 83 with "I".
const std::vector<std::string> &ToneList();

// The pick list of a column (the tone list for the tone columns; empty for
// the frequency columns and the channel number).
const std::vector<std::string> &PickList(int column);

// The text an editor shows when the cell it starts on is empty.
const std::string &EditorDefault(int column);

// What the edit hook writes into columns 3 to 15 of a newly created row
// (index = column; columns 0 to 2 are empty here).
const std::array<std::string, kColumnCount> &NewRowDefaults();

// Empty text or a single blank: no frequency.
inline bool IsNoFrequency(const std::string &text)
{
    return text.empty() || text == " ";
}

} // namespace tonvar::memory

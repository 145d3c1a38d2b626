// SPDX-License-Identifier: GPL-3.0-or-later
// The radio's optional-function settings: area 5, block 0. The main window
// keeps them as the texts of ten combo boxes (ComboBox1..ComboBox10), seven
// shown in the "Optional Function" panel and three hidden.
//
// Payload offsets (the frame carries them at 4 more):
//
//   0  ComboBox9  Save Power   1 OPEN, 0 CLOSE     11 ComboBox4 TOT    0 CLOSE, else seconds
//   1  ComboBox10 (hidden)     1 OPEN, 0 CLOSE     12 ComboBox5 Voice  0 CLOSE, 1 CHINESE, 2 ENGLISH
//   2..7 zero                                      13 ComboBox6 PF1    0 NONE, 1 Monitor, 2 H/L PowerSwitch
//   8  ComboBox1  (hidden)     0 NONE, else n      14 ComboBox7 PF2    as PF1
//   9  ComboBox2  (hidden)     n                   15 ComboBox8 Scan   1 OPEN, 0 CLOSE
//   10 ComboBox3  SQ Lev       n                   16..27 untouched
#pragma once

#include "memory/Payload.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::memory {

inline constexpr int kSettingsBoxCount = 10;

// The texts of ComboBox1..ComboBox10; Box(n) is ComboBox<n>.
struct SettingsTexts {
    // The box that holds each setting: Box(kSquelch) is ComboBox3.
    enum Setting : int {
        kVoxLevel = 1, // hidden
        kVoxTime = 2,  // hidden
        kSquelch = 3,
        kTimeOut = 4,
        kVoice = 5,
        kPf1 = 6,
        kPf2 = 7,
        kScan = 8,
        kSavePower = 9,
        kBeep = 10, // hidden
    };
    std::array<std::string, kSettingsBoxCount> boxes;

    std::string &Box(int n) { return boxes.at(static_cast<std::size_t>(n - 1)); }
    const std::string &Box(int n) const { return boxes.at(static_cast<std::size_t>(n - 1)); }
    bool operator==(const SettingsTexts &) const = default;
};

// The texts the main window starts with.
SettingsTexts DefaultSettingsTexts();

// What the main window calls ComboBox<n>: the label beside it in the panel
// ("SQ Lev", "TOT", ...), and for the three boxes it keeps hidden the labels
// it keeps hidden with them ("VOX Lev", "VOX Time", "Beep").
const std::string &SettingsCaption(int n);

// The item list of ComboBox<n>.
const std::vector<std::string> &SettingsItems(int n);

// The box each payload offset holds (ComboBox<n> at settings_offsets::kBox[n]).
namespace settings_offsets {
inline constexpr std::array<std::size_t, kSettingsBoxCount + 1> kBox{0, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1};
inline constexpr std::size_t kZeroFirst = 2, kZeroLast = 7;
} // namespace settings_offsets

// Fills payload offsets 0..15. A box that must hold a number and does not
// throws text::ConversionError; bytes written before that point stay written.
void EncodeSettingsBlock(const SettingsTexts &texts, Payload &payload);
// The byte of ComboBox<n> alone, as EncodeSettingsBlock writes it.
void EncodeSettingsBox(int n, const std::string &text, Payload &payload);

// Sets the ten texts from payload offsets 0, 1 and 8..15.
void DecodeSettingsBlock(const Payload &payload, SettingsTexts &texts);

} // namespace tonvar::memory

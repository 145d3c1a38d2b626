// The radio's optional-function settings: area 5, block 0. The main window
// keeps them as the texts of ten combo boxes (ComboBox1..ComboBox10), seven
// shown in the "Optional Function" panel and three hidden.
//
//   4  ComboBox9  Save Power   1 OPEN, 0 CLOSE     15 ComboBox4 TOT    0 CLOSE, else seconds
//   5  ComboBox10 (hidden)     1 OPEN, 0 CLOSE     16 ComboBox5 Voice  0 CLOSE, 1 CHINESE, 2 ENGLISH
//   6..11 zero                                     17 ComboBox6 PF1    0 NONE, 1 Monitor, 2 H/L PowerSwitch
//   12 ComboBox1  (hidden)     0 NONE, else n      18 ComboBox7 PF2    as PF1
//   13 ComboBox2  (hidden)     n                   19 ComboBox8 Scan   1 OPEN, 0 CLOSE
//   14 ComboBox3  SQ Lev       n                   20..31 untouched
#pragma once

#include "protocol/Frames.h"

#include <array>
#include <string>
#include <vector>

namespace tonvar::memory {

inline constexpr int kSettingsBoxCount = 10;

// The texts of ComboBox1..ComboBox10; Box(n) is ComboBox<n>.
struct SettingsTexts {
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

// Fills frame offsets 4..19. A box that must hold a number and does not throws
// text::ConversionError; bytes written before that point stay written.
void EncodeSettingsBlock(const SettingsTexts &texts, protocol::ByteBuffer &frame);

// Sets the ten texts from offsets 4, 5 and 12..19 of a received frame.
void DecodeSettingsBlock(const protocol::ByteBuffer &received, SettingsTexts &texts);

} // namespace tonvar::memory

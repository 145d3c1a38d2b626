// SPDX-License-Identifier: GPL-3.0-or-later
// Radio images (*.radio): every block of the radio's six areas exactly as the
// radio gave them, in a text file that reads and diffs by line.
//
//   tonvar radio image 1
//   # comment lines and blank lines are ignored
//   channel 1 = 00 25 45 14 ...      28 bytes in hex, one block a line
//   ...
//   channel 16 = ...
//   settings = ...
//   DTMF 0 = ...         (0 to 3)
//   FleetSync 0 = ...    (0 to 2)
//   2TONE 0 = ...        (0 to 10)
//   5TONE 0 = ...        (0 to 16)
//
// The first line names the format and its version; a reader takes every
// version up to its own and refuses a newer one, and any file whose first
// line is not such a name. docs/radio-image.md describes the format.
#pragma once

#include "memory/Payload.h"

#include <array>
#include <cstdint>
#include <string>

namespace tonvar::files {

inline constexpr int kRadioImageVersion = 1;
inline constexpr int kRadioImageBlocks = 52;
// What every image starts with, before the version.
inline const std::string kRadioImageMagic = "tonvar radio image";

// One block of the radio's memory: its area (as the radio numbers them) and
// its number in the area.
struct ImageBlock {
    std::uint8_t area = 0;
    std::uint8_t number = 0;
    bool operator==(const ImageBlock &) const = default;
};

// The 52 blocks in the order of the file: channels 1..16, the settings,
// DTMF, FleetSync, 2TONE and 5TONE.
const std::array<ImageBlock, kRadioImageBlocks> &ImageBlocks();
// "channel 3", "settings", "DTMF 0", "5TONE 16".
std::string ImageBlockName(ImageBlock block);

struct RadioImage {
    std::array<memory::Payload, kRadioImageBlocks> payloads{};

    // The payload of a block of ImageBlocks(); throws std::out_of_range for
    // any other.
    memory::Payload &At(ImageBlock block);
    const memory::Payload &At(ImageBlock block) const;
    bool operator==(const RadioImage &) const = default;
};

// Whether a file's bytes start as an image does (its first line names the
// format, whatever the version).
bool LooksLikeRadioImage(const std::string &text);

std::string RadioImageText(const RadioImage &image);
// Throws text::Failure "The file is not a radio image." (or "... was made by
// a newer tonvar ...") with what is wrong, and on which line, as the detail.
RadioImage ParseRadioImage(const std::string &text);

// Through a temporary file, as channel files are saved; throws text::Failure.
void SaveRadioImage(const RadioImage &image, const std::string &fileName);
// Throws text::Failure("Cannot open file ...") or as ParseRadioImage does.
RadioImage LoadRadioImage(const std::string &fileName);

} // namespace tonvar::files

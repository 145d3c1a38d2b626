// SPDX-License-Identifier: GPL-3.0-or-later
// Where the reader ends a chunk, by the read time-outs (Windows' COMMTIMEOUTS
// rules), on whatever clock the caller passes in:
//  * ReadIntervalTimeout ms after the last byte, once a byte has arrived
//    (0 means no such limit; the maximum, with no total limit, hands over
//    whatever has arrived at once);
//  * ReadTotalTimeoutMultiplier x 4096 + ReadTotalTimeoutConstant ms after
//    the read began, when either is set;
//  * and always at 4096 bytes, which the reader sees to itself.
// With the main window's 20 ms interval and no total limit, a reply the radio
// sends without a pause longer than 20 ms arrives as one chunk.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

namespace tonvar::serial {

inline constexpr std::uint32_t kReturnAtOnce = std::numeric_limits<std::uint32_t>::max();

// The read time-outs as the reader sees them; replaced as a whole.
struct ReadTimeouts {
    std::uint32_t interval = 0;
    std::uint32_t totalMultiplier = 0;
    std::uint32_t totalConstant = 0;
    bool ignoreNull = false;
};

using ReadClock = std::chrono::steady_clock;

// Every byte read is handed over at once, without waiting.
bool HandsOverAtOnce(const ReadTimeouts &t);

// When the chunk ends if no further byte comes first; nullopt when only a
// full chunk ends it. `haveBytes`: the chunk holds at least one byte, the
// last of which came at `lastByte`; the read began at `readStart`. A chunk
// that ends empty (the total limit ran out with nothing read) ends the read.
std::optional<ReadClock::time_point> ChunkEnd(const ReadTimeouts &t, bool haveBytes, ReadClock::time_point readStart,
                                              ReadClock::time_point lastByte);

} // namespace tonvar::serial

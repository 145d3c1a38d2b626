// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ChunkRule.h"

#include <algorithm>

namespace tonvar::serial {

namespace {

bool TotalLimit(const ReadTimeouts &t)
{
    return t.totalMultiplier != 0 || t.totalConstant != 0;
}

} // namespace

bool HandsOverAtOnce(const ReadTimeouts &t)
{
    return t.interval == kReturnAtOnce && !TotalLimit(t);
}

std::optional<ReadClock::time_point> ChunkEnd(const ReadTimeouts &t, bool haveBytes, ReadClock::time_point readStart,
                                              ReadClock::time_point lastByte)
{
    using std::chrono::milliseconds;
    std::optional<ReadClock::time_point> end;
    if (haveBytes && t.interval != 0 && t.interval != kReturnAtOnce)
        end = lastByte + milliseconds(t.interval);
    if (TotalLimit(t)) {
        const auto total = readStart + milliseconds(static_cast<long long>(t.totalMultiplier) * 4096 + t.totalConstant);
        end = end ? std::min(*end, total) : total;
    }
    return end;
}

} // namespace tonvar::serial

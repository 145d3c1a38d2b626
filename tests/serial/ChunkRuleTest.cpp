// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/ChunkRule.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tonvar::serial;
using namespace std::chrono_literals;
using T = ReadClock::time_point;

namespace {

const ReadTimeouts kComm1{20, 0, 0, false}; // the main window's port

// Feeds bytes arriving at the given times (ms from 0) through the rule, as
// the reader does, and returns how many bytes each chunk got.
std::vector<int> Chunks(const ReadTimeouts &t, const std::vector<int> &arrivals)
{
    const T zero{};
    std::vector<int> chunks;
    int inChunk = 0;
    T last{};
    T readStart = zero;
    for (const int at : arrivals) {
        const T now = zero + std::chrono::milliseconds(at);
        const auto end = ChunkEnd(t, inChunk > 0, readStart, last);
        if (end && *end <= now && inChunk > 0) {
            chunks.push_back(inChunk);
            inChunk = 0;
            readStart = *end;
        }
        ++inChunk;
        last = now;
    }
    if (inChunk > 0)
        chunks.push_back(inChunk);
    return chunks;
}

} // namespace

TEST(ChunkRule, BytesUpTo20MsApartMakeOneChunkLongerGapsEndIt)
{
    EXPECT_EQ(Chunks(kComm1, {0, 15, 30, 45, 60}), (std::vector<int>{5}));
    EXPECT_EQ(Chunks(kComm1, {0, 30, 60, 90}), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(Chunks(kComm1, {0, 1, 2, 40, 41, 100}), (std::vector<int>{3, 2, 1}));
    EXPECT_EQ(Chunks(kComm1, {0, 19, 38}), (std::vector<int>{3}));
    EXPECT_EQ(Chunks(kComm1, {0, 20}), (std::vector<int>{1, 1})) << "the 20th ms ends it";
}

TEST(ChunkRule, NothingEndsAnEmptyChunkWithoutATotalLimit)
{
    EXPECT_FALSE(ChunkEnd(kComm1, false, T{}, T{}).has_value()) << "the wait for a first byte has no limit";
    EXPECT_EQ(ChunkEnd(kComm1, true, T{}, T{} + 7ms), T{} + 27ms);
    EXPECT_FALSE(ChunkEnd({0, 0, 0, false}, true, T{}, T{}).has_value()) << "no interval limit";
}

TEST(ChunkRule, TotalLimitsCountFromTheReadsStart)
{
    const ReadTimeouts total{20, 0, 50, false};
    EXPECT_EQ(ChunkEnd(total, false, T{} + 5ms, T{}), T{} + 55ms);
    EXPECT_EQ(ChunkEnd(total, true, T{}, T{} + 40ms), T{} + 50ms) << "the earlier of the two";
    EXPECT_EQ(ChunkEnd(total, true, T{}, T{} + 10ms), T{} + 30ms);
    const ReadTimeouts perByte{0, 1, 0, false};
    EXPECT_EQ(ChunkEnd(perByte, false, T{}, T{}), T{} + 4096ms);
}

TEST(ChunkRule, TheMaximumIntervalHandsOverAtOnceUnlessATotalLimitIsSet)
{
    EXPECT_TRUE(HandsOverAtOnce({kReturnAtOnce, 0, 0, false}));
    EXPECT_FALSE(ChunkEnd({kReturnAtOnce, 0, 0, false}, true, T{}, T{}).has_value());
    EXPECT_FALSE(HandsOverAtOnce({kReturnAtOnce, 0, 100, false}));
    EXPECT_EQ(ChunkEnd({kReturnAtOnce, 0, 100, false}, true, T{}, T{} + 1ms), T{} + 100ms);
    EXPECT_FALSE(HandsOverAtOnce(kComm1));
}

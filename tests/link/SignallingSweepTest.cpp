// SPDX-License-Identifier: GPL-3.0-or-later
// The four signalling windows' reads and writes against radios that answer
// late, ignore what comes while they store, and split, corrupt, drop or mix
// up an answer: each run ends, and success means the window (a read) or the
// radio (a write) holds exactly what a faultless radio gives or keeps.
#include "VirtualRadio.h"

#include "protocol/MainSession.h"
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/TwoToneSession.h"
#include "text/Convert.h"

#include <gtest/gtest.h>

namespace {

using namespace tonvar;
using test::Bytes;
using test::kBoundMs;
using test::RadioFaults;
using test::VirtualLine;
using test::VirtualRadio;
using test::VirtualTimer;

enum Window { Dtmf, TwoTone, FiveTone, FleetSync };
const char *const kNames[] = {"Dtmf", "TwoTone", "FiveTone", "FleetSync"};

// One window's session on its own main session and line.
struct Station {
    Station(VirtualRadio &radio, Window w) : line(radio), window(w)
    {
        line.timers.push_back(&timer1);
        line.open = true; // the window's show command opened the port
        timer1.onTick = [this] { Guard([this] { Logic().TimeOut(); }); };
        // Texts that differ from block to block.
        for (std::size_t i = 0; i < dtmf.texts.autodial.size(); ++i)
            dtmf.texts.autodial[i] = std::to_string(100 + 37 * i);
        twoTone.texts.first[0] = "1500";
        twoTone.texts.second[15] = "2100";
        twoTone.texts.Decode(16, 1) = "DC";
        twoTone.DecodeCellEdited(16, 1);
        twoTone.texts.restTime = "3000";
        for (int r = 1; r <= 16; ++r) {
            fiveTone.texts.Encode(r, 1) = std::to_string(10000 + 7 * r);
            fiveTone.EncodeCellEdited(r, 1);
            fiveTone.texts.Decode(r, 1) = r % 2 ? "ZVEI1" : "EIA";
            fiveTone.DecodeCellEdited(r, 1);
        }
        for (std::size_t i = 0; i < fleetSync.texts.fleet.size(); ++i) {
            fleetSync.texts.fleet[i] = std::to_string(10 + i);
            fleetSync.texts.id[i] = std::to_string(1000 + 11 * i);
        }
    }

    VirtualLine line;
    VirtualTimer timer1{line.now, signalling::kSessionTimeoutMs};
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    link::PortHub hub{line, line};
    protocol::MainSession main{hub, table, settings, {}};
    std::vector<std::string> messages;
    std::string failure;
    std::function<void(const std::string &)> sink = [this](const std::string &m) { messages.push_back(m); };
    signalling::DtmfSession dtmf{hub, timer1, sink};
    signalling::TwoToneSession twoTone{hub, timer1, sink};
    signalling::FiveToneSession fiveTone{hub, timer1, sink};
    signalling::FleetSyncSession fleetSync{hub, timer1, sink};
    Window window;

    std::array<signalling::SignallingLogic *, 4> logics{&dtmf, &twoTone, &fiveTone, &fleetSync}; // by Window

    signalling::SignallingLogic &Logic() { return *logics[static_cast<std::size_t>(window)]; }
    template <typename F>
    void Guard(F &&step)
    {
        try {
            step();
        } catch (const text::Failure &e) {
            failure = std::string(e.what()) + " " + e.detail();
        }
    }
    // Runs a read or a write to its end; false when it did not end in time.
    bool Run(bool write)
    {
        Guard([&] { write ? Logic().StartWrite() : Logic().StartRead(); });
        return line.Run(
            [&](const Bytes &chunk) {
                Guard([&] { main.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size())); });
            },
            [&] { Guard([&] { main.hub.Tick(); }); }, [&] { return !Logic().ReadRunning() && !Logic().WriteRunning(); },
            kBoundMs);
    }
    // What the window holds, as one comparable text.
    std::string Texts() const
    {
        std::string out;
        const auto add = [&out](const std::string &s) { out += s + "|"; };
        const auto addEach = [&add](const auto &texts) {
            for (const auto &s : texts)
                add(s);
        };
        const auto addRows = [&addEach](const auto &rows) {
            for (const auto &row : rows)
                addEach(row);
        };
        switch (window) {
        case Dtmf:
            for (const auto *s :
                 {&dtmf.texts.speed, &dtmf.texts.firstDigitTime, &dtmf.texts.firstDigitDelay, &dtmf.texts.hashStarTime,
                  &dtmf.texts.dCode, &dtmf.texts.idCode, &dtmf.texts.groupCode, &dtmf.texts.autoReset,
                  &dtmf.texts.callAlert, &dtmf.texts.transpond})
                add(*s);
            addEach(dtmf.texts.autodial);
            break;
        case TwoTone:
            addEach(twoTone.texts.first);
            addEach(twoTone.texts.second);
            addRows(twoTone.texts.decode);
            add(twoTone.texts.restTime);
            break;
        case FiveTone:
            addRows(fiveTone.texts.encode);
            addRows(fiveTone.texts.decode);
            addRows(fiveTone.texts.standards);
            break;
        case FleetSync:
            addEach(fleetSync.texts.fleet);
            addEach(fleetSync.texts.id);
            add(fleetSync.texts.baudRate);
            break;
        }
        return out;
    }
};

std::uint8_t AreaOf(Window w)
{
    static const std::uint8_t areas[] = {protocol::kAreaDtmf, protocol::kArea2Tone, protocol::kArea5Tone,
                                         protocol::kAreaFleetSync};
    return areas[w];
}

// The blocks of one area of a radio's memory.
std::vector<std::array<std::uint8_t, 28>> Area(const VirtualRadio &radio, Window w)
{
    const std::uint8_t area = AreaOf(w);
    std::vector<std::array<std::uint8_t, 28>> out;
    const auto [first, last] = protocol::kAreaBlocks.at(area);
    for (int b = first; b <= last; ++b)
        out.push_back(radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(area, b))));
    return out;
}

void Spoil(VirtualRadio &radio, Window w)
{
    const std::uint8_t area = AreaOf(w);
    const auto [first, last] = protocol::kAreaBlocks.at(area);
    for (int b = first; b <= last; ++b)
        radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(area, b))).fill(0x5A);
}

const std::vector<RadioFaults> &Faults()
{
    static const std::vector<RadioFaults> faults{
        {},
        {.splitAnswer = 3},
        {.badChecksumAnswer = 3},
        {.staleAnswer = 3},
        {.dropAnswer = 3},
        {.repeatBadChecksum = 3},
        {.strayAnswer = 2},
        {.strayAnswer = 2, .strayMarked = true},
        {.dropAnswer = 3, .strayAnswer = 3, .strayMarked = true, .strayElsewhere = true},
    };
    return faults;
}
const char *const kFaultNames[] = {"none",  "split",       "badChecksum",
                                   "stale", "dropped",     "sameBadChecksumTwice",
                                   "stray", "strayMarked", "strayMarkedElsewhereThenDropped"};

// A window gives up after 10 s without an answer it took. A radio that
// takes 1.5 s to answer, and then loses or spoils one answer, may keep it
// waiting longer (copies to be answered first, the resend's patience): the
// window may then stop, saying so.
bool OutlastsTheTimeout(int delay, int fault)
{
    return delay >= 1450 && fault != 0;
}

bool TimedOutAndSaidSo(const std::vector<std::string> &messages, const std::string &timedOut)
{
    return messages == std::vector<std::string>{timedOut};
}

using Param = std::tuple<Window, bool, VirtualRadio::Kind, int, int>;

class SignallingSweep : public ::testing::TestWithParam<Param> {};

TEST_P(SignallingSweep, EndsAndNeverReportsSuccessWithADifference)
{
    const auto [window, write, kind, delay, fault] = GetParam();
    // What a faultless radio keeps from the window's texts, and gives back.
    VirtualRadio perfect(VirtualRadio::Kind::Buffering, 0);
    Spoil(perfect, window);
    Station writer(perfect, window);
    ASSERT_TRUE(writer.Run(true));
    ASSERT_EQ(writer.messages, std::vector<std::string>{"WRITE SUCCEED!"}) << writer.failure;
    Station reader(perfect, window);
    ASSERT_TRUE(reader.Run(false));
    ASSERT_TRUE(reader.failure.empty() && reader.messages.empty()) << reader.failure;

    VirtualRadio radio(kind, delay, Faults().at(static_cast<std::size_t>(fault)));
    Station s(radio, window);
    if (write)
        Spoil(radio, window);
    else
        radio.memory = perfect.memory;
    if (!write) {
        // The window starts from other texts, so a block not taken shows.
        for (std::size_t m = 0; m < 8; ++m) // memories 9 to 16 keep no digit count
            s.dtmf.texts.autodial[m].clear();
        s.fleetSync.texts.fleet.fill("");
        s.fiveTone.texts.encode = {};
        s.twoTone.texts.first.fill("");
    }
    ASSERT_TRUE(s.Run(write)) << "still running after " << kBoundMs / 1000 << " s";
    EXPECT_EQ(radio.aheadOfAck, 0) << "a message went out before the Ack of the block written before it";
    if (write) {
        const bool succeeded = s.messages == std::vector<std::string>{"WRITE SUCCEED!"};
        if (succeeded) {
            EXPECT_EQ(Area(radio, window), Area(perfect, window)) << "success reported with a difference";
        }
        // FleetSync's frames are not resent: a block whose Ack does not
        // come is sent again after a longer wait, so a lost Ack costs time.
        if (!OutlastsTheTimeout(delay, fault) || !TimedOutAndSaidSo(s.messages, signalling::kWriteTimedOut)) {
            EXPECT_TRUE(succeeded) << s.failure << ::testing::PrintToString(s.messages);
        }
    } else {
        const bool succeeded = s.failure.empty() && s.messages.empty();
        if (succeeded) {
            EXPECT_EQ(s.Texts(), reader.Texts()) << "success reported with a difference";
        }
        if (!OutlastsTheTimeout(delay, fault) || !TimedOutAndSaidSo(s.messages, signalling::kReadTimedOut)) {
            EXPECT_TRUE(succeeded) << s.failure << ::testing::PrintToString(s.messages);
        }
    }
}

std::string ParamName(const ::testing::TestParamInfo<Param> &info)
{
    const auto [window, write, kind, delay, fault] = info.param;
    return std::string(kNames[window]) + (write ? "Write" : "Read") + test::KindName(kind) + std::to_string(delay) +
           "ms" + kFaultNames[fault];
}

// A radio that acknowledges one block of the window's area and never
// stores it: the window's write fails and says so, for every block.
using NotStoredParam = std::tuple<Window, int>;

class WindowNotStored : public ::testing::TestWithParam<NotStoredParam> {};

TEST_P(WindowNotStored, AWriteOfABlockTheRadioDoesNotStoreFailsAndSaysSo)
{
    const auto [window, block] = GetParam();
    const int first = protocol::kAreaBlocks.at(AreaOf(window)).first;
    VirtualRadio radio(VirtualRadio::Kind::Buffering, 0,
                       {.notStoredArea = AreaOf(window), .notStoredBlock = first + block});
    Spoil(radio, window);
    Station s(radio, window);
    ASSERT_TRUE(s.Run(true)) << "still running after " << kBoundMs / 1000 << " s";
    if (s.messages == std::vector<std::string>{signalling::kWriteSucceeded}) {
        // Only where the block's bytes show nothing the window holds: a read
        // gives what a read of a radio that stored it gives.
        VirtualRadio perfect(VirtualRadio::Kind::Buffering, 0);
        Spoil(perfect, window);
        Station writer(perfect, window);
        ASSERT_TRUE(writer.Run(true));
        Station expected(perfect, window);
        ASSERT_TRUE(expected.Run(false));
        Station got(radio, window);
        ASSERT_TRUE(got.Run(false));
        EXPECT_EQ(got.Texts(), expected.Texts()) << "success reported although the radio shows other values";
        return;
    }
    EXPECT_TRUE(s.messages.empty()) << ::testing::PrintToString(s.messages);
    EXPECT_NE(s.failure.find("does not hold what was written"), std::string::npos) << s.failure;
    EXPECT_NE(s.failure.find(std::to_string(first + block) + " differ"), std::string::npos) << s.failure;
}

std::vector<NotStoredParam> EveryBlock()
{
    std::vector<NotStoredParam> out;
    for (const Window w : {Dtmf, TwoTone, FiveTone, FleetSync}) {
        const auto [first, last] = protocol::kAreaBlocks.at(AreaOf(w));
        for (int b = 0; b <= last - first; ++b)
            out.emplace_back(w, b);
    }
    return out;
}

std::string NotStoredName(const ::testing::TestParamInfo<NotStoredParam> &param)
{
    return std::string(kNames[std::get<0>(param.param)]) + "Block" + std::to_string(std::get<1>(param.param));
}

INSTANTIATE_TEST_SUITE_P(EveryBlockOfEveryWindow, WindowNotStored, ::testing::ValuesIn(EveryBlock()), NotStoredName);

INSTANTIATE_TEST_SUITE_P(EveryWindowRadioAndDelay, SignallingSweep,
                         ::testing::Combine(::testing::Values(Dtmf, TwoTone, FiveTone, FleetSync), ::testing::Bool(),
                                            ::testing::Values(VirtualRadio::Kind::Buffering, VirtualRadio::Kind::Deaf,
                                                              VirtualRadio::Kind::EveryCopy),
                                            ::testing::Values(0, 100, 290, 310, 700, 1000, 1450, 1500),
                                            ::testing::Range(0, static_cast<int>(Faults().size()))),
                         ParamName);

} // namespace

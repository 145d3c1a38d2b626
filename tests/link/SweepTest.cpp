// SPDX-License-Identifier: GPL-3.0-or-later
// Every session against radios that answer late, ignore what comes while
// they store, and split, corrupt, drop or mix up an answer: each run ends in
// bounded time, and success means the table (a read) or the radio (a write)
// holds exactly what was meant.
#include "BlockFrames.h"
#include "VirtualRadio.h"

#include "cli/RadioJob.h"
#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"
#include "memory/ChannelBlock.h"
#include "protocol/MainSession.h"
#include "text/Convert.h"

#include "SampleRadio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

namespace {

using namespace tonvar;
using test::Bytes;
using test::kBoundMs;
using test::Ms;
using test::RadioFaults;
using test::VirtualLine;
using test::VirtualRadio;

enum class Session { MainRead, MainWrite, CliRead, CliWrite };

struct Fault {
    const char *name;
    RadioFaults faults;
};

std::string Name(Session s)
{
    static const char *const names[] = {"MainRead", "MainWrite", "CliRead", "CliWrite"};
    return names[static_cast<int>(s)];
}

// What the radio holds for the sample, decoded: the texts a read must give.
struct Expected {
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
};

memory::ChannelTable SampleTable()
{
    memory::ChannelTable t;
    for (int ch = 1; ch <= 16; ++ch)
        t.Row(ch) = test::SampleRow(ch);
    return t;
}

memory::SettingsTexts SampleSettings()
{
    memory::SettingsTexts s = memory::DefaultSettingsTexts();
    s.Box(3) = "5";
    s.Box(4) = "120";
    s.Box(6) = "Monitor";
    return s;
}

// The radio's memory decoded as a read would show it.
Expected Decode(const VirtualRadio &radio)
{
    Expected e;
    for (int ch = 1; ch <= 16; ++ch) {
        protocol::ByteBuffer f{};
        protocol::PutFrameHeader(f, 0, static_cast<std::uint8_t>(ch));
        const auto &b = radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(0, ch)));
        std::copy(b.begin(), b.end(), f.begin() + 4);
        tonvar::test::DecodeChannelBlock(f, e.table);
    }
    protocol::ByteBuffer f{};
    const auto &b = radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(5, 0)));
    std::copy(b.begin(), b.end(), f.begin() + 4);
    tonvar::test::DecodeSettingsBlock(f, e.settings);
    return e;
}

void Fill(VirtualRadio &radio, const memory::ChannelTable &table, const memory::SettingsTexts &settings)
{
    for (int ch = 1; ch <= 16; ++ch) {
        protocol::ByteBuffer f{};
        tonvar::test::EncodeChannelBlock(table.Row(ch), f);
        std::copy(f.begin() + 4, f.begin() + 32, radio.memory.at(static_cast<std::size_t>(ch - 1)).begin());
    }
    protocol::ByteBuffer f{};
    tonvar::test::EncodeSettingsBlock(settings, f);
    std::copy(f.begin() + 4, f.begin() + 32,
              radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(5, 0))).begin());
}

// Rows 1..16 without the channel numbers, and the settings a file keeps.
std::string Differences(const memory::ChannelTable &a, const memory::SettingsTexts &as, const Expected &b)
{
    std::ostringstream out;
    for (int ch = 1; ch <= 16; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            if (a.Cell(ch, c) != b.table.Cell(ch, c))
                out << "channel " << ch << " column " << c << ": '" << a.Cell(ch, c) << "' vs '" << b.table.Cell(ch, c)
                    << "'; ";
    for (int n = 1; n <= 9; ++n)
        if (as.Box(n) != b.settings.Box(n))
            out << "setting " << n << ": '" << as.Box(n) << "' vs '" << b.settings.Box(n) << "'; ";
    return out.str();
}

struct Result {
    bool ended = false;
    bool succeeded = false;
    std::string failure;
    std::string differences;
    Ms took = 0;
    // Frames taken although their checksum did not match (the main window's
    // read only, which says so).
};

// Runs the main window's session on the line to its end (or the bound):
// `start` starts it; what it throws is the result's failure.
void RunSession(VirtualLine &line, protocol::MainSession &session, Result &r, const std::function<void()> &start)
{
    const auto guard = [&](auto &&step) {
        try {
            step();
        } catch (const text::Failure &e) {
            r.failure = std::string(e.what()) + " " + e.detail();
        }
    };
    guard(start);
    r.ended = line.Run(
        [&](const Bytes &chunk) {
            guard([&] { session.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size())); });
        },
        [&] { guard([&] { session.hub.Tick(); }); }, [&] { return !session.ReadRunning() && !session.WriteRunning(); },
        kBoundMs);
    r.took = line.now;
}

// Runs a tonvar-cli job on the line to its end (or the bound), on a clock
// that follows the line's.
void RunJob(VirtualLine &line, cli::RadioJob &job, Result &r)
{
    const auto clock = [&line] {
        return cli::RadioJob::Clock::time_point(std::chrono::microseconds(static_cast<long long>(line.now * 1000)));
    };
    job.Start(clock());
    r.ended = line.Run(
        [&](const Bytes &chunk) { job.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size()), clock()); },
        [&] {
            job.Tick();
            job.Check(clock());
        },
        [&] { return job.Finished(); }, kBoundMs);
    r.took = line.now;
    r.succeeded = job.Result() == cli::Outcome::Succeeded;
    r.failure = job.Error();
}

Result RunMain(Session kind, VirtualRadio &radio)
{
    VirtualLine line(radio);
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    Expected wanted;
    if (kind == Session::MainWrite) {
        table = SampleTable();
        settings = SampleSettings();
    } else {
        Fill(radio, SampleTable(), SampleSettings());
        wanted = Decode(radio);
    }
    Result r;
    std::vector<std::string> messages;
    link::PortHub hub(line, line);
    protocol::MainSession session(
        hub, table, settings,
        protocol::MainSessionHost{[&](const std::string &m) { messages.push_back(m); }, [](int) {}, [] {}});
    RunSession(line, session, r, [&] {
        if (kind == Session::MainWrite)
            session.StartWrite();
        else
            session.StartRead();
    });
    r.succeeded = !messages.empty() && messages.back() == (kind == Session::MainWrite ? protocol::kWriteSucceeded
                                                                                      : protocol::kReadSucceeded);
    if (kind == Session::MainWrite) {
        Expected meant;
        meant.table = SampleTable();
        meant.settings = SampleSettings();
        // What the radio holds against the table as the radio would keep it.
        VirtualRadio kept(VirtualRadio::Kind::Buffering, 0);
        Fill(kept, meant.table, meant.settings);
        r.differences = Differences(Decode(radio).table, Decode(radio).settings, Decode(kept));
    } else {
        r.differences = Differences(table, settings, wanted);
    }
    return r;
}

Result RunCli(Session kind, VirtualRadio &radio)
{
    VirtualLine line(radio);
    cli::ChannelData file = cli::WindowStartState();
    Expected wanted;
    if (kind == Session::CliWrite) {
        for (int ch = 1; ch <= 16; ++ch)
            file.table.Row(ch) = test::SampleRow(ch);
        file.settings = SampleSettings();
    } else {
        Fill(radio, SampleTable(), SampleSettings());
        wanted = Decode(radio);
    }
    link::PortHub hub(line, line);
    cli::RadioJob job(hub, kind == Session::CliWrite ? cli::Job::Write : cli::Job::Read, "radio",
                      std::chrono::seconds(10), file);
    Result r;
    RunJob(line, job, r);
    if (kind == Session::CliWrite) {
        VirtualRadio kept(VirtualRadio::Kind::Buffering, 0);
        Fill(kept, file.table, file.settings);
        r.differences = Differences(Decode(radio).table, Decode(radio).settings, Decode(kept));
    } else {
        r.differences = Differences(job.Radio().table, job.Radio().settings, wanted);
    }
    return r;
}

using Param = std::tuple<Session, VirtualRadio::Kind, int, int>;

const std::vector<Fault> &Faults()
{
    static const std::vector<Fault> faults{
        {"none", {}},
        {"split", {.splitAnswer = 6}},
        {"splitLate", {.splitAnswer = 12, .splitAt = 30}},
        {"badChecksum", {.badChecksumAnswer = 6}},
        {"stale", {.staleAnswer = 6}},
        {"dropped", {.dropAnswer = 6}},
        {"sameBadChecksumTwice", {.repeatBadChecksum = 6}},
        {"stray", {.strayAnswer = 6}},
        {"strayMarked", {.strayAnswer = 6, .strayMarked = true}},
        {"strayMarkedElsewhereThenDropped",
         {.dropAnswer = 6, .strayAnswer = 6, .strayMarked = true, .strayElsewhere = true}},
    };
    return faults;
}

class Sweep : public ::testing::TestWithParam<Param> {};

TEST_P(Sweep, EndsAndNeverReportsSuccessWithADifference)
{
    const auto [session, kind, delay, fault] = GetParam();
    VirtualRadio radio(kind, delay, Faults().at(static_cast<std::size_t>(fault)).faults);
    const Result r = session == Session::MainRead || session == Session::MainWrite ? RunMain(session, radio)
                                                                                   : RunCli(session, radio);
    if (std::getenv("SWEEP_TRACE"))
        std::printf("took %.1f s, %s\n", r.took / 1000, r.failure.c_str());
    ASSERT_TRUE(r.ended) << "still running after " << kBoundMs / 1000 << " s";
    EXPECT_EQ(radio.aheadOfAck, 0) << "a message went out before the Ack of the block written before it";
    if (r.succeeded) {
        EXPECT_EQ(r.differences, "") << "success reported with a difference";
    }
    // Only these radios may make a session fail: none here is beyond reach.
    EXPECT_TRUE(r.succeeded) << "failed: " << r.failure << " after " << r.took / 1000 << " s";
}

std::string ParamName(const ::testing::TestParamInfo<Param> &info)
{
    const auto [session, kind, delay, fault] = info.param;
    return Name(session) + test::KindName(kind) + std::to_string(delay) + "ms" +
           Faults().at(static_cast<std::size_t>(fault)).name;
}

// A radio that acknowledges a block but never stores it: every write that
// sends that block, through the plans the window, the window's Restore Radio
// and tonvar-cli use, ends failed and says so; none reports success.
enum class Writer { MainWrite, CliWrite, MainRestore, CliRestore };

std::string Name(Writer w)
{
    static const char *const names[] = {"MainWrite", "CliWrite", "MainRestore", "CliRestore"};
    return names[static_cast<int>(w)];
}

// An image whose every block differs from the spoilt radio in every byte,
// with small numbers that the windows show (digits, codes, list entries).
files::RadioImage PatternImage()
{
    files::RadioImage image;
    for (std::size_t b = 0; b < image.payloads.size(); ++b)
        for (std::size_t i = 0; i < image.payloads[b].size(); ++i)
            image.payloads[b][i] = static_cast<std::uint8_t>(1 + (3 * b + i) % 10);
    return image;
}

Result RunRestore(Writer kind, VirtualRadio &radio, const files::RadioImage &image)
{
    VirtualLine line(radio);
    Result r;
    if (kind == Writer::CliRestore) {
        link::PortHub hub(line, line);
        cli::RadioJob job(hub, cli::Job::Restore, "radio", std::chrono::seconds(10), cli::WindowStartState(), {},
                          true, image);
        RunJob(line, job, r);
        return r;
    }
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    link::PortHub hub(line, line);
    protocol::MainSession session(hub, table, settings, protocol::MainSessionHost{{}, [](int) {}, [] {}});
    files::RadioImage held = image;
    bool done = false;
    RunSession(line, session, r, [&] {
        session.StartWhole(true, signalling::WholeRadioPlans(true), signalling::ImageHooks(held, {}),
                           [&] { done = true; });
    });
    r.succeeded = done;
    return r;
}

using NotStoredParam = std::tuple<Writer, int>;

class NotStored : public ::testing::TestWithParam<NotStoredParam> {};

TEST_P(NotStored, EveryWriteOfABlockTheRadioDoesNotStoreFailsAndSaysSo)
{
    const auto [kind, index] = GetParam();
    const files::ImageBlock b = files::ImageBlocks().at(static_cast<std::size_t>(index));
    VirtualRadio radio(VirtualRadio::Kind::Buffering, 0, {.notStoredArea = b.area, .notStoredBlock = b.number});
    for (auto &block : radio.memory)
        block.fill(0x5A);
    Result r;
    if (kind == Writer::MainWrite)
        r = RunMain(Session::MainWrite, radio);
    else if (kind == Writer::CliWrite)
        r = RunCli(Session::CliWrite, radio);
    else
        r = RunRestore(kind, radio, PatternImage());
    ASSERT_TRUE(r.ended) << "still running after " << kBoundMs / 1000 << " s";
    if (r.succeeded && (kind == Writer::MainRestore || kind == Writer::CliRestore)) {
        // A block no window shows anything of (DTMF memories 13 to 16 keep
        // no digit count): what the radio holds shows as the image does.
        files::RadioImage held;
        for (const files::ImageBlock &ib : files::ImageBlocks())
            held.At(ib) = radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(ib.area, ib.number)));
        EXPECT_TRUE(signalling::CompareImages(PatternImage(), held).empty())
            << "success reported although the radio shows other values";
        return;
    }
    EXPECT_FALSE(r.succeeded) << "success reported for a block the radio does not hold";
    EXPECT_NE(r.failure.find("does not hold what was written"), std::string::npos) << r.failure;
    EXPECT_NE(r.failure.find(b.area == protocol::kAreaChannels   ? "channel " + std::to_string(b.number)
                             : b.area == protocol::kAreaSettings ? std::string("settings")
                                                                 : std::to_string(b.number)),
              std::string::npos)
        << "names the block: " << r.failure;
}

std::string NotStoredName(const ::testing::TestParamInfo<NotStoredParam> &info)
{
    const auto [kind, index] = info.param;
    std::string block = files::ImageBlockName(files::ImageBlocks().at(static_cast<std::size_t>(index)));
    std::replace(block.begin(), block.end(), ' ', '_');
    return Name(kind) + "_" + block;
}

// Channels 1 to 16 and the settings: the first 17 blocks of an image.
INSTANTIATE_TEST_SUITE_P(ChannelsAndSettings, NotStored,
                         ::testing::Combine(::testing::Values(Writer::MainWrite, Writer::CliWrite),
                                            ::testing::Range(0, 17)),
                         NotStoredName);
INSTANTIATE_TEST_SUITE_P(WholeRadio, NotStored,
                         ::testing::Combine(::testing::Values(Writer::MainRestore, Writer::CliRestore),
                                            ::testing::Range(0, files::kRadioImageBlocks)),
                         NotStoredName);

// A restore whose radio loses one Ack of a FleetSync block (sent once, not
// resent): the block is sent again and the restore ends with the radio
// holding the image. Answers 45 to 47 are the Acks of FleetSync blocks 0 to 2
// ("PROGRAM", 17 blocks and their read-back, then DTMF's 4 and theirs).
using LostAckParam = std::tuple<Writer, VirtualRadio::Kind, int, int>;

class LostFleetSyncAck : public ::testing::TestWithParam<LostAckParam> {};

TEST_P(LostFleetSyncAck, TheBlockIsSentAgainAndTheRestoreHoldsTheImage)
{
    const auto [kind, radioKind, delay, answer] = GetParam();
    VirtualRadio radio(radioKind, delay, {.dropAnswer = answer});
    for (auto &block : radio.memory)
        block.fill(0x5A);
    const Result r = RunRestore(kind, radio, PatternImage());
    ASSERT_TRUE(r.ended) << "still running after " << kBoundMs / 1000 << " s";
    EXPECT_TRUE(r.succeeded) << r.failure;
    files::RadioImage held;
    for (const files::ImageBlock &ib : files::ImageBlocks())
        held.At(ib) = radio.memory.at(static_cast<std::size_t>(VirtualRadio::Index(ib.area, ib.number)));
    EXPECT_EQ(held, PatternImage());
    EXPECT_EQ(radio.aheadOfAck, 0);
}

INSTANTIATE_TEST_SUITE_P(RestoresAndRadios, LostFleetSyncAck,
                         ::testing::Combine(::testing::Values(Writer::MainRestore, Writer::CliRestore),
                                            ::testing::Values(VirtualRadio::Kind::Buffering, VirtualRadio::Kind::Deaf,
                                                              VirtualRadio::Kind::EveryCopy),
                                            ::testing::Values(0, 310, 1000), ::testing::Values(45, 46, 47)),
                         [](const ::testing::TestParamInfo<LostAckParam> &param) {
                             return Name(std::get<0>(param.param)) + test::KindName(std::get<1>(param.param)) +
                                    std::to_string(std::get<2>(param.param)) + "msAnswer" +
                                    std::to_string(std::get<3>(param.param));
                         });

INSTANTIATE_TEST_SUITE_P(EverySessionRadioAndDelay, Sweep,
                         ::testing::Combine(::testing::Values(Session::MainRead, Session::MainWrite, Session::CliRead,
                                                              Session::CliWrite),
                                            ::testing::Values(VirtualRadio::Kind::Buffering, VirtualRadio::Kind::Deaf,
                                                              VirtualRadio::Kind::EveryCopy),
                                            ::testing::Values(0, 60, 100, 250, 290, 310, 400, 700, 1000, 1450, 1500),
                                            ::testing::Range(0, static_cast<int>(Faults().size()))),
                         ParamName);

} // namespace

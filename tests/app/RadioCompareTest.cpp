// SPDX-License-Identifier: GPL-3.0-or-later
// Compare with Radio without the window: what the windows hold against the
// radio's image, field by field, each difference at its place; the compare
// read against a fake port answering as the radio; and what makes the
// differences go. The table, the settings and the undo history never change.
#include "ComparedRadio.h"
#include "WindowDocument.h"
#include "FrameBytes.h"
#include "app/ImageFiles.h"
#include "app/RadioCompare.h"
#include "app/TableUndo.h"
#include "files/RadioImage.h"
#include "protocol/Frames.h"
#include "signalling/RadioAreas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tonvar;
using namespace tonvar::app;
using signalling::FieldPlace;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The radio: three channels, TOT 60 and DTMF ID code 101.
files::RadioImage RadioHolding()
{
    return test::ThreeChannelRadio("60", "101");
}

struct Expected {
    FieldPlace place;
    std::string line;
};

// What the window holds differs from the radio in two cells, a box of the
// panel and the DTMF window's ID code.
const std::vector<Expected> kFourDifferences{
    {{protocol::kAreaChannels, 2, memory::kColRxFreq, 0}, "Channel 2, RX Freq: window '146.50000', radio '146.00000'"},
    {{protocol::kAreaChannels, 3, memory::kColTxFreq, 0}, "Channel 3, TX Freq: window '147.12500', radio '147.00000'"},
    {{protocol::kAreaSettings, 0, 0, memory::SettingsTexts::kTimeOut}, "Settings, TOT: window '120', radio '60'"},
    {{protocol::kAreaDtmf, 0, 0, 5}, "DTMF, ID Code: window '202', radio '101'"},
};

struct CompareWithRadio : ::testing::Test, test::WindowDocument {
    const files::RadioImage radio = RadioHolding();
    signalling::DtmfTexts dtmf;
    ImageFiles images{document, session, [](int) {}};
    std::vector<std::uint8_t> open{protocol::kAreaDtmf};
    int changes = 0;
    RadioComparison compare{document, session, [](int) {},
                            RadioComparison::Hooks{[this] { return images.WrittenImage(); }, [this] { return open; },
                                                   [this] { return State(); }, [this] { ++changes; }}};
    Bytes pending; // what the tool sent that is not answered yet

    void SetUp() override
    {
        session.hub.portName = "ttyUSB0";
        images.keepSignalling = [this](files::RadioImage &image) { signalling::ApplyAreaTexts(image, dtmf); };
        // The window shows what the radio holds, then the user changes four
        // fields.
        signalling::ChannelsFromImage(radio, table, settings);
        dtmf = signalling::ImageTextsOf(radio).dtmf;
        table.SetCell(2, memory::kColRxFreq, "146.5");
        table.SetCell(3, memory::kColTxFreq, "147.125");
        settings.Box(memory::SettingsTexts::kTimeOut) = "120";
        dtmf.idCode = "202";
        history.Start();
    }

    std::vector<std::string> State()
    {
        std::vector<std::string> out;
        for (int ch = 1; ch <= memory::kChannelCount; ++ch)
            for (const std::string &cell : table.Row(ch))
                out.push_back(cell);
        for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
            out.push_back(settings.Box(n));
        for (const signalling::FieldSlot &s : signalling::FieldSlots(dtmf))
            out.push_back(s.text ? *s.text : *s.checked ? "on" : "off");
        return out;
    }

    // Answers as the radio holding `radio` does, `answers` answers at most:
    // an Ack for "PROGRAM", the block asked for. Returns whether any was
    // given.
    int Answer(int answers = 1000)
    {
        int given = 0;
        for (bool progress = true; progress && given < answers;) {
            const Bytes sent = port.Sent();
            pending.insert(pending.end(), sent.begin(), sent.end());
            progress = false;
            const Bytes program{'P', 'R', 'O', 'G', 'R', 'A', 'M'};
            if (pending.size() >= program.size() && std::equal(program.begin(), program.end(), pending.begin())) {
                pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(program.size()));
                Receive({0x06});
                progress = true;
            } else if (pending.size() >= 4 && pending[0] == 0x52) {
                const std::uint8_t area = pending[1], block = pending[2];
                pending.erase(pending.begin(), pending.begin() + 4);
                Bytes frame = test::FrameBytes(area, block);
                const memory::Payload &p = radio.At({area, block});
                std::copy(p.begin(), p.end(), frame.begin() + 4);
                test::PutChecksum(frame);
                Receive(frame);
                progress = true;
            }
            given += progress ? 1 : 0;
        }
        return given;
    }
    void Receive(const Bytes &chunk) { session.hub.Receive(chunk.data(), static_cast<std::uint16_t>(chunk.size())); }

    static void ExpectDifferences(const std::vector<signalling::PlacedDifference> &got,
                                  const std::vector<Expected> &expected)
    {
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].place, expected[i].place) << expected[i].line;
            EXPECT_EQ(DifferenceLine(got[i].difference), expected[i].line);
        }
    }
};

} // namespace

// Only the fields that differ, each at its place, in the order of the
// image's fields; the areas of closed windows are not judged.
TEST_F(CompareWithRadio, EveryDifferenceIsFoundAtItsPlace)
{
    const files::RadioImage window = images.WrittenImage();
    const struct {
        std::vector<std::uint8_t> areas;
        std::vector<Expected> expected;
    } cases[] = {
        {{protocol::kAreaChannels, protocol::kAreaSettings, protocol::kAreaDtmf}, kFourDifferences},
        {{protocol::kAreaChannels, protocol::kAreaSettings}, {kFourDifferences.begin(), kFourDifferences.end() - 1}},
        {{protocol::kAreaDtmf, protocol::kAreaFleetSync}, {kFourDifferences.back()}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expected.size());
        ExpectDifferences(WindowDifferences(window, radio, c.areas), c.expected);
    }
    EXPECT_TRUE(WindowDifferences(radio, radio, {0, 1, 2, 3, 4, 5}).empty());
}

// Texts written differently but held alike ("145.5" and "145.50000") are
// no difference.
TEST_F(CompareWithRadio, AValueTheRadioHoldsAlikeIsNoDifference)
{
    table.SetCell(1, memory::kColRxFreq, "145.5");
    table.SetCell(1, memory::kColTxFreq, "145.500");
    ExpectDifferences(WindowDifferences(images.WrittenImage(), radio, {protocol::kAreaChannels, protocol::kAreaSettings}),
                      {kFourDifferences.begin(), kFourDifferences.end() - 1});
}

// A channel without a receive frequency whose other cells hold texts (as a
// channel file may have it) is what a write sends: an empty channel. It is
// compared as that, not refused.
TEST_F(CompareWithRadio, AChannelWithoutAReceiveFrequencyIsComparedAsTheWriteSendsIt)
{
    table.Row(5) = memory::NewRowDefaults();
    table.SetCell(5, memory::kColChannel, "5");
    table.SetCell(5, memory::kColPower, "LOW");
    ExpectDifferences(WindowDifferences(images.WrittenImage(), radio, {protocol::kAreaChannels, protocol::kAreaSettings}),
                      {kFourDifferences.begin(), kFourDifferences.end() - 1});
    table.SetCell(1, memory::kColRxFreq, "");
    const std::vector<signalling::PlacedDifference> emptied =
        WindowDifferences(images.WrittenImage(), radio, {protocol::kAreaChannels});
    ASSERT_FALSE(emptied.empty());
    EXPECT_EQ(DifferenceLine(emptied.front().difference).rfind("Channel 1, RX Freq: window '', radio '145.50000'", 0),
              0u)
        << DifferenceLine(emptied.front().difference);
}

TEST_F(CompareWithRadio, TheComparePlansReadTheOpenWindowsAreasOnly)
{
    const auto areasOf = [](const std::vector<link::TransferPlan> &plans) {
        std::vector<int> out;
        for (const link::TransferPlan &p : plans) {
            EXPECT_FALSE(p.readBack);
            out.push_back(p.blocks.front().area);
        }
        return out;
    };
    EXPECT_EQ(areasOf(ComparePlans({})), (std::vector<int>{protocol::kAreaChannels}));
    EXPECT_EQ(areasOf(ComparePlans({protocol::kArea5Tone, protocol::kAreaDtmf})),
              (std::vector<int>{protocol::kAreaChannels, protocol::kAreaDtmf, protocol::kArea5Tone}));
}

// The compare reads the radio and shows the differences; it sends no block,
// and the table, the settings, the DTMF texts and the history stay as they
// were. Next goes round them; an edit takes them away.
TEST_F(CompareWithRadio, ACompareShowsTheDifferencesAndChangesNothing)
{
    const std::vector<std::string> before = State();
    compare.Start();
    ASSERT_TRUE(session.hub.AnyRunning());
    EXPECT_FALSE(compare.Shown()) << "nothing before the whole read";
    Answer();
    ASSERT_TRUE(failures.empty()) << failures[0];
    ASSERT_FALSE(session.hub.AnyRunning());
    ASSERT_TRUE(compare.Shown());
    EXPECT_EQ(changes, 1);
    ExpectDifferences(compare.Differences(), kFourDifferences);
    EXPECT_EQ(compare.Summary(), "4 differences from the radio");
    EXPECT_EQ(compare.RadioText(kFourDifferences[0].place), "146.00000");
    EXPECT_EQ(compare.RadioText(kFourDifferences[3].place), "101");
    EXPECT_EQ(compare.RadioText({protocol::kAreaChannels, 1, memory::kColRxFreq, 0}), std::nullopt);

    EXPECT_EQ(State(), before);
    EXPECT_EQ(history.Stack().count(), 0);
    EXPECT_TRUE(history.Saved());
    EXPECT_TRUE(messages.empty()) << messages[0];
    for (const Bytes &w : port.writes)
        EXPECT_NE(w.front(), 0x57) << "no block is written";

    std::vector<int> visited;
    for (int i = 0; i < 5; ++i)
        visited.push_back(compare.Next());
    EXPECT_EQ(visited, (std::vector<int>{0, 1, 2, 3, 0}));

    compare.Check(); // nothing changed
    EXPECT_TRUE(compare.Shown());
    dtmf.idCode = "101";
    compare.Check();
    EXPECT_FALSE(compare.Shown());
    EXPECT_TRUE(compare.Differences().empty());
    EXPECT_EQ(compare.Summary(), "");
    EXPECT_EQ(changes, 2);
}

// Edits of every kind and any session that starts take the differences
// away; a radio that holds what the window shows says so.
TEST_F(CompareWithRadio, AnEditOrASessionTakesTheDifferencesAway)
{
    const std::function<void(CompareWithRadio &)> edits[] = {
        [](CompareWithRadio &c) { c.table.SetCell(1, memory::kColRxFreq, "440"); },
        [](CompareWithRadio &c) { c.settings.Box(memory::SettingsTexts::kTimeOut) = "60"; },
        [](CompareWithRadio &c) { c.dtmf.sideTone = !c.dtmf.sideTone; },
        [](CompareWithRadio &c) { c.session.StartRead(); },
    };
    for (const auto &change : edits) {
        compare.Start();
        Answer();
        ASSERT_TRUE(compare.Shown()) << (failures.empty() ? "" : failures.back()) << messages.size();
        change(*this);
        compare.Check();
        EXPECT_FALSE(compare.Shown());
        if (session.hub.AnyRunning())
            session.Cancel();
        pending.clear();
        port.Sent();
    }

    // The window showing what the radio holds.
    signalling::ChannelsFromImage(radio, table, settings);
    dtmf = signalling::ImageTextsOf(radio).dtmf;
    compare.Start();
    Answer();
    ASSERT_TRUE(compare.Shown());
    EXPECT_TRUE(compare.Differences().empty());
    EXPECT_EQ(compare.Summary(), "The radio holds what the window shows");
    EXPECT_EQ(compare.Next(), -1);
}

// A compare cancelled half-way shows nothing, also none of what it had
// read; and the differences of the compare before go when it starts.
TEST_F(CompareWithRadio, ACancelledCompareShowsNothing)
{
    compare.Start();
    Answer();
    ASSERT_TRUE(compare.Shown());
    const std::vector<std::string> before = State();
    compare.Start();
    EXPECT_FALSE(compare.Shown());
    Answer(10);
    ASSERT_TRUE(session.hub.AnyRunning());
    session.Cancel();
    EXPECT_FALSE(session.hub.AnyRunning());
    EXPECT_FALSE(compare.Shown());
    EXPECT_TRUE(compare.Differences().empty());
    EXPECT_EQ(State(), before);
    EXPECT_EQ(history.Stack().count(), 0);
}

// A text a write would refuse stops the compare before the radio is asked.
TEST_F(CompareWithRadio, ATextThatDoesNotConvertStopsTheCompareFirst)
{
    table.SetCell(4, memory::kColRxFreq, "abc");
    compare.Start();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(port.calls.empty());
    EXPECT_FALSE(session.hub.AnyRunning());
    EXPECT_FALSE(compare.Shown());
}

// One resend timer, Tim1, for every window: a signalling window's time-out,
// Close or failed write ends only its own session's use of it, whatever else
// is running.
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/TwoToneSession.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

using namespace tonvar;
using namespace tonvar::signalling;
using test::Bytes;

namespace {

enum Window { Dtmf, TwoTone, FiveTone, FleetSync };
const char *const kWindowNames[] = {"Dtmf", "TwoTone", "FiveTone", "FleetSync"};

// A session that can run beside a window's: the main window's, or one of
// another window.
enum Other { MainRead, MainWrite, DtmfRead, DtmfWrite, TwoRead, TwoWrite, FiveRead, FiveWrite, FleetRead, FleetWrite };
const char *const kOtherNames[] = {"MainRead", "MainWrite", "DtmfRead", "DtmfWrite", "TwoToneRead",
                                   "TwoToneWrite", "FiveToneRead", "FiveToneWrite", "FleetSyncRead", "FleetSyncWrite"};

Window WindowOf(Other o)
{
    return static_cast<Window>((o - DtmfRead) / 2);
}
bool IsRead(Other o)
{
    return o == MainRead || (o >= DtmfRead && (o - DtmfRead) % 2 == 0);
}

// Everything the windows show of their sessions.
struct Shown {
    bool mainRead, mainWrite, comcbb, mainProgress;
    std::array<bool, 4> rbtn, wbtn, bar, timer1;
    bool operator==(const Shown &) const = default;
};

struct AllWindows {
    test::FakePort port;
    test::FakeTimer tim1;
    std::array<test::FakeTimer, 4> timer1;
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    protocol::MainSession main{port, tim1, table, settings, {}};
    std::vector<std::string> messages;
    std::function<void(const std::string &)> sink = [this](const std::string &m) { messages.push_back(m); };
    DtmfSession dtmf{main, timer1[Dtmf], sink};
    TwoToneSession twoTone{main, timer1[TwoTone], sink};
    FiveToneSession fiveTone{main, timer1[FiveTone], sink};
    FleetSyncSession fleetSync{main, timer1[FleetSync], sink};

    AllWindows()
    {
        main.signalling = {&fiveTone, &twoTone, &fleetSync, &dtmf};
        port.open = true;
    }

    SignallingLogic &Logic(Window w)
    {
        switch (w) {
        case Dtmf:
            return dtmf;
        case TwoTone:
            return twoTone;
        case FiveTone:
            return fiveTone;
        case FleetSync:
            break;
        }
        return fleetSync;
    }
    void Read(Window w)
    {
        switch (w) {
        case Dtmf:
            return dtmf.rbtnClick();
        case TwoTone:
            return twoTone.rbtnClick();
        case FiveTone:
            return fiveTone.rbtnClick();
        case FleetSync:
            return fleetSync.rbtnClick();
        }
    }
    void Write(Window w)
    {
        switch (w) {
        case Dtmf:
            return dtmf.wbtnClick();
        case TwoTone:
            return twoTone.wbtnClick();
        case FiveTone:
            return fiveTone.wbtnClick();
        case FleetSync:
            return fleetSync.wbtnClick();
        }
    }
    void Close(Window w)
    {
        switch (w) {
        case Dtmf:
            return dtmf.Button3Click();
        case TwoTone:
            return twoTone.Button3Click();
        case FiveTone:
            return fiveTone.Button3Click();
        case FleetSync:
            return fleetSync.Button3Click();
        }
    }
    // A field each window's first write block cannot convert.
    void SpoilFirstBlock(Window w)
    {
        switch (w) {
        case Dtmf:
            dtmf.texts.cb2 = "105";
            break;
        case TwoTone:
            twoTone.texts.ed5 = "6s";
            break;
        case FiveTone:
            fiveTone.texts.Standard(1, 1) = "x";
            break;
        case FleetSync:
            fleetSync.texts.ed3 = "4OO";
            break;
        }
    }
    void Start(Other o)
    {
        switch (o) {
        case MainRead:
            return main.rbtnClick();
        case MainWrite:
            return main.wbtnClick();
        default:
            return IsRead(o) ? Read(WindowOf(o)) : Write(WindowOf(o));
        }
    }
    bool UsesResend(Other o) const { return o != FleetWrite; }

    Shown Show()
    {
        Shown s{!main.rbtnEnabled, !main.wbtnEnabled, main.comcbbEnabled, main.progress.visible, {}, {}, {}, {}};
        for (int w = 0; w < 4; ++w) {
            const auto i = static_cast<std::size_t>(w);
            SignallingLogic &l = Logic(static_cast<Window>(w));
            s.rbtn[i] = l.rbtnEnabled;
            s.wbtn[i] = l.wbtnEnabled;
            s.bar[i] = l.progress.visible;
            s.timer1[i] = timer1[i].active;
        }
        return s;
    }
    // What the window's own action may change: its buttons, bar and Timer1.
    static Shown WithoutWindow(Shown s, Window w)
    {
        const auto i = static_cast<std::size_t>(w);
        s.rbtn[i] = s.wbtn[i] = s.bar[i] = s.timer1[i] = false;
        return s;
    }
};

enum Action { TimeOut, CloseWindow };

struct Pairs : ::testing::TestWithParam<std::tuple<Window, Action, Other, bool>>, AllWindows {};

std::vector<std::tuple<Window, Action, Other, bool>> AllPairs()
{
    std::vector<std::tuple<Window, Action, Other, bool>> out;
    for (Window w : {Dtmf, TwoTone, FiveTone, FleetSync})
        for (Action a : {TimeOut, CloseWindow})
            for (int o = MainRead; o <= FleetWrite; ++o)
                if (o < DtmfRead || WindowOf(static_cast<Other>(o)) != w)
                    for (bool otherFirst : {false, true})
                        out.emplace_back(w, a, static_cast<Other>(o), otherFirst);
    return out;
}

std::string PairName(const ::testing::TestParamInfo<std::tuple<Window, Action, Other, bool>> &info)
{
    const auto &[w, a, o, otherFirst] = info.param;
    return std::string(kWindowNames[w]) + (a == TimeOut ? "TimeOut" : "Close") + "Beside" + kOtherNames[o] +
           (otherFirst ? "StartedFirst" : "StartedAfter");
}

} // namespace

TEST_P(Pairs, AWindowsTimeOutOrCloseLeavesTheOtherSessionAndItsResend)
{
    const auto &[w, action, other, otherFirst] = GetParam();
    if (otherFirst)
        Start(other);
    Read(w); // the radio never answers it
    if (!otherFirst)
        Start(other);
    ASSERT_TRUE(tim1.active);
    const Shown before = Show();

    if (action == TimeOut)
        Logic(w).Timer1Timer();
    else
        Close(w);

    EXPECT_EQ(WithoutWindow(Show(), w), WithoutWindow(before, w)) << "the other session is as it was";
    // The window no longer waits under the resend, unless its time-out
    // gives nothing back (5TONE's does not).
    const bool windowStillWaits = w == FiveTone && action == TimeOut;
    EXPECT_EQ(main.ResendUsedBy(&Logic(w)), windowStillWaits);
    EXPECT_EQ(tim1.active, UsesResend(other) || windowStillWaits);
    if (action == CloseWindow && w != FleetSync) {
        EXPECT_TRUE(Logic(w).rbtnEnabled && Logic(w).wbtnEnabled);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryWindowBesideEverySession, Pairs, ::testing::ValuesIn(AllPairs()), PairName);

struct FailedWrites : ::testing::TestWithParam<std::tuple<Window, Other>>, AllWindows {};

std::vector<std::tuple<Window, Other>> AllFailures()
{
    std::vector<std::tuple<Window, Other>> out;
    for (Window w : {Dtmf, TwoTone, FiveTone, FleetSync})
        for (Other o : {MainRead, MainWrite, DtmfRead, TwoRead, FiveRead, FleetRead})
            if (o < DtmfRead || WindowOf(o) != w)
                out.emplace_back(w, o);
    return out;
}

TEST_P(FailedWrites, AWriteThatDoesNotConvertLeavesTheResendOfTheOtherSession)
{
    const auto &[w, other] = GetParam();
    Start(other);
    const Shown before = Show();
    SpoilFirstBlock(w);
    EXPECT_THROW(Write(w), text::ConversionError);
    EXPECT_TRUE(Logic(w).wbtnEnabled) << "the write has ended";
    EXPECT_FALSE(main.ResendUsedBy(&Logic(w)));
    EXPECT_TRUE(tim1.active) << "the other session still waits under it";
    EXPECT_EQ(WithoutWindow(Show(), w), WithoutWindow(before, w));
}

TEST_P(FailedWrites, AWriteThatDoesNotConvertAloneStopsTheResend)
{
    const auto w = std::get<0>(GetParam());
    SpoilFirstBlock(w);
    EXPECT_THROW(Write(w), text::ConversionError);
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(timer1[w].active) << "no session of the window left to time";
}

std::string FailureName(const ::testing::TestParamInfo<std::tuple<Window, Other>> &param)
{
    return std::string(kWindowNames[std::get<0>(param.param)]) + "Beside" + kOtherNames[std::get<1>(param.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryWindowBesideEveryRead, FailedWrites, ::testing::ValuesIn(AllFailures()), FailureName);

struct Together : ::testing::Test, AllWindows {};

// FleetSync Read with no answer, Close, then F11 with a silent radio: the
// FleetSync time-out, when it comes, gives FleetSync its buttons back and the
// main read keeps repeating its handshake.
TEST_F(Together, AClosedFleetSyncReadsTimeOutLeavesTheMainReadsHandshakeRepeating)
{
    fleetSync.rbtnClick();
    fleetSync.Button3Click();
    EXPECT_FALSE(tim1.active) << "Close ends FleetSync's use of the resend";
    EXPECT_FALSE(fleetSync.rbtnEnabled) << "but the session goes on";
    main.rbtnClick();
    port.Sent();
    fleetSync.Timer1Timer();
    EXPECT_TRUE(fleetSync.rbtnEnabled && fleetSync.wbtnEnabled);
    ASSERT_TRUE(tim1.active);
    main.Tim1Timer();
    const Bytes resent = port.Sent();
    ASSERT_EQ(resent.size(), 34u);
    EXPECT_EQ(std::string(resent.begin(), resent.begin() + 7), "PROGRAM");
}

TEST_F(Together, ASessionsEndStopsTheResendOnlyWhenNoOtherWaits)
{
    dtmf.rbtnClick();
    main.rbtnClick();
    main.Button2Click(); // Cancel
    EXPECT_TRUE(tim1.active) << "the DTMF read still waits";
    dtmf.Button3Click();
    EXPECT_FALSE(tim1.active);
}

// The time-out belongs to the session that started it.
TEST_F(Together, A2ToneReadsTimeOutEndsWithTheReadAndNeverActsOnAWrite)
{
    twoTone.rbtnClick();
    EXPECT_TRUE(timer1[TwoTone].active);
    Bytes block(34, 0);
    block[0] = 0x57;
    block[1] = 3;
    block[3] = 0x20;
    for (std::uint8_t b = 0; b <= 10; ++b) {
        block[2] = b;
        main.Comm1ReceiveData(block.data(), static_cast<std::uint16_t>(block.size()));
    }
    ASSERT_TRUE(twoTone.rbtnEnabled) << "the read has ended";
    EXPECT_FALSE(timer1[TwoTone].active);

    twoTone.wbtnClick();
    EXPECT_FALSE(timer1[TwoTone].active) << "a write runs without a time-out";
    twoTone.Timer1Timer(); // a firing left over from anywhere
    EXPECT_FALSE(twoTone.wbtnEnabled) << "the write goes on";
    EXPECT_TRUE(tim1.active);
    EXPECT_TRUE(main.ResendUsedBy(&twoTone));
}

TEST_F(Together, ASessionAfterAnEndedOneGetsAFullTimeOutOfItsOwn)
{
    fleetSync.wbtnClick();
    EXPECT_EQ(timer1[FleetSync].starts, 1);
    const Bytes ack{0x06};
    main.Comm1ReceiveData(ack.data(), 1);
    main.Comm1ReceiveData(ack.data(), 1);
    ASSERT_TRUE(fleetSync.wbtnEnabled);
    EXPECT_FALSE(timer1[FleetSync].active);
    fleetSync.rbtnClick();
    EXPECT_EQ(timer1[FleetSync].starts, 2) << "a fresh 10 s";

    // A read and a write of the same window side by side share the one
    // started first.
    dtmf.rbtnClick();
    dtmf.wbtnClick();
    EXPECT_EQ(timer1[Dtmf].starts, 1);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// One port, one resend timer Tim1 and one session at a time for every
// window: no session starts beside another, and a window's time-out, Close
// or failed write ends its session's use of them.
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/TwoToneSession.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
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
const char *const kOtherNames[] = {"MainRead",     "MainWrite",    "DtmfRead",      "DtmfWrite",     "TwoToneRead",
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
    link::PortHub hub{port, tim1};
    protocol::MainSession main{hub, table, settings, {}};
    std::vector<std::string> messages;
    std::function<void(const std::string &)> sink = [this](const std::string &m) { messages.push_back(m); };
    DtmfSession dtmf{hub, timer1[Dtmf], sink};
    TwoToneSession twoTone{hub, timer1[TwoTone], sink};
    FiveToneSession fiveTone{hub, timer1[FiveTone], sink};
    FleetSyncSession fleetSync{hub, timer1[FleetSync], sink};

    AllWindows()
    {
        port.open = true;
        // A 5TONE table that converts, so its write can start.
        for (int r = 1; r <= 16; ++r) {
            fiveTone.texts.Encode(r, 1) = "1";
            fiveTone.EncodeCellEdited(r, 1);
            fiveTone.texts.Decode(r, 1) = "EIA";
            fiveTone.DecodeCellEdited(r, 1);
        }
    }

    std::array<SignallingLogic *, 4> logics{&dtmf, &twoTone, &fiveTone, &fleetSync}; // by Window

    SignallingLogic &Logic(Window w) { return *logics[static_cast<std::size_t>(w)]; }
    void Read(Window w) { Logic(w).StartRead(); }
    void Write(Window w) { Logic(w).StartWrite(); }
    void Close(Window w) { Logic(w).Close(); }
    // A field each window's first write block cannot convert.
    void SpoilFirstBlock(Window w)
    {
        switch (w) {
        case Dtmf:
            dtmf.texts.firstDigitTime = "105";
            break;
        case TwoTone:
            twoTone.texts.restTime = "6s";
            break;
        case FiveTone:
            fiveTone.texts.Standard(1, 1) = "x";
            break;
        case FleetSync:
            fleetSync.texts.modulationDelay = "4OO";
            break;
        }
    }
    void Start(Other o)
    {
        switch (o) {
        case MainRead:
            return main.StartRead();
        case MainWrite:
            return main.StartWrite();
        default:
            return IsRead(o) ? Read(WindowOf(o)) : Write(WindowOf(o));
        }
    }
    bool UsesResend(Other o) const { return o != FleetWrite; }

    Shown Show()
    {
        Shown s{main.ReadRunning(), main.WriteRunning(), main.PortFree(), main.progress.visible, {}, {}, {}, {}};
        for (int w = 0; w < 4; ++w) {
            const auto i = static_cast<std::size_t>(w);
            SignallingLogic &l = Logic(static_cast<Window>(w));
            s.rbtn[i] = !l.ReadRunning();
            s.wbtn[i] = !l.WriteRunning();
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

struct OneAtATime : ::testing::TestWithParam<Other>, AllWindows {};

std::string OtherName(const ::testing::TestParamInfo<Other> &info)
{
    return kOtherNames[info.param];
}

} // namespace

// While any session runs, no other starts: nothing is sent, nothing changes.
TEST_P(OneAtATime, NoSessionStartsBesideARunningOne)
{
    const Other running = GetParam();
    Start(running);
    for (int o = MainRead; o <= FleetWrite; ++o) {
        const auto other = static_cast<Other>(o);
        if (other == running)
            continue;
        port.Sent();
        const Shown before = Show();
        Start(other);
        EXPECT_EQ(Show(), before) << kOtherNames[other] << " started beside " << kOtherNames[running];
        EXPECT_TRUE(port.Sent().empty()) << kOtherNames[other];
    }
}

INSTANTIATE_TEST_SUITE_P(EverySession, OneAtATime, ::testing::Range(MainRead, static_cast<Other>(FleetWrite + 1)),
                         OtherName);

namespace {

struct Together : ::testing::Test, AllWindows {};

} // namespace

TEST_F(Together, AWriteThatDoesNotConvertStopsTheResendAndTheTimeOut)
{
    for (Window w : {Dtmf, TwoTone, FiveTone, FleetSync}) {
        AllWindows fresh;
        fresh.SpoilFirstBlock(w);
        EXPECT_THROW(fresh.Write(w), text::ConversionError) << kWindowNames[w];
        EXPECT_FALSE(fresh.Logic(w).WriteRunning()) << "the write has ended";
        EXPECT_FALSE(fresh.tim1.active);
        EXPECT_FALSE(fresh.timer1[w].active) << "no session of the window left to time";
        EXPECT_FALSE(fresh.main.hub.AnyRunning());
    }
}

// FleetSync Read with no answer, then Close: the port is free for F11.
TEST_F(Together, AClosedFleetSyncReadFreesThePort)
{
    fleetSync.StartRead();
    fleetSync.Close();
    EXPECT_FALSE(tim1.active);
    EXPECT_TRUE(!fleetSync.ReadRunning() && !fleetSync.WriteRunning());
    main.StartRead();
    EXPECT_TRUE(main.ReadRunning()) << "the main read runs";
    port.Sent();
    main.hub.Tick();
    const Bytes resent = port.Sent();
    ASSERT_EQ(resent.size(), 34u);
    EXPECT_EQ(std::string(resent.begin(), resent.begin() + 7), "PROGRAM");
}

// The time-out belongs to the session that started it.
TEST_F(Together, A2ToneReadsTimeOutEndsWithTheReadAndNeverActsOnAWrite)
{
    twoTone.StartRead();
    EXPECT_TRUE(timer1[TwoTone].active);
    Bytes block(34, 0);
    block[0] = 0x57;
    block[1] = 3;
    block[3] = 0x20;
    for (std::uint8_t b = 0; b <= 10; ++b) {
        block[2] = b;
        const std::uint16_t crc = protocol::Crc16Modbus(block.data(), 32);
        block[32] = static_cast<std::uint8_t>(crc >> 8);
        block[33] = static_cast<std::uint8_t>(crc & 0xFF);
        main.hub.Receive(block.data(), static_cast<std::uint16_t>(block.size()));
    }
    ASSERT_TRUE(!twoTone.ReadRunning()) << "the read has ended";
    EXPECT_FALSE(timer1[TwoTone].active);

    twoTone.StartWrite();
    EXPECT_FALSE(timer1[TwoTone].active) << "a write runs without a time-out";
    twoTone.TimeOut(); // a firing left over from anywhere
    EXPECT_TRUE(twoTone.WriteRunning()) << "the write goes on";
    EXPECT_TRUE(tim1.active);
    EXPECT_TRUE(main.hub.link.ResendUsedBy(link::LinkUser(twoTone)));
}

TEST_F(Together, ASessionAfterAnEndedOneGetsAFullTimeOutOfItsOwn)
{
    fleetSync.StartWrite();
    EXPECT_EQ(timer1[FleetSync].starts, 1);
    const Bytes ack{0x06};
    for (int n = 0; n < 3; ++n)
        main.hub.Receive(ack.data(), 1);
    // The read-back, answered as a radio that holds what was written.
    port.Sent();
    for (std::uint8_t b = 0; b <= 2; ++b) {
        Bytes f = fleetSync.Written(b);
        f.resize(34);
        const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
        f[32] = static_cast<std::uint8_t>(crc >> 8);
        f[33] = static_cast<std::uint8_t>(crc & 0xFF);
        main.hub.Receive(f.data(), 34);
    }
    ASSERT_TRUE(!fleetSync.WriteRunning());
    EXPECT_FALSE(timer1[FleetSync].active);
    const int starts = timer1[FleetSync].starts;
    fleetSync.StartRead();
    EXPECT_GT(timer1[FleetSync].starts, starts) << "a fresh 10 s";
    EXPECT_TRUE(timer1[FleetSync].active);
}

// A port that would not open leaves the progress dialog and its Retry up;
// a signalling read started since keeps the port to itself.
TEST_F(Together, RetryStartsNothingBesideASignallingSession)
{
    port.failOpen = true;
    EXPECT_THROW(main.StartRead(), text::Failure);
    port.failOpen = false;
    port.open = true;
    dtmf.StartRead();
    ASSERT_FALSE(!dtmf.ReadRunning());
    port.Sent();
    main.Retry();
    EXPECT_TRUE(!main.ReadRunning() && !main.WriteRunning()) << "no main session";
    EXPECT_TRUE(port.Sent().empty());
    EXPECT_TRUE(dtmf.ReadRunning()) << "the DTMF read goes on";
}

// The port closed since the window was shown (a main session ended, a
// cable was pulled): a window's Read or Write opens it again and is heard.
TEST_F(Together, AWindowsSessionOpensAPortClosedSinceItWasShown)
{
    for (const bool write : {false, true}) {
        main.Cancel(); // Cancel: the port is closed
        ASSERT_FALSE(port.open);
        port.Sent();
        if (write)
            dtmf.StartWrite();
        else
            dtmf.StartRead();
        EXPECT_TRUE(port.open);
        EXPECT_FALSE(port.Sent().empty()) << (write ? "the first block" : "the first request") << " went out";
        messages.clear();
        dtmf.Close();
        // Closing a write half-way says what the radio may hold.
        EXPECT_EQ(messages, write ? std::vector<std::string>{kWriteClosed} : std::vector<std::string>{});
    }
}

// A field that does not convert names the window and the field it is in,
// and what the radio takes there.
TEST_F(Together, AFailedConversionNamesTheWindowAndField)
{
    const std::pair<Window, const char *> windows[] = {
        {Dtmf, "DTMF, First Digit Time [ms]: the radio keeps multiples of 10."},
        {TwoTone, "2TONE, Rest Time(ms): the radio takes 0 to 65535."},
        {FiveTone, "5TONE, Standard row 1, TX Time(ms): the radio takes 0 to 255."},
        {FleetSync, "FleetSync, Data TX Modulation Delay Time[ms]: the radio takes 0 to 65535."}};
    for (const auto &[w, where] : windows) {
        AllWindows fresh;
        fresh.SpoilFirstBlock(w);
        try {
            fresh.Write(w);
            ADD_FAILURE() << where;
        } catch (const text::ConversionError &e) {
            EXPECT_EQ(e.detail(), where);
        }
    }
}

// A value that converts but that its block cannot keep (too big for its
// bytes, not in the radio's list) stops the write before its first byte,
// naming the field, what the radio would keep and what it takes.
TEST_F(Together, AValueTheRadioCannotHoldIsRefusedBeforeTheFirstByte)
{
    struct Case {
        Window window;
        std::function<void(AllWindows &)> set;
        const char *where;
        const char *message;
    };
    const Case cases[] = {
        {Dtmf, [](AllWindows &a) { a.dtmf.texts.firstDigitTime = "2560"; }, "DTMF, First Digit Time [ms]",
         "The radio cannot hold '2560': it would keep '0'. The radio takes 0 to 2550 in steps of 10."},
        {Dtmf, [](AllWindows &a) { a.dtmf.texts.groupCode = "E"; }, "DTMF, Group Code",
         "The radio cannot hold 'E': it would keep 'D'. The radio takes Off, A, B, C, D, * or #."},
        {FleetSync, [](AllWindows &a) { a.fleetSync.texts.fleet[0] = "70000"; }, "FleetSync, row 1, Fleet",
         "The radio cannot hold '70000': it would keep '4464'. The radio takes 1 to 65535, or empty for none."},
        {FleetSync, [](AllWindows &a) { a.fleetSync.texts.baudRate = "4800"; }, "FleetSync, FleetSync Baud Rate[bps]",
         "The radio cannot hold '4800'. The radio takes 1200 or 2400."},
        {TwoTone, [](AllWindows &a) { a.twoTone.texts.restTime = "70000"; }, "2TONE, Rest Time(ms)",
         "The radio cannot hold '70000': it would keep '4464'. The radio takes 0 to 65535."},
        {FiveTone, [](AllWindows &a) { a.fiveTone.texts.Standard(2, 1) = "300"; }, "5TONE, Standard row 2, TX Time(ms)",
         "The radio cannot hold '300': it would keep '44'. The radio takes 0 to 255."},
        {FiveTone, [](AllWindows &a) { a.fiveTone.texts.Encode(1, 5) = "NOPE"; }, "5TONE, Encode row 1, Use Standard",
         "The radio cannot hold 'NOPE'. The radio takes CCIR, EIA, EEA, ZVEI1 or ZVEI2."},
    };
    for (const Case &c : cases) {
        AllWindows fresh;
        c.set(fresh);
        fresh.port.Sent();
        try {
            fresh.Write(c.window);
            ADD_FAILURE() << c.where << ": taken";
        } catch (const text::Failure &e) {
            EXPECT_EQ(e.detail(), c.where);
            EXPECT_EQ(std::string(e.what()), c.message) << c.where;
        }
        EXPECT_TRUE(fresh.port.Sent().empty()) << c.where;
        EXPECT_FALSE(fresh.Logic(c.window).WriteRunning()) << c.where;
        EXPECT_FALSE(fresh.main.hub.AnyRunning()) << c.where;
    }
}

namespace {

// Every window's texts at once.
struct AllTexts {
    DtmfTexts dtmf;
    TwoToneTexts twoTone;
    FiveToneTexts fiveTone;
    FleetSyncTexts fleetSync;
    bool operator==(const AllTexts &) const = default;
};

struct StoppedRead : ::testing::TestWithParam<Window>, AllWindows {
    AllTexts Texts() const { return {dtmf.texts, twoTone.texts, fiveTone.texts, fleetSync.texts}; }
    // The radio's answer to the request last sent, from `image`.
    bool Answer(const files::RadioImage &image)
    {
        const Bytes sent = port.Sent();
        if (sent.size() < 4 || sent[0] != 0x52)
            return false;
        const memory::Payload &p = image.At({sent[1], sent[2]});
        Bytes f{0x57, sent[1], sent[2], 0x20};
        f.insert(f.end(), p.begin(), p.end());
        const std::uint16_t crc = protocol::Crc16Modbus(f.data(), 32);
        f.push_back(static_cast<std::uint8_t>(crc >> 8));
        f.push_back(static_cast<std::uint8_t>(crc & 0xFF));
        main.hub.Receive(f.data(), static_cast<std::uint16_t>(f.size()));
        return true;
    }
};

files::RadioImage Filled(int seed)
{
    files::RadioImage image;
    for (std::size_t b = 0; b < image.payloads.size(); ++b)
        for (std::size_t i = 0; i < image.payloads[b].size(); ++i)
            image.payloads[b][i] = static_cast<std::uint8_t>((static_cast<std::size_t>(seed) * 37 + b * 11 + i * 5) % 97);
    return image;
}

} // namespace

// A window's read that is stopped anywhere (Close, its time-out, a pulled
// cable) leaves every window's texts exactly as they were; one that ends
// shows the radio's area as opening an image of the same bytes does.
TEST_P(StoppedRead, LeavesTheWindowAsItWasUnlessItEnds)
{
    const Window w = GetParam();
    SignallingLogic &logic = Logic(w);
    const files::RadioImage held = Filled(1);
    const files::RadioImage radio = Filled(2);
    for (SignallingLogic *l : {&Logic(Dtmf), &Logic(TwoTone), &Logic(FiveTone), &Logic(FleetSync)})
        l->ReadImage(held);
    const AllTexts before = Texts();
    for (SignallingLogic *l : {&Logic(Dtmf), &Logic(TwoTone), &Logic(FiveTone), &Logic(FleetSync)})
        l->ReadImage(radio);
    const AllTexts radioTexts = Texts();
    for (SignallingLogic *l : {&Logic(Dtmf), &Logic(TwoTone), &Logic(FiveTone), &Logic(FleetSync)})
        l->ReadImage(held);
    ASSERT_NE(before, radioTexts) << "the two radios must differ for the test to mean anything";

    enum Stop { CloseIt, TimeOut, HangUp };
    for (const Stop stop : {CloseIt, TimeOut, HangUp}) {
        for (int taken = 0;; ++taken) {
            SCOPED_TRACE("stop " + std::to_string(stop) + " after " + std::to_string(taken) + " blocks");
            port.open = true;
            port.Sent();
            Read(w);
            ASSERT_FALSE(!logic.ReadRunning());
            bool more = true;
            for (int a = 0; a < taken && more; ++a)
                more = Answer(radio) && logic.ReadRunning();
            if (!more || !logic.ReadRunning()) {
                // Every block came: the read ended.
                EXPECT_GT(taken, 2) << "the read never ran";
                logic.ReadImage(held);
                break;
            }
            try {
                switch (stop) {
                case CloseIt:
                    Close(w);
                    break;
                case TimeOut:
                    logic.TimeOut();
                    Close(w); // the window that does not give up by itself
                    break;
                case HangUp:
                    main.HungUp();
                    break;
                }
            } catch (const text::Failure &) {
                // A hang-up says so.
            }
            EXPECT_FALSE(logic.ReadRunning());
            EXPECT_EQ(Texts(), before);
        }
    }

    Read(w);
    while (Answer(radio) && logic.ReadRunning()) {
    }
    ASSERT_TRUE(!logic.ReadRunning());
    AllTexts expected = before;
    switch (w) {
    case Dtmf:
        expected.dtmf = radioTexts.dtmf;
        break;
    case TwoTone:
        expected.twoTone = radioTexts.twoTone;
        break;
    case FiveTone:
        expected.fiveTone = radioTexts.fiveTone;
        break;
    case FleetSync:
        expected.fleetSync = radioTexts.fleetSync;
        break;
    }
    EXPECT_EQ(Texts(), expected);
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, StoppedRead, ::testing::Values(Dtmf, TwoTone, FiveTone, FleetSync),
                         [](const ::testing::TestParamInfo<Window> &p) { return kWindowNames[p.param]; });

// A window read from a radio holding any bytes at all and written back
// unchanged leaves the radio's area byte for byte as it was, and says so.
TEST_P(StoppedRead, WrittenBackUnchangedTheRadioKeepsEveryByte)
{
    const Window w = GetParam();
    SignallingLogic &logic = Logic(w);
    files::RadioImage radio = Filled(3);
    const files::RadioImage before = radio;
    Read(w);
    while (Answer(radio) && logic.ReadRunning()) {
    }
    ASSERT_TRUE(!logic.ReadRunning());

    port.Sent();
    Write(w);
    for (int step = 0; step < 200 && logic.WriteRunning(); ++step) {
        const Bytes sent = port.Sent();
        ASSERT_GE(sent.size(), 4u);
        if (sent[0] == 0x57) { // a block: the radio stores it and acknowledges
            std::copy(sent.begin() + 4, sent.begin() + 32, radio.At({sent[1], sent[2]}).begin());
            const Bytes ack{0x06};
            main.hub.Receive(ack.data(), 1);
        } else {
            port.writes.insert(port.writes.begin(), sent); // a read-back request
            ASSERT_TRUE(Answer(radio));
        }
    }
    EXPECT_FALSE(logic.WriteRunning());
    EXPECT_EQ(messages, std::vector<std::string>{kWriteSucceeded});
    EXPECT_EQ(radio, before);
}

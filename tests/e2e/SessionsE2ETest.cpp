// SPDX-License-Identifier: GPL-3.0-or-later
// Whole read and write sessions: the real main window, port and timers
// against the simulated radio on a pseudo-terminal.
#include "BlockFrames.h"
#include "AppFixture.h"
#include "SampleRadio.h"
#include "files/ChannelFile.h"
#include "memory/ChannelBlock.h"

#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <memory>

using namespace tonvar;
using namespace std::chrono_literals;
using memory::ChannelRow;
using sim::Block;
using sim::LogEntry;
using test::WaitUntil;

namespace {

using test::Payload;

ChannelRow Row(int ch)
{
    ChannelRow row = test::SampleRow(ch);
    row[memory::kColChannel].clear();
    return row;
}

// The messages the radio saw, a resend folded into the message it repeats.
std::vector<std::string> Conversation(const std::vector<LogEntry> &log)
{
    std::vector<std::string> out;
    for (const LogEntry &e : log) {
        const std::string s = sim::Summary(e);
        if (out.empty() || out.back() != s)
            out.push_back(s);
    }
    return out;
}

std::vector<std::string> ExpectedRead()
{
    std::vector<std::string> v{"PROGRAM"};
    for (int ch = 1; ch <= 16; ++ch)
        v.push_back("READ 0 " + std::to_string(ch));
    v.push_back("READ 5 0");
    return v;
}

struct Sessions : test::AppFixture {
    void FillRadio() { test::FillRadio(radio); }

    bool Idle() const
    {
        return form->rbtn->isEnabled() && form->wbtn->isEnabled() && form->comcbb->isEnabled() && form->isEnabled() &&
               !form->Comm1.IsOpen() && !form->Tim1.isActive() && !windows->Form3->isVisible();
    }
    // The table and settings hold what FillRadio put in the radio.
    void ExpectTheRadiosContents() const
    {
        for (int ch = 1; ch <= 16; ++ch) {
            for (int c = 1; c < memory::kColumnCount; ++c) {
                const std::string expected = ch == 5 ? "" : Row(ch)[static_cast<std::size_t>(c)];
                EXPECT_EQ(form->table.Cell(ch, c), expected) << "channel " << ch << " column " << c;
            }
        }
        const memory::SettingsTexts expected{
            {"5", "2", "3", "CLOSE", "CLOSE", "H/L PowerSwitch", "Monitor", "CLOSE", "OPEN", "CLOSE"}};
        EXPECT_EQ(form->settings, expected);
    }
};

} // namespace

TEST_F(Sessions, AReadBringsTheRadiosChannelsAndSettings)
{
    FillRadio();
    form->rbtn->click();
    EXPECT_FALSE(form->rbtn->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s)) << Conversation(radio.Log()).size();
    EXPECT_EQ(messages, QStringList{QStringLiteral("   Read Succeed!")});
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_EQ(Conversation(radio.Log()), ExpectedRead());
    ExpectTheRadiosContents();
    EXPECT_EQ(form->ComboBox[4]->currentText(), QStringLiteral("CLOSE")) << "the panel shows what was read";
    EXPECT_TRUE(Idle());
}

TEST_F(Sessions, AWriteLeavesTheRadioHoldingTheTableAndSettings)
{
    for (int ch = 1; ch <= 15; ++ch)
        form->table.Row(ch) = Row(ch);
    form->wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    // The radio was read and backed up whole first, and the changes shown:
    // typed into a fresh window, so Cancel was the default.
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].cancelDefault);
    EXPECT_EQ(questions[0].summary.channels, 15);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Write Succeed!\nBackup: ") + form->Writes().LastBackup()});
    EXPECT_TRUE(failures.isEmpty());

    std::vector<std::string> expected{"PROGRAM"};
    for (int ch = 1; ch <= 16; ++ch)
        expected.push_back("WRITE 0 " + std::to_string(ch));
    expected.push_back("WRITE 5 0");
    // Then read back before success is reported.
    expected.push_back("PROGRAM");
    for (int ch = 1; ch <= 16; ++ch)
        expected.push_back("READ 0 " + std::to_string(ch));
    expected.push_back("READ 5 0");
    // The read before the write is a session of its own: its "PROGRAM"
    // comes first, then every area; the write opens the port again.
    std::vector<std::string> said = Conversation(radio.Log());
    const auto firstWrite = std::find_if(said.begin(), said.end(), [](const std::string &m) { return m.rfind("WRITE", 0) == 0; });
    ASSERT_NE(firstWrite, said.end());
    const std::vector<std::string> before(said.begin(), firstWrite - 1);
    EXPECT_EQ(std::vector<std::string>(before.begin(), before.begin() + 18), ExpectedRead());
    EXPECT_EQ(before.size(), 1u + 52u) << "PROGRAM and the 52 blocks of the whole radio";
    EXPECT_EQ(std::vector<std::string>(firstWrite - 1, said.end()), expected);

    memory::ChannelTable back;
    for (int ch = 1; ch <= 16; ++ch) {
        const Block b = radio.GetBlock(0, ch);
        protocol::ByteBuffer rx{};
        rx[0] = 0x57;
        rx[2] = static_cast<std::uint8_t>(ch);
        std::copy(b.begin(), b.end(), rx.begin() + 4);
        tonvar::test::DecodeChannelBlock(rx, back);
        EXPECT_EQ(b[27], 0xFF) << "offset 31 of channel " << ch;
        for (int c = 1; c < memory::kColumnCount; ++c)
            EXPECT_EQ(back.Cell(ch, c), form->table.Cell(ch, c)) << "channel " << ch << " column " << c;
    }
    // The settings frame: the stored texts, then what channel 16 (empty)
    // left in the frame buffer.
    const Block settings = radio.GetBlock(5, 0);
    const Block expectedSettings{0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x3C, 0x02, 0x00,
                                 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF};
    EXPECT_EQ(settings, expectedSettings);
    EXPECT_TRUE(Idle());
}

TEST_F(Sessions, ASilentRadioGetsTheHandshakeEvery300MsUntilRetryOrCancel)
{
    sim::Faults faults;
    faults.silent = true;
    radio.SetFaults(faults);
    form->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return radio.Log().size() >= 6; }, 20s));
    // The newest entry's burst may still be arriving: only those before it
    // are complete.
    std::vector<LogEntry> log = radio.Log();
    log.pop_back();
    for (std::size_t i = 0; i < log.size(); ++i) {
        ASSERT_EQ(log[i].kind, LogEntry::Handshake);
        // The first is the 7 bytes; every resend carries the buffer's 34.
        EXPECT_EQ(log[i].bytes.size() + log[i].tail.size(), i == 0 ? 7u : 34u) << i;
        if (i >= 2) {
            const auto gap = log[i].at - log[i - 1].at;
            EXPECT_GT(gap, 150ms) << i;
            EXPECT_LT(gap, 2000ms) << i;
        }
    }

    windows->Form3->Button1->click(); // Retry: a read again
    EXPECT_FALSE(form->rbtn->isEnabled());
    EXPECT_EQ(windows->Form3->ProgressBar1->maximum(), 16);
    EXPECT_TRUE(windows->Form3->isVisible());
    windows->Form3->Button2->click(); // Cancel
    EXPECT_TRUE(Idle());

    // The write's own Retry (the read before a write has the backup's).
    BareWrites();
    form->wbtn->click();
    windows->Form3->Button1->click();
    EXPECT_FALSE(form->wbtn->isEnabled());
    EXPECT_EQ(windows->Form3->ProgressBar1->maximum(), 17);
    windows->Form3->Button2->click();
    EXPECT_TRUE(Idle());
}

TEST_F(Sessions, AFrameMarkedAt5GetsExactlyOneExtraAck)
{
    FillRadio();
    sim::Faults faults;
    faults.markAnswer = 3; // the answer for channel 2
    radio.SetFaults(faults);
    form->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s));
    std::size_t acks = 0;
    bool behindTheNextRequest = false;
    for (const LogEntry &e : radio.Log()) {
        acks += static_cast<std::size_t>(std::count(e.tail.begin(), e.tail.end(), 0x06));
        behindTheNextRequest |= e.kind == LogEntry::ReadRequest && e.block == 3 && e.tail == sim::Bytes{0x06};
    }
    EXPECT_EQ(acks, 1u);
    EXPECT_TRUE(behindTheNextRequest);
    EXPECT_EQ(Conversation(radio.Log()), ExpectedRead());
}

struct Faulty : Sessions, ::testing::WithParamInterface<int> {};

const sim::Faults kFaultyRadios[] = {
    {.dropAnswer = 5},
    {.splitAnswer = 4},
    {.garbageBeforeAnswer = 6},
    {.otherBlockAnswer = 4, .otherBlock = 9},
    // a radio slower than the resend that ignores what comes meanwhile
    {.splitAnswer = 6, .splitAfter = 6, .answerDelayMs = 320, .deaf = true},
    {.badChecksumAnswer = 6, .staleAnswer = 9},
    // one that queues every copy
    {.answerDelayMs = 700},
};

TEST_P(Faulty, AMisbehavingRadioNeverStopsTheReadFromFinishing)
{
    FillRadio();
    radio.SetFaults(kFaultyRadios[GetParam()]);
    form->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 60s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("   Read Succeed!")});
    ExpectTheRadiosContents();
    EXPECT_TRUE(Idle());
}

INSTANTIATE_TEST_SUITE_P(Faults, Faulty, ::testing::Range(0, static_cast<int>(std::size(kFaultyRadios))));

// A write to a radio that ignores what comes while it stores a block:
// every block lands, and success comes only after the read-back.
TEST_F(Sessions, AWriteToADeafSlowRadioLandsWhole)
{
    sim::Faults faults;
    faults.answerDelayMs = 400;
    faults.deaf = true;
    radio.SetFaults(faults);
    for (int ch = 1; ch <= 16; ++ch)
        form->table.Row(ch) = Row(ch);
    BareWrites(); // the write itself to such a radio
    form->wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 120s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Write Succeed!")}) << failures.join(QLatin1Char('|')).toStdString();
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(radio.GetBlock(0, ch), test::Payload(Row(ch))) << "channel " << ch;
    EXPECT_TRUE(Idle());
}

TEST_F(Sessions, ARadioThatHangsUpEndsTheSessionAtOnce)
{
    FillRadio();
    sim::Faults faults;
    faults.hangUpAtAnswer = 4;
    radio.SetFaults(faults);
    form->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return radio.HungUp(); }, 10s));
    // Without waiting for Cancel or any time-out.
    ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }, 10s));
    EXPECT_TRUE(failures.front().startsWith(QStringLiteral("The cable was unplugged or the port was closed")))
        << failures.front().toStdString();
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(form->Tim1.isActive());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Sessions, APortThatWillNotOpenIsReportedAndNoDialogStays)
{
    form->AddDevicePath(QStringLiteral("/dev/tonvar-no-such-port"));
    form->rbtn->click();
    EXPECT_EQ(failures, QStringList{QStringLiteral("Error opening serial port.")});
    EXPECT_FALSE(windows->Form3->isVisible());
    EXPECT_TRUE(form->rbtn->isEnabled());
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(Idle());
}

TEST_F(Sessions, AReadSavedLoadedAndWrittenBackLeavesTheRadioAsItWas)
{
    // A memory exactly as this tool writes it: every channel programmed, and
    // the settings block's spare bytes as channel 16 leaves them.
    for (int ch = 1; ch <= 16; ++ch)
        radio.SetBlock(0, ch, Payload(Row(ch)));
    Block settings{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x02, 0x03, 0x00, 0x00, 0x02};
    const Block sixteen = Payload(Row(16));
    std::copy(sixteen.begin() + 16, sixteen.end(), settings.begin() + 16);
    radio.SetBlock(5, 0, settings);
    std::vector<Block> before;
    for (int ch = 1; ch <= 16; ++ch)
        before.push_back(radio.GetBlock(0, ch));
    before.push_back(radio.GetBlock(5, 0));

    form->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return messages.size() == 1; }, 30s));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("radio.wh"));
    form->ChooseFile = [&](bool) { return file; };
    form->N5Click();
    // Forget what was read, but ComboBox10, which files do not keep.
    form->table = memory::ChannelTable{};
    const std::string box10 = form->settings.Box(10);
    form->settings = memory::DefaultSettingsTexts();
    form->settings.Box(10) = box10;
    form->N3Click();
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char(' ')).toStdString();

    // The radio holds all of it already, so a preview would write nothing:
    // here the write itself sends what was read.
    BareWrites();
    form->wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return messages.size() == 2; }, 30s));
    EXPECT_EQ(messages.last(), QStringLiteral("Write Succeed!"));
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(radio.GetBlock(0, ch), before[static_cast<std::size_t>(ch - 1)]) << "channel " << ch;
    EXPECT_EQ(radio.GetBlock(5, 0), before.back());
}

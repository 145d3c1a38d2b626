// SPDX-License-Identifier: GPL-3.0-or-later
// The signalling windows' sessions against the simulated radio.
#include "AppFixture.h"

#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace tonvar;
using namespace std::chrono_literals;
using sim::Block;
using sim::LogEntry;
using test::WaitUntil;

namespace {

struct Signalling : test::AppFixture {
    // What each window's write itself sends; the read and preview before a
    // window's write are tested on their own below.
    void SetUp() override
    {
        AppFixture::SetUp();
        BareWrites();
    }
    // A signalling write ends as soon as its last block is sent, before the
    // radio has it: waits until the radio has taken `last` and the line has
    // been quiet since, as it is before a user's next click.
    bool RadioTook(const std::string &last)
    {
        return WaitUntil(
            [&] {
                const std::vector<LogEntry> log = radio.Log();
                return !log.empty() && sim::Summary(log.back()) == last &&
                       std::chrono::steady_clock::now() - log.back().at > 2 * sim::kBurstGap;
            },
            10s);
    }
    // The messages the radio saw. A signalling session keeps one 300 ms
    // resend period for its whole length, so a long one repeats a message
    // now and then; a repeat is folded into the message it repeats.
    std::vector<std::string> Log() const
    {
        std::vector<std::string> out;
        for (const LogEntry &e : radio.Log())
            if (out.empty() || out.back() != sim::Summary(e))
                out.push_back(sim::Summary(e));
        return out;
    }
    // Empties the window's texts, on screen too, and reads them from the
    // radio again; false when the read did not end in time.
    template <typename Window>
    bool ReadBackCleared(Window &window)
    {
        window.logic.texts = {};
        window.Refresh();
        radio.ClearLog();
        window.rbtn->click();
        return WaitUntil([&] { return window.rbtn->isEnabled(); }, 20s);
    }
};

Block Bytes28(std::initializer_list<std::pair<std::size_t, std::uint8_t>> at)
{
    Block b{};
    for (const auto &[offset, value] : at)
        b[offset - 4] = value;
    return b;
}

} // namespace

TEST_F(Signalling, ADtmfReadFillsTheWindowFromTheRadio)
{
    radio.SetBlock(1, 0,
                   Bytes28({{4, 8},
                            {5, 10},
                            {8, 20},
                            {9, 0},
                            {14, 0x78},
                            {15, 0x56},
                            {16, 0x34},
                            {17, 0x12},
                            {18, 12},
                            {19, 5},
                            {20, 0},
                            {21, 2},
                            {22, 0xFF},
                            {23, 8},
                            {24, 4}}));
    radio.SetBlock(1, 1, Bytes28({{4, 0x12}}));
    radio.SetBlock(1, 3, Bytes28({{16, 0x99}}));
    signalling::TForm2 &dtmf = *windows->Form2;
    windows->Form1->DTMF1Click();
    ASSERT_TRUE(dtmf.isVisible());
    dtmf.rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return dtmf.rbtn->isEnabled(); }, 20s));
    EXPECT_EQ(Log(), (std::vector<std::string>{"READ 1 0", "READ 1 1", "READ 1 2", "READ 1 3"}));
    const signalling::DtmfTexts &t = dtmf.logic.texts;
    EXPECT_EQ(t.speed, "8");
    EXPECT_EQ(t.firstDigitTime, "100");
    EXPECT_EQ(t.dCode, "2000");
    EXPECT_FALSE(t.sideTone);
    EXPECT_EQ(t.idCode, "12345678");
    EXPECT_EQ(t.groupCode, "#");
    EXPECT_EQ(t.callAlert, "Off");
    EXPECT_EQ(t.transpond, "ID Code");
    EXPECT_TRUE(t.clearToTranspond);
    EXPECT_EQ(t.autodial[0], "DD12");
    EXPECT_EQ(dtmf.xg2->Text(0, 1), QStringLiteral("DD12")) << "the grid shows it";
    EXPECT_FALSE(dtmf.ProgressBar1->isVisible());
    EXPECT_FALSE(windows->Form1->Tim1.isActive());
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(Signalling, ADtmfWriteLeavesAreaOneHoldingTheWindow)
{
    signalling::TForm2 &dtmf = *windows->Form2;
    dtmf.logic.texts.autodial[0] = "DD12";
    dtmf.logic.texts.autodial[12] = "*0#";
    windows->Form1->DTMF1Click();
    dtmf.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 20s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("WRITE SUCCEED!")});
    EXPECT_TRUE(RadioTook("READ 1 3"));
    EXPECT_EQ(Log(), (std::vector<std::string>{"WRITE 1 0", "WRITE 1 1", "WRITE 1 2", "WRITE 1 3", "READ 1 0",
                                               "READ 1 1", "READ 1 2", "READ 1 3"}))
        << "written, then read back";
    const Block settings = Bytes28({{4, 6},
                                    {6, 10},
                                    {9, 0xFF},
                                    {14, 0x78},
                                    {15, 0x56},
                                    {16, 0x34},
                                    {17, 0x12},
                                    {18, 0xFF},
                                    {19, 10},
                                    {20, 1},
                                    {23, 8},
                                    {24, 4}});
    EXPECT_EQ(radio.GetBlock(1, 0), settings);
    EXPECT_EQ(radio.GetBlock(1, 1), Bytes28({{4, 0x12}}));
    EXPECT_EQ(radio.GetBlock(1, 2), Block{});
    EXPECT_EQ(radio.GetBlock(1, 3), Bytes28({{4, 0xAC}, {5, 0x0B}}));
    EXPECT_TRUE(dtmf.wbtn->isEnabled());
    EXPECT_FALSE(windows->Form1->Tim1.isActive());
}

// A window's Write reads the radio first (whole, for the backup), shows
// its own area's changes and writes once they are confirmed.
TEST_F(Signalling, ADtmfWriteIsPreviewedAndBackedUpFirst)
{
    form->Writes().safety = app::WriteSafety{};
    signalling::TForm2 &dtmf = *windows->Form2;
    dtmf.logic.texts.autodial[0] = "DD12";
    form->settings.Box(4) = "120"; // the main window's: not this write's
    windows->Form1->DTMF1Click();
    dtmf.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(messages, QStringList{QStringLiteral("WRITE SUCCEED!\nBackup: ") + form->Writes().LastBackup()});
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].title, QStringLiteral("DTMF Write"));
    EXPECT_TRUE(questions[0].cancelDefault) << "the window never read the radio";
    ASSERT_FALSE(questions[0].summary.lines.empty());
    for (const std::string &line : questions[0].summary.lines)
        EXPECT_EQ(line.rfind("DTMF, ", 0), 0u) << line;
    EXPECT_TRUE(RadioTook("READ 1 3"));
    EXPECT_EQ(radio.GetBlock(1, 1), Bytes28({{4, 0x12}}));
}

// The question before a window's write comes up over that window, whatever
// window the read before it left active: under it, the window would look
// stuck while the question held it.
TEST_F(Signalling, TheWritePreviewOfADtmfWriteComesUpOverTheDtmfWindow)
{
    form->Writes().safety = app::WriteSafety{true, false, 50};
    signalling::TForm2 &dtmf = *windows->Form2;
    form->ConfirmWrite = nullptr; // the window's own dialog
    form->show();
    windows->Form1->DTMF1Click();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dtmf));
    dtmf.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return dtmf.isActiveWindow(); }, 5s));
    QWidget *parent = nullptr;
    int asked = 0;
    const std::unique_ptr<QTimer> answer = OnWritePreview([&](QDialog &dialog) {
        ++asked;
        parent = dialog.parentWidget();
        dialog.reject();
    });
    // Meanwhile the main window becomes the active one, as the read's
    // progress dialog leaves it.
    QTimer::singleShot(0, form, [this] { form->activateWindow(); });
    dtmf.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return asked > 0 && !QApplication::activeModalWidget() && dtmf.wbtn->isEnabled(); }, 60s));
    answer->stop();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(parent, &dtmf);
    for (const LogEntry &e : radio.Log())
        EXPECT_EQ(sim::Summary(e).rfind("WRITE", 0), std::string::npos) << "nothing is written";
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(Signalling, AFleetSyncWriteSendsThreeUncheckedFramesAndAReadBringsThemBack)
{
    signalling::TForm6 &fleet = *windows->Form6;
    fleet.logic.texts.fleet[0] = "4464";
    fleet.logic.texts.id[0] = "";
    fleet.logic.texts.fleet[9] = "10";
    fleet.logic.texts.id[9] = "1010";
    fleet.logic.texts.baudRate = "1200";
    windows->Form1->N4Click();
    fleet.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 20s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("WRITE SUCCEED!")});
    ASSERT_TRUE(RadioTook("READ 2 2"));
    ASSERT_EQ(radio.Log().size(), 6u) << "FleetSync writes are never resent";
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(radio.Log()[i].bytes.size(), 32u);
        EXPECT_TRUE(radio.Log()[i].tail.empty()) << "no checksum behind the payload";
    }
    EXPECT_EQ(Log(),
              (std::vector<std::string>{"WRITE 2 0", "WRITE 2 1", "WRITE 2 2", "READ 2 0", "READ 2 1", "READ 2 2"}));
    EXPECT_EQ(radio.GetBlock(2, 0), Bytes28({{4, 0x64},
                                             {6, 0xE8},
                                             {7, 0x03},
                                             {8, 12},
                                             {9, 0x90},
                                             {10, 0x01},
                                             {11, 10},
                                             {12, 0xFF},
                                             {24, 0x70},
                                             {25, 0x11}}));
    EXPECT_EQ(radio.GetBlock(2, 2), Bytes28({{4, 10}, {6, 0xF2}, {7, 0x03}}));

    ASSERT_TRUE(ReadBackCleared(fleet));
    EXPECT_EQ(Log(), (std::vector<std::string>{"READ 2 0", "READ 2 1", "READ 2 2"}));
    EXPECT_EQ(fleet.logic.texts.baudRate, "1200");
    EXPECT_EQ(fleet.logic.texts.fleet[0], "4464");
    EXPECT_EQ(fleet.logic.texts.id[0], "");
    EXPECT_EQ(fleet.logic.texts.id[9], "1010");
    EXPECT_EQ(fleet.xg1->Text(9, 2), QStringLiteral("1010"));
    EXPECT_FALSE(windows->Form1->Tim1.isActive());
}

TEST_F(Signalling, A2ToneWriteAndReadRoundTripThroughTheRadio)
{
    signalling::TForm4 &tone = *windows->Form4;
    signalling::TwoToneTexts &t = tone.logic.texts;
    t.first[0] = "1500";
    t.second[15] = "2100";
    t.Decode(16, 1) = "DC";
    tone.logic.DecodeCellEdited(16, 1);
    t.Decode(16, 4) = "BA";
    t.Decode(16, 5) = "REPLY";
    t.restTime = "3000";
    windows->Form1->N2tone1Click();
    tone.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 20s)) << Log().size();
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(messages, QStringList{QStringLiteral("WRITE SUCCEED!")});
    EXPECT_TRUE(RadioTook("READ 3 10"));
    std::vector<std::string> expected;
    for (int n = 0; n <= 10; ++n)
        expected.push_back("WRITE 3 " + std::to_string(n));
    for (int n = 0; n <= 10; ++n)
        expected.push_back("READ 3 " + std::to_string(n));
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(radio.GetBlock(3, 10),
              Bytes28({{16, 0xDC}, {18, 1}, {19, 0xBA}, {20, 2}, {21, 1}, {22, 0xAB}, {24, 1}, {25, 0xAB}, {27, 1}}));
    EXPECT_EQ(radio.GetBlock(3, 0)[8], 0xB8) << "rest time 3000";

    const signalling::TwoToneTexts written = t;
    ASSERT_TRUE(ReadBackCleared(tone));
    EXPECT_EQ(Log().size(), 11u);
    EXPECT_EQ(t, written);
    EXPECT_EQ(tone.xg2->Text(15, 5), QStringLiteral("REPLY"));
    EXPECT_FALSE(windows->Form1->Tim1.isActive());
}

TEST_F(Signalling, A5ToneWriteAndReadRoundTripThroughTheRadio)
{
    signalling::TForm5 &tone = *windows->Form5;
    signalling::FiveToneTexts &t = tone.logic.texts;
    for (int r = 1; r <= 16; ++r) {
        t.Encode(r, 1) = std::to_string(10000 + r);
        tone.logic.EncodeCellEdited(r, 1);
        t.Decode(r, 1) = "ZVEI1";
        tone.logic.DecodeCellEdited(r, 1);
    }
    t.Standard(3, 1) = "120";
    t.Standard(3, 2) = "7";
    t.firstToneExtension = "250";
    windows->Form1->N5TONE1Click();
    tone.wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 20s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("WRITE SUCCEED!")});
    EXPECT_TRUE(RadioTook("READ 4 16"));
    EXPECT_EQ(Log().size(), 34u) << "written and read back: " << ::testing::PrintToString(Log());

    const signalling::FiveToneTexts written = t;
    ASSERT_TRUE(ReadBackCleared(tone));
    EXPECT_EQ(Log().size(), 17u);
    EXPECT_EQ(t.standards, written.standards);
    EXPECT_EQ(t.firstToneExtension, "250");
    EXPECT_EQ(t.encode, written.encode);
    EXPECT_EQ(t.decode, written.decode);
    EXPECT_EQ(tone.xg2->Text(15, 1), QStringLiteral("10016"));
    EXPECT_TRUE(failures.isEmpty());
}

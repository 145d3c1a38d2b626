// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli beside the main window: the same radio image read by both, the
// same file written by both, compared byte for byte on the wire, in the files
// and in the radio's memory.
#include "../e2e/AppFixture.h"
#include "CliProcess.h"

#include "files/ChannelFile.h"

#include "Wait.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QPushButton>

using namespace tonvar;
using namespace std::chrono_literals;
using test::WaitUntil;

namespace {

struct CliBesideWindow : test::AppFixture, test::CliFiles {

    // Read or Write pressed in the window, waited for to its message.
    void Press(QPushButton *button, const QString &expected)
    {
        messages.clear();
        button->click();
        ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
        // A write's message names the backup made before it on a line of its own.
        ASSERT_EQ(messages.size(), 1);
        ASSERT_EQ(messages[0].split(QLatin1Char('\n')).constFirst(), expected);
        ASSERT_TRUE(failures.isEmpty()) << failures.join(QStringLiteral("; ")).toStdString();
    }
};

} // namespace

TEST_F(CliBesideWindow, AReadGivesTheSameWireAndTheSameFileAsTheWindowsReadAndSave)
{
    test::FillRadio(radio);
    form->FormActivate(); // the window shown: channel numbers in column 0
    Press(form->rbtn, QStringLiteral("   Read Succeed!"));
    const std::string windowFile = Path("window.wh");
    form->ChooseFile = [&](bool save) {
        EXPECT_TRUE(save);
        return QString::fromStdString(windowFile);
    };
    form->N5Click(); // File > Save
    const std::vector<std::string> windowWire = test::Wire(radio.Log());
    ASSERT_EQ(windowWire.size(), 18u) << "PROGRAM, channels 1 to 16, the settings";
    radio.ClearLog();

    const std::string cliFile = Path("cli.wh");
    const test::CliResult r = test::RunCli({"read", "--port", radio.DevicePath(), cliFile});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::Wire(radio.Log()), windowWire);
    EXPECT_EQ(files::ReadFileBytes(cliFile, ""), files::ReadFileBytes(windowFile, ""));
}

TEST_F(CliBesideWindow, AWriteLeavesTheRadioAsTheWindowsOpenAndWriteDo)
{
    memory::ChannelTable table;
    for (int ch = 1; ch <= 16; ++ch)
        table.Row(ch) = test::SampleRow(ch);
    table.Row(9) = {"9", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}; // an empty channel
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    settings.Box(4) = "CLOSE";
    settings.Box(7) = "H/L PowerSwitch";
    const std::string file = Path("fleet.wh");
    files::SaveChannelFile(table, settings, file);

    form->FormActivate();
    form->ChooseFile = [&](bool) { return QString::fromStdString(file); };
    form->N3Click(); // File > Open
    Press(form->wbtn, QStringLiteral("Write Succeed!"));

    sim::RadioSimulator other(false);
    other.Start();
    const test::CliResult r = test::RunCli({"write", "--port", other.DevicePath(), file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::Memory(other), test::Memory(radio));
    // The window reads the whole radio first (its preview and backup):
    // "PROGRAM" and 52 blocks, none written. Then the same write.
    std::vector<std::string> wire = test::Wire(radio.Log());
    ASSERT_EQ(wire.size(), 53u + 36u);
    EXPECT_TRUE(std::all_of(wire.begin() + 1, wire.begin() + 53,
                            [](const std::string &m) { return m.rfind("READ ", 0) == 0; }));
    wire.erase(wire.begin(), wire.begin() + 53);
    EXPECT_EQ(wire.size(), 36u) << "PROGRAM, channels 1 to 16, the settings, and all of them read back";
    EXPECT_EQ(test::Wire(other.Log()), wire);
}

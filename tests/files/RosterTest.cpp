// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Roster.h"
#include "text/Convert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace tonvar;

TEST(Roster, RowsPickRadiosByPortOrSerialAndEmptyCellsKeepTheImage)
{
    const files::Roster byPort = files::ParseRoster("Port,\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\r\n"
                                                    "ttyUSB0,1001,101\r\n"
                                                    "\r\n"
                                                    " ttyUSB1 ,,102\r\n");
    EXPECT_EQ(byPort.key, files::Roster::Key::Port);
    EXPECT_EQ(byPort.fields, (std::vector<std::string>{"FleetSync, ID[Own]", "DTMF, ID Code"}));
    ASSERT_EQ(byPort.rows.size(), 2u);
    ASSERT_NE(byPort.Find("ttyUSB1", "/dev/ttyUSB1", "A5"), nullptr);
    EXPECT_EQ(byPort.Find("ttyUSB1", "/dev/ttyUSB1", "A5")->values, (std::vector<std::string>{"", "102"}));
    EXPECT_EQ(byPort.Find("ttyUSB1", "/dev/ttyUSB1", "A5")->line, 4);
    EXPECT_EQ(byPort.Find("ttyUSB2", "/dev/ttyUSB2", "A5"), nullptr);

    const files::Roster bySerial = files::ParseRoster("serial,\"DTMF, ID Code\"\nA50285BI,7\n");
    ASSERT_NE(bySerial.Find("ttyUSB9", "/dev/ttyUSB9", "A50285BI"), nullptr);
    EXPECT_EQ(bySerial.Find("ttyUSB9", "/dev/ttyUSB9", ""), nullptr) << "a cable without a serial number";
    EXPECT_TRUE(files::LooksLikeRoster("serial,x\n"));
    EXPECT_TRUE(files::LooksLikeRoster("\xEF\xBB\xBFport,x\n"));
    EXPECT_FALSE(files::LooksLikeRoster("\"Ch No.\",\"RX Freq\"\r\n"));
}

TEST(Roster, AFileThatIsNotOneIsRefusedSayingWhere)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "It is empty."},
        {"channel,x\n1,2\n", "Line 1: The first column must be \"port\" or \"serial\""},
        {"port,\"DTMF, ID Code\",\"DTMF, ID Code\"\nttyUSB0,1,2\n", "Line 1: \"DTMF, ID Code\" is given twice."},
        {"port,a\nttyUSB0,1,2\n", "Line 2: It has 3 fields; the first line has 2."},
        {"port,a\nttyUSB0,1\nttyUSB0,2\n", "Line 3: ttyUSB0 has a row already."},
        {"port,a\n,1\n", "Line 2: The radio's port is empty."},
        {"port,a\n", "It names no radio."},
    };
    for (const auto &[text, why] : cases) {
        try {
            files::ParseRoster(text);
            ADD_FAILURE() << text;
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), "The file is not a roster.");
            EXPECT_EQ(e.detail().substr(0, why.size()), why);
        }
    }
}

// A roster is CSV as a spreadsheet saves it: a value with a blank in it is
// one value, quoted or not.
TEST(Roster, ABlankSeparatesNoFields)
{
    const files::Roster roster = files::ParseRoster("port,\"Settings, PF1\",\"Settings, PF2\"\r\n"
                                                    "ttyUSB0,H/L PowerSwitch,\"H/L PowerSwitch\"\r\n"
                                                    "ttyUSB1, Monitor ,\r\n");
    EXPECT_EQ(roster.fields, (std::vector<std::string>{"Settings, PF1", "Settings, PF2"}));
    ASSERT_EQ(roster.rows.size(), 2u);
    EXPECT_EQ(roster.rows[0].values, (std::vector<std::string>{"H/L PowerSwitch", "H/L PowerSwitch"}));
    EXPECT_EQ(roster.rows[1].values, (std::vector<std::string>{"Monitor", ""}));
}

// A row names its radio's port as the output does (pts-3), as it was given
// (/dev/pts/3) or by another path to the same device, as /dev/serial/by-id/
// names are links to the device.
TEST(Roster, APortIsNamedByItsLabelItsDeviceOrALinkToIt)
{
    char folder[] = "/tmp/tonvar-roster-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string device = std::string(folder) + "/ttyUSB0";
    const std::string other = std::string(folder) + "/ttyUSB1";
    const std::string link = std::string(folder) + "/usb-FTDI_FT232R_A50285BI-if00-port0";
    std::ofstream(device).put('x');
    std::ofstream(other).put('x');
    std::filesystem::create_symlink(device, link);

    const struct {
        std::string rowKey;
        bool names;
    } cases[] = {{"ttyUSB0", true}, {device, true}, {link, true}, {"ttyUSB1", false}, {other, false},
                 {std::string(folder) + "/missing", false}, {"/dev/ttyUSB0", false}};
    for (const auto &c : cases) {
        const files::Roster roster = files::ParseRoster("port,\"DTMF, ID Code\"\n\"" + c.rowKey + "\",7\n");
        EXPECT_EQ(roster.Find("ttyUSB0", device, "") != nullptr, c.names) << c.rowKey;
    }
    std::filesystem::remove_all(folder);
}

// Column names as people type them: case and runs of blanks do not count,
// so two spellings of one name are one column given twice.
TEST(Roster, FieldNamesAreMatchedAsTyped)
{
    EXPECT_EQ(text::FoldedName("  FleetSync,   ID[Own]\t"), "fleetsync, id[own]");
    EXPECT_EQ(text::FoldedName("DTMF, ID Code"), text::FoldedName("dtmf,  id code"));
    EXPECT_NE(text::FoldedName("DTMF, ID Code"), text::FoldedName("DTMF,ID Code"));
    try {
        files::ParseRoster("\xEF\xBB\xBFPORT,\"DTMF, ID Code\",\"dtmf,  id code\"\r\nttyUSB0,1,2\r\n");
        ADD_FAILURE() << "one column given twice";
    } catch (const text::Failure &e) {
        EXPECT_EQ(e.detail(), "Line 1: \"dtmf,  id code\" is given twice.");
    }
}

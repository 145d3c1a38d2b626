// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/CableHints.h"
#include "serial/PortErrors.h"
#include "serial/PortWatcher.h"

#include "Folders.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

using namespace tonvar::serial;
using tonvar::test::WaitUntil;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A throw-away machine: a root with programs, a /sys/class/tty and a /proc.
struct FakeMachine : ::testing::Test {
    fs::path base;
    SystemPaths where;

    void SetUp() override
    {
        base = tonvar::test::FreshTestFolder("tonvar-machine");
        for (const char *dir : {"root", "tty", "proc"})
            fs::create_directories(base / dir);
        where = {(base / "root").string(), (base / "tty").string(), (base / "proc").string()};
    }
    void TearDown() override { fs::remove_all(base); }

    void Touch(const std::string &relative)
    {
        const fs::path file = base / "root" / relative;
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
    }
    void AddPort(const std::string &name) { fs::create_directories(base / "tty" / name / "device"); }
    void AddProcess(const std::string &pid, const std::string &comm, const std::string &openFile)
    {
        const fs::path p = base / "proc" / pid;
        fs::create_directories(p / "fd");
        std::ofstream(p / "comm") << comm << "\n";
        fs::create_symlink(openFile, p / "fd" / "3");
    }
};

bool Contains(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(FakeMachine, BrlttyCountsAsInstalledByItsProgramOrItsUdevRules)
{
    EXPECT_FALSE(BrlttyInstalled(where.root));
    Touch("lib/udev/rules.d/60-serial.rules");
    EXPECT_FALSE(BrlttyInstalled(where.root));
    Touch("usr/lib/udev/rules.d/85-brltty.rules");
    EXPECT_TRUE(BrlttyInstalled(where.root));
    fs::remove_all(base / "root" / "usr");
    Touch("usr/bin/brltty");
    EXPECT_TRUE(BrlttyInstalled(where.root));
}

TEST(CableHints, UsbSerialNamesAreTtyUsbAndANumber)
{
    EXPECT_TRUE(IsUsbSerialName("ttyUSB0"));
    EXPECT_TRUE(IsUsbSerialName("ttyUSB12"));
    EXPECT_FALSE(IsUsbSerialName("ttyUSB"));
    EXPECT_FALSE(IsUsbSerialName("ttyUSB0x"));
    EXPECT_FALSE(IsUsbSerialName("ttyACM0"));
    EXPECT_FALSE(IsUsbSerialName("/dev/ttyUSB0"));
}

TEST_F(FakeMachine, AMissingPortMentionsBrlttyOnlyWhenItIsInstalledAndNoUsbPortIsListed)
{
    AddPort("ttyS0");
    const std::string plain = OpenFailureDetail("/dev/ttyUSB0", ENOENT, where);
    EXPECT_TRUE(Contains(plain, "plugged in"));
    EXPECT_FALSE(Contains(plain, "brltty"));

    Touch("usr/bin/brltty");
    const std::string hinted = OpenFailureDetail("/dev/ttyUSB0", ENOENT, where);
    EXPECT_TRUE(Contains(hinted, "plugged in"));
    EXPECT_TRUE(Contains(hinted, "sudo apt remove brltty"));
    // The selector's fallback text, when the list is empty, gets it as well.
    EXPECT_TRUE(Contains(OpenFailureDetail("/dev/COM1", ENOENT, where), "brltty"));
    // brltty never takes a pseudo-terminal.
    EXPECT_FALSE(Contains(OpenFailureDetail("/dev/pts/7", ENOENT, where), "brltty"));

    AddPort("ttyUSB1");
    EXPECT_FALSE(Contains(OpenFailureDetail("/dev/ttyUSB0", ENOENT, where), "brltty"));
}

TEST_F(FakeMachine, APortModemManagerHoldsSaysHowToStopIt)
{
    AddProcess("812", "ModemManager", "/dev/ttyUSB0");
    AddProcess("913", "minicom", "/dev/ttyUSB1");
    EXPECT_EQ(OpenFailureDetail("/dev/ttyUSB0", EBUSY, where),
              "ModemManager (process 812) is probing /dev/ttyUSB0 for a modem: run sudo systemctl stop "
              "ModemManager and try again.");
    EXPECT_EQ(OpenFailureDetail("/dev/ttyUSB1", EBUSY, where),
              "/dev/ttyUSB1 is in use by minicom (process 913). Close it there, then try again.");
    EXPECT_FALSE(IsModemManager("ModemManagerX (process 1)"));
    EXPECT_FALSE(IsModemManager(""));
}

TEST(PlugTracker, ReportsOnlyPortsThatWentAwaySoonAfterArriving)
{
    using Clock = PlugTracker::Clock;
    const Clock::time_point t0{};
    PlugTracker plugs;
    // Ports listed from the start, then one plugged in and taken away a
    // second later, one kept for longer, one pulled exactly at the limit.
    EXPECT_TRUE(plugs.Compare({"ttyS0"}, {"ttyS0", "ttyUSB0", "ttyUSB1"}, t0).empty());
    EXPECT_EQ(plugs.Compare({"ttyS0", "ttyUSB0", "ttyUSB1"}, {"ttyS0", "ttyUSB1"}, t0 + 1s),
              std::vector<std::string>{"ttyUSB0"});
    EXPECT_TRUE(plugs.Compare({"ttyS0", "ttyUSB1"}, {"ttyS0"}, t0 + PlugTracker::kQuickVanish).empty());
    EXPECT_TRUE(plugs.Compare({"ttyS0"}, {}, t0 + 1s).empty());

    // Plugged in again later: the clock starts anew.
    plugs.Appeared("ttyUSB0", t0 + 60s);
    EXPECT_FALSE(plugs.Vanished("ttyUSB0", t0 + 75s));
    plugs.Appeared("ttyUSB0", t0 + 80s);
    EXPECT_TRUE(plugs.Vanished("ttyUSB0", t0 + 81s));
    EXPECT_FALSE(plugs.Vanished("ttyUSB0", t0 + 81s)); // one report per arrival
}

TEST_F(FakeMachine, TheHintForAVanishedPortNeedsBrlttyAndAUsbSerialPort)
{
    EXPECT_EQ(VanishedPortHint("ttyUSB0", where), "");
    Touch("usr/bin/brltty");
    EXPECT_EQ(VanishedPortHint("ttyUSB0", where), kBrlttyHint);
    EXPECT_EQ(VanishedPortHint("ttyACM0", where), "");
}

TEST_F(FakeMachine, TheWatcherRaisesAPortThatWentAwayRightAfterArriving)
{
    AddPort("ttyUSB0");
    PortWatcher watcher(nullptr, PortWatcher::Source::Rescan, where.sysfsTty, 10ms);
    int changes = 0;
    std::vector<QString> vanished;
    QObject::connect(&watcher, &PortWatcher::devicesChanged, [&] { ++changes; });
    QObject::connect(&watcher, &PortWatcher::portVanishedAfterPlug,
                     [&](const QString &name) { vanished.push_back(name); });

    fs::remove_all(base / "tty" / "ttyUSB0"); // there from the start: pulled by hand
    ASSERT_TRUE(WaitUntil([&] { return changes == 1; }));
    AddPort("ttyUSB1");
    ASSERT_TRUE(WaitUntil([&] { return changes == 2; }));
    fs::remove_all(base / "tty" / "ttyUSB1");
    ASSERT_TRUE(WaitUntil([&] { return changes == 3; }));
    EXPECT_EQ(vanished, std::vector<QString>{QStringLiteral("ttyUSB1")});
}

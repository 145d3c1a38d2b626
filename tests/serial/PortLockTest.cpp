// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortLock.h"
#include "serial/SPComm.h"

#include "Folders.h"
#include "OpenFailure.h"
#include "Pty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using namespace tonvar::serial;
namespace fs = std::filesystem;
using tonvar::test::OpenFailureOf;
using tonvar::test::ReadFile;

namespace {

struct LockFolder : ::testing::Test {
    fs::path dir;

    void SetUp() override { dir = tonvar::test::FreshTestFolder("tonvar-lock"); }
    void TearDown() override { fs::remove_all(dir); }

    void Put(const std::string &name, const std::string &text) const { std::ofstream(dir / name) << text; }
    void Age(const std::string &name) const
    {
        const timespec old[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
        ::utimensat(AT_FDCWD, (dir / name).c_str(), old, 0);
    }
};

// The PID of a process that has just ended.
pid_t GonePid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

} // namespace

TEST(LockFiles, NameTextAndParsing)
{
    EXPECT_EQ(LockFileName("/dev/tonvar-no-such-ttyUSB7"), "LCK..tonvar-no-such-ttyUSB7");
    EXPECT_EQ(LockFileText(1230), "      1230\n") << "ten characters and a newline";
    EXPECT_EQ(LockFileText(1230).size(), 11u);
    EXPECT_EQ(ParseLockFile("      1230\n"), 1230);
    EXPECT_EQ(ParseLockFile("1230\n"), 1230) << "written without padding";
    EXPECT_EQ(ParseLockFile("1230"), 1230);
    for (const char *bad : {"", "\n", "          \n", "12a\n", "0\n", "-5\n", "99999999999\n", "\xD2\x04\0\0"})
        EXPECT_FALSE(ParseLockFile(bad).has_value()) << bad;
}

TEST_F(LockFolder, TheNameFollowsSymbolicLinksToTheDevice)
{
    std::ofstream(dir / "ttyUSB3") << "";
    fs::create_directories(dir / "by-id");
    fs::create_symlink(dir / "ttyUSB3", dir / "by-id" / "usb-FTDI_cable-if00-port0");
    EXPECT_EQ(LockFileName((dir / "by-id" / "usb-FTDI_cable-if00-port0").string()), "LCK..ttyUSB3");
}

TEST_F(LockFolder, TakenOnAcquireAndGoneOnRelease)
{
    PortLock lock({dir.string()});
    EXPECT_FALSE(lock.Acquire("/dev/ttyUSB0").has_value());
    EXPECT_EQ(lock.Path(), (dir / "LCK..ttyUSB0").string());
    EXPECT_EQ(ReadFile(dir / "LCK..ttyUSB0"), LockFileText(::getpid()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";
    lock.Release();
    EXPECT_FALSE(fs::exists(dir / "LCK..ttyUSB0"));
    EXPECT_TRUE(lock.Path().empty());
}

TEST_F(LockFolder, ALiveHoldersLockStaysAndNamesIt)
{
    Put("LCK..ttyUSB0", LockFileText(1)); // init never goes away
    PortLock lock({dir.string()});
    const auto holder = lock.Acquire("/dev/ttyUSB0");
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->pid, 1);
    EXPECT_NE(holder->description.find("(process 1)"), std::string::npos) << holder->description;
    EXPECT_EQ(ReadFile(dir / "LCK..ttyUSB0"), LockFileText(1));
    lock.Release();
    EXPECT_TRUE(fs::exists(dir / "LCK..ttyUSB0")) << "not ours to remove";

    PortLock second({dir.string()});
    PortLock third({dir.string()});
    ASSERT_FALSE(second.Acquire("/dev/ttyACM0").has_value());
    const auto self = third.Acquire("/dev/ttyACM0");
    ASSERT_TRUE(self.has_value());
    EXPECT_EQ(self->description, "this program");
}

TEST_F(LockFolder, StaleAndLeftBehindLocksAreReplaced)
{
    Put("LCK..ttyUSB0", LockFileText(GonePid()));
    Put("LCK..ttyUSB1", "garbage\n");
    Age("LCK..ttyUSB1");
    for (const char *device : {"/dev/ttyUSB0", "/dev/ttyUSB1"}) {
        PortLock lock({dir.string()});
        EXPECT_FALSE(lock.Acquire(device).has_value()) << device;
        EXPECT_EQ(ReadFile(lock.Path()), LockFileText(::getpid())) << device;
    }
    // One being written right now is left to its writer.
    Put("LCK..ttyUSB2", "");
    PortLock lock({dir.string()});
    EXPECT_TRUE(lock.Acquire("/dev/ttyUSB2").has_value());
}

TEST_F(LockFolder, FoldersThatCannotBeWrittenMeanNoLock)
{
    std::ofstream(dir / "a-file") << "";
    PortLock lock({(dir / "missing").string(), (dir / "a-file").string()});
    EXPECT_FALSE(lock.Acquire("/dev/ttyUSB0").has_value());
    EXPECT_TRUE(lock.Path().empty());
    lock.Release();
}

TEST_F(LockFolder, EveryFolderIsConsultedAndOneFolderUnderTwoNamesCountsOnce)
{
    fs::create_directories(dir / "run");
    fs::create_directories(dir / "var");
    fs::create_directory_symlink(dir / "run", dir / "alias");
    std::ofstream(dir / "var" / "LCK..ttyUSB0") << LockFileText(1);
    PortLock lock({(dir / "run").string(), (dir / "alias").string(), (dir / "var").string()});
    EXPECT_TRUE(lock.Acquire("/dev/ttyUSB0").has_value()) << "held in the second folder";
    EXPECT_FALSE(lock.Acquire("/dev/ttyUSB1").has_value());
    EXPECT_EQ(lock.Path(), (dir / "run" / "LCK..ttyUSB1").string()) << "created in the first";
}

TEST_F(LockFolder, ThePortTakesTheLockWhileOpenAndRefusesALockedPort)
{
    tonvar::test::Pty pty;
    const std::string name = LockFileName(pty.SlavePath());
    TComm comm;
    comm.SetLockDirectories({dir.string()});
    comm.SetCommName(pty.SlavePath());
    comm.OpenPort();
    EXPECT_EQ(ReadFile(dir / name), LockFileText(::getpid()));
    comm.ClosePort();
    EXPECT_FALSE(fs::exists(dir / name));

    Put(name, LockFileText(1));
    const auto held = OpenFailureOf(comm);
    EXPECT_EQ(held.message, "Error opening serial port");
    EXPECT_NE(held.detail.find("(process 1)"), std::string::npos) << held.detail;
    EXPECT_FALSE(comm.IsOpen());
    fs::remove(dir / name);
    EXPECT_NO_THROW(comm.OpenPort());
    comm.ClosePort();

    // A device that will not open leaves no lock behind.
    const std::string missing = (dir / "no-such-device").string();
    comm.SetCommName(missing);
    EXPECT_THROW(comm.OpenPort(), ECommsError);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 0);

    // A device that is not there is said to be so, though another program
    // holds a lock by its name (it tried it a moment before).
    Put(LockFileName(missing), LockFileText(1));
    const auto gone = OpenFailureOf(comm);
    EXPECT_NE(gone.detail.find(missing + " is not there"), std::string::npos) << gone.detail;
    EXPECT_EQ(ReadFile(dir / LockFileName(missing)), LockFileText(1));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortDiscovery.h"
#include "serial/PortErrors.h"
#include "serial/PortWatcher.h"

#include "Folders.h"
#include "Wait.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

using namespace tonvar::serial;
using tonvar::test::WaitUntil;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

namespace {

// A throw-away /sys/class/tty look-alike.
struct FakeSysfs : ::testing::Test {
    fs::path root;

    void SetUp() override { root = tonvar::test::FreshTestFolder("tonvar-sysfs"); }
    void TearDown() override { fs::remove_all(root); }

    void AddPort(const std::string &name, const char *type = nullptr, bool device = true)
    {
        fs::create_directories(root / name);
        if (device)
            fs::create_directories(root / name / "device");
        if (type)
            std::ofstream(root / name / "type") << type << "\n";
    }
};

} // namespace

TEST(PortNames, SortIgnoringCaseInPlainTextOrder)
{
    Names names{"COM3", "COM1", "COM10", "ttyUSB1", "ttyACM0", "TTYusb0"};
    SortPortNames(names);
    EXPECT_EQ(names, (Names{"COM1", "COM10", "COM3", "ttyACM0", "TTYusb0", "ttyUSB1"}));
}

TEST(PortNames, RefreshKeepsASelectionThatIsStillThereElseTakesTheFirst)
{
    EXPECT_EQ(TextAfterRefresh("", {"COM4", "COM7"}), "COM4");
    EXPECT_EQ(TextAfterRefresh("COM7", {"COM4", "COM5", "COM7"}), "COM7");
    EXPECT_EQ(TextAfterRefresh("com7", {"COM4", "COM7"}), "com7");
    EXPECT_EQ(TextAfterRefresh("COM7", {"COM4", "COM5"}), "COM4");
    EXPECT_EQ(TextAfterRefresh("COM7", {}), "COM7");
}

TEST_F(FakeSysfs, ListsRealPortsAndLeavesOutPhantomUarts)
{
    AddPort("ttyS0", "0"); // phantom 8250 slot
    AddPort("ttyS1", "4"); // a real 16550A
    AddPort("ttyUSB0");
    AddPort("ttyACM0");
    AddPort("tty0", nullptr, false); // virtual console: no device
    AddPort("rfcomm0", nullptr, false);
    Names list{"stale"};
    ASSERT_TRUE(ListSerialPorts(list, root.string()));
    EXPECT_EQ(list, (Names{"rfcomm0", "ttyACM0", "ttyS1", "ttyUSB0"}));
}

TEST_F(FakeSysfs, AnUnreadableTreeLeavesTheListAlone)
{
    Names list{"ttyUSB0"};
    EXPECT_FALSE(ListSerialPorts(list, (root / "missing").string()));
    EXPECT_EQ(list, Names{"ttyUSB0"});
}

TEST_F(FakeSysfs, NamedDevicePathsStayListedWhileTheyExist)
{
    AddPort("ttyUSB0");
    const fs::path device = root / "pts-7";
    std::ofstream(device) << "";
    PortList ports(root.string());
    ASSERT_TRUE(ports.Refresh());
    EXPECT_EQ(ports.AddDevicePath(device.string()), 1);
    EXPECT_EQ(ports.AddDevicePath(device.string()), 1);
    AddPort("ttyACM0");
    ASSERT_TRUE(ports.Refresh());
    EXPECT_EQ(ports.Items(), (Names{"ttyACM0", "ttyUSB0", device.string()}));
    fs::remove(device);
    ASSERT_TRUE(ports.Refresh());
    EXPECT_EQ(ports.Items(), (Names{"ttyACM0", "ttyUSB0"}));
}

TEST_F(FakeSysfs, RescanSignalsOnlyWhenThePortsChange)
{
    AddPort("ttyUSB0");
    PortWatcher watcher(nullptr, PortWatcher::Source::Rescan, root.string(), std::chrono::milliseconds(10));
    int changes = 0;
    QObject::connect(&watcher, &PortWatcher::devicesChanged, [&] { ++changes; });
    AddPort("ttyUSB1");
    ASSERT_TRUE(WaitUntil([&] { return changes == 1; }));
    fs::remove_all(root / "ttyUSB0");
    ASSERT_TRUE(WaitUntil([&] { return changes == 2; }));
    // Several quiet rescans later nothing more has been raised.
    int ticks = 0;
    QTimer counter;
    QObject::connect(&counter, &QTimer::timeout, [&] { ++ticks; });
    counter.start(10);
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 10; }));
    EXPECT_EQ(changes, 2);
}

// udev's stable names: the link in /dev/serial/by-id that leads to the port.
TEST_F(FakeSysfs, TheStablePathIsTheByIdLinkToThePort)
{
    const fs::path byId = root / "by-id";
    fs::create_directories(byId);
    EXPECT_EQ(StablePath("null", byId.string()), "");
    fs::create_symlink("/dev/zero", byId / "usb-Other_Cable-if00-port0");
    fs::create_symlink("../../null", byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(StablePath("null", byId.string()), "");
    fs::remove(byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    fs::create_symlink("/dev/null", byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(StablePath("null", byId.string()), (byId / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string());
    EXPECT_EQ(StablePath("ttyUSB9", (root / "nowhere").string()), "");
}

// Where a udev daemon runs but its events never arrive (containers), the
// slow rescan beside the monitor still sees the device: the fake sysfs here
// is one no udev event is ever sent for. (Where no monitor can be made at
// all, the watcher falls back to the rescan alone, which this covers too.)
TEST_F(FakeSysfs, ASilentMonitorIsBackedByTheRescan)
{
    AddPort("ttyUSB0");
    PortWatcher watcher(nullptr, PortWatcher::Source::Monitor, root.string(), std::chrono::milliseconds(60000),
                        std::chrono::milliseconds(10));
    int changes = 0;
    QObject::connect(&watcher, &PortWatcher::devicesChanged, [&] { ++changes; });
    AddPort("ttyACM0");
    EXPECT_TRUE(WaitUntil([&] { return changes == 1; }));
}

// sysfs: /sys/class/tty/ttyUSB0/device is a link to the port below its USB
// interface, which sits below the USB device with the vendor's texts.
TEST_F(FakeSysfs, TheUsbDescriptionComesFromTheDeviceAboveThePort)
{
    const fs::path usb = root / "devices" / "usb1" / "1-1";
    fs::create_directories(usb / "1-1:1.0" / "ttyUSB0");
    std::ofstream(usb / "idVendor") << "067b\n";
    std::ofstream(usb / "idProduct") << "2303\n";
    std::ofstream(usb / "manufacturer") << "Prolific Technology Inc. \n";
    std::ofstream(usb / "product") << "USB-Serial\tController\n";
    fs::create_directories(root / "ttyUSB0");
    fs::create_directory_symlink(usb / "1-1:1.0" / "ttyUSB0", root / "ttyUSB0" / "device");
    EXPECT_EQ(UsbDescription("ttyUSB0", root.string()), "Prolific Technology Inc. USB-SerialController (067b:2303)");

    EXPECT_EQ(UsbSerialNumber("ttyUSB0", root.string()), "");
    std::ofstream(usb / "serial") << "A50285BI\n";
    EXPECT_EQ(UsbSerialNumber("ttyUSB0", root.string()), "A50285BI");

    fs::remove(usb / "manufacturer");
    fs::remove(usb / "product");
    EXPECT_EQ(UsbDescription("ttyUSB0", root.string()), "067b:2303");
    // A UART, a port sysfs does not have, and names that are no port.
    AddPort("ttyS1", "4");
    EXPECT_EQ(UsbDescription("ttyS1", root.string()), "");
    EXPECT_EQ(UsbDescription("ttyUSB7", root.string()), "");
    EXPECT_EQ(UsbDescription("../ttyUSB0", root.string()), "");
    EXPECT_EQ(UsbDescription("", root.string()), "");
}

TEST(PortErrors, SayWhatTheUserCanDo)
{
    EXPECT_NE(OpenFailureDetail("/dev/ttyUSB0", EACCES).find("Add your user to the group"), std::string::npos);
    // A group is suggested only where that group may read and write the
    // device; otherwise joining it would not help.
    {
        const fs::path device = fs::temp_directory_path() / ("tonvar-perm-" + std::to_string(::getpid()));
        std::ofstream(device) << "";
        fs::permissions(device, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                    fs::perms::group_write);
        EXPECT_NE(OpenFailureDetail(device.string(), EACCES).find("Add your user to the group"), std::string::npos);
        fs::permissions(device, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const std::string onlyOwner = OpenFailureDetail(device.string(), EACCES);
        EXPECT_EQ(onlyOwner.find("Add your user"), std::string::npos) << onlyOwner;
        EXPECT_NE(onlyOwner.find("udev rule"), std::string::npos) << onlyOwner;
        fs::remove(device);
    }
    EXPECT_NE(OpenFailureDetail("/dev/ttyUSB0", ENOENT).find("plugged in"), std::string::npos);
    EXPECT_NE(OpenFailureDetail("/dev/ttyUSB9", EBUSY).find("is in use by"), std::string::npos);
    EXPECT_EQ(OpenFailureDetail("/dev/ttyUSB0", EACCES).find("in use"), std::string::npos);
}

TEST(PortErrors, FindsTheProcessHoldingAPort)
{
    const fs::path file = fs::temp_directory_path() / ("tonvar-held-" + std::to_string(::getpid()));
    std::ofstream(file) << "x";
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(FindPortHolder(file.string()), "this program");
    ::close(fd);
    EXPECT_EQ(FindPortHolder(file.string()), "");
    fs::remove(file);
}

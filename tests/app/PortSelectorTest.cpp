// SPDX-License-Identifier: GPL-3.0-or-later
// The port selector's list on a throw-away sysfs tree, without the window:
// cables plugged in and pulled, what each item shows, device paths named by
// the user, and the port chosen last time chosen again at start.
#include "app/PortSelector.h"

#include "Folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tonvar::app;
using Names = std::vector<std::string>;

namespace {

// The selector's combo box: replacing the items keeps the item of the same
// port chosen.
struct FakeBox : PortBox {
    std::vector<PortItem> items;
    int current = -1;
    std::string Port() const override
    {
        return current < 0 ? std::string() : items.at(static_cast<std::size_t>(current)).port;
    }
    void SetItems(const std::vector<PortItem> &list) override
    {
        const std::string port = Port();
        items = list;
        current = -1;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].port == port)
                current = static_cast<int>(i);
    }
    int Count() const override { return static_cast<int>(items.size()); }
    void Select(int index) override { current = index; }
    Names Ports() const
    {
        Names out;
        for (const PortItem &item : items)
            out.push_back(item.port);
        return out;
    }
};

// A USB cable's attributes in sysfs; empty ones are left out.
struct Cable {
    std::string manufacturer, product, serial;
    std::string vendor = "0403", model = "6001";
};

struct Ports : ::testing::Test {
    fs::path root;
    FakeBox box;
    std::string chosen = "COM1"; // the port a session opens
    std::map<std::string, std::string> links; // udev's by-id links
    std::unique_ptr<PortSelector> selector;

    void SetUp() override
    {
        root = tonvar::test::FreshTestFolder("tonvar-ports");
        fs::create_directories(root / "tty");
        selector = std::make_unique<PortSelector>(box, chosen, (root / "tty").string());
        selector->stableLink = [this](const std::string &name) {
            const auto it = links.find(name);
            return it == links.end() ? std::string() : it->second;
        };
    }
    void TearDown() override { fs::remove_all(root); }

    void Plug(const std::string &name) { fs::create_directories(root / "tty" / name / "device"); }
    void Pull(const std::string &name) { fs::remove_all(root / "tty" / name); }
    // A port of a USB cable, as sysfs lays it out: the port's device is the
    // cable's interface, below the USB device that holds the attributes.
    void PlugUsb(const std::string &name, const Cable &cable, const std::string &bus = "1-1")
    {
        const fs::path usb = root / "devices" / "usb1" / bus;
        const fs::path interface = usb / (bus + ":1.0");
        fs::create_directories(interface / name);
        const auto write = [&usb](const char *file, const std::string &value) {
            if (!value.empty())
                std::ofstream(usb / file) << value << "\n";
        };
        write("idVendor", cable.vendor);
        write("idProduct", cable.model);
        write("manufacturer", cable.manufacturer);
        write("product", cable.product);
        write("serial", cable.serial);
        fs::create_directories(root / "tty" / name);
        fs::create_directory_symlink(interface, root / "tty" / name / "device");
    }
    void Choose(const std::string &name)
    {
        const Names ports = box.Ports();
        const auto at = std::find(ports.begin(), ports.end(), name);
        ASSERT_NE(at, ports.end()) << name;
        selector->Choose(static_cast<int>(at - ports.begin()));
    }
};

} // namespace

TEST_F(Ports, TheFirstPortIsChosenAtStart)
{
    Plug("ttyUSB1");
    Plug("ttyACM0");
    selector->Fill();
    EXPECT_EQ(box.Ports(), (Names{"ttyACM0", "ttyUSB1"}));
    EXPECT_EQ(box.Port(), "ttyACM0");
    EXPECT_EQ(chosen, "ttyACM0");
}

// Each item shows the cable's product (else its maker, else its ids) and
// serial number, as far as sysfs tells them; the port a session opens is
// the port's name all the same.
TEST_F(Ports, ItemsShowTheCableAndItsSerialNumber)
{
    PlugUsb("ttyUSB0", {"FTDI", "FT232R USB UART", "A12345"}, "1-1");
    PlugUsb("ttyUSB1", {"Prolific Technology Inc.", "", ""}, "1-2");
    PlugUsb("ttyUSB2", {"", "", "0001"}, "1-3");
    PlugUsb("ttyUSB3", {"", "USB-Serial Controller", ""}, "1-4");
    Plug("ttyS1"); // a real UART: no USB device above it
    selector->Fill();
    const std::vector<PortItem> expected{
        {"ttyS1", QStringLiteral("ttyS1")},
        {"ttyUSB0", QStringLiteral("ttyUSB0 \u2014 FT232R USB UART (A12345)")},
        {"ttyUSB1", QStringLiteral("ttyUSB1 \u2014 Prolific Technology Inc.")},
        {"ttyUSB2", QStringLiteral("ttyUSB2 \u2014 0403:6001 (0001)")},
        {"ttyUSB3", QStringLiteral("ttyUSB3 \u2014 USB-Serial Controller")},
    };
    ASSERT_EQ(box.items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(box.items[i].port, expected[i].port);
        EXPECT_EQ(box.items[i].label.toStdString(), expected[i].label.toStdString());
    }
    Choose("ttyUSB0");
    EXPECT_EQ(chosen, "ttyUSB0");
}

// When cables come and go, the port chosen stays while it is there, else the
// first is chosen; a session then opens what the selector shows.
TEST_F(Ports, TheChosenPortStaysWhileItIsThereElseTheFirstIsChosen)
{
    struct Case {
        const char *name;
        Names plugged, pulled;
        std::string expected;
    };
    const Case cases[] = {
        {"another cable plugged in", {"ttyACM0"}, {}, "ttyUSB1"},
        {"another cable pulled", {}, {"ttyUSB0"}, "ttyUSB1"},
        {"the chosen cable pulled", {}, {"ttyUSB1"}, "ttyUSB0"},
        {"every cable pulled", {}, {"ttyUSB0", "ttyUSB1"}, "ttyUSB1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root / "tty");
        fs::create_directories(root / "tty");
        Plug("ttyUSB0");
        Plug("ttyUSB1");
        selector->Fill();
        Choose("ttyUSB1");
        for (const std::string &name : c.plugged)
            Plug(name);
        for (const std::string &name : c.pulled)
            Pull(name);
        selector->DevicesChanged();
        EXPECT_EQ(chosen, c.expected);
        if (box.Count() > 0) {
            EXPECT_EQ(box.Port(), c.expected);
        }
        for (const std::string &name : c.pulled)
            EXPECT_EQ(std::count(box.items.begin(), box.items.end(), PortItem{name, QString::fromStdString(name)}),
                      0);
    }
}

// Ports that cannot be read leave the list and the choice as they were.
TEST_F(Ports, PortsThatCannotBeReadChangeNothing)
{
    Plug("ttyUSB0");
    selector->Fill();
    chosen = "kept";
    fs::remove_all(root / "tty");
    selector->DevicesChanged();
    EXPECT_EQ(box.Ports(), Names{"ttyUSB0"});
    EXPECT_EQ(box.Port(), "ttyUSB0");
    EXPECT_EQ(chosen, "kept");
}

// A device path the user names is listed and chosen, and stays so when other
// cables come and go; an empty one changes nothing.
TEST_F(Ports, ADevicePathNamedIsListedAndChosen)
{
    Plug("ttyUSB0");
    selector->Fill();
    selector->AddDevicePath(QString());
    EXPECT_EQ(box.Ports(), Names{"ttyUSB0"});
    EXPECT_EQ(box.Port(), "ttyUSB0");

    const fs::path device = root / "pts-7";
    std::ofstream(device) << "";
    selector->AddDevicePath(QString::fromStdString(device.string()));
    EXPECT_EQ(box.Ports(), (Names{"ttyUSB0", device.string()}));
    EXPECT_EQ(box.items.back().label.toStdString(), device.string());
    EXPECT_EQ(box.Port(), device.string());
    EXPECT_EQ(chosen, device.string());
    EXPECT_EQ(selector->Remembered().port, device.string());
    EXPECT_EQ(selector->Remembered().stable, "");

    Plug("ttyACM0");
    selector->DevicesChanged();
    EXPECT_EQ(box.Ports(), (Names{"ttyACM0", "ttyUSB0", device.string()}));
    EXPECT_EQ(chosen, device.string());
}

// The port chosen last time is chosen again at start when it is listed: by
// its cable's stable link first (the cable moved to another socket and got
// another name), else by its name; when neither is there, the first port,
// and with no port at all the choice stays as it was.
TEST_F(Ports, TheRememberedPortIsChosenAgainWhenItIsThere)
{
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A12345-if00-port0";
    struct Case {
        const char *name;
        Names plugged;
        std::map<std::string, std::string> links;
        RememberedPort remembered;
        std::string expected;
    };
    const Case cases[] = {
        {"nothing remembered", {"ttyUSB0", "ttyUSB1"}, {}, {}, "ttyUSB0"},
        {"remembered and there", {"ttyUSB0", "ttyUSB1"}, {}, {"ttyUSB1", ""}, "ttyUSB1"},
        {"remembered, gone", {"ttyUSB0", "ttyUSB2"}, {}, {"ttyUSB1", ""}, "ttyUSB0"},
        {"the cable in another socket", {"ttyUSB0", "ttyUSB2"}, {{"ttyUSB2", byId}}, {"ttyUSB1", byId}, "ttyUSB2"},
        {"the cable gone, its name taken", {"ttyUSB0", "ttyUSB1"}, {{"ttyUSB0", "other"}}, {"ttyUSB1", byId},
         "ttyUSB1"},
        {"a pseudo-terminal named last time", {"ttyUSB0", "ttyUSB1"}, {}, {"/dev/pts/3", ""}, "ttyUSB0"},
        {"a path named last time, gone", {"ttyUSB0"}, {}, {(root / "gone").string(), ""}, "ttyUSB0"},
        {"a path named last time, there", {"ttyUSB0"}, {}, {(root / "radio-link").string(), ""},
         (root / "radio-link").string()},
        {"a path named last time, no port listed", {}, {}, {(root / "radio-link").string(), ""},
         (root / "radio-link").string()},
        {"no port at all", {}, {}, {"ttyUSB1", byId}, "COM1"},
    };
    std::ofstream(root / "radio-link") << "";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root / "tty");
        fs::create_directories(root / "tty");
        for (const std::string &name : c.plugged)
            Plug(name);
        links = c.links;
        box = FakeBox();
        chosen = "COM1";
        selector = std::make_unique<PortSelector>(box, chosen, (root / "tty").string());
        selector->stableLink = [this](const std::string &name) {
            const auto it = links.find(name);
            return it == links.end() ? std::string() : it->second;
        };
        selector->Fill(c.remembered);
        EXPECT_EQ(chosen, c.expected);
        EXPECT_EQ(box.Port(), c.plugged.empty() && c.expected == "COM1" ? "" : c.expected);
    }
}

// What a choice keeps for the next start: the port and its cable's stable
// link; kept and read back through the settings.
TEST_F(Ports, AChoiceIsKeptWithItsStableLink)
{
    const std::string byId = "/dev/serial/by-id/usb-Prolific-if00-port0";
    links["ttyUSB1"] = byId;
    Plug("ttyUSB0");
    Plug("ttyUSB1");
    selector->Fill();
    const RememberedPort kept = selector->Choose(1);
    EXPECT_EQ(kept.port, "ttyUSB1");
    EXPECT_EQ(kept.stable, byId);
    EXPECT_EQ(chosen, "ttyUSB1");
    SaveRememberedPort(kept);
    const RememberedPort loaded = LoadRememberedPort();
    EXPECT_EQ(loaded.port, "ttyUSB1");
    EXPECT_EQ(loaded.stable, byId);
}

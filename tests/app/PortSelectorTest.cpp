// SPDX-License-Identifier: GPL-3.0-or-later
// The port selector's list on a throw-away sysfs tree, without the window:
// cables plugged in and pulled, device paths named by the user.
#include "app/PortSelector.h"

#include "Folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tonvar::app;
using Names = std::vector<std::string>;

namespace {

// The selector's combo box: choosing an item makes its text the text.
struct FakeBox : PortBox {
    Names items;
    QString text;
    QString Text() const override { return text; }
    void SetItems(const Names &list) override { items = list; }
    int Count() const override { return static_cast<int>(items.size()); }
    void Select(int index) override { text = QString::fromStdString(items.at(static_cast<std::size_t>(index))); }
    void SetText(const QString &t) override { text = t; }
};

struct Ports : ::testing::Test {
    fs::path root;
    FakeBox box;
    std::string chosen; // the port a session opens
    std::unique_ptr<PortSelector> selector;

    void SetUp() override
    {
        root = tonvar::test::FreshTestFolder("tonvar-ports");
        fs::create_directories(root / "tty");
        selector = std::make_unique<PortSelector>(box, chosen, (root / "tty").string());
    }
    void TearDown() override { fs::remove_all(root); }

    void Plug(const std::string &name) { fs::create_directories(root / "tty" / name / "device"); }
    void Pull(const std::string &name) { fs::remove_all(root / "tty" / name); }
    void Choose(const std::string &name)
    {
        box.text = QString::fromStdString(name);
        chosen = name;
    }
};

} // namespace

TEST_F(Ports, TheFirstPortIsChosenAtStart)
{
    Plug("ttyUSB1");
    Plug("ttyACM0");
    selector->Fill();
    EXPECT_EQ(box.items, (Names{"ttyACM0", "ttyUSB1"}));
    EXPECT_EQ(box.text, QStringLiteral("ttyACM0"));
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
        EXPECT_EQ(box.text.toStdString(), c.expected);
        EXPECT_EQ(chosen, c.expected);
        for (const std::string &name : c.pulled)
            EXPECT_EQ(std::count(box.items.begin(), box.items.end(), name), 0);
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
    EXPECT_EQ(box.items, Names{"ttyUSB0"});
    EXPECT_EQ(box.text, QStringLiteral("ttyUSB0"));
    EXPECT_EQ(chosen, "kept");
}

// A device path the user names is listed and chosen, and stays so when other
// cables come and go; an empty one changes nothing.
TEST_F(Ports, ADevicePathNamedIsListedAndChosen)
{
    Plug("ttyUSB0");
    selector->Fill();
    selector->AddDevicePath(QString());
    EXPECT_EQ(box.items, Names{"ttyUSB0"});
    EXPECT_EQ(box.text, QStringLiteral("ttyUSB0"));

    const fs::path device = root / "pts-7";
    std::ofstream(device) << "";
    selector->AddDevicePath(QString::fromStdString(device.string()));
    EXPECT_EQ(box.items, (Names{"ttyUSB0", device.string()}));
    EXPECT_EQ(box.text.toStdString(), device.string());
    EXPECT_EQ(chosen, device.string());

    Plug("ttyACM0");
    selector->DevicesChanged();
    EXPECT_EQ(box.items, (Names{"ttyACM0", "ttyUSB0", device.string()}));
    EXPECT_EQ(chosen, device.string());
}

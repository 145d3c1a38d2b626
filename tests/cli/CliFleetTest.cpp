// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's refusals before any radio is touched: options that do not
// apply to the command, files of another kind that a save would replace, and
// IDs that two radios would share.
#include "cli/CliOptions.h"
#include "cli/FileKinds.h"
#include "cli/Fleet.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "protocol/Frames.h"
#include "signalling/DtmfBlocks.h"
#include "signalling/FleetSyncBlocks.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include "Channels.h"
#include "Folders.h"
#include "UsageMessage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tonvar;
using namespace tonvar::cli;
using Strings = std::vector<std::string>;
using test::UsageMessage;
namespace fs = std::filesystem;

// Every option applies to the command it is given with, or the command is
// refused: an option ignored would be a check not made, or a file not
// written, while the command says it succeeded.
TEST(CliOptions, EveryOptionThatDoesNotApplyToTheCommandIsRefused)
{
    const std::pair<Strings, std::string> refused[] = {
        // ports lists ports: nothing else applies.
        {{"ports", "--json"}, "--json is for read, write, verify, backup, restore, station, diff and show only"},
        {{"ports", "-q"}, "--quiet is for read, write, verify, backup, restore, station and diff only"},
        {{"ports", "--timeout", "5"}, "--timeout is for read, write, verify, backup, restore and station only"},
        {{"ports", "--roster", "r.csv"}, "--roster is for restore, verify and station only"},
        {{"ports", "--no-verify"}, "--no-verify is for write and restore only"},
        {{"ports", "--backup", "dir"}, "--backup is for write and station only"},
        {{"ports", "--allow-duplicate-ids"}, "--allow-duplicate-ids is for restore (and verify --roster, check) only"},
        // check reads files: no radio, no progress, no record.
        {{"check", "--json", "a.wh"}, "--json is for read, write, verify, backup, restore, station, diff and show only"},
        {{"check", "--quiet", "a.wh"}, "--quiet is for read, write, verify, backup, restore, station and diff only"},
        {{"check", "--timeout=3", "a.wh"}, "--timeout is for read, write, verify, backup, restore and station only"},
        {{"check", "--no-verify", "a.wh"}, "--no-verify is for write and restore only"},
        {{"check", "--backup", "d", "a.wh"}, "--backup is for write and station only"},
        {{"check", "--roster", "r.csv", "a.radio"}, "check takes the roster as a file: tonvar-cli check IMAGE ROSTER"},
        {{"check", "-a", "a.wh"}, "check takes no port: it works on files only"},
        // diff, show and set work on files: no radio, no progress.
        {{"diff", "-p", "ttyUSB0", "a.wh", "b.wh"}, "diff takes no port: it works on files only"},
        {{"diff", "--timeout", "3", "a.wh", "b.wh"}, "--timeout is for read, write, verify, backup, restore and station only"},
        {{"diff", "-o", "c.wh", "a.wh", "b.wh"}, "--output is for set only"},
        {{"show", "-q", "a.wh"}, "--quiet is for read, write, verify, backup, restore, station and diff only"},
        {{"show", "-a", "a.wh"}, "show takes no port: it works on files only"},
        {{"set", "--json", "a.wh", "Settings, TOT=60"},
         "--json is for read, write, verify, backup, restore, station, diff and show only"},
        {{"set", "--dry-run", "a.wh", "Settings, TOT=60"}, "--dry-run is for write and restore only"},
        {{"set", "-o", "b.wh", "-o", "c.wh", "a.wh", "Settings, TOT=60"}, "--output is given twice"},
        {{"set", "a.wh"}, "no field given: tonvar-cli set a.wh \"FIELD=VALUE\"..."},
        {{"set", "a.wh", "Settings, TOT"}, "'Settings, TOT' is no FIELD=VALUE (\"FleetSync, ID[Own]=1001\")"},
        {{"diff", "a.wh"}, "diff compares two files: one given"},
        {{"diff", "a.wh", "b.wh", "c.wh"}, "unexpected argument 'c.wh': diff compares two files"},
        // A dry run writes nothing: nothing to back up first or to read back.
        {{"write", "--dry-run", "--backup", "d", "-p", "ttyUSB0", "a.wh"},
         "--backup is for a write that writes: --dry-run writes nothing"},
        {{"restore", "--dry-run", "--no-verify", "-p", "ttyUSB0", "a.radio"},
         "--no-verify is for a write that writes: --dry-run writes nothing to read back"},
        {{"verify", "--dry-run", "-p", "ttyUSB0", "a.wh"}, "--dry-run is for write and restore only"},
        {{"read", "--dry-run", "-p", "ttyUSB0", "a.wh"}, "--dry-run is for write and restore only"},
        // read and backup save what they read.
        {{"read", "-p", "ttyUSB0", "--roster", "r.csv", "a.wh"}, "--roster is for restore, verify and station only"},
        {{"read", "-p", "ttyUSB0", "--allow-duplicate-ids", "a.wh"},
         "--allow-duplicate-ids is for restore (and verify --roster, check) only"},
        {{"read", "-p", "ttyUSB0", "--backup", "d", "a.wh"}, "--backup is for write and station only"},
        {{"backup", "-p", "ttyUSB0", "--no-verify", "a.radio"}, "--no-verify is for write and restore only"},
        {{"backup", "-p", "ttyUSB0", "--roster", "r.csv", "a.radio"}, "--roster is for restore, verify and station only"},
        {{"backup", "-p", "ttyUSB0", "--backup", "d", "a.radio"}, "--backup is for write and station only"},
        // write writes a channel file, which has no IDs.
        {{"write", "-p", "ttyUSB0", "--roster", "r.csv", "a.wh"}, "--roster is for restore, verify and station only"},
        {{"write", "-p", "ttyUSB0", "--allow-duplicate-ids", "a.wh"},
         "--allow-duplicate-ids is for restore (and verify --roster, check) only"},
        // verify writes nothing.
        {{"verify", "-p", "ttyUSB0", "--no-verify", "a.wh"}, "--no-verify is for write and restore only"},
        {{"verify", "-p", "ttyUSB0", "--backup", "d", "a.wh"}, "--backup is for write and station only"},
        {{"verify", "-p", "ttyUSB0", "--allow-duplicate-ids", "a.radio"},
         "--allow-duplicate-ids is for verify --roster only: a verify without a roster gives no radio any ID"},
        // restore writes an image.
        {{"restore", "-p", "ttyUSB0", "--backup", "d", "a.radio"}, "--backup is for write and station only"},
        // One value given twice: one of them would be ignored.
        {{"restore", "-p", "ttyUSB0", "--roster", "a.csv", "--roster=b.csv", "a.radio"}, "--roster is given twice"},
        {{"write", "-p", "ttyUSB0", "--backup", "d", "--backup", "e", "a.wh"}, "--backup is given twice"},
        {{"read", "-p", "ttyUSB0", "--timeout", "5", "--timeout", "6", "a.wh"}, "--timeout is given twice"},
    };
    for (const auto &[args, message] : refused)
        EXPECT_EQ(UsageMessage(args), message) << args[0] << " " << args[1];

    // What does apply is taken.
    const Strings accepted[] = {
        {"ports"},
        {"check", "a.radio", "r.csv"},
        {"check", "--allow-duplicate-ids", "a.radio", "r.csv"},
        {"read", "-q", "--json", "--timeout", "3", "-p", "ttyUSB0", "a.wh"},
        {"write", "--no-verify", "--backup", "d", "-p", "ttyUSB0", "a.wh"},
        {"verify", "--roster", "r.csv", "--allow-duplicate-ids", "-p", "ttyUSB0", "a.radio"},
        {"restore", "--allow-duplicate-ids", "--no-verify", "-p", "ttyUSB0", "-p", "ttyUSB1", "a.radio"},
        {"restore", "--roster", "r.csv", "-p", "ttyUSB0", "a.radio"},
        {"backup", "-a", "--json", "d"},
        {"diff", "-q", "--json", "a.wh", "b.radio"},
        {"show", "--json", "a.radio", "FleetSync, ID[Own]", "DTMF, ID Code"},
        {"set", "--output=b.radio", "a.radio", "FleetSync, ID[Own]=1001", "DTMF, ID Code="},
        {"write", "--dry-run", "--json", "-p", "ttyUSB0", "a.wh"},
        {"restore", "--dry-run", "--roster", "r.csv", "-p", "ttyUSB0", "a.radio"},
    };
    for (const Strings &args : accepted)
        EXPECT_EQ(UsageMessage(args), "(accepted)") << args[0] << " " << args.back();
}

namespace {

struct Files : ::testing::Test {
    fs::path dir;
    void SetUp() override { dir = test::FreshTestFolder("tonvar-cli-kinds"); }
    void TearDown() override { fs::remove_all(dir); }
    std::string Put(const std::string &name, const std::string &bytes)
    {
        const fs::path p = dir / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
};

std::string ChannelFileBytes()
{
    return files::ChannelFileText(test::NumberedTable(), memory::DefaultSettingsTexts());
}

} // namespace

// A read saves channel files and a backup radio images: neither replaces a
// file of another kind, and the refusal names the file, what it holds and
// the command that writes that kind.
TEST_F(Files, NoSaveReplacesAFileOfAnotherKind)
{
    const std::string channels = Put("fleet.wh", ChannelFileBytes());
    const std::string image = Put("master.radio", files::RadioImageText(files::RadioImage{}));
    const std::string roster = Put("roster.csv", "port,\"DTMF, ID Code\"\nttyUSB0,101\n");
    const std::string csv = Put("list.csv", "Location,Name,Frequency,Duplex\r\n1,,146.520000,\r\n");
    const std::string notes = Put("notes.txt", "call Bob\n");
    const std::string shortFile = Put("short.wh", "\"Ch No.\"\r\n1,145.5\r\n");
    const std::string empty = Put("empty.wh", "");
    const std::string missing = (dir / "new.wh").string();
    fs::create_symlink(image, dir / "link.wh");
    const std::string link = (dir / "link.wh").string();

    struct Case {
        std::string path;
        FileKind kind;
    };
    const Case kinds[] = {{channels, FileKind::ChannelFile}, {image, FileKind::RadioImage},
                          {roster, FileKind::Roster},        {csv, FileKind::ChannelCsv},
                          {notes, FileKind::Other},          {shortFile, FileKind::Other},
                          {empty, FileKind::None},           {missing, FileKind::None},
                          {link, FileKind::RadioImage},      {dir.string(), FileKind::Folder}};
    for (const Case &c : kinds)
        EXPECT_EQ(KindOfFile(c.path), c.kind) << c.path;

    // Of the same kind, or nothing to lose: saved over.
    for (const std::string &path : {channels, empty, missing})
        EXPECT_EQ(ReplaceProblem(path, FileKind::ChannelFile, "read"), "") << path;
    for (const std::string &path : {image, empty, missing})
        EXPECT_EQ(ReplaceProblem(path, FileKind::RadioImage, "backup"), "") << path;

    // Of another kind: refused, naming the file, what it holds and what
    // writes that kind.
    struct Refusal {
        std::string path;
        FileKind saved;
        std::string holds;
        std::string writer;
    };
    const auto neither = [](const std::string &lines) {
        return "neither a channel file nor a radio image: It has " + lines +
               "; a channel file has 26 lines: the column captions, 16 channels and 9 settings.";
    };
    const Refusal refusals[] = {
        {image, FileKind::ChannelFile, "a radio image (the whole radio).",
         " Radio images are written by 'tonvar-cli backup'."},
        {link, FileKind::ChannelFile, "a radio image (the whole radio).",
         " Radio images are written by 'tonvar-cli backup'."},
        {channels, FileKind::RadioImage, "a channel file.", " Channel files are written by 'tonvar-cli read'."},
        {roster, FileKind::ChannelFile, "a roster (each radio's own values).",
         " Rosters are written by hand or by a spreadsheet."},
        {csv, FileKind::RadioImage, "a CSV channel list.",
         " CSV channel lists are written by 'tonvar-cli convert'."},
        {notes, FileKind::ChannelFile, neither("1 line"), ""},
        {shortFile, FileKind::RadioImage, neither("2 lines"), ""},
    };
    for (const Refusal &r : refusals) {
        const bool read = r.saved == FileKind::ChannelFile;
        const std::string command = read ? "read" : "backup";
        EXPECT_EQ(ReplaceProblem(r.path, r.saved, command),
                  r.path + " holds " + r.holds + " 'tonvar-cli " + command + "' would replace it with " +
                      (read ? "a channel file" : "a radio image") + ", so no radio was touched." + r.writer +
                      " Give another file name, or remove " + r.path + " first.")
            << r.path;
    }
}

namespace {

// An image whose own FleetSync fleet and ID and DTMF ID code are given
// (empty: left blank, as a blank radio holds them).
files::RadioImage WithIds(const std::string &fleet, const std::string &id, const std::string &dtmf)
{
    files::RadioImage image;
    if (!id.empty()) {
        signalling::SetImageField(image, "FleetSync, Fleet[Own]", fleet);
        signalling::SetImageField(image, "FleetSync, ID[Own]", id);
    }
    if (!dtmf.empty())
        signalling::SetImageField(image, "DTMF, ID Code", dtmf);
    return image;
}

std::string Refusal(const std::vector<files::RadioImage> &images, const Strings &labels)
{
    try {
        RefuseDuplicateIds(images, labels);
    } catch (const text::Failure &e) {
        EXPECT_EQ(e.detail(), "No two radios may answer to the same IDs: give each radio its own in a roster "
                              "(--roster), or allow it with --allow-duplicate-ids.");
        return e.what();
    }
    return "(accepted)";
}

} // namespace

// Which IDs count: those an image sets. A blank one (0, or erased to 0xFF)
// is no ID, so radios restored from an image without IDs share nothing.
TEST(FleetIds, OnlyTheIdsAnImageSetsCount)
{
    const RadioIds set = IdsOf(WithIds("100", "1001", "101"));
    EXPECT_EQ(set.fleetSync, "FleetSync fleet 100 and ID 1001");
    EXPECT_EQ(set.dtmf, "the DTMF ID code 101");
    const RadioIds blank = IdsOf(files::RadioImage{});
    EXPECT_FALSE(blank.fleetSync);
    EXPECT_FALSE(blank.dtmf);
    files::RadioImage erased;
    for (memory::Payload &p : erased.payloads)
        p.fill(0xFF);
    EXPECT_FALSE(IdsOf(erased).fleetSync);
    EXPECT_FALSE(IdsOf(erased).dtmf);
    // A fleet without an ID is no radio's own.
    files::RadioImage fleetOnly;
    signalling::SetImageField(fleetOnly, "FleetSync, Fleet[Own]", "200");
    EXPECT_FALSE(IdsOf(fleetOnly).fleetSync);
}

TEST(FleetIds, NoTwoRadiosGetTheSameIdsAndTheRefusalNamesThem)
{
    const files::RadioImage a = WithIds("100", "1001", "101");
    const files::RadioImage b = WithIds("100", "1002", "102");
    const struct {
        std::vector<files::RadioImage> images;
        std::string refusal;
    } cases[] = {
        {{a, b, WithIds("200", "1001", "103")}, "(accepted)"}, // one ID in two fleets is two IDs
        {{a, a, a},
         "ttyUSB0, ttyUSB1 and ttyUSB2 would all get FleetSync fleet 100 and ID 1001; ttyUSB0, ttyUSB1 and ttyUSB2 "
         "would all get the DTMF ID code 101."},
        {{a, b, WithIds("100", "1003", "101")}, "ttyUSB0 and ttyUSB2 would both get the DTMF ID code 101."},
        {{a, WithIds("100", "1001", ""), b}, "ttyUSB0 and ttyUSB1 would both get FleetSync fleet 100 and ID 1001."},
        {{files::RadioImage{}, files::RadioImage{}, files::RadioImage{}}, "(accepted)"},
        {{a}, "(accepted)"},
    };
    for (const auto &c : cases) {
        Strings labels;
        for (std::size_t i = 0; i < c.images.size(); ++i)
            labels.push_back("ttyUSB" + std::to_string(i));
        EXPECT_EQ(Refusal(c.images, labels), c.refusal);
    }
}

// A roster that gives only some IDs leaves the others as the image has them:
// those count too.
TEST(FleetIds, ARosterThatGivesOnlySomeIdsStillRefusesTheImagesShared)
{
    const files::Roster roster = files::ParseRoster("port,\"FleetSync, ID[Own]\"\nttyUSB0,1001\nttyUSB1,1002\n");
    const files::RadioImage image = WithIds("100", "1000", "4321");
    try {
        FleetImages(roster, {image}, {"ttyUSB0", "ttyUSB1"}, {}, {"", ""}, false);
        ADD_FAILURE() << "accepted";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), "ttyUSB0 and ttyUSB1 would both get the DTMF ID code 4321.");
    }
    const std::vector<RadioOwnImage> allowed = FleetImages(roster, {image}, {"ttyUSB0", "ttyUSB1"}, {}, {"", ""}, true);
    ASSERT_EQ(allowed.size(), 2u);
    EXPECT_EQ(IdsOf(allowed[1].image).fleetSync, "FleetSync fleet 100 and ID 1002");
}

// A roster as a spreadsheet user types it: field names in another case and
// with doubled blanks, and radios named by their device as given to --port.
TEST(FleetIds, ARosterTypedAsPeopleTypeItGivesEachRadioItsValues)
{
    const files::Roster typed = files::ParseRoster("PORT,\"fleetsync,  id[own]\",\"DTMF, id code\"\r\n"
                                                   "/dev/pts/3,1001,101\r\npts-4,1002,102\r\n");
    const files::Roster exact = files::ParseRoster("port,\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\n"
                                                   "pts-3,1001,101\npts-4,1002,102\n");
    const files::RadioImage image = WithIds("100", "1000", "");
    const Strings labels{"pts-3", "pts-4"}, devices{"/dev/pts/3", "/dev/pts/4"};
    const std::vector<RadioOwnImage> a = FleetImages(typed, {image}, labels, devices, {"", ""}, false);
    const std::vector<RadioOwnImage> b = FleetImages(exact, {image}, labels, devices, {"", ""}, false);
    ASSERT_EQ(a.size(), 2u);
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].image, b[i].image) << labels[i];
    EXPECT_EQ(IdsOf(a[1].image).fleetSync, "FleetSync fleet 100 and ID 1002");
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The programming station's logic without a radio: its records (one JSON
// line each, every field kept), its log read back (a record cut short by a
// crash skipped, nothing earlier lost), which roster row the next radio gets,
// which radio it programmed before, and what it refuses before any radio is
// touched.
#include "cli/CliOptions.h"
#include "cli/Station.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include "Folders.h"
#include "UsageMessage.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

using namespace tonvar;
using namespace tonvar::cli;
using Strings = std::vector<std::string>;

namespace {

StationRecord FullRecord()
{
    StationRecord r;
    r.result = StationRecord::Result::Programmed;
    r.time = "2026-12-10T10:42:07Z";
    r.version = "1.2.3";
    r.host = "bench-2";
    r.port = "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0";
    r.cableSerial = "A50285BI";
    r.source = "fleet \"north\".radio";
    r.sourceSha256 = "413b8d738656e19a0b3d683acd8924d6114b3caf97c9682294d1b2cb7dac02bc";
    r.row = 3;
    r.label = "A-19";
    r.values = {{"FleetSync, ID[Own]", "1003"}, {"DTMF, ID Code", "103"}};
    r.ids = {"FleetSync fleet 100 and ID 1003", "the DTMF ID code 103"};
    r.backup = "backups/A-19-20261210-104201.radio";
    r.error = "none\tat all";
    return r;
}

std::string Text(const QJsonObject &o, const char *key)
{
    return o.value(QLatin1String(key)).toString().toStdString();
}

files::Roster Labels(const Strings &labels)
{
    files::Roster roster;
    roster.key = files::Roster::Key::Label;
    for (const std::string &label : labels)
        roster.rows.push_back({label, {}, 0});
    return roster;
}

StationRecord Programmed(int row, const std::string &label, Strings ids = {})
{
    StationRecord r;
    r.result = StationRecord::Result::Programmed;
    r.row = row;
    r.label = label;
    r.ids = std::move(ids);
    r.time = "2026-12-10T10:42:07Z";
    return r;
}

} // namespace

TEST(StationRecord, ItsJsonLineHoldsEveryFieldAndReadsBackTheSame)
{
    const StationRecord r = FullRecord();
    const std::string line = RecordJson(r);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line));
    ASSERT_TRUE(doc.isObject()) << line;
    const QJsonObject o = doc.object();
    EXPECT_EQ(o.size(), 14) << line;
    EXPECT_EQ(Text(o, "time"), "2026-12-10T10:42:07Z");
    EXPECT_EQ(Text(o, "version"), "1.2.3");
    EXPECT_EQ(Text(o, "host"), "bench-2");
    EXPECT_EQ(Text(o, "port"), "/dev/serial/by-id/usb-FTDI_A50285BI-if00-port0");
    EXPECT_EQ(Text(o, "cableSerial"), "A50285BI");
    EXPECT_EQ(Text(o, "source"), "fleet \"north\".radio");
    EXPECT_EQ(Text(o, "sourceSha256"), "413b8d738656e19a0b3d683acd8924d6114b3caf97c9682294d1b2cb7dac02bc");
    EXPECT_EQ(o.value(QStringLiteral("row")).toInt(), 3);
    EXPECT_EQ(Text(o, "label"), "A-19");
    const QJsonArray values = o.value(QStringLiteral("values")).toArray();
    ASSERT_EQ(values.size(), 2);
    EXPECT_EQ(Text(values[0].toObject(), "field"), "FleetSync, ID[Own]");
    EXPECT_EQ(Text(values[0].toObject(), "value"), "1003");
    EXPECT_EQ(Text(values[1].toObject(), "field"), "DTMF, ID Code");
    EXPECT_EQ(Text(values[1].toObject(), "value"), "103");
    const QJsonArray ids = o.value(QStringLiteral("ids")).toArray();
    ASSERT_EQ(ids.size(), 2);
    EXPECT_EQ(ids[0].toString().toStdString(), "FleetSync fleet 100 and ID 1003");
    EXPECT_EQ(ids[1].toString().toStdString(), "the DTMF ID code 103");
    EXPECT_EQ(Text(o, "backup"), "backups/A-19-20261210-104201.radio");
    EXPECT_EQ(Text(o, "result"), "programmed");
    EXPECT_EQ(Text(o, "error"), "none\tat all");

    const StationRecord back = ParseRecord(line);
    EXPECT_EQ(back.result, r.result);
    EXPECT_EQ(back.time, r.time);
    EXPECT_EQ(back.version, r.version);
    EXPECT_EQ(back.host, r.host);
    EXPECT_EQ(back.port, r.port);
    EXPECT_EQ(back.cableSerial, r.cableSerial);
    EXPECT_EQ(back.source, r.source);
    EXPECT_EQ(back.sourceSha256, r.sourceSha256);
    EXPECT_EQ(back.row, r.row);
    EXPECT_EQ(back.label, r.label);
    EXPECT_EQ(back.values, r.values);
    EXPECT_EQ(back.ids, r.ids);
    EXPECT_EQ(back.backup, r.backup);
    EXPECT_EQ(back.error, r.error);
    for (const auto result : {StationRecord::Result::LeftAlone, StationRecord::Result::Failed,
                              StationRecord::Result::Mixed}) {
        StationRecord other = r;
        other.result = result;
        EXPECT_EQ(ParseRecord(RecordJson(other)).result, result) << ResultName(result);
    }
}

TEST(StationRecord, ALineThatIsNoRecordIsRefusedSayingWhy)
{
    std::string noHost = RecordJson(FullRecord());
    noHost.replace(noHost.find("\"host\""), 6, "\"hostname\"");
    std::string rowText = RecordJson(FullRecord());
    rowText.replace(rowText.find("\"row\":3"), 7, "\"row\":\"3\"");
    std::string otherResult = RecordJson(FullRecord());
    otherResult.replace(otherResult.find("\"programmed\""), 12, "\"written\"");
    const std::pair<std::string, std::string> cases[] = {
        {"[1,2]", "It is no JSON object."},
        {"{\"time\":", "It is no JSON object: "},
        {noHost, "Its \"host\" is missing or of another type."},
        {rowText, "Its \"row\" is missing or of another type."},
        {otherResult, "Its \"result\" 'written' is none a station gives."},
    };
    for (const auto &[line, message] : cases) {
        try {
            ParseRecord(line);
            ADD_FAILURE() << line << " was taken";
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
}

TEST(StationRecord, EachResultSaysItsRowInOneLine)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    StationRecord r = FullRecord();
    r.backup.clear();
    EXPECT_EQ(r.Line(), "row 3 (A-19): programmed and read back");
    r.backup = "bk/A-19.radio";
    EXPECT_EQ(r.Line(), "row 3 (A-19): programmed and read back (backed up first to bk/A-19.radio)");
    r.backup.clear();
    r.result = StationRecord::Result::LeftAlone;
    r.error = AlreadyGot(Programmed(3, "A-19"));
    EXPECT_EQ(r.Line(), "this radio already got row 3 (A-19) at 10:42; not written");
    r.backup = "bk/A-19.radio";
    EXPECT_EQ(r.Line(), "this radio already got row 3 (A-19) at 10:42; not written (its backup: bk/A-19.radio)");
    r.backup.clear();
    EXPECT_EQ(AlreadyGot(Programmed(0, "", {"FleetSync fleet 100 and ID 1001"})),
              "already got FleetSync fleet 100 and ID 1001 at 10:42");
    r.result = StationRecord::Result::Failed;
    r.error = "No answer from the radio for 10 s while waiting for channel 5.";
    EXPECT_EQ(r.Line(),
              "row 3 (A-19): FAILED: No answer from the radio for 10 s while waiting for channel 5. The row stays unused.");
    r.result = StationRecord::Result::Mixed;
    r.error = "Interrupted. The radio may now hold a mix of old and new values: restore it again.";
    EXPECT_EQ(r.Line(), "row 3 (A-19): FAILED, the radio holds a mix of old and new values: Interrupted. The row "
                        "stays unused: connect the radio again to program it.");
    r.row = 0;
    r.result = StationRecord::Result::Failed;
    r.error = "Interrupted.";
    EXPECT_EQ(r.Line(), "radio: FAILED: Interrupted.");
}

// A station stopped while writing its log leaves a line cut short: it is
// skipped and said, the records before and after it kept; a line of any
// other kind makes the file no station's log.
TEST(StationLog, ARecordCutShortIsSkippedAndNoEarlierRecordIsLost)
{
    const std::string one = RecordJson(Programmed(1, "A-17", {"the DTMF ID code 101"}));
    const std::string two = RecordJson(Programmed(2, "A-18", {"the DTMF ID code 102"}));
    const std::string cut = two.substr(0, 40);

    StationLog log = ReadStationLog(one + "\n" + two + "\n" + cut);
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[1].label, "A-18");
    EXPECT_EQ(log.skipped,
              Strings{"line 3 is a record cut short (the station stopped while writing it): skipped"});
    EXPECT_FALSE(log.endsWithNewline);

    // The station went on: its next record starts a line of its own.
    log = ReadStationLog(one + "\r\n" + cut + "\n" + two + "\n\n");
    ASSERT_EQ(log.records.size(), 2u);
    EXPECT_EQ(log.records[0].label, "A-17");
    EXPECT_EQ(log.records[1].label, "A-18");
    EXPECT_EQ(log.skipped.size(), 1u);
    EXPECT_TRUE(log.endsWithNewline);
    EXPECT_TRUE(ReadStationLog("").records.empty());

    for (const std::string &text : {one + "\nport,\"DTMF, ID Code\"\n", one + "\n{\"time\":\"x\"}\n"}) {
        try {
            ReadStationLog(text);
            ADD_FAILURE() << text << " was taken for a log";
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), "Line 2 is no station record.");
        }
    }
}

TEST(StationRows, TheNextRadioGetsTheFirstRowNoProgrammedRadioGotFromTheFirstRowToUse)
{
    const files::Roster roster = Labels({"A-17", "A-18", "A-19", "A-20", "A-21"});
    StationRecord failed = Programmed(1, "A-17");
    failed.result = StationRecord::Result::Failed;
    StationRecord mixed = Programmed(3, "A-19");
    mixed.result = StationRecord::Result::Mixed;
    StationRecord leftAlone = Programmed(2, "A-18");
    leftAlone.result = StationRecord::Result::LeftAlone;
    const std::vector<StationRecord> records = {failed, Programmed(2, "A-18"), mixed, leftAlone,
                                                Programmed(7, "A-20")};
    const struct {
        int fromRow;
        std::vector<int> unused;
    } cases[] = {
        {1, {1, 3, 5}},
        {3, {3, 5}},
        {5, {5}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(UnusedRows(roster, records, c.fromRow), c.unused) << "from row " << c.fromRow;
    EXPECT_EQ(UnusedRows(roster, {}, 2), (std::vector<int>{2, 3, 4, 5}));
}

TEST(StationRows, AStationsRosterTakesAnyLabelAndRefusesALabelTwice)
{
    const files::Roster roster =
        files::ParseRoster("Asset No.,\"DTMF, ID Code\"\nA-17,101\nA-18,102\n", files::RosterRows::InOrder);
    EXPECT_EQ(roster.key, files::Roster::Key::Label);
    ASSERT_EQ(roster.rows.size(), 2u);
    EXPECT_EQ(roster.rows[1].key, "A-18");
    EXPECT_EQ(files::ParseRoster("port,x\nttyUSB0,1\n", files::RosterRows::InOrder).key, files::Roster::Key::Label);
    const std::pair<std::string, files::RosterRows> refused[] = {
        {"asset,\"DTMF, ID Code\"\nA-17,101\nA-17,102\n", files::RosterRows::InOrder},
        {"asset,\"DTMF, ID Code\"\nA-17,101\n", files::RosterRows::ByRadio},
    };
    const std::string details[] = {
        "Line 3: A-17 has a row already.",
        "Line 1: The first column must be \"port\" or \"serial\": how each row picks its radio (a roster whose "
        "first column is a label of another name is for tonvar-cli station).",
    };
    for (std::size_t i = 0; i < std::size(refused); ++i) {
        try {
            files::ParseRoster(refused[i].first, refused[i].second);
            ADD_FAILURE() << refused[i].first << " was taken";
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), "The file is not a roster.");
            EXPECT_EQ(e.detail(), details[i]);
        }
    }
}

TEST(StationIds, ARadioAnsweringToAnIdAProgrammedRadioGotWasSeenBefore)
{
    StationRecord failed = Programmed(4, "A-20", {"the DTMF ID code 104"});
    failed.result = StationRecord::Result::Failed;
    const std::vector<StationRecord> records = {
        Programmed(1, "A-17", {"FleetSync fleet 100 and ID 1001", "the DTMF ID code 101"}),
        Programmed(2, "A-18", {"FleetSync fleet 100 and ID 1002", "the DTMF ID code 102"}),
        failed,
    };
    const struct {
        Strings ids;
        std::string label; // of the record found; "" none
    } cases[] = {
        {{"FleetSync fleet 100 and ID 1002"}, "A-18"},
        {{"FleetSync fleet 100 and ID 1009", "the DTMF ID code 101"}, "A-17"},
        {{"FleetSync fleet 101 and ID 1001"}, ""},
        {{"the DTMF ID code 104"}, ""},
        {{}, ""},
    };
    for (const auto &c : cases) {
        const StationRecord *found = GivenBefore(records, c.ids);
        EXPECT_EQ(found ? found->label : "", c.label) << (c.ids.empty() ? "no IDs" : c.ids.front());
    }
}

TEST(StationOptions, OnePortARosterRowAndALog)
{
    const Options o = ParseOptions({"station", "-p", "ttyUSB0", "--roster", "r.csv", "--from-row=4", "--log",
                                    "s.jsonl", "--backup", "bk", "--rewrite", "--json", "fleet.radio"});
    EXPECT_EQ(o.command, Command::Station);
    EXPECT_EQ(o.ports, Strings{"ttyUSB0"});
    EXPECT_EQ(o.fromRow, 4);
    EXPECT_EQ(o.log, "s.jsonl");
    EXPECT_EQ(o.backupDir, "bk");
    EXPECT_TRUE(o.rewrite);
    EXPECT_EQ(o.file, "fleet.radio");
    const std::pair<Strings, std::string> refused[] = {
        {{"station", "fleet.radio"}, "no --port given: station programs radio after radio on one port"},
        {{"station", "-p", "a", "-p", "b", "fleet.radio"},
         "station takes one --port: it programs radio after radio on one port"},
        {{"station", "-a", "fleet.radio"},
         "station takes one --port, not --all: it programs radio after radio on one port"},
        {{"station", "-p", "a"}, "no radio image or channel file given"},
        {{"station", "-p", "a", "--roster", "r.csv", "--from-row", "0", "x.radio"},
         "--from-row takes a row number from 1, not '0'"},
        {{"station", "-p", "a", "--from-row", "2", "x.radio"},
         "--from-row is for station --roster only: without a roster there are no rows"},
        {{"station", "-p", "a", "--no-verify", "x.radio"}, "--no-verify is for write and restore only"},
        {{"restore", "-p", "a", "--log", "l", "x.radio"}, "--log is for station only"},
        {{"write", "-p", "a", "--rewrite", "x.wh"}, "--rewrite is for station only"},
    };
    for (const auto &[args, message] : refused)
        EXPECT_EQ(test::UsageMessage(args), message) << args.back();
}

// Everything a station needs is checked before it waits for a radio: the
// source, every row's values in it, the rows left and the log.
struct StationSetUp : ::testing::Test {
    std::filesystem::path dir = test::FreshTestFolder("tonvar-station");
    ~StationSetUp() override { std::filesystem::remove_all(dir); }

    std::string Write(const std::string &name, const std::string &text) const
    {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    std::string Image() const
    {
        files::RadioImage image;
        signalling::SetImageField(image, "FleetSync, Fleet[Own]", "100");
        files::SaveRadioImage(image, (dir / "fleet.radio").string());
        return (dir / "fleet.radio").string();
    }
    StationSettings Settings(const std::string &roster, const std::string &log = {}) const
    {
        StationSettings s;
        s.port = (dir / "no-radio").string();
        s.source = Image();
        s.roster = roster;
        s.log = log;
        return s;
    }
    // The refusal's text and detail, or "(taken)".
    static std::string Refusal(const StationSettings &s)
    {
        try {
            Station station(s);
        } catch (const text::Failure &e) {
            return std::string(e.what()) + " | " + e.detail();
        }
        return "(taken)";
    }
};

TEST_F(StationSetUp, ARosterOrLogThatCannotBeUsedIsRefusedBeforeAnyRadio)
{
    const std::string good = Write("good.csv", "asset,\"FleetSync, ID[Own]\"\nA-17,1001\nA-18,1002\nA-19,1003\n");
    const std::string tooBig = Write("big.csv", "asset,\"FleetSync, ID[Own]\"\nA-17,1001\nA-18,99999\n");
    const std::string same = Write("same.csv", "asset,\"FleetSync, ID[Own]\"\nA-17,1001\nA-18,1001\n");
    const std::string twice = Write("twice.csv", "asset,\"FleetSync, ID[Own]\"\nA-17,1001\nA-17,1002\n");
    const std::string notALog = Write("notes.jsonl", "bench 2 notes\n");
    const std::string allGiven =
        Write("all.jsonl", RecordJson(Programmed(1, "A-17")) + "\n" + RecordJson(Programmed(2, "A-18")) + "\n" +
                               RecordJson(Programmed(3, "A-19")) + "\n");
    StationSettings fromRow = Settings(good);
    fromRow.fromRow = 4;
    StationSettings noBackupFolder = Settings(good);
    noBackupFolder.backupDir = (dir / "missing").string();
    StationSettings roster = Settings(good);
    roster.source = Write("ports.csv", "port,\"DTMF, ID Code\"\nttyUSB0,101\n");
    const std::pair<StationSettings, std::string> cases[] = {
        {Settings(tooBig), "Roster line 3 (A-18): "},
        {Settings(same), "A-17 and A-18 would both get FleetSync fleet 100 and ID 1001. | No two rows may give the "
                         "same IDs: the station tells the radios it programmed apart by them. Give each row its own "
                         "in " + same + "."},
        {Settings(twice), twice + ": The file is not a roster. | Line 3: A-17 has a row already."},
        {fromRow, "--from-row 4 is no row of " + good + ". | It has 3 rows."},
        {Settings(good, notALog), "The log " + notALog + " is no station's log: Line 1 is no station record."},
        {Settings(good, allGiven), "Every row of " + good + " from row 1 was given already (" + allGiven + ")."},
        {noBackupFolder, "The backup folder " + noBackupFolder.backupDir + " is not there."},
        {roster, roster.source + " is a roster."},
    };
    for (const auto &[settings, refusal] : cases)
        EXPECT_EQ(Refusal(settings).rfind(refusal, 0), 0u) << Refusal(settings);
}

TEST_F(StationSetUp, AStationStartedAgainWithItsLogGoesOnWithTheNextUnusedRow)
{
    const std::string roster = Write("r.csv", "asset,\"FleetSync, ID[Own]\"\nA-17,1001\nA-18,1002\nA-19,1003\n");
    StationRecord mixed = Programmed(1, "A-17");
    mixed.result = StationRecord::Result::Mixed;
    const std::string log = Write("s.jsonl", RecordJson(mixed) + "\n" + RecordJson(Programmed(2, "A-18")) + "\n" +
                                                 RecordJson(Programmed(3, "A-19")).substr(0, 30));
    Station station(Settings(roster, log));
    EXPECT_EQ(station.NextRow(), 1);
    EXPECT_EQ(station.Totals().rowsLeft, 2);
    EXPECT_EQ(station.Phase(), StationPhase::Waiting);
    ASSERT_EQ(station.LogNotes().size(), 1u);
    EXPECT_EQ(station.LogNotes().front(),
              log + ": line 3 is a record cut short (the station stopped while writing it): skipped");

    StationSettings later = Settings(roster, log);
    later.fromRow = 2;
    EXPECT_EQ(Station(later).NextRow(), 3);
    EXPECT_EQ(Station(Settings({}, log)).NextRow(), -1) << "without a roster, no rows";
}

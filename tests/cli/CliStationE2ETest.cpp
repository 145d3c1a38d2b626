// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli station end to end: simulated radios connected one after
// another behind one port name (a link the test points at each radio's
// pseudo-terminal in turn, and removes to disconnect it), each given the next
// roster row, read back, logged; a radio seen before left alone; Ctrl+C in a
// write; a station started again; a radio that fails tried again only when
// connected again.
#include "CliProcess.h"

#include "cli/Fleet.h"
#include "cli/Station.h"
#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

using namespace tonvar;
using test::Contains;
namespace fs = std::filesystem;

namespace {

constexpr int kWaitMs = 90000; // generous: a busy machine

std::size_t Count(const std::string &text, const std::string &needle)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++n;
    return n;
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::size_t Writes(const sim::RadioSimulator &radio)
{
    std::size_t n = 0;
    for (const sim::LogEntry &e : radio.Log())
        n += e.kind == sim::LogEntry::DataFrame ? 1 : 0;
    return n;
}

// tonvar-cli station running, its output gathered as it comes.
struct StationRun {
    QProcess process;
    std::string out;
    std::string err;

    explicit StationRun(const std::vector<std::string> &args) { test::StartCli(process, args); }
    ~StationRun()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    void Take()
    {
        out += process.readAllStandardOutput().toStdString();
        err += process.readAllStandardError().toStdString();
    }
    // Waits until `done` holds, taking output meanwhile; false after the
    // limit or when the station has ended without it.
    bool Until(const std::function<bool()> &done, int ms = kWaitMs)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            Take();
            if (done())
                return true;
            if (timer.elapsed() > ms || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(50);
        }
    }
    bool OutHas(const std::string &needle, std::size_t count = 1)
    {
        return Until([&] { return Count(out, needle) >= count; });
    }
    bool ErrHas(const std::string &needle, std::size_t count = 1)
    {
        return Until([&] { return Count(err, needle) >= count; });
    }
    void Signal(int sig) { ::kill(static_cast<pid_t>(process.processId()), sig); }
    int Finish()
    {
        if (!process.waitForFinished(kWaitMs))
            return -1;
        Take();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
};

struct CliStation : ::testing::Test, test::CliFiles {
    std::string link = Path("radio");
    std::string image = Path("fleet.radio");
    std::string roster = Path("roster.csv");
    std::string log = Path("station.jsonl");
    files::RadioImage base;

    CliStation()
    {
        // A fleet's image: the sample channels, fleet 100, no own ID yet.
        sim::RadioSimulator sample(false);
        test::FillRadio(sample);
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            const sim::Block bytes = sample.GetBlock(b.area, b.number);
            std::copy(bytes.begin(), bytes.end(), base.At(b).begin());
        }
        signalling::SetImageField(base, "FleetSync, Fleet[Own]", "100");
        files::SaveRadioImage(base, image);
        std::ofstream(roster, std::ios::binary) << "asset,\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\r\n"
                                                   "A-17,1001,101\r\nA-18,1002,102\r\nA-19,1003,103\r\n"
                                                   "A-20,1004,104\r\n";
    }

    // A radio as it comes from the box: the sample channels, no IDs.
    static std::unique_ptr<sim::RadioSimulator> NewRadio()
    {
        auto radio = std::make_unique<sim::RadioSimulator>(false);
        test::FillRadio(*radio);
        radio->Start();
        return radio;
    }
    void Connect(const sim::RadioSimulator &radio) const { fs::create_symlink(radio.DevicePath(), link); }
    void Disconnect() const { fs::remove(link); }

    // The image with row `row`'s IDs, as the radio must hold it.
    files::RadioImage Expected(int row) const
    {
        files::RadioImage expected = base;
        signalling::SetImageField(expected, "FleetSync, ID[Own]", std::to_string(1000 + row));
        signalling::SetImageField(expected, "DTMF, ID Code", std::to_string(100 + row));
        return expected;
    }
    static std::string Holds(const sim::RadioSimulator &radio, const files::RadioImage &expected)
    {
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            const sim::Block held = radio.GetBlock(b.area, b.number);
            if (!std::equal(held.begin(), held.end(), expected.At(b).begin()))
                return files::ImageBlockName(b) + " differs";
        }
        return "";
    }
    std::vector<cli::StationRecord> Records() const
    {
        std::vector<cli::StationRecord> out;
        std::istringstream lines(ReadAll(log));
        for (std::string line; std::getline(lines, line);)
            out.push_back(cli::ParseRecord(line));
        return out;
    }
    std::vector<std::string> Args(const std::vector<std::string> &more = {}) const
    {
        std::vector<std::string> args{"station", "-p", link, "--roster", roster, "--log", log};
        args.insert(args.end(), more.begin(), more.end());
        args.push_back(image);
        return args;
    }
};

} // namespace

TEST_F(CliStation, RadiosSwappedBehindOnePortGetRowsInTurnAndOneSeenBeforeIsLeftAlone)
{
    const std::string backups = Path("backups");
    fs::create_directory(backups);
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    for (int i = 0; i < 3; ++i)
        radios.push_back(NewRadio());
    Connect(*radios[0]);
    {
        StationRun station(Args({"--backup", backups}));
        ASSERT_TRUE(station.ErrHas("Waiting for a radio on ")) << station.err;
        for (int i = 0; i < 3; ++i) {
            const std::string row = "row " + std::to_string(i + 1) + " (A-" + std::to_string(17 + i) + ")";
            ASSERT_TRUE(station.OutHas(row + ": programmed and read back")) << station.out << station.err;
            EXPECT_EQ(Holds(*radios[static_cast<std::size_t>(i)], Expected(i + 1)), "") << row;
            Disconnect();
            ASSERT_TRUE(station.ErrHas("Radio disconnected", static_cast<std::size_t>(i + 1))) << station.err;
            Connect(i < 2 ? *radios[static_cast<std::size_t>(i + 1)] : *radios[0]);
        }
        // The first radio again: it answers to row 1's IDs.
        radios[0]->ClearLog();
        ASSERT_TRUE(station.OutHas("this radio already got row 1 (A-17) at ")) << station.out << station.err;
        EXPECT_EQ(Contains(station.out, "; not written (its backup: " + backups + "/A-17-"), "");
        EXPECT_EQ(Writes(*radios[0]), 0u) << "a radio seen before is not written";
        EXPECT_EQ(Holds(*radios[0], Expected(1)), "");
        station.Signal(SIGTERM);
        EXPECT_EQ(station.Finish(), 0) << station.out << station.err;
        EXPECT_EQ(Contains(station.out, "3 radios programmed, 1 row left, 1 radio left alone, 0 failures\n"), "");
    }

    // Every record holds every field: the log's own, and the backup kept.
    const std::vector<cli::StationRecord> records = Records();
    ASSERT_EQ(records.size(), 4u);
    const std::string sha =
        QCryptographicHash::hash(QByteArray::fromStdString(ReadAll(image)), QCryptographicHash::Sha256)
            .toHex()
            .toStdString();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const cli::StationRecord &r = records[i];
        const int row = i < 3 ? static_cast<int>(i) + 1 : 1;
        EXPECT_EQ(r.result, i < 3 ? cli::StationRecord::Result::Programmed : cli::StationRecord::Result::LeftAlone);
        EXPECT_EQ(r.row, row);
        EXPECT_EQ(r.label, "A-" + std::to_string(16 + row));
        EXPECT_EQ(r.time.size(), 20u) << r.time;
        EXPECT_EQ(r.time.back(), 'Z');
        EXPECT_FALSE(r.version.empty());
        EXPECT_EQ(r.host, QSysInfo::machineHostName().toStdString());
        EXPECT_EQ(r.port, link);
        EXPECT_EQ(r.source, image);
        EXPECT_EQ(r.sourceSha256, sha);
        EXPECT_EQ(r.values, (std::vector<std::pair<std::string, std::string>>{
                                {"FleetSync, ID[Own]", std::to_string(1000 + row)},
                                {"DTMF, ID Code", std::to_string(100 + row)}}));
        EXPECT_EQ(r.ids, (std::vector<std::string>{"FleetSync fleet 100 and ID " + std::to_string(1000 + row),
                                                   "the DTMF ID code " + std::to_string(100 + row)}));
        ASSERT_FALSE(r.backup.empty());
        EXPECT_EQ(r.backup.rfind(backups + "/A-" + std::to_string(16 + row) + "-", 0), 0u) << r.backup;
        EXPECT_TRUE(r.backup.size() > 6 && r.backup.substr(r.backup.size() - 6) == ".radio") << r.backup;
        // What the radio held before it was written.
        const files::RadioImage before = files::LoadRadioImage(r.backup);
        EXPECT_EQ(signalling::CompareImages(i < 3 ? base : Expected(1), before).size(), i < 3 ? 1u : 0u)
            << "a box-fresh radio differs from the image in its fleet alone";
        EXPECT_EQ(r.error.empty(), i < 3);
    }

    // Started again with the same log: the next unused row, and the station
    // ends when the roster is used up.
    Disconnect();
    auto fourth = NewRadio();
    Connect(*fourth);
    StationRun again(Args());
    EXPECT_EQ(again.Finish(), 0) << again.out << again.err;
    EXPECT_EQ(Contains(again.out, "row 4 (A-20): programmed and read back\n"), "");
    EXPECT_EQ(Contains(again.out, "1 radio programmed, 0 rows left, 0 radios left alone, 0 failures\n"), "");
    EXPECT_EQ(Holds(*fourth, Expected(4)), "");
    EXPECT_EQ(Records().size(), 5u);
}

TEST_F(CliStation, CtrlCInAWriteLeavesItsRowUnusedForTheNextRadioAndTheStationStartedAgain)
{
    auto radio = NewRadio();
    std::atomic<int> writes{0};
    radio->SetLogSink([&writes](const sim::LogEntry &e) {
        if (e.kind == sim::LogEntry::DataFrame)
            ++writes;
    });
    Connect(*radio);
    {
        StationRun station(Args({"--json"}));
        ASSERT_TRUE(station.Until([&] { return writes.load() > 0; })) << station.err;
        station.Signal(SIGINT);
        EXPECT_EQ(station.Finish(), 1) << station.out << station.err;
        std::istringstream lines(station.out);
        std::string record, summary;
        std::getline(lines, record);
        std::getline(lines, summary);
        const cli::StationRecord r = cli::ParseRecord(record);
        EXPECT_EQ(r.result, cli::StationRecord::Result::Mixed);
        EXPECT_EQ(r.row, 1);
        EXPECT_EQ(Contains(r.error, "restore it again"), "");
        const QJsonObject s = QJsonDocument::fromJson(QByteArray::fromStdString(summary)).object();
        EXPECT_EQ(s.value(QStringLiteral("programmed")).toInt(-1), 0) << summary;
        EXPECT_EQ(s.value(QStringLiteral("rowsLeft")).toInt(-1), 4) << summary;
        EXPECT_EQ(s.value(QStringLiteral("failures")).toInt(-1), 1) << summary;
    }
    ASSERT_EQ(Records().size(), 1u);
    EXPECT_EQ(Records()[0].result, cli::StationRecord::Result::Mixed);

    // The radio, connected still, is the next radio of the station started
    // again: it gets the row its write left unused.
    StationRun again(Args());
    ASSERT_TRUE(again.OutHas("row 1 (A-17): programmed and read back\n")) << again.out << again.err;
    EXPECT_EQ(Holds(*radio, Expected(1)), "");
    again.Signal(SIGINT);
    EXPECT_EQ(again.Finish(), 0) << again.out << again.err;
    EXPECT_EQ(Contains(again.out, "1 radio programmed, 3 rows left, 0 radios left alone, 0 failures\n"), "");
    const std::vector<cli::StationRecord> records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].result, cli::StationRecord::Result::Programmed);
    EXPECT_EQ(records[1].row, 1);
}

TEST_F(CliStation, ARadioThatFailsIsTriedAgainOnlyWhenConnectedAgain)
{
    auto radio = NewRadio();
    sim::Faults faults;
    faults.notStoredArea = 2; // FleetSync's first block: acknowledged, never stored
    faults.notStoredBlock = 0;
    radio->SetFaults(faults);
    Connect(*radio);
    StationRun station(Args());
    ASSERT_TRUE(station.OutHas("row 1 (A-17): FAILED")) << station.out << station.err;
    EXPECT_EQ(Contains(station.out, "The row stays unused: connect the radio again to program it.\n"), "");
    // Connected still: the station only asks whether it is there.
    const std::size_t writes = Writes(*radio);
    radio->ClearLog();
    ASSERT_TRUE(station.Until([&] {
        std::size_t handshakes = 0;
        for (const sim::LogEntry &e : radio->Log())
            handshakes += e.kind == sim::LogEntry::Handshake ? 1 : 0;
        return handshakes >= 3;
    })) << station.err;
    for (const sim::LogEntry &e : radio->Log())
        EXPECT_EQ(e.kind, sim::LogEntry::Handshake) << sim::Summary(e);
    EXPECT_GT(writes, 0u);

    // Disconnected, mended and connected again: the same row.
    Disconnect();
    ASSERT_TRUE(station.ErrHas("Radio disconnected")) << station.err;
    radio->SetFaults({});
    Connect(*radio);
    ASSERT_TRUE(station.OutHas("row 1 (A-17): programmed and read back")) << station.out << station.err;
    EXPECT_EQ(Holds(*radio, Expected(1)), "");
    station.Signal(SIGTERM);
    EXPECT_EQ(station.Finish(), 1) << "a radio failed: " << station.out << station.err;
    EXPECT_EQ(Contains(station.out, "1 radio programmed, 3 rows left, 0 radios left alone, 1 failure\n"), "");
}

// A channel file goes into each radio's own image: the file's channels and
// settings, the row's values, and every other field as the radio had it.
TEST_F(CliStation, AChannelFileGoesIntoTheRadiosOwnImageWithItsRowsValues)
{
    sim::RadioSimulator sample(false);
    test::FillRadio(sample);
    sample.Start();
    const std::string channels = Path("fleet.wh");
    ASSERT_EQ(test::RunCli({"read", "-q", "-p", sample.DevicePath(), channels}).status, 0);

    // A radio with no channels, a fleet of its own, and its beep off (a
    // setting no channel file keeps).
    sim::RadioSimulator radio(false);
    files::RadioImage own;
    signalling::SetImageField(own, "FleetSync, Fleet[Own]", "300");
    signalling::SetImageField(own, "Settings, Beep", "CLOSE");
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        sim::Block bytes{};
        std::copy(own.At(b).begin(), own.At(b).end(), bytes.begin());
        radio.SetBlock(b.area, b.number, bytes);
    }
    radio.Start();
    Connect(radio);
    StationRun station({"station", "-p", link, "--roster", roster, channels});
    ASSERT_TRUE(station.OutHas("row 1 (A-17): programmed and read back\n")) << station.out << station.err;
    station.Signal(SIGTERM);
    EXPECT_EQ(station.Finish(), 0) << station.out << station.err;

    const test::CliResult verify = test::RunCli({"verify", "-p", link, channels});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    files::RadioImage held;
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        const sim::Block bytes = radio.GetBlock(b.area, b.number);
        std::copy(bytes.begin(), bytes.end(), held.At(b).begin());
    }
    const cli::RadioIds ids = cli::IdsOf(held);
    EXPECT_EQ(ids.fleetSync.value_or("none"), "FleetSync fleet 300 and ID 1001");
    EXPECT_EQ(ids.dtmf.value_or("none"), "the DTMF ID code 101");
    int beeps = 0;
    for (const signalling::ImageField &f : signalling::ImageFields(held))
        if (f.where == "Settings, Beep") {
            ++beeps;
            EXPECT_EQ(f.text, "CLOSE") << "a setting the file does not keep stays as the radio has it";
        }
    EXPECT_EQ(beeps, 1);
}

// --rewrite writes a radio seen before with its own row again, and a radio
// that hangs up while it is read says so, its row unused.
TEST_F(CliStation, ARadioRewrittenKeepsItsRowAndOneThatHangsUpInTheReadSaysSo)
{
    auto radio = NewRadio();
    Connect(*radio);
    {
        StationRun first(Args({"--from-row", "2"}));
        ASSERT_TRUE(first.OutHas("row 2 (A-18): programmed and read back")) << first.out << first.err;
        first.Signal(SIGTERM);
        EXPECT_EQ(first.Finish(), 0) << first.out << first.err;
    }
    {
        StationRun again(Args({"--rewrite"}));
        ASSERT_TRUE(again.OutHas("row 2 (A-18): programmed and read back")) << again.out << again.err;
        EXPECT_EQ(Contains(again.out, "row 1"), "'row 1' not in:\n" + again.out) << "row 1 is another radio's";
        EXPECT_EQ(Holds(*radio, Expected(2)), "");
        Disconnect();
        ASSERT_TRUE(again.ErrHas("Radio disconnected")) << again.err;

        // Its fifth answer (the probe's Ack and four of the read's) never comes.
        auto dropping = NewRadio();
        sim::Faults faults;
        faults.hangUpAtAnswer = 5;
        dropping->SetFaults(faults);
        Connect(*dropping);
        ASSERT_TRUE(again.OutHas("row 1 (A-17): FAILED")) << again.out << again.err;
        Disconnect();
        again.Signal(SIGTERM);
        EXPECT_EQ(again.Finish(), 1) << again.out << again.err;
        EXPECT_EQ(Contains(again.out, "row 1 (A-17): FAILED: The cable was unplugged or the port was closed: the "
                                      "read stopped. The row stays unused.\n"),
                  "");
        EXPECT_EQ(Writes(*dropping), 0u);
    }
    const std::vector<cli::StationRecord> records = Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].row, 2);
    EXPECT_EQ(records[1].result, cli::StationRecord::Result::Programmed);
    EXPECT_EQ(records[2].error, "The cable was unplugged or the port was closed: the read stopped.");
    EXPECT_EQ(records[2].result, cli::StationRecord::Result::Failed);
}

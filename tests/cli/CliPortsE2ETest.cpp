// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli ports --probe against simulated radios, answering and silent,
// and a path that is not there; the records of ports --json and
// check --json.
#include "CliProcess.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace tonvar;
using test::CliResult;
using test::Contains;
using test::RunCli;

namespace {

struct CliPorts : ::testing::Test, test::CliFiles {};

// Each line of `out` as a JSON object; a line that is none fails the test.
std::vector<QJsonObject> Records(const std::string &out)
{
    std::vector<QJsonObject> records;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_TRUE(doc.isObject()) << line << ": " << error.errorString().toStdString();
        records.push_back(doc.object());
    }
    return records;
}

std::string Text(const QJsonObject &o, const char *field)
{
    return o.value(QLatin1String(field)).toString().toStdString();
}

// The records by the name the port was listed or given under.
std::map<std::string, QJsonObject> ByName(const std::vector<QJsonObject> &records)
{
    std::map<std::string, QJsonObject> out;
    for (const QJsonObject &o : records)
        out[Text(o, "name")] = o;
    return out;
}

int Handshakes(const sim::RadioSimulator &radio)
{
    int n = 0;
    for (const sim::LogEntry &e : radio.Log()) {
        EXPECT_EQ(e.kind, sim::LogEntry::Handshake) << "a probe reads and writes nothing: " << sim::Describe(e);
        n += e.kind == sim::LogEntry::Handshake ? 1 : 0;
    }
    return n;
}

const std::string kMissing = "/dev/tonvar-no-such-port";

TEST_F(CliPorts, ProbeSaysWhichPortsHaveARadioAnsweringAsJson)
{
    sim::RadioSimulator radio, silent;
    sim::Faults faults;
    faults.silent = true;
    silent.SetFaults(faults);
    radio.Start();
    silent.Start();

    const auto started = std::chrono::steady_clock::now();
    const CliResult probed = RunCli(
        {"ports", "--probe", "-p", radio.DevicePath(), "-p", silent.DevicePath(), "-p", kMissing, "--json"});
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_EQ(probed.status, 0) << probed.out << probed.err;
    EXPECT_EQ(probed.err, "");
    // Every port at once, within the probe's 1 s: the run well below the
    // silent port's time alone plus a margin for a busy machine.
    EXPECT_LT(took, std::chrono::seconds(5));

    // The ports given alone, in order: the machine's own ports are sent nothing.
    const std::vector<QJsonObject> records = Records(probed.out);
    ASSERT_EQ(records.size(), 3u) << probed.out;
    const std::vector<std::string> given{radio.DevicePath(), silent.DevicePath(), kMissing};
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(Text(records[i], "name"), given[i]);
    const auto byName = ByName(records);
    const QJsonObject &answering = byName.at(radio.DevicePath());
    EXPECT_EQ(Text(answering, "result"), "answered");
    EXPECT_EQ(Text(answering, "error"), "");
    EXPECT_EQ(Text(answering, "port"), test::Label(radio));
    EXPECT_EQ(Text(answering, "device"), radio.DevicePath());
    // A pseudo-terminal is no USB cable.
    for (const char *field : {"serial", "description", "stablePath"}) {
        EXPECT_TRUE(answering.contains(QLatin1String(field))) << field;
        EXPECT_EQ(Text(answering, field), "") << field;
    }
    EXPECT_EQ(Text(byName.at(silent.DevicePath()), "result"), "silent");
    EXPECT_EQ(Text(byName.at(silent.DevicePath()), "error"), "");
    const QJsonObject &missing = byName.at(kMissing);
    EXPECT_EQ(Text(missing, "result"), "cannot open");
    EXPECT_EQ(Contains(Text(missing, "error"), kMissing + " is not there"), "");
    for (const QJsonObject &o : records)
        EXPECT_EQ(o.keys().size(), 8) << QJsonDocument(o).toJson().toStdString();

    EXPECT_EQ(Handshakes(radio), 1);
    EXPECT_GE(Handshakes(silent), 1);

    // Without --probe: the same ports' records, without an answer, and the
    // named ports refused.
    const CliResult listed = RunCli({"ports", "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    for (const QJsonObject &o : Records(listed.out)) {
        EXPECT_EQ(o.keys().size(), 6);
        EXPECT_FALSE(o.contains(QStringLiteral("result")));
        EXPECT_NE(Text(o, "device"), "");
    }
    EXPECT_EQ(RunCli({"ports", "--json", "-p", radio.DevicePath()}).status, 2);
    EXPECT_EQ(Handshakes(radio), 1);
}

TEST_F(CliPorts, ProbeSaysEachPortsAnswerAfterItsNameAndFailsWhenNoRadioAnswers)
{
    sim::RadioSimulator radio, silent;
    sim::Faults faults;
    faults.silent = true;
    silent.SetFaults(faults);
    radio.Start();
    silent.Start();
    // A link to the radio is followed, and probed once with it.
    const std::string link = Path("radio");
    std::filesystem::create_symlink(radio.DevicePath(), link);

    const CliResult probed =
        RunCli({"ports", "--probe", "-p", radio.DevicePath(), "-p", link, "-p", silent.DevicePath(), "-p", kMissing});
    ASSERT_EQ(probed.status, 0) << probed.out << probed.err;
    EXPECT_EQ(Contains(probed.out, radio.DevicePath() + "\tradio answers\n" + link + "\tradio answers\n" +
                                       silent.DevicePath() + "\tno answer\n" + kMissing +
                                       "\tcannot open: Error opening serial port. " + kMissing + " is not there."),
              "");
    EXPECT_EQ(Handshakes(radio), 1);

    // No radio answering: exit status 1, each port still reported.
    const CliResult none = RunCli({"ports", "--probe", "-p", silent.DevicePath(), "-p", kMissing});
    EXPECT_EQ(none.status, 1) << none.out << none.err;
    EXPECT_EQ(Contains(none.out, silent.DevicePath() + "\tno answer\n" + kMissing + "\tcannot open: "), "");
}

TEST_F(CliPorts, CheckJsonGivesEachFileARecord)
{
    sim::RadioSimulator radio(false);
    radio.Start();
    const std::string image = Path("radio.radio"), channels = Path("radio.wh");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), channels}).status, 0);
    const std::string newer = Path("newer.radio"), roster = Path("roster.csv");
    std::ofstream(newer) << "tonvar radio image 9\n";
    std::ofstream(roster, std::ios::binary) << "port,\"DTMF, ID Code\"\nttyUSB0,101\nttyUSB1,102\n";

    const CliResult checked = RunCli({"check", "--json", image, roster, channels, newer});
    EXPECT_EQ(checked.status, 2) << checked.out << checked.err;
    const std::vector<QJsonObject> records = Records(checked.out);
    ASSERT_EQ(records.size(), 4u) << checked.out;
    // Images and channel files first, then the rosters checked on them.
    const std::vector<std::string> files{image, channels, newer, roster};
    const std::vector<std::string> kinds{"radio image", "channel file", "radio image", "roster"};
    const std::vector<std::string> uses{"restore", "write", "", "restore"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const QJsonObject &o = records[i];
        EXPECT_EQ(Text(o, "file"), files[i]) << i;
        EXPECT_EQ(Text(o, "kind"), kinds[i]) << i;
        EXPECT_EQ(o.value(QStringLiteral("good")).toBool(), i != 2) << i;
        EXPECT_EQ(Text(o, "use"), uses[i]) << i;
        EXPECT_EQ(Text(o, "error").empty(), i != 2) << i;
    }
    EXPECT_EQ(Contains(Text(records[2], "error"), "The radio image was made by a newer tonvar. It is of format 9"), "");
    EXPECT_EQ(records[3].value(QStringLiteral("radios")).toInt(), 2);
    EXPECT_EQ(Text(records[3], "key"), "port");
    EXPECT_EQ(Text(records[3], "checked"), "every value and ID on the image");

    // The same verdicts as text.
    const CliResult text = RunCli({"check", image, roster, channels, newer});
    EXPECT_EQ(text.status, 2);
    EXPECT_EQ(Contains(text.out, image + ": a radio image of the whole radio, good to restore\n" + channels +
                                     ": a channel file, good to write\n" + newer + ": The radio image was made"),
              "");
    EXPECT_EQ(Contains(text.out, roster + ": a roster of 2 radios by port, good to restore with (checked: every "
                                          "value and ID on the image)\n"),
              "");
}

} // namespace

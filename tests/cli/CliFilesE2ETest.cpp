// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli diff, show and set on the files a simulated radio gave, and
// write and restore --dry-run against it: what they print, their exit
// status, and that a dry run leaves the radio's memory as it was and sends
// it no block to write.
#include "CliProcess.h"

#include "files/ChannelFile.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>

using namespace tonvar;
using test::CliResult;
using test::Contains;
using test::Label;
using test::RunCli;

namespace {

struct CliFilesE2E : ::testing::Test, test::CliFiles {
    sim::RadioSimulator radio{false};

    void SetUp() override
    {
        test::FillRadio(radio);
        radio.Start();
    }

    std::string Bytes(const std::string &path) const { return files::ReadFileBytes(path, "too large"); }

    // The simulator's whole memory, as it saves it.
    std::string Memory()
    {
        const std::string path = Path("memory-" + std::to_string(++dumps_) + ".bin");
        return radio.SaveImage(path) ? Bytes(path) : "(not saved)";
    }

    // Whether the radio was sent a block to write.
    bool Written() const
    {
        const std::vector<sim::LogEntry> log = radio.Log();
        return std::any_of(log.begin(), log.end(),
                           [](const sim::LogEntry &e) { return e.kind == sim::LogEntry::DataFrame; });
    }

    // The value `show` prints for a field.
    std::string Shown(const std::string &file, const std::string &field)
    {
        const CliResult r = RunCli({"show", file, field});
        const std::string prefix = field + " = ";
        if (r.status != 0 || r.out.rfind(prefix, 0) != 0 || r.out.back() != '\n')
            return "(show failed: " + r.out + r.err + ")";
        return r.out.substr(prefix.size(), r.out.size() - prefix.size() - 1);
    }

private:
    int dumps_ = 0;
};

QJsonObject JsonOf(const std::string &line)
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

} // namespace

TEST_F(CliFilesE2E, DiffShowAndSetNameFieldsAsVerifyDoesAndExitZeroThreeOrTwo)
{
    const std::string image = Path("a.radio"), file = Path("a.wh");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), file}).status, 0);

    // Equal: nothing printed. A channel file and the image of the same
    // radio hold the same channels and settings.
    for (const auto &[a, b] : {std::pair{image, image}, {file, image}, {image, file}, {file, file}}) {
        const CliResult same = RunCli({"diff", a, b});
        EXPECT_EQ(same.status, 0) << a << " " << b << "\n" << same.out << same.err;
        EXPECT_EQ(same.out + same.err, "");
    }

    // show: one field, or as JSON.
    const std::string id = Shown(image, "FleetSync, ID[Own]");
    EXPECT_EQ(Shown(file, "Channel 4, RX Freq"), "444.12500");
    const CliResult json = RunCli({"show", "--json", file, "Channel 4, RX Freq", "Channel 5, RX Freq"});
    EXPECT_EQ(json.out, "{\"Channel 4, RX Freq\":\"444.12500\",\"Channel 5, RX Freq\":\"\"}\n");
    const CliResult all = RunCli({"show", image});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(Contains(all.out, "\nFleetSync, ID[Own] = " + id + "\n"), "");
    EXPECT_EQ(Contains(all.out, "\nDTMF, DTMF Side Tone = off\n"), "");
    const CliResult unknown = RunCli({"show", image, "FleetSync, Bogus"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(Contains(unknown.err, "\"FleetSync, Bogus\""), "");
    EXPECT_EQ(Contains(unknown.err, "'tonvar-cli show " + image + "'"), "");

    // set into another file, then diff: the fields set, named as verify
    // names them for each kind of file.
    const std::string changed = Path("b.radio");
    const CliResult set = RunCli({"set", "-o", changed, image, "FleetSync, ID[Own]=1002", "DTMF, DTMF Side Tone=on"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out + set.err, "");
    const CliResult differs = RunCli({"diff", image, changed});
    EXPECT_EQ(differs.status, 3) << differs.err;
    EXPECT_EQ(differs.out, "DTMF, DTMF Side Tone: " + image + " 'off', " + changed + " 'on'\n" +
                               "FleetSync, ID[Own]: " + image + " '" + id + "', " + changed + " '1002'\n");
    // Only the channels and settings count between a channel file and an image.
    EXPECT_EQ(RunCli({"diff", file, changed}).status, 0);
    const CliResult quiet = RunCli({"diff", "-q", image, changed});
    EXPECT_EQ(quiet.status, 3);
    EXPECT_EQ(quiet.out + quiet.err, "");
    const QJsonObject o = JsonOf(RunCli({"diff", "--json", image, changed}).out);
    EXPECT_EQ(o.value(QStringLiteral("equal")), QJsonValue(false));
    EXPECT_EQ(o.value(QStringLiteral("files")).toArray().size(), 2);
    const QJsonArray list = o.value(QStringLiteral("differences")).toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[1].toObject().value(QStringLiteral("field")).toString(), QStringLiteral("FleetSync, ID[Own]"));
    EXPECT_EQ(list[1].toObject().value(QStringLiteral("b")).toString(), QStringLiteral("1002"));

    // A channel file set in place.
    const std::string before = Path("before.wh");
    files::SaveFileBytes(before, Bytes(file));
    ASSERT_EQ(RunCli({"set", file, "Channel 4, RX Freq=450", "Settings, SQ Lev=7"}).status, 0);
    const CliResult channel = RunCli({"diff", before, file});
    EXPECT_EQ(channel.status, 3);
    EXPECT_EQ(Contains(channel.out, "channel 4, RX Freq: " + before + " '444.12500', " + file + " '450.00000'\n"), "");
    EXPECT_EQ(Contains(channel.out, "settings, SQ Lev: " + before + " '"), "");
    EXPECT_EQ(std::count(channel.out.begin(), channel.out.end(), '\n'), 2);

    // A file that cannot be read: 2, naming it.
    const CliResult missing = RunCli({"diff", image, Path("none.radio")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(Contains(missing.err, Path("none.radio")), "");
    EXPECT_EQ(missing.out, "");
}

TEST_F(CliFilesE2E, ASetRefusedSavesNothingAndNoFileOfAnotherKindIsReplaced)
{
    const std::string image = Path("a.radio"), file = Path("a.wh");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), file}).status, 0);
    const std::string imageBytes = Bytes(image), fileBytes = Bytes(file);
    const std::string held = Path("held.bak"); // a channel file under a name of no kind
    files::SaveFileBytes(held, fileBytes);
    const std::pair<std::vector<std::string>, std::string> refused[] = {
        {{"set", image, "DTMF, ID Code=12", "FleetSync, Fleet[Own]=70000"}, "FleetSync, Fleet[Own]"},
        {{"set", image, "FleetSync, Bogus=1"}, "FleetSync, Bogus"},
        {{"set", file, "Channel 4, TX Power=MEDIUM"}, "Channel 4, TX Power"},
        {{"set", file, "FleetSync, ID[Own]=1001"}, "FleetSync, ID[Own]"},
        {{"set", "-o", held, image, "DTMF, ID Code=12"}, held + " holds a channel file"},
        {{"set", "-o", file, image, "DTMF, ID Code=12"}, file + " is named as another kind of file than " + image},
        {{"set", "-o", image, file, "Settings, SQ Lev=7"}, image + " is named as another kind of file than " + file},
        {{"set", "-o", Path("new.radio"), file, "Settings, SQ Lev=7"}, "a channel file: name it .wh"},
    };
    for (const auto &[args, says] : refused) {
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_EQ(Contains(r.err, says), "");
        EXPECT_EQ(Bytes(image), imageBytes);
        EXPECT_EQ(Bytes(file), fileBytes);
    }
}

TEST_F(CliFilesE2E, AWriteDryRunPrintsWhatWouldChangeAndLeavesTheRadioAsItWas)
{
    const std::string file = Path("a.wh"), changed = Path("b.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), file}).status, 0);
    // Written once, the radio holds what the file makes of it (the Beep a
    // channel file does not keep included).
    ASSERT_EQ(RunCli({"write", "-q", "-p", radio.DevicePath(), file}).status, 0);
    const std::string memory = Memory();
    radio.ClearLog();

    const CliResult same = RunCli({"write", "--dry-run", "-p", radio.DevicePath(), file});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(same.out, Label(radio) + ": dry run, nothing would change (nothing written)\n1 of 1 radio succeeded\n");

    ASSERT_EQ(RunCli({"set", "-o", changed, file, "Channel 4, RX Freq=450", "Settings, SQ Lev=7"}).status, 0);
    const std::string sq = Shown(file, "Settings, SQ Lev");
    const CliResult differs = RunCli({"write", "--dry-run", "-p", radio.DevicePath(), changed});
    EXPECT_EQ(differs.status, 3) << differs.err;
    EXPECT_EQ(differs.out, Label(radio) + ": channel 4, RX Freq: file '450.00000', radio '444.12500'\n" + Label(radio) +
                               ": settings, SQ Lev: file '7', radio '" + sq + "'\n" + Label(radio) +
                               ": dry run, 2 differences: the write would change them (nothing written)\n"
                               "0 of 1 radio succeeded\n");
    const QJsonObject o = JsonOf(RunCli({"write", "--dry-run", "--json", "-p", radio.DevicePath(), changed}).out);
    EXPECT_EQ(o.value(QStringLiteral("command")).toString(), QStringLiteral("write"));
    EXPECT_EQ(o.value(QStringLiteral("dryRun")), QJsonValue(true));
    EXPECT_EQ(o.value(QStringLiteral("result")).toString(), QStringLiteral("different"));
    EXPECT_EQ(o.value(QStringLiteral("differences")).toArray().size(), 2);

    EXPECT_FALSE(Written());
    EXPECT_EQ(Memory(), memory);
}

TEST_F(CliFilesE2E, ARestoreDryRunPrintsWhatWouldChangeBytesNoFieldShowsIncluded)
{
    const std::string image = Path("a.radio"), changed = Path("b.radio"), hidden = Path("c.radio");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);
    const std::string memory = Memory();
    radio.ClearLog();

    const CliResult same = RunCli({"restore", "--dry-run", "-p", radio.DevicePath(), image});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(same.out, Label(radio) + ": dry run, nothing would change (nothing written)\n1 of 1 radio succeeded\n");

    const std::string id = Shown(image, "FleetSync, ID[Own]");
    ASSERT_EQ(RunCli({"set", "-o", changed, image, "FleetSync, ID[Own]=1002", "Channel 4, TX Power=LOW"}).status, 0);
    const CliResult differs = RunCli({"restore", "--dry-run", "-p", radio.DevicePath(), changed});
    EXPECT_EQ(differs.status, 3) << differs.err;
    EXPECT_EQ(differs.out, Label(radio) + ": Channel 4, TX Power: image 'LOW', radio 'HIGH'\n" + Label(radio) +
                               ": FleetSync, ID[Own]: image '1002', radio '" + id + "'\n" + Label(radio) +
                               ": dry run, 2 differences: the restore would change them (nothing written)\n"
                               "0 of 1 radio succeeded\n");

    // The settings block's last byte is spare: no field shows it, and the
    // restore would still write it.
    std::string text = Bytes(image);
    const std::size_t line = text.find("\nsettings = ");
    ASSERT_NE(line, std::string::npos);
    const std::size_t last = text.find('\n', line + 1) - 2;
    const std::string was = text.substr(last, 2);
    text.replace(last, 2, was == "5A" ? "A5" : "5A");
    files::SaveFileBytes(hidden, text);
    EXPECT_EQ(RunCli({"diff", image, hidden}).status, 0);
    const CliResult spare = RunCli({"restore", "--dry-run", "-p", radio.DevicePath(), hidden});
    EXPECT_EQ(spare.status, 3) << spare.err;
    EXPECT_EQ(Contains(spare.out, Label(radio) + ": settings, bytes no field shows: image '"), "");
    EXPECT_EQ(Contains(spare.out, (was == "5A" ? "A5" : "5A") + std::string("', radio '")), "");
    EXPECT_EQ(Contains(spare.out, was + "'\n"), "");

    EXPECT_FALSE(Written());
    EXPECT_EQ(Memory(), memory);
}

// A CSV list saved by CHIRP goes wherever a channel file goes: check, diff,
// write (the radio then holds it, as a verify against the list says), and
// convert turns it into a channel file and back. A list with a row the radio
// cannot take is refused before any radio is touched.
TEST_F(CliFilesE2E, AChirpCsvListIsTakenWhereverAChannelFileIs)
{
    const std::string csv = Path("chirp.csv");
    std::ofstream(csv, std::ios::binary)
        << "\xEF\xBB\xBFLocation,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
           "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n"
           "1,RPT,146.940000,-,0.600000,DTCS,88.5,88.5,074,NR,025,Tone->Tone,FM,5.00,,High,,,,,\r\n"
           "2,SIMPLEX,146.520000,,0.000000,Cross,100.0,88.5,023,NN,023,Tone->,NFM,12.50,S,Low,,,,,\r\n";
    const CliResult check = RunCli({"check", csv});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out, csv + ": a CSV channel list, good to write\n");

    const std::string wh = Path("chirp.wh"), back = Path("back.csv");
    ASSERT_EQ(RunCli({"convert", csv, wh}).status, 0);
    EXPECT_EQ(Shown(wh, "Channel 1, QT/DQT Dec"), "074I") << "DTCS is one code both ways";
    EXPECT_EQ(Shown(wh, "Channel 1, QT/DQTEnc"), "074N");
    EXPECT_EQ(Shown(wh, "Channel 2, QT/DQTEnc"), "100.0");
    EXPECT_EQ(Shown(csv, "Channel 1, TX Freq"), "146.34000");
    EXPECT_EQ(RunCli({"diff", csv, wh}).status, 0);
    ASSERT_EQ(RunCli({"convert", wh, back}).status, 0);
    EXPECT_EQ(RunCli({"diff", back, wh}).status, 0);
    const CliResult over = RunCli({"convert", csv, back.substr(0, back.size() - 4) + ".wh"});
    EXPECT_EQ(over.status, 0) << over.err;
    const CliResult kind = RunCli({"convert", wh, Path("none.txt")});
    EXPECT_EQ(kind.status, 2);
    const CliResult refused = RunCli({"set", csv, "Channel 1, RX Freq=147"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(Contains(refused.err, "convert"), "");

    // The list holds no settings: the radio keeps its own, byte for byte,
    // and neither a dry run nor a verify judges them.
    const std::string own = Path("own.wh");
    ASSERT_EQ(RunCli({"set", wh, "Settings, TOT=30", "Settings, Voice=CLOSE", "-o", own})
                  .status,
              0);
    ASSERT_EQ(RunCli({"write", "-q", "-p", radio.DevicePath(), own}).status, 0);
    ASSERT_EQ(RunCli({"set", own, "Channel 1, RX Freq=147.5", "-o", own}).status, 0);
    ASSERT_EQ(RunCli({"write", "-q", "-p", radio.DevicePath(), own}).status, 0);
    const sim::Block settings = radio.GetBlock(5, 0);
    const CliResult dry = RunCli({"write", "--dry-run", "-p", radio.DevicePath(), csv});
    EXPECT_EQ(dry.status, 3) << dry.out << dry.err;
    EXPECT_EQ(dry.out.find("settings"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("channel 1, RX Freq: file '146.94000', radio '147.50000'"), std::string::npos) << dry.out;
    const CliResult write = RunCli({"write", "-q", "-p", radio.DevicePath(), csv});
    ASSERT_EQ(write.status, 0) << write.out << write.err;
    EXPECT_EQ(radio.GetBlock(5, 0), settings);
    EXPECT_EQ(RunCli({"verify", "-q", "-p", radio.DevicePath(), csv}).status, 0);
    ASSERT_EQ(RunCli({"set", own, "Channel 1, RX Freq=146.94", "-o", own}).status, 0);
    const CliResult mine = RunCli({"verify", "-p", radio.DevicePath(), own});
    EXPECT_EQ(mine.status, 0) << "the channels are the list's, the settings the radio's own: " << mine.out;

    const std::string lossy = Path("lossy.csv");
    std::ofstream(lossy) << "Location,Frequency,Mode\n1,146.52,FM\n2,121.5,AM\n";
    const std::string before = Memory();
    const CliResult lost = RunCli({"write", "-p", radio.DevicePath(), lossy});
    EXPECT_EQ(lost.status, 2) << lost.out << lost.err;
    EXPECT_EQ(Contains(lost.err, "1 of 2 rows of the CSV list cannot be written."), "");
    EXPECT_EQ(Contains(lost.err, "Row 2: mode 'AM' is not FM or NFM"), "");
    EXPECT_EQ(Memory(), before);
}

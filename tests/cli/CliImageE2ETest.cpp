// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's whole-radio commands end to end: backup, restore and verify
// of radio images against simulated radios.
#include "CliProcess.h"
#include "Folders.h"

#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"
#include "signalling/DtmfBlocks.h"
#include "signalling/FiveToneBlocks.h"
#include "signalling/FleetSyncBlocks.h"
#include "signalling/TwoToneBlocks.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

using namespace tonvar;
using test::CliResult;
using test::Contains;
using test::Label;
using test::RunCli;

namespace {

template <typename Texts, typename Encode>
void Put(sim::RadioSimulator &radio, int area, int blocks, const Texts &texts, Encode &&encode)
{
    for (int b = 0; b < blocks; ++b) {
        memory::Payload p{};
        encode(b, texts, p);
        radio.SetBlock(area, b, p);
    }
}

// What a window shows after reading a blank radio.
template <typename Texts, typename Decode>
Texts Blank(int blocks, Decode &&decode)
{
    Texts t;
    for (int b = 0; b < blocks; ++b)
        decode(b, memory::Payload{}, t);
    return t;
}

signalling::FiveToneTexts FiveTone(const std::string &row3)
{
    auto t = Blank<signalling::FiveToneTexts>(signalling::kFiveToneBlocks, signalling::DecodeFiveToneBlock);
    t.Encode(3, 1) = row3;
    t.Encode(3, 5) = "ZVEI1";
    t.Decode(7, 2) = "98765";
    return t;
}

// The IDs a radio answers to: its own FleetSync fleet and ID, its DTMF ID code.
struct Ids {
    std::string fleet = "123";
    std::string id = "4567";
    std::string dtmf = "4321";
};

// A radio with every area set: the sample channels and settings, and
// signalling values a fleet would give.
void FillWholeRadio(sim::RadioSimulator &radio, const std::string &fiveToneRow3 = "12345", const Ids &ids = {})
{
    test::FillRadio(radio);
    signalling::DtmfDigitCounts counts{};
    auto dtmf = Blank<signalling::DtmfTexts>(signalling::kDtmfBlocks,
                                             [&counts](int b, const memory::Payload &p, signalling::DtmfTexts &t) {
                                                 signalling::DecodeDtmfBlock(b, p, t, counts);
                                             });
    dtmf.idCode = ids.dtmf;
    dtmf.autodial[2] = "5551234";
    Put(radio, 1, signalling::kDtmfBlocks, dtmf, signalling::EncodeDtmfBlock);
    auto fleet = Blank<signalling::FleetSyncTexts>(signalling::kFleetSyncBlocks, signalling::DecodeFleetSyncBlock);
    fleet.ownFleet = ids.fleet;
    fleet.ownId = ids.id;
    fleet.fleet[0] = "200";
    fleet.id[0] = "2001";
    Put(radio, 2, signalling::kFleetSyncBlocks, fleet, signalling::EncodeFleetSyncBlock);
    auto two = Blank<signalling::TwoToneTexts>(signalling::kTwoToneBlocks, signalling::DecodeTwoToneBlock);
    two.first[0] = "1000";
    two.second[0] = "1500";
    Put(radio, 3, signalling::kTwoToneBlocks, two, signalling::EncodeTwoToneBlock);
    Put(radio, 4, signalling::kFiveToneBlocks, FiveTone(fiveToneRow3), signalling::EncodeFiveToneBlock);
}

struct CliImage : ::testing::Test, test::CliFiles {
    // Fills every area of the radio, starts it and backs it up into `name`
    // in the folder: the image's path, or "" when the backup failed.
    std::string BackUpWholeRadio(sim::RadioSimulator &radio, const std::string &name) const
    {
        FillWholeRadio(radio);
        radio.Start();
        const std::string image = Path(name);
        return RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status == 0 ? image : "";
    }
};

} // namespace

TEST_F(CliImage, ABackupRestoredIntoASecondRadioLeavesItsSixAreasEqualToTheFirsts)
{
    sim::RadioSimulator source(false), target(false);
    FillWholeRadio(source);
    source.Start();
    target.Start();
    const std::string image = Path("fleet.radio");
    const CliResult backup = RunCli({"backup", "-p", source.DevicePath(), image});
    ASSERT_EQ(backup.status, 0) << backup.out << backup.err;
    EXPECT_EQ(Contains(backup.out, Label(source) + ": backed up, saved to " + image), "");
    std::ifstream in(image);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "tonvar radio image 1");

    const CliResult restore = RunCli({"restore", "-p", target.DevicePath(), image});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(Contains(restore.out, Label(target) + ": restored and read back, equal"), "");
    for (const files::ImageBlock &b : files::ImageBlocks())
        EXPECT_EQ(target.GetBlock(b.area, b.number), source.GetBlock(b.area, b.number)) << files::ImageBlockName(b);
}

TEST_F(CliImage, VerifyOfAnImageNamesTheWindowRowAndFieldOfAChangedFiveToneRow)
{
    sim::RadioSimulator radio(false);
    const std::string image = BackUpWholeRadio(radio, "before.radio");
    ASSERT_NE(image, "") << "the backup failed";
    const CliResult same = RunCli({"verify", "-p", radio.DevicePath(), image});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(Contains(same.out, Label(radio) + ": verified, equal to the image"), "");

    Put(radio, 4, signalling::kFiveToneBlocks, FiveTone("54321"), signalling::EncodeFiveToneBlock);
    const CliResult differs = RunCli({"verify", "-p", radio.DevicePath(), image});
    EXPECT_EQ(differs.status, 3) << differs.out << differs.err;
    EXPECT_EQ(Contains(differs.out,
                       Label(radio) + ": 5TONE, Encode row 3, First Frame Coding: image '12345', radio '54321'\n"),
              "");
    EXPECT_EQ(Contains(differs.out, Label(radio) + ": verified, 1 difference from the image"), "");
}

TEST_F(CliImage, AFileThatIsNoImageRestoresNothingAndAPulledCableSaysTheRadioIsHalfWritten)
{
    sim::RadioSimulator radio(false);
    radio.Start();
    const std::string notImage = Path("channels.radio");
    std::ofstream(notImage) << "\"Ch No.\",\"RX Freq\"\r\n";
    const CliResult refused = RunCli({"restore", "-p", radio.DevicePath(), notImage});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(Contains(refused.err, "The file is not a radio image."), "");
    EXPECT_TRUE(radio.Log().empty()) << "nothing sent";

    sim::RadioSimulator source(false), target(false);
    const std::string image = BackUpWholeRadio(source, "half.radio");
    ASSERT_NE(image, "") << "the backup failed";
    sim::Faults faults;
    faults.hangUpAtAnswer = 25; // in the DTMF area, after the channels and settings
    target.SetFaults(faults);
    target.Start();
    const CliResult pulled = RunCli({"restore", "-p", target.DevicePath(), image});
    EXPECT_EQ(pulled.status, 1);
    EXPECT_EQ(Contains(pulled.out, "The radio may now hold a mix of old and new values"), "");
}

TEST_F(CliImage, CheckJudgesChannelFilesAndImagesWithoutARadio)
{
    sim::RadioSimulator radio(false);
    const std::string image = BackUpWholeRadio(radio, "good.radio");
    ASSERT_NE(image, "") << "the backup failed";
    const std::string channels = Path("good.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), channels}).status, 0);
    const CliResult good = RunCli({"check", image, channels});
    EXPECT_EQ(good.status, 0) << good.out << good.err;
    EXPECT_EQ(good.out, image + ": a radio image of the whole radio, good to restore\n" + channels +
                            ": a channel file, good to write\n");

    const std::string newer = Path("newer.radio");
    std::ofstream(newer) << "tonvar radio image 9\n";
    const CliResult bad = RunCli({"check", channels, newer});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(Contains(bad.out, newer + ": The radio image was made by a newer tonvar. It is of format 9"), "");
    EXPECT_EQ(RunCli({"check", "-p", radio.DevicePath(), channels}).status, 2) << "no radio";
}

TEST_F(CliImage, WriteWithBackupKeepsAnImageThatRestoresTheRadioAsItWas)
{
    sim::RadioSimulator radio(false), other(false);
    FillWholeRadio(radio);
    radio.Start();
    other.Start();
    std::vector<sim::Block> before;
    for (const files::ImageBlock &b : files::ImageBlocks())
        before.push_back(radio.GetBlock(b.area, b.number));
    // A file of another radio's (blank) channels, written over this one's.
    const std::string blank = Path("blank.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", other.DevicePath(), blank}).status, 0);
    const std::string folder = Path("backups");
    std::filesystem::create_directory(folder);
    const CliResult write = RunCli({"write", "--backup", folder, "-p", radio.DevicePath(), blank});
    ASSERT_EQ(write.status, 0) << write.out << write.err;
    std::vector<std::string> backups;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        backups.push_back(entry.path().string());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(
        Contains(write.out, Label(radio) + ": written and read back, equal (backed up first to " + backups[0] + ")"),
        "");
    EXPECT_NE(radio.GetBlock(0, 1), before[0]) << "the write went through";

    ASSERT_EQ(RunCli({"restore", "-q", "-p", radio.DevicePath(), backups[0]}).status, 0);
    std::size_t i = 0;
    for (const files::ImageBlock &b : files::ImageBlocks())
        EXPECT_EQ(radio.GetBlock(b.area, b.number), before[i++]) << files::ImageBlockName(b);

    // A folder that is not there touches no radio.
    const std::size_t seen = radio.Log().size();
    EXPECT_EQ(RunCli({"write", "--backup", Path("nowhere"), "-p", radio.DevicePath(), blank}).status, 2);
    EXPECT_EQ(radio.Log().size(), seen);
}

// Restore given the folder write --backup filled: each radio gets its own
// newest backup there, neither an older one nor another radio's.
TEST_F(CliImage, RestoreFromABackupFolderPutsBackEachRadiosNewestBackup)
{
    sim::RadioSimulator a(false), b(false), blankRadio(false);
    FillWholeRadio(a, "11111", {"100", "1001", "111"});
    FillWholeRadio(b, "22222", {"100", "1002", "222"});
    a.Start();
    b.Start();
    blankRadio.Start();
    const std::string blank = Path("blank.wh"), filled = Path("filled.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", blankRadio.DevicePath(), blank}).status, 0);
    ASSERT_EQ(RunCli({"read", "-q", "-p", a.DevicePath(), filled}).status, 0);
    const std::string folder = Path("backups");
    std::filesystem::create_directory(folder);
    const auto snapshot = [](const sim::RadioSimulator &radio) {
        std::vector<sim::Block> blocks;
        for (const files::ImageBlock &block : files::ImageBlocks())
            blocks.push_back(radio.GetBlock(block.area, block.number));
        return blocks;
    };

    ASSERT_EQ(RunCli({"write", "-q", "--backup", folder, "-p", a.DevicePath(), "-p", b.DevicePath(), blank}).status,
              0);
    const std::vector<sim::Block> aBetween = snapshot(a), bBetween = snapshot(b);
    ASSERT_EQ(RunCli({"write", "-q", "--backup", folder, "-p", a.DevicePath(), "-p", b.DevicePath(), filled}).status,
              0);
    ASSERT_NE(snapshot(a), aBetween) << "the second write changed the radio";
    // A file that only looks like a backup is passed over.
    std::ofstream(folder + "/" + Label(a) + "-29991231-235959-x.radio") << "not an image";

    const CliResult restore = RunCli({"restore", "-p", a.DevicePath(), "-p", b.DevicePath(), folder});
    ASSERT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_EQ(snapshot(a), aBetween);
    EXPECT_EQ(snapshot(b), bBetween);
    EXPECT_NE(restore.err.find(Label(a) + ": " + folder + "/" + Label(a) + "-"), std::string::npos) << restore.err;

    // A port with neither is refused by name before any radio is touched.
    const std::size_t seen = blankRadio.Log().size();
    const CliResult none = RunCli({"restore", "-p", blankRadio.DevicePath(), folder});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find(folder + " holds no radio image for " + Label(blankRadio) + ": neither " + folder + "/" +
                            Label(blankRadio) + ".radio nor a backup " + Label(blankRadio) + "-YYYYMMDD-HHMMSS.radio"),
              std::string::npos)
        << none.err;
    EXPECT_EQ(blankRadio.Log().size(), seen);

    // An image named after the port alone is taken before any backup.
    ASSERT_EQ(RunCli({"backup", "-q", "-p", blankRadio.DevicePath(), folder + "/" + Label(a) + ".radio"}).status, 0);
    ASSERT_EQ(RunCli({"restore", "-q", "-p", a.DevicePath(), folder}).status, 0);
    EXPECT_EQ(snapshot(a), snapshot(blankRadio));
}

TEST_F(CliImage, JsonGivesOneParsableRecordPerRadio)
{
    sim::RadioSimulator same(false), changed(false);
    FillWholeRadio(same);
    FillWholeRadio(changed, "54321");
    same.Start();
    changed.Start();
    const std::string image = Path("fleet.radio");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", same.DevicePath(), image}).status, 0);
    const CliResult r = RunCli({"verify", "--json", "-p", same.DevicePath(), "-p", changed.DevicePath(), image});
    EXPECT_EQ(r.status, 3) << r.err;
    const QStringList lines = QString::fromStdString(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out;
    std::map<std::string, QJsonObject> records;
    for (const QString &line : lines) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        records[doc.object().value(QStringLiteral("port")).toString().toStdString()] = doc.object();
    }
    const QJsonObject a = records.at(Label(same));
    EXPECT_EQ(a.value(QStringLiteral("command")).toString(), QStringLiteral("verify"));
    EXPECT_EQ(a.value(QStringLiteral("result")).toString(), QStringLiteral("succeeded"));
    EXPECT_EQ(a.value(QStringLiteral("device")).toString().toStdString(), same.DevicePath());
    EXPECT_TRUE(a.value(QStringLiteral("differences")).toArray().isEmpty());
    const QJsonObject b = records.at(Label(changed));
    EXPECT_EQ(b.value(QStringLiteral("result")).toString(), QStringLiteral("different"));
    const QJsonArray differences = b.value(QStringLiteral("differences")).toArray();
    ASSERT_EQ(differences.size(), 1);
    EXPECT_EQ(differences[0].toObject().value(QStringLiteral("where")).toString(),
              QStringLiteral("5TONE, Encode row 3, First Frame Coding"));
    EXPECT_EQ(differences[0].toObject().value(QStringLiteral("radio")).toString(), QStringLiteral("54321"));
}

TEST_F(CliImage, ARosterRestoreGivesFourRadiosTheirOwnIdsAndEverythingElseEqual)
{
    sim::RadioSimulator source(false);
    const std::string image = BackUpWholeRadio(source, "fleet.radio");
    ASSERT_NE(image, "") << "the backup failed";
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    std::vector<std::string> args{"restore", image, "--roster", Path("roster.csv")};
    std::ofstream roster(Path("roster.csv"), std::ios::binary);
    roster << "port,\"FleetSync, Fleet[Own]\",\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\r\n";
    for (int i = 0; i < 4; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(false));
        radios.back()->Start();
        args.insert(args.end(), {"-p", radios.back()->DevicePath()});
        roster << Label(*radios.back()) << ",200," << 3001 + i << "," << 501 + i << "\r\n";
    }
    roster.close();
    EXPECT_EQ(Contains(RunCli({"check", Path("roster.csv")}).out, "a roster of 4 radios by port"), "");
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    for (int i = 0; i < 4; ++i) {
        const sim::RadioSimulator &radio = *radios[static_cast<std::size_t>(i)];
        EXPECT_EQ(Contains(r.out, Label(radio) +
                                      ": restored and read back, equal (FleetSync, Fleet[Own] 200; "
                                      "FleetSync, ID[Own] " +
                                      std::to_string(3001 + i) + "; DTMF, ID Code " + std::to_string(501 + i) + ")"),
                  "");
        // Its own IDs, as the windows read them; every other block as the source's.
        const std::string own = Path("own-" + std::to_string(i) + ".radio");
        ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), own}).status, 0);
        std::map<std::string, std::string> fields;
        for (const auto &f : signalling::ImageFields(files::LoadRadioImage(own)))
            fields[f.where] = f.text;
        EXPECT_EQ(fields.at("FleetSync, ID[Own]"), std::to_string(3001 + i));
        EXPECT_EQ(fields.at("DTMF, ID Code"), std::to_string(501 + i));
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            if (b.area != 1 && b.area != 2) {
                EXPECT_EQ(radio.GetBlock(b.area, b.number), source.GetBlock(b.area, b.number))
                    << files::ImageBlockName(b);
            }
        }
    }

    // The fleet as restored: each radio equal to the image with its own values.
    std::vector<std::string> verify{"verify", "--json", image, "--roster", Path("roster.csv")};
    for (const auto &radio : radios)
        verify.insert(verify.end(), {"-p", radio->DevicePath()});
    const CliResult fleet = RunCli(verify);
    EXPECT_EQ(fleet.status, 0) << fleet.out << fleet.err;
    EXPECT_EQ(Contains(fleet.out, "\"values\":{\"DTMF, ID Code\":\"501\""), "");

    // With the image, check judges every value; a spreadsheet's byte order
    // mark is no part of the first name.
    std::ofstream(Path("bad.csv"), std::ios::binary) << "\xEF\xBB\xBFport,\"FleetSync, ID[Own]\"\nttyUSB0,70000\n";
    EXPECT_EQ(RunCli({"check", Path("bad.csv")}).status, 0) << "the names alone are good";
    const CliResult bad = RunCli({"check", image, Path("bad.csv")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(Contains(bad.out, "FleetSync, ID[Own]"), "");

    // IDs only the image gives count too: the DTMF ID code the roster does
    // not give would be both radios', so the restore is refused before any
    // radio is touched, unless duplicates are allowed.
    std::ofstream(Path("fleet-only.csv"), std::ios::binary) << "port,\"FleetSync, ID[Own]\"\n"
                                                            << Label(*radios[0]) << ",4001\n"
                                                            << Label(*radios[1]) << ",4002\n";
    const std::size_t before = radios[0]->Log().size() + radios[1]->Log().size();
    const CliResult sharedDtmf = RunCli({"restore", "--json", "--no-verify", "--roster", Path("fleet-only.csv"), "-p",
                                         radios[0]->DevicePath(), "-p", radios[1]->DevicePath(), image});
    EXPECT_EQ(sharedDtmf.status, 2) << sharedDtmf.out << sharedDtmf.err;
    EXPECT_EQ(Contains(sharedDtmf.err,
                       Label(*radios[0]) + " and " + Label(*radios[1]) + " would both get the DTMF ID code 4321."),
              "");
    EXPECT_EQ(radios[0]->Log().size() + radios[1]->Log().size(), before) << "no radio touched";
    const CliResult allowed =
        RunCli({"restore", "--json", "--no-verify", "--allow-duplicate-ids", "--roster", Path("fleet-only.csv"), "-p",
                radios[0]->DevicePath(), "-p", radios[1]->DevicePath(), image});
    EXPECT_EQ(allowed.status, 0) << allowed.out << allowed.err;
    EXPECT_EQ(Contains(allowed.out, "\"readBack\":false"), "");

    // Two radios with one ID: refused before any radio is touched.
    std::ofstream twice(Path("twice.csv"), std::ios::binary);
    twice << "port,\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\n"
          << Label(*radios[0]) << ",3001,1\n"
          << Label(*radios[1]) << ",3001,2\n";
    twice.close();
    const std::size_t seen = radios[0]->Log().size();
    const CliResult dup = RunCli({"restore", "--roster", Path("twice.csv"), "-p", radios[0]->DevicePath(), "-p",
                                  radios[1]->DevicePath(), image});
    EXPECT_EQ(dup.status, 2);
    EXPECT_EQ(Contains(dup.err, "would both get FleetSync fleet 123 and ID 3001"), "");
    EXPECT_EQ(radios[0]->Log().size(), seen);
    EXPECT_EQ(RunCli({"restore", "-q", "--allow-duplicate-ids", "--roster", Path("twice.csv"), "-p",
                      radios[0]->DevicePath(), "-p", radios[1]->DevicePath(), image})
                  .status,
              0);
}

TEST_F(CliImage, EachRadioItsOwnFileFromAFolderOrAPattern)
{
    sim::RadioSimulator a(false), b(false);
    FillWholeRadio(a);
    FillWholeRadio(b, "22222", {"123", "4568", "4322"});
    a.Start();
    b.Start();
    const std::string folder = Path("fleet");
    std::filesystem::create_directory(folder);
    ASSERT_EQ(RunCli({"backup", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), folder}).status, 0);
    ASSERT_EQ(RunCli({"read", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), Path("{port}.wh")}).status, 0);
    // Each radio against its own image and its own channel file.
    const CliResult own = RunCli({"verify", "-p", a.DevicePath(), "-p", b.DevicePath(), folder});
    EXPECT_EQ(own.status, 0) << own.out << own.err;
    EXPECT_EQ(Contains(own.out, Label(b) + ": verified, equal to the image"), "");
    EXPECT_EQ(RunCli({"verify", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), Path("{port}.wh")}).status, 0);
    // Swapped over: a restore from the folder puts each radio's own back.
    Put(a, 4, signalling::kFiveToneBlocks, FiveTone("33333"), signalling::EncodeFiveToneBlock);
    const CliResult restore = RunCli({"restore", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), folder});
    EXPECT_EQ(restore.status, 0) << restore.err;
    EXPECT_EQ(RunCli({"verify", "-q", "-p", a.DevicePath(), folder + "/" + Label(a) + ".radio"}).status, 0);
    const CliResult other = RunCli({"verify", "-p", b.DevicePath(), folder + "/" + Label(a) + ".radio"});
    EXPECT_EQ(other.status, 3);
    EXPECT_EQ(Contains(other.out, "5TONE, Encode row 3, First Frame Coding: image '12345', radio '22222'"), "");
}

// A read saves channel files and a backup radio images; neither ever
// replaces a file of the other kind (a channel file over an image loses every
// signalling area), nor a roster, a CSV list or a file it cannot tell. The
// refusal comes before any radio is touched, with exit status 2, and names
// the file, what it holds and the command that writes that kind.
TEST_F(CliImage, NoSaveReplacesAFileOfAnotherKindAndNoRadioIsTouched)
{
    sim::RadioSimulator radio(false);
    const std::string image = BackUpWholeRadio(radio, "master.radio");
    ASSERT_NE(image, "") << "the backup failed";
    const std::string channels = Path("fleet.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), channels}).status, 0);
    std::ofstream(Path("roster.csv"), std::ios::binary) << "port,\"DTMF, ID Code\"\nttyUSB0,101\n";
    std::ofstream(Path("notes.txt"), std::ios::binary) << "call Bob\n";
    std::filesystem::create_directory(Path("radios"));
    std::filesystem::copy_file(image, Path("radios/" + Label(radio) + ".wh"));
    const struct {
        std::vector<std::string> args;
        std::string file;
        std::string says;
    } cases[] = {
        {{"read", image},
         image,
         image + " holds a radio image (the whole radio). 'tonvar-cli read' would replace "
                 "it with a channel file, so no radio was touched. Radio images are written "
                 "by 'tonvar-cli backup'."},
        {{"read", Path("radios")}, Path("radios/" + Label(radio) + ".wh"), "holds a radio image"},
        {{"backup", channels},
         channels,
         channels + " holds a channel file. 'tonvar-cli backup' would replace it with "
                    "a radio image, so no radio was touched. Channel files are "
                    "written by 'tonvar-cli read'."},
        {{"read", Path("roster.csv")}, Path("roster.csv"), "holds a roster"},
        {{"backup", Path("roster.csv")}, Path("roster.csv"), "holds a roster"},
        {{"read", Path("notes.txt")}, Path("notes.txt"), "holds neither a channel file nor a radio image"},
    };
    const std::size_t seen = radio.Log().size();
    for (const auto &c : cases) {
        const std::string before = test::ReadFile(c.file);
        std::vector<std::string> args{c.args[0], "-p", radio.DevicePath(), c.args[1]};
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << c.args[1] << "\n" << r.out << r.err;
        EXPECT_EQ(Contains(r.err, c.says), "");
        EXPECT_EQ(test::ReadFile(c.file), before) << c.file;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(radio.Log().size(), seen) << "no radio touched";

    // Of the same kind, a file is replaced as before.
    EXPECT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), channels}).status, 0);
    EXPECT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);

    // write --backup never replaces a file either: not an earlier backup of
    // the same second, nor anything else under that name.
    const std::string folder = Path("backups");
    std::filesystem::create_directory(folder);
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> taken;
    for (int s = 0; s < 30; ++s) {
        const std::time_t at = now + s;
        std::tm local{};
        localtime_r(&at, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
        taken.push_back(folder + "/" + Label(radio) + "-" + stamp + ".radio");
        std::ofstream(taken.back(), std::ios::binary) << "keep me\n";
    }
    const CliResult write = RunCli({"write", "--backup", folder, "-p", radio.DevicePath(), channels});
    EXPECT_EQ(write.status, 0) << write.out << write.err;
    for (const std::string &path : taken)
        EXPECT_EQ(test::ReadFile(path), "keep me\n") << path;
    EXPECT_EQ(Contains(write.out, "-2.radio)"), "") << "the backup under a name of its own";
}

// One image restored into several radios would give each the image's
// FleetSync fleet and ID and DTMF ID code: refused before any radio is
// touched, naming the IDs and the way out, unless --allow-duplicate-ids.
// Only the IDs an image sets count: a blank one is no ID.
TEST_F(CliImage, ARestoreOfOneImageIntoSeveralRadiosGivesNoTwoOfThemTheSameIds)
{
    sim::RadioSimulator source(false);
    const std::string image = BackUpWholeRadio(source, "master.radio");
    ASSERT_NE(image, "") << "the backup failed";
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    std::vector<std::string> ports;
    for (int i = 0; i < 3; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(false));
        radios.back()->Start();
        ports.insert(ports.end(), {"-p", radios.back()->DevicePath()});
    }
    const auto restore = [&](std::vector<std::string> args) {
        args.insert(args.end(), ports.begin(), ports.end());
        return RunCli(args);
    };
    const CliResult refused = restore({"restore", image});
    EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
    const std::string all = Label(*radios[0]) + ", " + Label(*radios[1]) + " and " + Label(*radios[2]);
    EXPECT_EQ(Contains(refused.err, all + " would all get FleetSync fleet 123 and ID 4567; " + all +
                                        " would all get the DTMF ID code 4321. No two radios may answer to the same "
                                        "IDs: give each radio its own in a roster (--roster), or allow it with "
                                        "--allow-duplicate-ids."),
              "");
    EXPECT_EQ(refused.out, "");
    for (const auto &radio : radios)
        EXPECT_TRUE(radio->Log().empty()) << "no radio touched";

    const CliResult allowed = restore({"restore", "--allow-duplicate-ids", image});
    EXPECT_EQ(allowed.status, 0) << allowed.out << allowed.err;
    EXPECT_EQ(Contains(allowed.out, "3 of 3 radios succeeded"), "");

    // An image without IDs (a blank FleetSync ID, no DTMF ID code) gives
    // none: nothing is shared.
    sim::RadioSimulator blank(false);
    FillWholeRadio(blank, "12345", {"0", "0", ""});
    blank.Start();
    const std::string noIds = Path("no-ids.radio");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", blank.DevicePath(), noIds}).status, 0);
    const CliResult none = restore({"restore", "--no-verify", noIds});
    EXPECT_EQ(none.status, 0) << none.out << none.err;
    // One radio shares nothing with anyone.
    EXPECT_EQ(RunCli({"restore", "-q", "-p", radios[0]->DevicePath(), image}).status, 0);
}

// verify --roster compares each radio with an image and its own values; with
// a channel file the roster would be ignored, so it is refused, before any
// radio is touched, whether the roster exists or not.
TEST_F(CliImage, AnOptionThatDoesNotApplyToTheFileIsRefusedBeforeAnyRadioIsTouched)
{
    sim::RadioSimulator radio(false);
    FillWholeRadio(radio);
    radio.Start();
    const std::string channels = Path("fleet.wh");
    const std::string image = Path("fleet.radio");
    ASSERT_EQ(RunCli({"read", "-q", "-p", radio.DevicePath(), channels}).status, 0);
    ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), image}).status, 0);
    std::ofstream(Path("roster.csv"), std::ios::binary) << "port,\"DTMF, ID Code\"\n" << Label(radio) << ",101\n";
    const std::size_t seen = radio.Log().size();
    for (const std::string &roster : {Path("missing.csv"), Path("roster.csv")}) {
        const CliResult r = RunCli({"verify", "--roster", roster, "-p", radio.DevicePath(), channels});
        EXPECT_EQ(r.status, 2) << r.out << r.err;
        EXPECT_EQ(Contains(r.err, "--roster is for radio images: " + channels + " is no radio image"), "");
        EXPECT_EQ(r.out, "");
    }
    const CliResult noRoster = RunCli({"verify", "--allow-duplicate-ids", "-p", radio.DevicePath(), image});
    EXPECT_EQ(noRoster.status, 2);
    const CliResult check = RunCli({"check", "--allow-duplicate-ids", channels});
    EXPECT_EQ(check.status, 2);
    EXPECT_EQ(Contains(check.err, "--allow-duplicate-ids is for check with a radio image and a roster"), "");
    EXPECT_EQ(RunCli({"check", "--allow-duplicate-ids", image, Path("roster.csv")}).status, 0);
    EXPECT_EQ(radio.Log().size(), seen) << "no radio touched";
    // With an image, the roster is compared.
    const CliResult withImage = RunCli({"verify", "--roster", Path("roster.csv"), "-p", radio.DevicePath(), image});
    EXPECT_EQ(withImage.status, 3) << withImage.out << withImage.err;
    EXPECT_EQ(Contains(withImage.out, "DTMF, ID Code: image '101', radio '4321'"), "");
}

// A restore with a roster changes only the bytes of the roster's fields:
// every other byte of every block, the spare ones and those of fields the
// roster does not name, is written as the image holds it. The radios hold a
// DTMF side tone byte of 0x01 (a window would write 0xFF for "on") and a
// digit count of 3 for an empty autodial memory (a window would write 0).
TEST_F(CliImage, ARosterRestoreChangesOnlyTheBytesOfTheRostersFields)
{
    const auto odd = [](sim::RadioSimulator &radio) {
        FillWholeRadio(radio);
        sim::Block dtmf = radio.GetBlock(1, 0);
        dtmf[signalling::dtmf_offsets::kSideTone] = 0x01;
        dtmf[signalling::dtmf_offsets::kDigitCounts + 1] = 3; // autodial memory 1, which is empty
        radio.SetBlock(1, 0, dtmf);
    };
    sim::RadioSimulator source(false);
    odd(source);
    source.Start();
    const std::string image = Path("odd.radio");
    ASSERT_EQ(RunCli({"backup", "-q", "-p", source.DevicePath(), image}).status, 0);
    const files::RadioImage held = files::LoadRadioImage(image);
    ASSERT_EQ(held.At({1, 0})[signalling::dtmf_offsets::kSideTone], 0x01);

    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    std::vector<std::string> args{"restore", "--roster", Path("roster.csv"), image};
    std::ofstream roster(Path("roster.csv"), std::ios::binary);
    roster << "port,\"FleetSync, Fleet[Own]\",\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\n";
    for (int i = 0; i < 2; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(false));
        odd(*radios.back());
        radios.back()->Start();
        args.insert(args.end(), {"-p", radios.back()->DevicePath()});
        roster << Label(*radios.back()) << ",200," << 3001 + i << "," << 501 + i << "\n";
    }
    roster.close();
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.status, 0) << r.out << r.err;

    // The bytes of the roster's fields: the own fleet and ID, the DTMF ID
    // code and its digit count.
    using namespace signalling;
    const std::map<std::pair<int, int>, std::vector<std::size_t>> rosterBytes{
        {{2, 0},
         {fleetsync_offsets::kOwnFleet, fleetsync_offsets::kOwnFleet + 1, fleetsync_offsets::kOwnId,
          fleetsync_offsets::kOwnId + 1}},
        {{1, 0},
         {dtmf_offsets::kIdCode, dtmf_offsets::kIdCode + 1, dtmf_offsets::kIdCode + 2, dtmf_offsets::kIdCode + 3,
          dtmf_offsets::kDigitCounts}},
    };
    for (std::size_t i = 0; i < radios.size(); ++i) {
        const sim::RadioSimulator &radio = *radios[i];
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            const sim::Block now = radio.GetBlock(b.area, b.number);
            const memory::Payload &was = held.At(b);
            const auto at = rosterBytes.find({b.area, b.number});
            for (std::size_t k = 0; k < was.size(); ++k) {
                const bool field =
                    at != rosterBytes.end() && std::find(at->second.begin(), at->second.end(), k) != at->second.end();
                if (!field) {
                    EXPECT_EQ(static_cast<int>(now[k]), static_cast<int>(was[k]))
                        << Label(radio) << ", " << files::ImageBlockName(b) << ", byte " << k;
                }
            }
        }
        const std::string own = Path("own-" + std::to_string(i) + ".radio");
        ASSERT_EQ(RunCli({"backup", "-q", "-p", radio.DevicePath(), own}).status, 0);
        std::map<std::string, std::string> fields;
        for (const auto &f : signalling::ImageFields(files::LoadRadioImage(own)))
            fields[f.where] = f.text;
        EXPECT_EQ(fields.at("FleetSync, Fleet[Own]"), "200");
        EXPECT_EQ(fields.at("FleetSync, ID[Own]"), std::to_string(3001 + i));
        EXPECT_EQ(fields.at("DTMF, ID Code"), std::to_string(501 + i));
    }
}

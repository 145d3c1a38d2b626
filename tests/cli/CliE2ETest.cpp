// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli end to end: the built program against simulated radios on
// pseudo-terminals, judged by its exit status, its output, the files it
// leaves and what the radios saw and hold.
#include "BlockFrames.h"
#include "CliProcess.h"

#include "files/ChannelFile.h"
#include "memory/ChannelBlock.h"
#include "serial/PortLock.h"

#include "OpenWatch.h"
#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace tonvar;
using namespace std::chrono_literals;
using test::CliResult;
using test::Contains;
using test::Label;
using test::RunCli;
namespace fs = std::filesystem;

namespace {

struct Cli : ::testing::Test, test::CliFiles {

    // A channel file of SampleRow channels 1..16 and a few settings.
    std::string SampleFile(const std::string &name)
    {
        memory::ChannelTable table;
        for (int ch = 1; ch <= 16; ++ch)
            table.Row(ch) = test::SampleRow(ch);
        memory::SettingsTexts settings = memory::DefaultSettingsTexts();
        settings.Box(3) = "4";
        settings.Box(6) = "Monitor";
        const std::string file = Path(name);
        files::SaveChannelFile(table, settings, file);
        return file;
    }
};

// The channels a radio holds, as the window would show them.
memory::ChannelTable Decoded(const sim::RadioSimulator &radio)
{
    memory::ChannelTable table;
    for (int ch = 1; ch <= 16; ++ch) {
        protocol::ByteBuffer rx{};
        rx[0] = protocol::kFrameStart;
        rx[2] = static_cast<std::uint8_t>(ch);
        const sim::Block b = radio.GetBlock(0, ch);
        std::copy(b.begin(), b.end(), rx.begin() + 4);
        tonvar::test::DecodeChannelBlock(rx, table);
    }
    return table;
}

} // namespace

TEST_F(Cli, VerifyPassesAnUnchangedRadioAndNamesAChangedChannel)
{
    sim::RadioSimulator radio(false);
    test::FillRadio(radio);
    radio.Start();
    const std::string file = Path("radio.wh");
    const CliResult read = RunCli({"read", "--port", radio.DevicePath(), file});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(Contains(read.out, Label(radio) + ": read, saved to " + file), "");

    const CliResult same = RunCli({"verify", "--port", radio.DevicePath(), file});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(Contains(same.out, Label(radio) + ": verified, equal to the file"), "");

    memory::ChannelRow changed = test::SampleRow(4);
    changed[memory::kColRxFreq] = "450.00000";
    radio.SetBlock(0, 4, test::Payload(changed));
    const CliResult differs = RunCli({"verify", "-p", radio.DevicePath(), file});
    EXPECT_EQ(differs.status, 3) << differs.err;
    EXPECT_EQ(Contains(differs.out, Label(radio) + ": channel 4, RX Freq: file '444.12500', radio '450.00000'\n"), "");
    EXPECT_EQ(Contains(differs.out, Label(radio) + ": verified, 1 difference from the file"), "");
    // --quiet: the status alone.
    const CliResult quiet = RunCli({"verify", "-q", "-p", radio.DevicePath(), file});
    EXPECT_EQ(quiet.status, 3);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST_F(Cli, AFileReadFromOneRadioWritesAnotherToTheSameChannels)
{
    sim::RadioSimulator source(false), target(false);
    test::FillRadio(source);
    source.Start();
    target.Start();
    const std::string file = Path("copy.wh");
    ASSERT_EQ(RunCli({"read", "-p", source.DevicePath(), "-q", file}).status, 0);
    const CliResult write = RunCli({"write", "-p", target.DevicePath(), file});
    ASSERT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(Contains(write.out, Label(target) + ": written"), "");
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(Decoded(target).Row(ch), Decoded(source).Row(ch)) << "channel " << ch;
    // The nine settings a file keeps (offsets 8..15 of the block).
    const sim::Block a = source.GetBlock(5, 0), b = target.GetBlock(5, 0);
    EXPECT_TRUE(std::equal(a.begin() + 8, a.begin() + 16, b.begin() + 8)) << "settings";
    EXPECT_EQ(a[0], b[0]) << "Save Power";
}

TEST_F(Cli, FourRadiosAtOnceWithOneSilentEndInThreeWritesAndANamedTimeOut)
{
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    for (int i = 0; i < 4; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(false));
        radios.back()->Start();
    }
    sim::Faults silent;
    silent.silent = true;
    radios[2]->SetFaults(silent);
    const std::string file = SampleFile("fleet.wh");
    std::vector<std::string> args{"write", "--timeout", "2", file};
    for (const auto &radio : radios)
        args.insert(args.end(), {"--port", radio->DevicePath()});
    const CliResult r = RunCli(args);

    EXPECT_EQ(r.status, 1) << r.out << r.err;
    const std::string timeOut = "No answer from the radio for 2 s while waiting for the answer to PROGRAM.";
    EXPECT_EQ(Contains(r.out, Label(*radios[2]) + ": FAILED: " + timeOut), "");
    EXPECT_EQ(Contains(r.err, Label(*radios[2]) + ": " + timeOut + "\n"), "");
    EXPECT_EQ(Contains(r.out, "3 of 4 radios succeeded"), "");
    memory::ChannelTable expected;
    for (int ch = 1; ch <= 16; ++ch)
        expected.Row(ch) = test::SampleRow(ch);
    for (int i : {0, 1, 3}) {
        EXPECT_EQ(Contains(r.out, Label(*radios[static_cast<std::size_t>(i)]) + ": written and read back, equal\n"),
                  "");
        const memory::ChannelTable held = Decoded(*radios[static_cast<std::size_t>(i)]);
        for (int ch = 1; ch <= 16; ++ch)
            for (int c = 1; c < memory::kColumnCount; ++c)
                EXPECT_EQ(held.Cell(ch, c), expected.Cell(ch, c)) << "radio " << i << " channel " << ch;
    }
    // The silent radio heard the handshake, resent, and nothing more.
    for (const sim::LogEntry &e : radios[2]->Log())
        EXPECT_EQ(e.kind, sim::LogEntry::Handshake);
}

TEST_F(Cli, SeveralRadiosReadIntoAFolderOrAPatternEachGetTheirOwnFile)
{
    sim::RadioSimulator a(false), b(false);
    test::FillRadio(a);
    a.Start();
    b.Start();
    ASSERT_EQ(RunCli({"read", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), dir.path().toStdString()}).status, 0);
    EXPECT_TRUE(fs::exists(Path(Label(a) + ".wh")));
    EXPECT_TRUE(fs::exists(Path(Label(b) + ".wh")));
    ASSERT_EQ(RunCli({"read", "-q", "-p", a.DevicePath(), "-p", b.DevicePath(), Path("radio-{port}.wh")}).status, 0);
    const std::string fromA = files::ReadFileBytes(Path("radio-" + Label(a) + ".wh"), "");
    EXPECT_EQ(fromA, files::ReadFileBytes(Path(Label(a) + ".wh"), ""));
    EXPECT_NE(fromA, files::ReadFileBytes(Path("radio-" + Label(b) + ".wh"), ""));
    // One file for two radios is refused before either is touched.
    const CliResult one = RunCli({"read", "-p", a.DevicePath(), "-p", b.DevicePath(), Path("one.wh")});
    EXPECT_EQ(one.status, 2);
    EXPECT_EQ(Contains(one.err, "with several ports, the file must be a folder or a name with {port} in it"), "");
}

TEST_F(Cli, AFileThatDoesNotLoadOrConvertExitsTwoAndTouchesNoRadio)
{
    sim::RadioSimulator radio(false);
    radio.Start();
    test::OpenWatch opens(radio.DevicePath());
    ASSERT_TRUE(opens.Ok());

    const CliResult missing = RunCli({"write", "-p", radio.DevicePath(), Path("missing.wh")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(Contains(missing.err, "tonvar-cli: Cannot open file"), "");

    memory::ChannelTable table;
    for (int ch = 1; ch <= 16; ++ch)
        table.Row(ch) = test::SampleRow(ch);
    table.SetCell(12, memory::kColRxFreq, "44x.5");
    const std::string bad = Path("bad.wh");
    files::SaveChannelFile(table, memory::DefaultSettingsTexts(), bad);
    for (const char *command : {"write", "verify"}) {
        const CliResult r = RunCli({command, "-p", radio.DevicePath(), bad});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(Contains(r.err, "tonvar-cli: " + bad +
                                      ", channel 12, RX Freq: '44x.5' is not a valid floating point value.\n"),
                  "");
    }
    const CliResult usage = RunCli({"write", bad});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(Contains(usage.err, "tonvar-cli: no --port given (or --all)\nTry 'tonvar-cli --help'.\n"), "");
    EXPECT_EQ(opens.Opens(), 0);
    EXPECT_TRUE(radio.Log().empty());
}

TEST_F(Cli, CtrlCEndsARunningReadWithThePortClosedTheLockGoneAndNoFile)
{
    sim::RadioSimulator radio(false);
    sim::Faults silent;
    silent.silent = true;
    radio.SetFaults(silent);
    radio.Start();
    const std::string file = Path("never.wh");
    QProcess process;
    test::StartCli(process, {"read", "--timeout", "600", "-p", radio.DevicePath(), file});
    ASSERT_TRUE(process.waitForStarted());
    // The handshake has reached the radio: the port is open and locked.
    ASSERT_TRUE(test::WaitUntil([&] { return radio.Log().size() >= 1; }, 20s));
    std::string lock;
    for (const std::string &folder : serial::kLockDirectories)
        if (::access(folder.c_str(), W_OK) == 0) {
            lock = folder + "/" + serial::LockFileName(radio.DevicePath());
            break;
        }
    if (!lock.empty()) {
        EXPECT_TRUE(fs::exists(lock)) << lock;
    }

    ASSERT_EQ(::kill(static_cast<pid_t>(process.processId()), SIGINT), 0);
    const CliResult r = test::Finish(process, 20000);
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(Contains(r.err, Label(radio) + ": Interrupted.\n"), "");
    EXPECT_EQ(Contains(r.out, Label(radio) + ": FAILED: Interrupted.\n"), "");
    EXPECT_TRUE(fs::is_empty(dir.path().toStdString())) << "no file, whole or partial";
    if (!lock.empty()) {
        EXPECT_FALSE(fs::exists(lock)) << lock;
    }
    // Closed: the port opens again at once.
    const CliResult again = RunCli({"read", "--timeout", "1", "-q", "-p", radio.DevicePath(), file});
    EXPECT_EQ(Contains(again.err, "No answer from the radio for 1 s"), "");
}

// A file that cannot be saved after the radio was read (its folder gone, a
// full disk) makes that radio a failure, and a kill ends the run as shells
// expect (143).
TEST_F(Cli, AFileThatCannotBeSavedFailsItsRadioAndSigtermExits143)
{
    sim::RadioSimulator radio(false);
    test::FillRadio(radio);
    sim::Faults slow;
    slow.answerDelayMs = 100;
    radio.SetFaults(slow);
    radio.Start();
    const fs::path folder = fs::path(dir.path().toStdString()) / "gone";
    fs::create_directory(folder);
    QProcess process;
    test::StartCli(process, {"read", "-p", radio.DevicePath(), (folder / "radio.wh").string()});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(test::WaitUntil([&] { return radio.Log().size() >= 2; }, 20s));
    fs::remove_all(folder);
    const CliResult r = test::Finish(process);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_EQ(Contains(r.out, Label(radio) + ": FAILED: Cannot create file"), "");
    EXPECT_EQ(Contains(r.out, "0 of 1 radio succeeded"), "");

    sim::Faults silent;
    silent.silent = true;
    radio.SetFaults(silent);
    QProcess killed;
    test::StartCli(killed, {"read", "--timeout", "600", "-p", radio.DevicePath(), Path("never.wh")});
    ASSERT_TRUE(killed.waitForStarted());
    const std::size_t before = radio.Log().size();
    ASSERT_TRUE(test::WaitUntil([&] { return radio.Log().size() > before; }, 20s));
    ASSERT_EQ(::kill(static_cast<pid_t>(killed.processId()), SIGTERM), 0);
    EXPECT_EQ(test::Finish(killed, 20000).status, 143);
}

TEST_F(Cli, OnePortUnderTwoNamesIsRefusedBeforeAnythingStarts)
{
    sim::RadioSimulator radio(false);
    radio.Start();
    const std::string link = Path("radio-link");
    fs::create_symlink(radio.DevicePath(), link);
    const CliResult r = RunCli({"read", "-p", radio.DevicePath(), "-p", link, Path("{port}.wh")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(Contains(r.err, link + " and " + radio.DevicePath() + " are the same port"), "");
    EXPECT_TRUE(radio.Log().empty());
}

TEST_F(Cli, APulledCableEndsAWriteAtOnceSayingTheRadioMayBeHalfWritten)
{
    sim::RadioSimulator source(false), target(false);
    test::FillRadio(source);
    source.Start();
    const std::string file = Path("fleet.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", source.DevicePath(), file}).status, 0);
    sim::Faults faults;
    faults.hangUpAtAnswer = 6;
    target.SetFaults(faults);
    target.Start();
    const auto started = std::chrono::steady_clock::now();
    const CliResult r = RunCli({"write", "--timeout", "600", "-p", target.DevicePath(), file});
    EXPECT_LT(std::chrono::steady_clock::now() - started, 60s) << "not the time-out";
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(Contains(r.out, Label(target) + ": FAILED: The cable was unplugged or the port was closed: the write "
                                              "stopped. The radio may now hold a mix of old and new values: write it "
                                              "again."),
              "");
}

TEST_F(Cli, NoVerifyWritesWithoutReadingBackAndSaysSo)
{
    sim::RadioSimulator source(false), target(false);
    test::FillRadio(source);
    source.Start();
    target.Start();
    const std::string file = Path("fast.wh");
    ASSERT_EQ(RunCli({"read", "-q", "-p", source.DevicePath(), file}).status, 0);
    const CliResult r = RunCli({"write", "--no-verify", "-p", target.DevicePath(), file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Contains(r.out, Label(target) + ": written, not read back (--no-verify)\n"), "");
    for (const sim::LogEntry &e : target.Log())
        EXPECT_NE(e.kind, sim::LogEntry::ReadRequest) << "nothing read back";
    EXPECT_EQ(RunCli({"read", "--no-verify", "-p", target.DevicePath(), file}).status, 2) << "write only";
}

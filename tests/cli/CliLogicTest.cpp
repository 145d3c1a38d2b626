// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli's rules without a port: the command line, one radio's job on a
// fake port and an injected clock, the comparison of a file with a radio, and
// the progress lines.
#include "BlockFrames.h"
#include "cli/CliOptions.h"
#include "cli/Progress.h"
#include "cli/RadioJob.h"
#include "files/ChannelFile.h"
#include "memory/ChannelBlock.h"
#include "protocol/Frames.h"

#include "Fakes.h"
#include "FrameBytes.h"
#include "Folders.h"
#include "UsageMessage.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace tonvar;
using namespace tonvar::cli;
using namespace std::chrono_literals;
using test::Bytes;
using test::UsageMessage;
using Strings = std::vector<std::string>;

namespace {

Options Parse(const Strings &args)
{
    return ParseOptions(args);
}

} // namespace

TEST(CliOptions, CommandsPortsAndOptions)
{
    const Options read = Parse({"read", "--port", "ttyUSB0", "-p", "/dev/pts/4", "--timeout=3", "-q", "out/{port}.wh"});
    EXPECT_EQ(read.command, Command::Read);
    EXPECT_EQ(read.ports, (Strings{"ttyUSB0", "/dev/pts/4"}));
    EXPECT_EQ(read.timeoutSeconds, 3);
    EXPECT_TRUE(read.quiet);
    EXPECT_EQ(read.file, "out/{port}.wh");

    const Options write = Parse({"write", "radio.wh", "--port=ttyUSB1"});
    EXPECT_EQ(write.command, Command::Write);
    EXPECT_EQ(write.timeoutSeconds, 10);
    EXPECT_EQ(write.file, "radio.wh");
    // A file whose name starts with a dash, after "--".
    EXPECT_EQ(Parse({"verify", "-p", "ttyUSB0", "--", "-odd.wh"}).file, "-odd.wh");
    EXPECT_EQ(Parse({"ports"}).command, Command::Ports);
    // --help wins over anything missing.
    EXPECT_TRUE(Parse({"write", "--help"}).help);
    EXPECT_EQ(Parse({"write", "--help"}).command, Command::Write);
    EXPECT_TRUE(Parse({"--help"}).help);
}

TEST(CliOptions, WrongUsageSaysWhatIsWrong)
{
    EXPECT_EQ(UsageMessage({}),
              "no command given (ports, read, write, verify, backup, restore, station, check, diff, show, set or convert)");
    EXPECT_EQ(UsageMessage({"erase"}),
              "unknown command 'erase' (ports, read, write, verify, backup, restore, station, check, diff, show, set or convert)");
    EXPECT_EQ(UsageMessage({"backup", "-p", "ttyUSB0"}), "no image file given");
    EXPECT_EQ(UsageMessage({"restore", "-p", "ttyUSB0"}), "no radio image given");
    EXPECT_EQ(UsageMessage({"verify", "--no-verify", "-p", "ttyUSB0", "x.radio"}),
              "--no-verify is for write and restore only");
    EXPECT_EQ(UsageMessage({"read", "x.wh"}), "no --port given (or --all)");
    EXPECT_EQ(UsageMessage({"ports", "--all"}), "ports takes no --all");
    EXPECT_EQ(UsageMessage({"read", "-p", "ttyUSB0"}), "no channel file given");
    EXPECT_EQ(UsageMessage({"read", "-p", "ttyUSB0", "a.wh", "b.wh"}), "unexpected argument 'b.wh'");
    EXPECT_EQ(UsageMessage({"read", "x.wh", "--port"}), "--port needs a value");
    EXPECT_EQ(UsageMessage({"read", "x.wh", "--bogus"}), "unknown option '--bogus'");
    EXPECT_EQ(UsageMessage({"read", "x.wh", "--quiet=yes", "-p", "ttyUSB0"}), "--quiet takes no value");
    EXPECT_EQ(UsageMessage({"ports", "-p", "ttyUSB0"}), "ports takes no --port");
    for (const char *bad : {"0", "-1", "ten", "1.5", "86401", ""})
        EXPECT_NE(UsageMessage({"write", "x.wh", "-p", "ttyUSB0", "--timeout", bad}).find("--timeout takes"),
                  std::string::npos)
            << bad;
    // The same port twice, however it is named, would be two sessions on one line.
    EXPECT_EQ(UsageMessage({"write", "x.wh", "-p", "ttyUSB0", "-p", "/dev/ttyUSB0"}),
              "port /dev/ttyUSB0 is given more than once");
}

// The arguments are read as tonvar-cli has always read them, whatever a
// general parser would make of them: letters are not run together, a word
// takes two dashes, a value is taken as given, the first wrong argument is
// the one named, and a file's name keeps its bytes.
TEST(CliOptions, ArgumentsAreReadAsTheyAlwaysWere)
{
    const std::pair<Strings, std::string> refused[] = {
        {{"read", "-qa", "-p", "ttyUSB0", "a.wh"}, "unknown option '-qa'"},
        {{"read", "-pttyUSB0", "a.wh"}, "unknown option '-pttyUSB0'"},
        {{"read", "-port", "ttyUSB0", "a.wh"}, "unknown option '-port'"},
        {{"read", "--p", "ttyUSB0", "a.wh"}, "unknown option '--p'"},
        {{"read", "-?"}, "unknown option '-?'"},
        {{"read", "-p", "ttyUSB0", "--bogus=3", "a.wh"}, "unknown option '--bogus=3'"},
        {{"read", "-p", "ttyUSB0", "-q=1", "a.wh"}, "-q takes no value"},
        {{"write", "--help=yes"}, "--help takes no value"},
        {{"read", "a.wh", "-p"}, "-p needs a value"},
        {{"read", "--port=", "a.wh"}, "--port needs a port name or a device path"},
        {{"restore", "-p", "ttyUSB0", "--roster=", "a.radio"}, "--roster needs a file"},
        {{"write", "-p", "ttyUSB0", "--backup", "", "a.wh"}, "--backup needs a folder"},
        {{"restore", "-p", "ttyUSB0", "--roster", "r.csv", "--roster"}, "--roster is given twice"},
        {{"read", "-p", "ttyUSB0", "--timeout", "x", "--timeout", "5", "a.wh"},
         "--timeout takes a whole number of seconds from 1 to 86400, not 'x'"},
        // The first wrong argument is the one named.
        {{"erase", "--bogus"},
         "unknown command 'erase' (ports, read, write, verify, backup, restore, station, check, diff, show, set or convert)"},
        {{"--bogus", "erase"}, "unknown option '--bogus'"},
        {{"read", "--timeout", "0", "--bogus"}, "--timeout takes a whole number of seconds from 1 to 86400, not '0'"},
        {{"read", "--roster=", "--timeout", "0"}, "--roster needs a file"},
        {{"--", "--help"},
         "unknown command '--help' (ports, read, write, verify, backup, restore, station, check, diff, show, set or convert)"},
        {{"ports", "-a", "-p", "ttyUSB0"}, "ports takes no --all"},
        {{"ports", "now"}, "unexpected argument 'now'"},
        {{"check"}, "no file given"},
    };
    for (const auto &[args, message] : refused)
        EXPECT_EQ(UsageMessage(args), message) << ::testing::PrintToString(args);

    // What is taken: the ports, then the files.
    const auto taken = [](const Strings &args) {
        const Options o = Parse(args);
        std::string out;
        for (const std::string &port : o.ports)
            out += "port " + port + "; ";
        for (const std::string &file : o.command == Command::Check ? o.files : Strings{o.file})
            out += "file " + file + "; ";
        return out;
    };
    const std::pair<Strings, std::string> accepted[] = {
        {{"-p", "ttyUSB0", "read", "a.wh"}, "port ttyUSB0; file a.wh; "},
        {{"read", "-p=ttyUSB0", "a.wh"}, "port ttyUSB0; file a.wh; "},
        {{"read", "--port=a=b", "a.wh"}, "port a=b; file a.wh; "},
        {{"read", "--port", "-odd", "a.wh"}, "port -odd; file a.wh; "},
        {{"read", "-p", "--", "a.wh"}, "port --; file a.wh; "},
        {{"read", "-p", "ttyUSB0", "-"}, "port ttyUSB0; file -; "},
        {{"--", "check", "--", "-a"}, "file --; file -a; "},
        {{"read", "-p", "/dev/pts/\xe9", "\xe9t\xe9.wh"}, "port /dev/pts/\xe9; file \xe9t\xe9.wh; "},
    };
    for (const auto &[args, expected] : accepted)
        EXPECT_EQ(taken(args), expected) << ::testing::PrintToString(args);
    EXPECT_TRUE(Parse({"read", "--version"}).version);
    EXPECT_TRUE(Parse({"-h", "check", "--help"}).help);
}

TEST(CliOptions, EveryRadioOfAReadGetsItsOwnFile)
{
    EXPECT_EQ(PortLabel("ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortLabel("/dev/ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(PortLabel("/dev/pts/3"), "pts-3");
    EXPECT_EQ(PortLabel("/tmp/radio"), "tmp-radio");

    EXPECT_EQ(ReadTargets("one.wh", {"ttyUSB0"}, false), (Strings{"one.wh"}));
    EXPECT_EQ(ReadTargets("fleet", {"ttyUSB0", "/dev/pts/2"}, true), (Strings{"fleet/ttyUSB0.wh", "fleet/pts-2.wh"}));
    EXPECT_EQ(ReadTargets("fleet/", {"ttyUSB0"}, true), (Strings{"fleet/ttyUSB0.wh"}));
    EXPECT_EQ(ReadTargets("r-{port}-{port}.wh", {"ttyUSB0", "ttyUSB1"}, false),
              (Strings{"r-ttyUSB0-ttyUSB0.wh", "r-ttyUSB1-ttyUSB1.wh"}));
    EXPECT_THROW(ReadTargets("one.wh", {"ttyUSB0", "ttyUSB1"}, false), UsageError);
}

TEST(CliOptions, NewestBackupIsJudgedByTheTimeAndNumberInItsName)
{
    const struct {
        std::vector<std::string> names;
        std::string newest; // "" for none
    } cases[] = {
        {{}, ""},
        {{"ttyUSB0.radio", "ttyUSB1-20261209-101500.radio"}, ""},
        {{"ttyUSB0-20261209-101500.radio", "ttyUSB0-20261208-235959.radio"}, "ttyUSB0-20261209-101500.radio"},
        {{"ttyUSB0-20261209-101500.radio", "ttyUSB0-20261209-101500-2.radio"}, "ttyUSB0-20261209-101500-2.radio"},
        {{"ttyUSB0-20261209-101500-9.radio", "ttyUSB0-20261209-101500-10.radio"}, "ttyUSB0-20261209-101500-10.radio"},
        {{"ttyUSB0-20261209-101500-10.radio", "ttyUSB0-20261209-101501.radio"}, "ttyUSB0-20261209-101501.radio"},
        // Other ports', and names that only look like a backup.
        {{"ttyUSB0-20261209-101500.radio", "ttyUSB00-20991209-101500.radio", "ttyUSB0-20991209-101500.wh",
          "ttyUSB0-2099120-101500.radio", "ttyUSB0-20991209-101500-.radio", "ttyUSB0-20991209-101500-x.radio",
          "ttyUSB0-20991209_101500.radio", "ttyUSB0-20991209-101500.radio~"},
         "ttyUSB0-20261209-101500.radio"},
    };
    const std::filesystem::path root = test::FreshTestFolder("tonvar-newest");
    int n = 0;
    for (const auto &c : cases) {
        const std::filesystem::path folder = root / std::to_string(++n);
        std::filesystem::create_directory(folder);
        for (const std::string &name : c.names)
            std::ofstream(folder / name) << "x";
        EXPECT_EQ(NewestBackup(folder.string(), "ttyUSB0"), c.newest.empty() ? "" : (folder / c.newest).string())
            << "case " << n;
    }
    // A folder with a backup's name is passed over; a missing folder has none.
    std::filesystem::create_directory(root / "ttyUSB0-20991209-101500.radio");
    EXPECT_EQ(NewestBackup(root.string(), "ttyUSB0"), "");
    EXPECT_EQ(NewestBackup((root / "missing").string(), "ttyUSB0"), "");
    std::filesystem::remove_all(root);
}

// One radio's job on a fake port, the clock moved by hand.
struct Job1 : ::testing::Test {
    test::FakePort port;
    test::FakeTimer tim1;
    link::PortHub hub{port, tim1};
    RadioJob::Clock::time_point t0 = RadioJob::Clock::now();

    static Bytes Ack() { return {0x06}; }
    // The radio's answer to a read request: a frame of that block.
    static Bytes Frame(std::uint8_t area, std::uint8_t block, std::uint8_t at5 = 0)
    {
        Bytes b = test::FrameBytes(area, block);
        b[5] = at5;
        test::PutChecksum(b);
        return b;
    }
    static void Feed(RadioJob &job, const Bytes &bytes, RadioJob::Clock::time_point at)
    {
        job.Receive(bytes.data(), static_cast<std::uint16_t>(bytes.size()), at);
    }
};

TEST_F(Job1, AReadThatStopsAnsweringEndsAtTheTimeOutNamingTheAwaitedBlock)
{
    RadioJob job(hub, Job::Read, "ttyUSB0", 10s);
    job.Start(t0);
    EXPECT_EQ(port.calls, (Strings{"name ttyUSB0", "close", "open"}));
    EXPECT_EQ(job.Awaited(), "the answer to PROGRAM");
    EXPECT_TRUE(tim1.active);

    Feed(job, Ack(), t0 + 1s);
    EXPECT_EQ(job.Awaited(), "channel 1");
    for (std::uint8_t ch = 1; ch <= 4; ++ch)
        Feed(job, Frame(0, ch), t0 + 2s);
    EXPECT_EQ(job.Awaited(), "channel 5");
    EXPECT_EQ(job.Answers(), 5);
    // Bytes that move nothing on are no answer.
    Feed(job, Bytes{'Z', 'Z', 'Z'}, t0 + 9s);
    job.Check(t0 + 11s);
    EXPECT_EQ(job.Result(), Outcome::Running);
    job.Check(t0 + 12s);
    EXPECT_EQ(job.Result(), Outcome::Failed);
    EXPECT_EQ(job.Error(), "No answer from the radio for 10 s while waiting for channel 5.");
    // Ended as Cancel ends it.
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(tim1.active);
    EXPECT_FALSE(job.Transfer().Running());
    // Late bytes and ticks do nothing more.
    port.Sent();
    Feed(job, Frame(0, 5), t0 + 13s);
    job.Tick();
    EXPECT_TRUE(port.writes.empty());
}

TEST_F(Job1, AWriteTimesOutOnTheAckOfTheSettings)
{
    ChannelData file = WindowStartState();
    RadioJob job(hub, Job::Write, "ttyUSB0", 2s, file);
    job.Start(t0);
    for (int i = 0; i < 17; ++i)
        Feed(job, Ack(), t0 + 1s);
    EXPECT_EQ(job.Awaited(), "the Ack of the settings");
    EXPECT_EQ(job.Answers(), 17);
    job.Check(t0 + 2900ms);
    EXPECT_EQ(job.Result(), Outcome::Running);
    job.Check(t0 + 3s);
    EXPECT_EQ(job.Error(), "No answer from the radio for 2 s while waiting for the Ack of the settings. The radio "
                           "may now hold a mix of old and new values: write it again.");
}

TEST_F(Job1, AWriteNotReadBackSucceedsOnTheEighteenthAck)
{
    RadioJob job(hub, Job::Write, "ttyUSB0", 10s, WindowStartState(), {}, false);
    job.Start(t0);
    for (int i = 0; i < 18; ++i)
        Feed(job, Ack(), t0 + std::chrono::seconds(i));
    EXPECT_EQ(job.Result(), Outcome::Succeeded);
    EXPECT_EQ(job.Answers(), job.AnswerCount());
    EXPECT_FALSE(port.open);
    job.Check(t0 + 60s);
    EXPECT_EQ(job.Result(), Outcome::Succeeded);
}

TEST_F(Job1, APortThatWillNotOpenFailsInOneLineAndCancelEndsARunningJob)
{
    port.failOpen = true;
    RadioJob failing(hub, Job::Write, "ttyUSB9", 10s);
    failing.Start(t0);
    EXPECT_EQ(failing.Result(), Outcome::Failed);
    EXPECT_EQ(failing.Error(), "Error opening serial port.");
    EXPECT_FALSE(tim1.active) << "the write started Tim1 before it opened the port";

    port.failOpen = false;
    RadioJob job(hub, Job::Read, "ttyUSB0", 10s);
    job.Start(t0);
    job.Cancel("Interrupted.");
    EXPECT_EQ(job.Result(), Outcome::Failed);
    EXPECT_EQ(job.Error(), "Interrupted.");
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(tim1.active);
}

TEST_F(Job1, AMarkedFrameAskingForAnAckDoesNotHideWhatIsAwaited)
{
    RadioJob job(hub, Job::Read, "ttyUSB0", 10s);
    job.Start(t0);
    Feed(job, Ack(), t0);
    Feed(job, Frame(0, 1, 0x30), t0);
    EXPECT_EQ(job.Awaited(), "channel 2");
}

TEST(Compare, TextsAreComparedAsTheRadioKeepsThemAndTheFilesOwnTextIsShown)
{
    ChannelData file = WindowStartState();
    file.table.Row(3) = {"3",     "145.5", "",     "NONE", "67.0", "HIGH", "WIDE", "YES",
                         "12500", "NONE",  "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
    ChannelData radio = WindowStartState();
    protocol::ByteBuffer frame{};
    protocol::PutFrameHeader(frame, 0, 3);
    tonvar::test::EncodeChannelBlock(file.table.Row(3), frame);
    tonvar::test::DecodeChannelBlock(frame, radio.table);
    EXPECT_EQ(radio.table.Cell(3, 1), "145.50000");
    radio.settings = file.settings;
    EXPECT_TRUE(Compare(file, radio).empty());

    radio.table.SetCell(3, memory::kColRxFreq, "146.00000");
    radio.table.SetCell(9, memory::kColPower, "LOW");
    radio.settings.Box(3) = "5";
    radio.settings.Box(10) = "CLOSE"; // the file keeps nine settings, not ComboBox10
    const std::vector<Difference> d = Compare(file, radio);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_EQ(FormatDifference(d[0]), "channel 3, RX Freq: file '145.5', radio '146.00000'");
    EXPECT_EQ(FormatDifference(d[1]), "channel 9, TX Power: file '', radio 'LOW'");
    EXPECT_EQ(FormatDifference(d[2]), "settings, SQ Lev: file '0', radio '5'");
}

TEST(LoadForWriting, AFileThatWouldFailHalfWayIsRefusedWithTheChannelNamed)
{
    const std::string name =
        (std::filesystem::temp_directory_path() / ("tonvar-cli-load-" + std::to_string(::getpid()) + ".wh")).string();
    ChannelData data = WindowStartState();
    data.table.Row(2) = {"2",     "145.5", "",     "NONE", "NONE", "HIGH", "WIDE", "YES",
                         "12500", "NONE",  "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
    files::SaveChannelFile(data.table, data.settings, name);
    const ChannelData loaded = LoadForWriting(name);
    EXPECT_EQ(loaded.table.Cell(2, memory::kColRxFreq), "145.5");
    EXPECT_EQ(loaded.table.Cell(2, memory::kColTxFreq), " ") << "an empty field loads as a blank";

    data.table.Row(7) = data.table.Row(2);
    data.table.SetCell(7, memory::kColChannel, "7");
    data.table.SetCell(7, memory::kColStep, "fast");
    files::SaveChannelFile(data.table, data.settings, name);
    try {
        LoadForWriting(name);
        ADD_FAILURE() << "accepted";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), name + ", channel 7, Step Freq: 'fast' is not a valid integer value");
    }
    // A value the radio cannot hold as it stands: refused the same way.
    data.table.SetCell(7, memory::kColStep, "12500");
    data.settings.Box(4) = "300";
    files::SaveChannelFile(data.table, data.settings, name);
    try {
        LoadForWriting(name);
        ADD_FAILURE() << "accepted";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), name + ", settings, TOT: The radio cannot hold '300': it would keep '44'. The "
                                                "radio takes 60, 120, 180 or CLOSE.");
    }

    // Cut short: the loader's own message, after the file's name.
    std::ofstream(name, std::ios::trunc) << "\"Ch No.\"\r\n1,145.5\r\n";
    try {
        LoadForWriting(name);
        ADD_FAILURE() << "accepted";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), name + ": The file is not a channel file.");
        EXPECT_EQ(e.detail().rfind("It has 2 lines;", 0), 0u) << e.detail();
    }
    std::filesystem::remove(name);
    EXPECT_THROW(LoadForWriting(name), text::Failure);
}

TEST(Progress, BarsAndPlainLines)
{
    EXPECT_EQ(ProgressBar("pts-3", 7, 9, 18, "reading", 10), "pts-3    [#####-----]  9/18 reading");
    EXPECT_EQ(ProgressBar("ttyUSB0", 7, 18, 18, "done", 10), "ttyUSB0  [##########] 18/18 done");
    EXPECT_EQ(ProgressBar("x", 0, 40, 18, "?", 4), "x  [####] 18/18 ?");
    // Fitted into a terminal's width, no line wraps: the bar shrinks, then
    // a long label loses its middle, then the line is cut.
    const std::string byId = "serial-by-id-usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    for (const std::size_t columns : {std::size_t{80}, std::size_t{60}, std::size_t{40}, std::size_t{12}}) {
        const std::string line = FittedProgressBar(byId, byId.size(), 26, 53, "backing up", columns);
        EXPECT_LT(line.size(), columns) << line;
    }
    EXPECT_EQ(FittedProgressBar("ttyUSB0", 7, 9, 18, "reading", 0), ProgressBar("ttyUSB0", 7, 9, 18, "reading"));
    const std::string narrow = FittedProgressBar(byId, byId.size(), 26, 53, "backing up", 60);
    EXPECT_EQ(narrow.substr(0, 12), byId.substr(0, 12)) << narrow;
    EXPECT_NE(narrow.find("port0"), std::string::npos) << narrow;

    // A long name beside a short one: every row keeps its bar, all bars line
    // up, and a row's name is cut alike whatever its state says.
    for (const std::size_t columns : {std::size_t{80}, std::size_t{60}, std::size_t{40}}) {
        std::size_t barAt = std::string::npos;
        std::string shownName;
        for (const std::string &label : {byId, std::string("ttyUSB0")})
            for (const char *state : {"waiting", "reading", "backing up", "done", "verifying"}) {
                const std::string line = FittedProgressBar(label, byId.size(), 26, 53, state, columns);
                EXPECT_LT(line.size(), columns) << line;
                const std::size_t at = line.find("  [");
                ASSERT_NE(at, std::string::npos) << "no bar: " << line;
                EXPECT_NE(line.find("26/53 " + std::string(state)), std::string::npos) << line;
                if (barAt == std::string::npos)
                    barAt = at;
                EXPECT_EQ(at, barAt) << "bars out of line at " << columns << ": " << line;
                if (label == byId) {
                    if (shownName.empty())
                        shownName = line.substr(0, at);
                    EXPECT_EQ(line.substr(0, at), shownName) << "the name cut otherwise at " << columns;
                }
            }
    }

    std::FILE *out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ProgressDisplay lines(out, ProgressDisplay::Mode::Lines);
    lines.SetRows({"a", "b"});
    lines.Update(1, 1, 18, "writing");
    lines.Update(1, 1, 18, "writing"); // unchanged: no line
    lines.Update(5, 1, 18, "writing"); // no such row
    lines.Message("a: Error opening serial port.");
    ProgressDisplay quiet(out, ProgressDisplay::Mode::Quiet);
    quiet.SetRows({"c"});
    quiet.Update(0, 3, 18, "reading");
    quiet.Message("c: Interrupted.");
    std::rewind(out);
    std::string text(256, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), out));
    std::fclose(out);
    EXPECT_EQ(text, "b: writing 1/18\na: Error opening serial port.\nc: Interrupted.\n");
}

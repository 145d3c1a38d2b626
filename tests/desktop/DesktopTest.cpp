// SPDX-License-Identifier: GPL-3.0-or-later
// The built application under a real X server, used as a person uses it:
// the Port menu to reach the simulated radio, F11 and F12, typing into the
// table and the panel, the File menu to save. What is judged is what comes
// out: the radio's log and memory, the files saved, the titles the X server
// holds.
#include "BlockFrames.h"
#include "Desktop.h"

#include "cli/Fleet.h"
#include "cli/Station.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "memory/ChannelBlock.h"
#include "memory/SettingsBlock.h"
#include "signalling/RadioAreas.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>

#include "Channels.h"
#include "ComparedRadio.h"
#include "OpenWatch.h"

using namespace tonvar;
using namespace std::chrono_literals;
using desktop::Eventually;

namespace {

const std::string kMain = "TONVAR  V1.0";

// The messages the radio saw, one a line. A slow machine may let the 300 ms
// resend repeat a message; the repeat is folded into it. (A second session
// started by mistake shows in the port's opens.)
std::string Summary(const std::vector<sim::LogEntry> &log)
{
    std::string out, last;
    for (const sim::LogEntry &e : log) {
        const std::string line = sim::Summary(e) + "\n";
        if (line != last)
            out += line;
        last = line;
    }
    return out;
}

std::string ExpectedRead()
{
    std::string v = "PROGRAM\n";
    for (int ch = 1; ch <= 16; ++ch)
        v += "READ 0 " + std::to_string(ch) + "\n";
    return v + "READ 5 0\n";
}

std::string ExpectedWrite()
{
    std::string v = "PROGRAM\n";
    for (int ch = 1; ch <= 16; ++ch)
        v += "WRITE 0 " + std::to_string(ch) + "\n";
    // Then everything is read back.
    v += "WRITE 5 0\nPROGRAM\n";
    for (int ch = 1; ch <= 16; ++ch)
        v += "READ 0 " + std::to_string(ch) + "\n";
    return v + "READ 5 0\n";
}

sim::Block Payload(const memory::ChannelRow &row)
{
    protocol::ByteBuffer frame{};
    tonvar::test::EncodeChannelBlock(row, frame);
    sim::Block b{};
    std::copy(frame.begin() + 4, frame.begin() + 32, b.begin());
    return b;
}

memory::ChannelRow NewRow(const std::string &rx, const std::string &decode = "NONE", const std::string &encode = "NONE")
{
    return {"",      rx,     rx,     decode, encode, "HIGH", "WIDE", "YES",
            "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1",    "NONE"};
}

struct Desktop : ::testing::Test {
    static inline std::unique_ptr<desktop::XServer> x;
    QTemporaryDir home;
    sim::RadioSimulator radio{false};
    std::unique_ptr<desktop::App> app;
    std::string main;
    std::unique_ptr<test::OpenWatch> watch; // the tool's opens of the radio's device

    static void SetUpTestSuite() { x = std::make_unique<desktop::XServer>(); }
    static void TearDownTestSuite() { x.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        radio.Start();
        app = std::make_unique<desktop::App>(*x, home.path().toStdString());
        main = app->WaitForWindow(kMain);
        ASSERT_FALSE(main.empty()) << "the main window never appeared; " << Log();
        watch = std::make_unique<test::OpenWatch>(radio.DevicePath());
        ASSERT_TRUE(watch->Ok());
        ConnectToTheRadio();
    }
    void TearDown() override
    {
        app.reset();
        radio.Stop();
    }

    std::string Log() const
    {
        std::ifstream in(home.filePath(QStringLiteral("tonvar.log")).toStdString());
        std::stringstream s;
        s << in.rdbuf();
        return "application output:\n" + s.str();
    }

    // The screen as it is, saved for the failure report where ImageMagick is
    // installed.
    std::string Screenshot() const
    {
        const std::string path = QDir::tempPath().toStdString() + "/tonvar-desktop-" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png";
        const desktop::Result r = desktop::Run({"import", "-display", x->Display(), "-window", "root", path}, {});
        return r.status == 0 ? "\nscreenshot: " + path : std::string();
    }

    // Port > Device Path..., the radio's device typed in.
    void ConnectToTheRadio() { ConnectTo(radio.DevicePath()); }
    void ConnectTo(const std::string &path)
    {
        app->Focus(main);
        app->Keys("alt+p");
        app->Keys("d");
        const std::string dialog = app->WaitForWindow("Device Path");
        ASSERT_FALSE(dialog.empty());
        app->Focus(dialog);
        app->Type(path);
        app->Keys("Return");
        ASSERT_TRUE(Eventually([&] { return app->Windows("Device Path").empty(); }));
        app->Focus(main);
    }

    // The message box a session ends with (titled like the main window),
    // closed with Enter.
    void CloseTheMessage()
    {
        const std::string box = app->WaitForWindow(kMain, 30s, 2);
        ASSERT_FALSE(box.empty()) << Summary(radio.Log()) << Log() << Screenshot();
        app->Focus(box);
        app->Keys("Return");
        ASSERT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; }));
        app->Focus(main);
    }

    // File > the item with that key, a path typed into the dialog with that
    // title, and the dialog gone.
    void ThroughFileDialog(const char *key, const std::string &title, const std::string &path)
    {
        app->Focus(main);
        app->Keys("alt+f");
        app->Keys(key);
        const std::string dialog = app->WaitForWindow(title);
        ASSERT_FALSE(dialog.empty()) << title << Log() << Screenshot();
        app->Focus(dialog);
        app->Type(path);
        app->Keys("Return");
        ASSERT_TRUE(Eventually([&] { return app->Windows(title).empty(); }));
    }

    // File > Save...; the file as it was saved.
    void SaveAs(const std::string &path, memory::ChannelTable &table, memory::SettingsTexts &settings)
    {
        ThroughFileDialog("s", "Save Channel File", path);
        ASSERT_TRUE(Eventually([&] { return std::ifstream(path).good(); }));
        files::LoadChannelFile(table, settings, path);
    }

    void OpenFile(const std::string &path) { ThroughFileDialog("o", "Open Channel File", path); }

    // Closes the main window as its close button does, and waits for the
    // application to end. The request is repeated (as a user clicks again)
    // should the first one come while the application is still busy with
    // the keys before it.
    // Changes not saved are discarded when the window asks.
    void CloseAndWait()
    {
        int status = -1;
        std::string shot;
        for (int attempt = 0; attempt < 6 && status == -1; ++attempt) {
            const bool last = attempt == 5;
            app->Close(main);
            status = app->WaitForExit(5s, false);
            if (status == -1 && app->Windows(kMain).size() == 2) {
                const std::string prompt = app->Windows(kMain).back();
                app->Focus(prompt);
                app->Keys("alt+d");
                status = app->WaitForExit(5s, false);
            }
            if (status == -1 && last) {
                shot = Screenshot();
                status = app->WaitForExit(1s, true); // says where it hangs
            }
        }
        EXPECT_EQ(status, 0) << Log() << shot;
    }

    // Signalling > the window with that key; the window is moved off the
    // main window (nothing else places windows here).
    std::string ShowSignallingWindow(const char *key, const char *caption)
    {
        app->Focus(main);
        app->Keys("alt+s");
        app->Keys(key);
        const std::string w = app->WaitForWindow(caption);
        if (!w.empty())
            app->Move(w, 870, 0);
        app->Focus(main);
        return w;
    }

    // Clicks into the table and goes to the receive frequency of channel 1.
    void GoToTheFirstChannel()
    {
        app->Focus(main);
        app->Click(main, 300, 250);
        app->Keys("ctrl+Home");
        app->Keys("Right");
    }
};

} // namespace

TEST_F(Desktop, F11ReadsTheRadioWithOneOpenAndOneHandshake)
{
    radio.SetBlock(0, 1, Payload(NewRow("145.50000", "67.0", "023N")));
    radio.SetBlock(0, 16, Payload(NewRow("446.00625")));
    app->Keys("F11");
    CloseTheMessage();
    EXPECT_EQ(Summary(radio.Log()), ExpectedRead());
    EXPECT_EQ(watch->Opens(), 1);

    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("read.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Row(1), (memory::ChannelRow{"1", "145.50000", "145.50000", "67.0", "023N", "HIGH", "WIDE", "YES",
                                                "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1", "NONE"}));
    EXPECT_EQ(table.Cell(16, 1), "446.00625");
    EXPECT_EQ(table.Cell(2, 1), " ") << "an empty channel is saved empty";
}

// A radio slower than the resend that ignores what comes while it answers,
// an answer split by a pause and one with a line error: the file saved after
// F11 holds exactly what the radio holds.
TEST_F(Desktop, F11ReadsASlowRadioWithSplitAndCorruptAnswersWhole)
{
    for (int ch = 1; ch <= 16; ++ch)
        radio.SetBlock(0, ch, Payload(NewRow(std::to_string(440 + ch) + ".12500")));
    sim::Faults faults;
    faults.answerDelayMs = 320;
    faults.deaf = true;
    faults.splitAnswer = 5;
    faults.splitAfter = 6;
    faults.badChecksumAnswer = 9;
    radio.SetFaults(faults);
    app->Keys("F11");
    CloseTheMessage();
    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("slow.wh")).toStdString(), table, settings);
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(table.Cell(ch, 1), std::to_string(440 + ch) + ".12500") << "channel " << ch;
}

TEST_F(Desktop, TypedValuesAreKeptAndF12WritesThemOnceAndReadsThemBack)
{
    // Channel 1: RX, then tones typed short ("5" is 5.0, never a completed
    // "503N"); channel 2 likewise with "15" and "7i"; channel 3 with "2".
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    app->Keys("Right Right");
    app->Type("5");
    app->Keys("Return");
    app->Keys("Right");
    app->Type("7i");
    app->Keys("Return");
    app->Keys("Down Left Left Left");
    app->Type("146");
    app->Keys("Return");
    app->Keys("Right Right");
    app->Type("15");
    app->Keys("Return");
    app->Keys("Right");
    app->Type("2");
    app->Keys("Return");
    // Tab leaves the table for the port selector, then "TOT": 12 typed
    // stays 12 (no "120"). Shift+Tab twice comes back to the table, where
    // the arrows move between cells again.
    app->Keys("Tab Tab");
    app->Keys("ctrl+a");
    app->Type("12");
    app->Keys("shift+Tab shift+Tab");
    app->Keys("Down Left Left Left");
    app->Type("147");
    app->Keys("Return");

    // The radio is read (and backed up) first and the changes shown. Typed
    // into a fresh window, so Return cancels: nothing is written.
    app->Keys("F12");
    std::string preview = app->WaitForWindow("Write", 30s);
    ASSERT_FALSE(preview.empty()) << Summary(radio.Log()) << Log() << Screenshot();
    app->Focus(preview);
    app->Keys("Return");
    ASSERT_TRUE(Eventually([&] { return app->Windows("Write").empty(); }));
    app->Focus(main);
    EXPECT_EQ(Summary(radio.Log()).find("WRITE"), std::string::npos) << Summary(radio.Log());
    EXPECT_EQ(app->Windows(kMain).size(), 1u) << "no message after a cancelled preview";
    // Again, and Alt+W writes.
    radio.ClearLog();
    app->Keys("F12");
    preview = app->WaitForWindow("Write", 30s);
    ASSERT_FALSE(preview.empty()) << Summary(radio.Log()) << Log() << Screenshot();
    app->Focus(preview);
    app->Keys("alt+w");
    ASSERT_TRUE(Eventually([&] { return app->Windows("Write").empty(); }));
    CloseTheMessage();
    const std::string said = Summary(radio.Log());
    const std::string write = ExpectedWrite();
    ASSERT_GT(said.size(), write.size());
    EXPECT_EQ(said.substr(said.size() - write.size()), write) << "the read before the write, then the write";
    EXPECT_EQ(watch->Opens(), 4) << "each read before a write's, then the write's and its read-back's";

    EXPECT_EQ(radio.GetBlock(0, 1), Payload(NewRow("145.50000", "5.0", "007I")));
    EXPECT_EQ(radio.GetBlock(0, 2), Payload(NewRow("146.00000", "15.0", "2.0")));
    EXPECT_EQ(radio.GetBlock(0, 3), Payload(NewRow("147.00000")));
    protocol::ByteBuffer frame{};
    const sim::Block settings = radio.GetBlock(5, 0);
    std::copy(settings.begin(), settings.end(), frame.begin() + 4);
    memory::SettingsTexts decoded = memory::DefaultSettingsTexts();
    tonvar::test::DecodeSettingsBlock(frame, decoded);
    EXPECT_EQ(decoded.Box(4), "12");
}

TEST_F(Desktop, AnEditInProgressSurvivesBytesArrivingOnTheOpenPort)
{
    // Showing a signalling window needs no port; its Read opens the port and
    // leaves it open for the signalling windows, the main window usable.
    const std::string dtmf = ShowSignallingWindow("d", "DTMF");
    ASSERT_FALSE(dtmf.empty());
    EXPECT_EQ(watch->Opens(), 0);
    app->Focus(dtmf);
    app->Keys("alt+r");
    ASSERT_TRUE(Eventually([&] { return Summary(radio.Log()).find("READ 1 3") != std::string::npos; }, 30s))
        << Summary(radio.Log()) << Log() << Screenshot();
    GoToTheFirstChannel();
    app->Type("146.5");
    // A frame marked for acknowledgement: the tool answers it with an Ack,
    // so its arrival shows in the radio's log. It is sent again each second
    // until then, in case the first came while the read still ran.
    sim::Bytes marked(34, 0);
    marked[0] = 0x57;
    marked[1] = 5;
    marked[3] = 0x20;
    marked[5] = 0x30;
    auto sent = std::chrono::steady_clock::time_point{};
    ASSERT_TRUE(Eventually(
        [&] {
            if (Summary(radio.Log()).find("ACK") != std::string::npos)
                return true;
            if (std::chrono::steady_clock::now() - sent > 1s) {
                radio.Inject(marked);
                sent = std::chrono::steady_clock::now();
            }
            return false;
        },
        30s))
        << Summary(radio.Log());
    EXPECT_EQ(watch->Opens(), 1);
    app->Type("2");
    app->Keys("Return");

    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("edit.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Cell(1, 1), "146.52000");
}

TEST_F(Desktop, CtrlZUndoesATypedCellAndCtrlYRedoesIt)
{
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    app->Type("146");
    app->Keys("Return");
    app->Keys("ctrl+z");

    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("undone.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Row(1), (memory::ChannelRow{"1", "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                                                "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1", "NONE"}))
        << Log() << Screenshot();

    app->Focus(main); // back from the file dialog
    app->Keys("ctrl+z");
    SaveAs(home.filePath(QStringLiteral("empty.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Cell(1, 1), " ") << "the row typed first is gone";

    app->Focus(main);
    app->Keys("ctrl+y");
    app->Keys("ctrl+shift+z");
    SaveAs(home.filePath(QStringLiteral("redone.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Cell(1, 1), "146.00000");
    EXPECT_EQ(table.Cell(1, 2), "145.50000") << "a later RX leaves TX as the row's first one";
}

TEST_F(Desktop, EveryWindowIsTitledExactlyWithItsCaption)
{
    EXPECT_EQ(app->Title(main), kMain);
    const std::pair<const char *, const char *> windows[] = {
        {"d", "DTMF"}, {"2", "2TONE"}, {"5", "5TONE"}, {"f", "FleetSync"}};
    for (const auto &[key, caption] : windows) {
        const std::string w = ShowSignallingWindow(key, caption);
        ASSERT_FALSE(w.empty()) << caption;
        EXPECT_EQ(app->Title(w), caption);
    }
}

TEST_F(Desktop, ClosingWithATableEditorOpenEndsCleanly)
{
    ShowSignallingWindow("2", "2TONE");
    GoToTheFirstChannel();
    app->Type("14");
    CloseAndWait();
}

TEST_F(Desktop, ClosingWithASignallingEditorOpenEndsCleanly)
{
    const std::string tone = ShowSignallingWindow("2", "2TONE");
    ASSERT_FALSE(tone.empty());
    app->Focus(tone);
    app->Click(tone, 110, 104); // Decode1 of the first row
    app->Keys("F2");
    CloseAndWait();
}

TEST_F(Desktop, AnOpenErrorClosedWithEnterStartsNothingMore)
{
    // A file is no serial port: the tool opens it, sees that, and refuses.
    const std::string notAPort = home.filePath(QStringLiteral("not-a-port")).toStdString();
    std::ofstream(notAPort) << "x";
    test::OpenWatch fileOpens(notAPort);
    ASSERT_TRUE(fileOpens.Ok());
    ConnectTo(notAPort);
    app->Keys("F11");
    CloseTheMessage(); // the error box, closed with Enter
    // Showing a signalling window tries no port; its Read tries once more,
    // with a box of its own. A second read started by the same F11 would
    // have come before it.
    const std::string dtmf = ShowSignallingWindow("d", "DTMF");
    ASSERT_FALSE(dtmf.empty());
    EXPECT_EQ(fileOpens.Opens(), 1);
    app->Focus(dtmf);
    app->Keys("alt+r");
    const std::string box = app->WaitForWindow(kMain, 30s, 2);
    ASSERT_FALSE(box.empty()) << Log() << Screenshot();
    app->Focus(box);
    app->Keys("Return");
    ASSERT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; }));
    EXPECT_EQ(fileOpens.Opens(), 2);
    EXPECT_TRUE(radio.Log().empty());
}

// A file that is not a channel file is refused whole: the table stays as it
// was, and the box says why.
TEST_F(Desktop, OpeningASemicolonOrABinaryFileLeavesTheTableAsItWas)
{
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    std::string text = files::ChannelFileText(memory::ChannelTable{}, memory::DefaultSettingsTexts());
    std::replace(text.begin(), text.end(), ',', ';');
    const std::string semicolons = home.filePath(QStringLiteral("semicolons.wh")).toStdString();
    std::ofstream(semicolons, std::ios::binary) << text;
    const std::string binary = home.filePath(QStringLiteral("binary.wh")).toStdString();
    std::ofstream(binary, std::ios::binary) << std::string("\x7f"
                                                           "ELF\x02\x01\x01\0\0\0",
                                                           10)
                                            << std::string(300, '\0');
    for (const std::string &file : {semicolons, binary}) {
        OpenFile(file);
        CloseTheMessage();
    }
    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("kept.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Cell(1, 1), "145.50000") << Log() << Screenshot();
    EXPECT_EQ(table.Cell(2, 0), "2");
}

// Quitting with changes not saved asks first: Cancel keeps the window, Save
// saves them and quits, Discard quits without them.
TEST_F(Desktop, QuittingWithChangesNotSavedAsksToSaveThem)
{
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    const auto prompt = [&] {
        const std::string box = app->WaitForWindow(kMain, 20s, 2);
        EXPECT_FALSE(box.empty()) << Log() << Screenshot();
        app->Focus(box);
    };
    app->Focus(main);
    app->Keys("ctrl+q");
    prompt();
    app->Keys("Escape");
    ASSERT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; }));
    EXPECT_TRUE(app->Running());

    app->Focus(main);
    app->Keys("ctrl+q");
    prompt();
    app->Keys("alt+s");
    const std::string dialog = app->WaitForWindow("Save Channel File");
    ASSERT_FALSE(dialog.empty()) << Log() << Screenshot();
    app->Focus(dialog);
    const std::string path = home.filePath(QStringLiteral("kept-on-quit.wh")).toStdString();
    app->Type(path);
    app->Keys("Return");
    EXPECT_EQ(app->WaitForExit(20s), 0) << Log();
    memory::ChannelTable table;
    memory::SettingsTexts settings;
    files::LoadChannelFile(table, settings, path);
    EXPECT_EQ(table.Cell(1, 1), "145.50000");
}

TEST_F(Desktop, ClosingWithChangesCanDiscardThem)
{
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    // The close request is repeated should the first come while the keys
    // before it are still being handled.
    std::string box;
    for (int attempt = 0; attempt < 4 && box.empty(); ++attempt) {
        app->Close(main);
        box = app->WaitForWindow(kMain, 5s, 2);
    }
    ASSERT_FALSE(box.empty()) << Log() << Screenshot();
    app->Focus(box);
    app->Keys("alt+d");
    EXPECT_EQ(app->WaitForExit(20s), 0) << Log();
}

// The progress dialog takes the keyboard: Escape is Cancel, Tab moves to
// Cancel and Space presses it; then a read goes through.
TEST_F(Desktop, TheProgressDialogIsLeftWithTheKeyboard)
{
    sim::Faults silent;
    silent.silent = true;
    radio.SetFaults(silent);
    for (const char *keys : {"Escape", "Tab space"}) {
        app->Focus(main);
        app->Keys("F11");
        ASSERT_FALSE(app->WaitForWindow("Progress").empty()) << Log() << Screenshot();
        ASSERT_TRUE(Eventually([&] { return !radio.Log().empty(); }));
        app->Keys(keys); // to the window with the focus, which is the dialog
        EXPECT_TRUE(Eventually([&] { return app->Windows("Progress").empty(); })) << keys << Screenshot();
        radio.ClearLog();
    }
    radio.SetFaults({});
    app->Focus(main);
    app->Keys("F11");
    CloseTheMessage();
    EXPECT_EQ(Summary(radio.Log()), ExpectedRead());
}

// Under a window manager, an error box comes up above the always-on-top
// progress dialog, with the keyboard: Enter closes it without a click.
struct ManagedDesktop : Desktop {
    static void SetUpTestSuite()
    {
        Desktop::SetUpTestSuite();
        managed = x->StartWindowManager();
    }
    static inline bool managed = false;
};

TEST_F(ManagedDesktop, AnErrorBoxTakesTheKeyboardAndLeavesNoDialogBehind)
{
    if (!managed)
        GTEST_SKIP() << "no window manager (openbox) installed";
    const std::string notAPort = home.filePath(QStringLiteral("not-a-port")).toStdString();
    std::ofstream(notAPort) << "x";
    ConnectTo(notAPort);
    app->Keys("F11");
    const std::string box = app->WaitForWindow(kMain, 20s, 2);
    ASSERT_FALSE(box.empty()) << Log() << Screenshot();
    app->Keys("Return"); // no focus given: the box has it
    EXPECT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; })) << Screenshot();
    // The read never started: no progress dialog is left over the window.
    EXPECT_TRUE(app->Windows("Progress").empty()) << Screenshot();
    // And the window takes the next command: F11 again shows the error again.
    app->Keys("F11");
    EXPECT_FALSE(app->WaitForWindow(kMain, 20s, 2).empty()) << Screenshot();
    app->Keys("Return");
    EXPECT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; })) << Screenshot();
}

// Channels 4, 6 and 10 exported to CSV and imported again stay where they
// were.
TEST_F(Desktop, SparseChannelsComeBackFromCsvWhereTheyWere)
{
    GoToTheFirstChannel();
    const std::pair<const char *, const char *> typed[] = {
        {"Down Down Down", "145.5"}, {"Down Down", "146"}, {"Down Down Down Down", "446.1"}};
    for (const auto &[moves, text] : typed) {
        app->Keys(moves);
        app->Type(text);
        app->Keys("Return");
    }
    const std::string csv = home.filePath(QStringLiteral("sparse.csv")).toStdString();
    ThroughFileDialog("e", "Export CSV File", csv);
    ThroughFileDialog("i", "Import CSV File", csv);
    CloseTheMessage(); // the import's report
    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("sparse.wh")).toStdString(), table, settings);
    for (int ch = 1; ch <= 16; ++ch) {
        const std::string rx = ch == 4 ? "145.50000" : ch == 6 ? "146.00000" : ch == 10 ? "446.10000" : " ";
        EXPECT_EQ(table.Cell(ch, 1), rx) << "channel " << ch << Screenshot();
        EXPECT_EQ(table.Cell(ch, 0), std::to_string(ch));
    }
}

// A file given on the command line, as a file manager gives it, opens as the
// window starts: a channel file, a radio image, a CSV list, each by what it
// holds; a second file is refused.
TEST_F(Desktop, AFileGivenOnTheCommandLineOpensAsTheWindowStarts)
{
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    for (int ch = 0; ch <= 16; ++ch)
        table.SetCell(ch, 0, ch == 0 ? "Ch No." : std::to_string(ch));
    table.Row(3) = test::TypedChannel(3, "145.50000", "145.50000", "NONE", "NONE");
    const std::string channelFile = home.filePath(QStringLiteral("given.wh")).toStdString();
    files::SaveChannelFile(table, settings, channelFile);
    files::RadioImage image;
    table.Row(3) = test::TypedChannel(3, "146.00000", "146.00000", "NONE", "NONE");
    signalling::ChannelsToImage(table, settings, image);
    const std::string imageFile = home.filePath(QStringLiteral("given-image")).toStdString();
    files::SaveRadioImage(image, imageFile);
    const std::string csvFile = home.filePath(QStringLiteral("given.csv")).toStdString();
    std::ofstream(csvFile) << "Location,Frequency\r\n3,147.5\r\n";

    for (const auto &[file, rx] : std::vector<std::pair<std::string, std::string>>{
             {channelFile, "145.50000"}, {imageFile, "146.00000"}, {csvFile, "147.50000"}}) {
        app.reset();
        app = std::make_unique<desktop::App>(*x, home.path().toStdString(), std::vector<std::string>{file});
        // The import's report may come up with the window: the window is the oldest.
        ASSERT_FALSE(app->WaitForWindow(kMain, 20s, file == csvFile ? 2 : 1).empty()) << Log() << Screenshot();
        main = app->Windows(kMain).front();
        if (file == csvFile)
            CloseTheMessage();
        memory::ChannelTable saved;
        memory::SettingsTexts savedSettings;
        const std::string copy = file + "-saved.wh";
        SaveAs(copy, saved, savedSettings);
        EXPECT_EQ(saved.Cell(3, 1), rx) << file << Log() << Screenshot();
        EXPECT_EQ(saved.Cell(4, 1), " ") << file;
    }
    const desktop::Result twice = desktop::Run({TONVAR_BINARY, channelFile, csvFile}, {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(twice.status, 1);
}

// In a cell editor the arrow keys commit and move, as in a spreadsheet:
// Right at the end of the text, Down at any place.
TEST_F(Desktop, ArrowKeysInACellCommitAndMove)
{
    GoToTheFirstChannel();
    app->Type("146.52");
    app->Keys("Right");
    app->Type("146.0");
    app->Keys("Down");
    app->Keys("Left");
    app->Type("147");
    app->Keys("Return");
    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("arrows.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Cell(1, 1), "146.52000") << Log() << Screenshot();
    EXPECT_EQ(table.Cell(1, 2), "146.00000");
    EXPECT_EQ(table.Cell(2, 1), "147.00000");
}

// Compare with Radio: the radio holds an image; the window holds an image
// opened from a file whose TOT and DTMF ID code the radio does not hold,
// with two cells typed over. F9 lists the four differences and writes
// nothing; F8 goes to each in turn, where the radio's value typed in and F9
// again leaves one fewer, until the radio holds what the window shows.
TEST_F(Desktop, CompareWithRadioFindsEachDifferenceWhereF8GoesToIt)
{
    files::RadioImage image = test::ThreeChannelRadio("120", "101");
    const std::string opened = home.filePath(QStringLiteral("window.radio")).toStdString();
    files::SaveRadioImage(image, opened);
    signalling::SetImageField(image, "Settings, TOT", "60");
    signalling::SetImageField(image, "DTMF, ID Code", "102");
    std::vector<sim::Block> held;
    for (const files::ImageBlock b : files::ImageBlocks()) {
        sim::Block block{};
        std::copy(image.At(b).begin(), image.At(b).end(), block.begin());
        ASSERT_TRUE(radio.SetBlock(b.area, b.number, block));
        held.push_back(block);
    }
    const auto radioUnchanged = [&] {
        std::size_t i = 0;
        for (const files::ImageBlock b : files::ImageBlocks())
            EXPECT_EQ(radio.GetBlock(b.area, b.number), held[i++]) << int{b.area} << "/" << int{b.number};
        EXPECT_EQ(Summary(radio.Log()).find("WRITE"), std::string::npos) << Summary(radio.Log());
    };

    ThroughFileDialog("g", "Open Radio Image", opened);
    ASSERT_FALSE(ShowSignallingWindow("d", "DTMF").empty());
    GoToTheFirstChannel();
    app->Keys("Down");
    app->Type("146.5");
    app->Keys("Return");
    app->Keys("Down Right");
    app->Type("147.125");
    app->Keys("Return");

    const std::string title = "Differences from the Radio";
    const auto compareAndCount = [&](const std::string &count) {
        app->Keys("F9");
        EXPECT_FALSE(app->WaitForWindow(title + " (" + count + ")", 30s).empty())
            << count << ": " << app->Xdo({"search", "--name", title, "getwindowname", "%@"}).out << Log()
            << Screenshot();
        EXPECT_TRUE(Eventually([&] { return app->Windows("Progress").empty(); }));
    };
    compareAndCount("4");
    EXPECT_NE(Summary(radio.Log()).find("READ 1 3"), std::string::npos) << "the open DTMF window's area is read";
    radioUnchanged();

    // Each difference: F8 from the main window goes to it, the radio's value
    // typed there, compared again.
    const std::pair<const char *, const char *> fixes[] = {
        {"146", "3"}, {"147", "2"}, {"60", "1"}, {"102", "none"}};
    for (const auto &[value, left] : fixes) {
        app->Focus(main);
        app->Keys("F8");
        if (std::string(value) == "60" || std::string(value) == "102")
            app->Keys("ctrl+a");
        app->Type(value);
        app->Keys("Return");
        compareAndCount(left);
    }
    radioUnchanged();
}

// View > All Columns from the keyboard: the arrow keys reach the Scrambler
// column (12), which the usual layout hides, a value is chosen from its
// list, and the channel is saved with it.
TEST_F(Desktop, AllColumnsBringsTheScramblerToEditAndSave)
{
    app->Focus(main);
    app->Keys("alt+v");
    app->Keys("a");
    GoToTheFirstChannel();
    app->Type("145.5");
    app->Keys("Return");
    app->Keys("Right Right Right Right Right Right Right Right Right Right Right"); // column 1 to 12
    app->Keys("F2");
    app->Keys("Down Down Down"); // NONE, 1, 2, 3
    app->Keys("Return");

    memory::ChannelTable table;
    memory::SettingsTexts settings;
    SaveAs(home.filePath(QStringLiteral("scrambled.wh")).toStdString(), table, settings);
    EXPECT_EQ(table.Row(1), (memory::ChannelRow{"1", "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                                                "25000", "NONE", "NONE", "NONE", "3", "DTMF", "1", "NONE"}))
        << Log() << Screenshot();
    for (int ch = 2; ch <= 16; ++ch)
        EXPECT_EQ(table.Cell(ch, 1), " ") << ch;
}

namespace {

// The application alone on a screen of its own, with a window manager where
// one is installed, and an environment of its own.
struct OwnScreen {
    OwnScreen(const std::string &screen, const std::vector<std::string> &environment,
              const std::function<void(const QString &home)> &prepare = {})
        : x(screen)
    {
        managed = x.StartWindowManager();
        if (prepare)
            prepare(home.path());
        app = std::make_unique<desktop::App>(x, home.path().toStdString(), std::vector<std::string>{}, environment);
        main = app->WaitForWindow(kMain, 30s);
    }
    std::string Log() const
    {
        std::ifstream in(home.filePath(QStringLiteral("tonvar.log")).toStdString());
        std::stringstream s;
        s << in.rdbuf();
        return "application output:\n" + s.str();
    }
    desktop::XServer x;
    bool managed = false;
    QTemporaryDir home;
    std::unique_ptr<desktop::App> app;
    std::string main;
};

} // namespace

// At twice the scale a 1280 x 800 screen is 640 x 400: the main window, its
// frame and title bar included, lies on the screen.
TEST(ScaledDesktop, TheMainWindowLiesOnA1280x800ScreenAtTwiceTheScale)
{
    OwnScreen s("1280x800x24", {"QT_SCALE_FACTOR=2"});
    if (!s.managed)
        GTEST_SKIP() << "no window manager (openbox) installed";
    ASSERT_FALSE(s.main.empty()) << "the main window never appeared; " << s.Log();
    desktop::App::Placement p;
    const auto inside = [&] {
        p = s.app->Place(s.main);
        return p.width > 0 && p.top > 0 && p.x - p.left >= 0 && p.y - p.top >= 0 &&
               p.x + p.width + p.right <= 1280 && p.y + p.height + p.bottom <= 800;
    };
    EXPECT_TRUE(Eventually(inside))
        << "window " << p.width << "x" << p.height << " at " << p.x << "," << p.y << ", frame " << p.left << " "
        << p.right << " " << p.top << " " << p.bottom << "; " << s.Log();
    EXPECT_GE(p.width, 1280 / 2) << "the window makes use of the screen";
}

// Under a dark desktop palette (a KDE colour scheme, read by Qt itself) the
// top of the table, its header and first rows, is dark with light text: no
// light colour of the window's own.
TEST(DarkDesktop, TheTableHeaderFollowsADarkPalette)
{
    const auto writeScheme = [](const QString &home) {
        QDir(home).mkpath(QStringLiteral(".config"));
        std::ofstream kde(QDir(home).filePath(QStringLiteral(".config/kdeglobals")).toStdString());
        kde << "[Colors:Window]\nBackgroundNormal=42,46,50\nForegroundNormal=239,240,241\n"
               "[Colors:View]\nBackgroundNormal=27,30,32\nBackgroundAlternate=35,38,41\nForegroundNormal=239,240,241\n"
               "[Colors:Button]\nBackgroundNormal=49,54,59\nForegroundNormal=239,240,241\n"
               "[Colors:Selection]\nBackgroundNormal=61,174,233\nForegroundNormal=252,252,252\n"
               "[Colors:Tooltip]\nBackgroundNormal=49,54,59\nForegroundNormal=239,240,241\n";
    };
    OwnScreen s("1280x1024x24",
                {"QT_QPA_PLATFORMTHEME=kde", "KDE_SESSION_VERSION=5", "KDE_FULL_SESSION=true", "QT_SCALE_FACTOR=1"},
                writeScheme);
    ASSERT_FALSE(s.main.empty()) << "the main window never appeared; " << s.Log();
    // The table's top, right of the channel numbers: the menu bar, the
    // header and the first rows.
    constexpr int kLeft = 60, kWidth = 540, kHeight = 150;
    const auto grey = [](std::uint32_t rgb) {
        return (0.2126 * ((rgb >> 16) & 0xFF) + 0.7152 * ((rgb >> 8) & 0xFF) + 0.0722 * (rgb & 0xFF)) / 255.0;
    };
    std::vector<std::uint32_t> pixels;
    // Painted once some text shows: light pixels on the dark ground.
    const bool painted = Eventually([&] {
        pixels = s.app->Pixels(s.main, kLeft, 0, kWidth, kHeight);
        return std::any_of(pixels.begin(), pixels.end(), [&](std::uint32_t p) { return grey(p) > 0.8; });
    });
    ASSERT_TRUE(painted) << s.Log();
    for (int y = 0; y < kHeight; ++y) {
        double sum = 0;
        for (int x = 0; x < kWidth; ++x)
            sum += grey(pixels[static_cast<std::size_t>(y * kWidth + x)]);
        EXPECT_LT(sum / kWidth, 0.45) << "pixel row " << y << " is light";
    }
}

// One TX Power cell copied, channels 8 to 15 chosen with Shift+Down and the
// cell pasted into them: every channel in use there takes it, the empty
// channel 15 stays empty, and Ctrl+S saves it. File > New asks first while
// the paste is not saved (Escape keeps everything); once saved, it empties
// the table and puts back the settings of a fresh window.
TEST_F(Desktop, OneCellPastedIntoChannelsEightToFifteenIsSavedAndNewAsksFirst)
{
    const std::string captions =
        "\"Ch No.\",\"RX Freq\",\"TX Freq\",\"QT/DQT Dec\",QT/DQTEnc,\"TX Power\",W/N,\"Scan Add.\",\"Step Freq\","
        "DTMF1,DTMF2,PTTID,Scrambler,\"PTTID Typ\",\"PTTID NO.\",Compandor\r\n";
    const std::string settings = "NONE\r\n1\r\n0\r\n60\r\nENGLISH\r\nNONE\r\nNONE\r\nOPEN\r\nOPEN\r\n";
    // Channel ch on 144 + ch MHz.
    const auto channel = [](int ch, const std::string &power) {
        const std::string rx = std::to_string(144 + ch) + ".00000";
        return std::to_string(ch) + "," + rx + "," + rx + ",NONE,NONE," + power +
               ",WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE\r\n";
    };
    const std::string emptyChannel15 = "15,,,,,,,,,,,,,,,\r\n";
    std::string given = captions, pasted = captions;
    for (int ch = 1; ch <= 16; ++ch) {
        given += ch == 15 ? emptyChannel15 : channel(ch, ch == 1 ? "LOW" : "HIGH");
        pasted += ch == 15 ? emptyChannel15 : channel(ch, ch == 1 || (ch >= 8 && ch <= 14) ? "LOW" : "HIGH");
    }
    given += settings;
    pasted += settings;
    const std::string file = home.filePath(QStringLiteral("sixteen.wh")).toStdString();
    std::ofstream(file, std::ios::binary) << given;

    app.reset();
    app = std::make_unique<desktop::App>(*x, home.path().toStdString(), std::vector<std::string>{file});
    main = app->WaitForWindow(kMain);
    ASSERT_FALSE(main.empty()) << Log();
    const auto read = [](const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // Ctrl+S, the path typed into the dialog; the file as it was saved.
    const auto save = [&](const char *name) {
        const std::string path = home.filePath(QString::fromLatin1(name)).toStdString();
        app->Focus(main);
        app->Keys("ctrl+s");
        const std::string dialog = app->WaitForWindow("Save Channel File");
        EXPECT_FALSE(dialog.empty()) << Log() << Screenshot();
        app->Focus(dialog);
        app->Type(path);
        app->Keys("Return");
        EXPECT_TRUE(Eventually([&] { return app->Windows("Save Channel File").empty() && read(path).size() > 0; }))
            << Log() << Screenshot();
        return read(path);
    };

    GoToTheFirstChannel();
    app->Keys("Right Right Right Right"); // TX Power of channel 1
    app->Keys("ctrl+c");
    app->Keys("Down Down Down Down Down Down Down");
    app->Keys("shift+Down shift+Down shift+Down shift+Down shift+Down shift+Down shift+Down");
    app->Keys("ctrl+v");

    app->Keys("ctrl+n");
    const std::string question = app->WaitForWindow(kMain, 20s, 2);
    ASSERT_FALSE(question.empty()) << Log() << Screenshot();
    app->Focus(question);
    app->Keys("Escape");
    ASSERT_TRUE(Eventually([&] { return app->Windows(kMain).size() == 1; }));
    EXPECT_EQ(save("pasted.wh"), pasted) << Log() << Screenshot();

    // Saved: nothing to ask, and the table of a fresh window.
    app->Focus(main);
    app->Keys("ctrl+n");
    std::string fresh = captions;
    for (int ch = 1; ch <= 16; ++ch)
        fresh += std::to_string(ch) + ",,,,,,,,,,,,,,,\r\n";
    EXPECT_EQ(save("fresh.wh"), fresh + settings) << Log() << Screenshot();
    EXPECT_EQ(app->Windows(kMain).size(), 1U);
}

// A channel file opened, the application started again, and the file opened
// once more from File > Open Recent by the keyboard (Alt+F, T, 1). The next
// file dialog starts in the folder of that file: a bare name saves there.
TEST_F(Desktop, OpenRecentOpensTheLastFileAgainAfterARestart)
{
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    for (int ch = 0; ch <= 16; ++ch)
        table.SetCell(ch, 0, ch == 0 ? "Ch No." : std::to_string(ch));
    table.Row(2) = test::TypedChannel(2, "145.52500", "145.52500", "NONE", "NONE");
    table.Row(9) = test::TypedChannel(9, "446.09375", "446.09375", "NONE", "NONE");
    QDir(home.path()).mkpath(QStringLiteral("files"));
    const std::string file = home.filePath(QStringLiteral("files/recent.wh")).toStdString();
    files::SaveChannelFile(table, settings, file);
    OpenFile(file);
    CloseAndWait();

    app = std::make_unique<desktop::App>(*x, home.path().toStdString());
    main = app->WaitForWindow(kMain);
    ASSERT_FALSE(main.empty()) << Log();
    app->Focus(main);
    app->Keys("alt+f");
    app->Keys("t");
    app->Keys("1");
    ThroughFileDialog("s", "Save Channel File", "again.wh");
    const std::string saved = home.filePath(QStringLiteral("files/again.wh")).toStdString();
    ASSERT_TRUE(Eventually([&] { return std::ifstream(saved).good(); })) << Log() << Screenshot();
    memory::ChannelTable again;
    memory::SettingsTexts againSettings;
    files::LoadChannelFile(again, againSettings, saved);
    for (int ch = 1; ch <= 16; ++ch)
        EXPECT_EQ(again.Cell(ch, 1), ch == 2 ? "145.52500" : ch == 9 ? "446.09375" : " ") << "channel " << ch;
}

// File > Programming Station... by the keyboard alone: the file, the roster
// and the log typed in, Enter starts, the one radio gets the roster's only
// row, judged by the radio's memory and the log; Escape closes the dialog.
TEST_F(Desktop, TheProgrammingStationProgramsARadioWithTheRostersRow)
{
    files::RadioImage image;
    const sim::Block channel = Payload(NewRow("146.52000"));
    std::copy(channel.begin(), channel.end(), image.At({0, 1}).begin());
    const std::string source = home.filePath(QStringLiteral("fleet.radio")).toStdString();
    files::SaveRadioImage(image, source);
    const std::string roster = home.filePath(QStringLiteral("roster.csv")).toStdString();
    std::ofstream(roster) << "unit,\"FleetSync, Fleet[Own]\",\"FleetSync, ID[Own]\"\nB-7,120,1207\n";
    const std::string log = home.filePath(QStringLiteral("station.log")).toStdString();

    app->Focus(main);
    app->Keys("alt+f");
    app->Keys("p");
    const std::string dialog = app->WaitForWindow("Programming Station");
    ASSERT_FALSE(dialog.empty()) << Log() << Screenshot();
    app->Focus(dialog);
    app->Keys("alt+i");
    app->Type(source);
    app->Keys("alt+r");
    app->Type(roster);
    app->Keys("alt+l");
    app->Type(log);
    app->Keys("Return");

    std::string logged;
    ASSERT_TRUE(Eventually(
        [&] {
            std::ifstream in(log);
            std::getline(in, logged);
            return !logged.empty() && in.good();
        },
        60s))
        << Summary(radio.Log()) << Log() << Screenshot();
    const cli::StationRecord record = cli::ParseRecord(logged);
    EXPECT_EQ(record.result, cli::StationRecord::Result::Programmed) << logged;
    EXPECT_EQ(record.row, 1);
    EXPECT_EQ(record.label, "B-7");

    files::RadioImage held;
    for (const files::ImageBlock block : files::ImageBlocks()) {
        const sim::Block bytes = radio.GetBlock(block.area, block.number);
        std::copy(bytes.begin(), bytes.end(), held.At(block).begin());
    }
    EXPECT_EQ(held.At({0, 1}), image.At({0, 1}));
    EXPECT_EQ(cli::IdsOf(held).fleetSync.value_or("none"), "FleetSync fleet 120 and ID 1207");

    // Escape closes the dialog (pressed again should the first press come
    // while the application is still busy with the radio).
    bool closed = false;
    for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
        app->Focus(dialog);
        app->Keys("Escape");
        closed = Eventually([&] { return app->Windows("Programming Station").empty(); }, 10s);
    }
    ASSERT_TRUE(closed) << Log() << Screenshot();
    CloseAndWait();
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's commands without the window: channel files, CSV lists and
// radio images on the table, the settings and the real undo history, with
// the dialogs answered by the test.
#include "Folders.h"
#include "WindowDocument.h"
#include "app/ChannelFiles.h"
#include "app/CsvTransfer.h"
#include "app/ImageFiles.h"
#include "app/TableUndo.h"
#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "protocol/Frames.h"
#include "signalling/RadioAreas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tonvar;
using namespace tonvar::app;

namespace {

const std::string kCsvList = "Location,Name,Frequency,Mode\r\n1,Home,145.5,FM\r\n";

std::string ReadAll(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct FileCommands : ::testing::Test, test::WindowDocument {
    fs::path folder;
    QString answer; // what every file dialog answers
    ChannelFiles::Unsaved unsaved = ChannelFiles::Unsaved::Cancel;
    int unsavedAsked = 0;
    ChannelFiles files{document, [this](bool) { return answer; },
                       [this] {
                           ++unsavedAsked;
                           return unsaved;
                       }};
    CsvTransfer csv{document, [this](bool) { return answer; }};
    ImageFiles images{document, session, [](int) {}};
    int imageAsked = 0; // image dialogs shown
    std::vector<QString> restoreAsked;
    bool restore = false;

    void SetUp() override
    {
        folder = test::FreshTestFolder("tonvar-files");
        images.choose = [this](const QString &, bool) {
            ++imageAsked;
            return answer;
        };
        images.confirmRestore = [this](const QString &name) {
            restoreAsked.push_back(name);
            return restore;
        };
        session.hub.portName = "ttyUSB0";
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path Write(const std::string &name, const std::string &bytes) const
    {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return folder / name;
    }
    void Answer(const fs::path &path) { answer = QString::fromStdString(path.string()); }
    // A change of the user's, one step of the history, not saved.
    void Edit()
    {
        table.SetCell(3, memory::kColRxFreq, "146.00000");
        history.Record(QStringLiteral("Edit"));
    }
    // An image of the present table and settings whose signalling areas hold
    // bytes no window here shows.
    files::RadioImage ImageWithSignalling() const
    {
        files::RadioImage image;
        signalling::ChannelsToImage(table, settings, image);
        for (const files::ImageBlock block : files::ImageBlocks())
            if (block.area != protocol::kAreaChannels && block.area != protocol::kAreaSettings)
                image.At(block).fill(static_cast<std::uint8_t>(0x40 + block.number));
        return image;
    }
};

struct Command {
    const char *name;
    std::function<void(FileCommands &)> run;
};

const Command kOpenChannelFile{"Open", [](FileCommands &f) { f.files.Open(); }};
const Command kImportCsv{"Import CSV", [](FileCommands &f) { f.csv.Import(); }};
const Command kOpenImage{"Open Radio Image", [](FileCommands &f) { f.images.Open(); }};
const Command kRestore{"Restore Radio", [](FileCommands &f) { f.images.Restore(); }};
const Command kSave{"Save", [](FileCommands &f) { f.files.Save(); }};
const Command kExportCsv{"Export CSV", [](FileCommands &f) { f.csv.Export(); }};
const Command kSaveImage{"Save Radio Image", [](FileCommands &f) { f.images.Save(); }};
const Command kBackUp{"Back Up Radio", [](FileCommands &f) { f.images.BackUp(); }};

} // namespace

// Stopped at a file that cannot be read, a command leaves what the user holds
// as it was: the table, the settings, the undo history and its saved state;
// and nothing is sent to the radio.
TEST_F(FileCommands, AFileThatCannotBeReadChangesNothing)
{
    const std::string channelFile = files::ChannelFileText(table, settings);
    const std::string image = files::RadioImageText(ImageWithSignalling());
    struct Case {
        Command command;
        const char *file; // empty: no file there
        std::string bytes;
    };
    const Case cases[] = {
        {kOpenChannelFile, "", {}},
        {kOpenChannelFile, "image.radio", image},
        {kOpenChannelFile, "list.csv", kCsvList},
        {kOpenChannelFile, "cut.wh", channelFile.substr(0, channelFile.size() / 2)},
        {kImportCsv, "", {}},
        {kImportCsv, "no-frequency.csv", "Location,Name\r\n1,Home\r\n"},
        {kOpenImage, "", {}},
        {kOpenImage, "channels.wh", channelFile},
        {kOpenImage, "cut.radio", image.substr(0, image.size() / 2)},
        {kRestore, "channels.wh", channelFile},
        {kRestore, "cut.radio", image.substr(0, image.size() / 2)},
    };
    Edit();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command.name) + " " + c.file);
        failures.clear();
        messages.clear();
        Answer(*c.file ? Write(c.file, c.bytes) : folder / "missing");
        const TableState before = CaptureState(table, settings);
        c.command.run(*this);
        EXPECT_EQ(failures.size(), 1u);
        EXPECT_TRUE(messages.empty());
        EXPECT_TRUE(CaptureState(table, settings) == before);
        EXPECT_EQ(history.Stack().count(), 1);
        EXPECT_EQ(history.Stack().undoText(), QStringLiteral("Edit"));
        EXPECT_FALSE(history.Saved());
        EXPECT_TRUE(restoreAsked.empty()); // nothing to ask about
        EXPECT_TRUE(port.calls.empty());
    }
}

// No save replaces a file of another kind: the file keeps its bytes, nothing
// is sent to the radio, and what the user holds is still not saved.
TEST_F(FileCommands, NoSaveReplacesAFileOfAnotherKind)
{
    const std::string channelFile = files::ChannelFileText(table, settings);
    const std::string image = files::RadioImageText(ImageWithSignalling());
    const std::string roster = "port,serial\r\nttyUSB0,A1\r\n";
    struct Case {
        Command command;
        const char *file;
        const std::string &bytes;
    };
    const Case cases[] = {
        {kSave, "image.radio", image},      {kSave, "list.csv", kCsvList},
        {kSave, "roster.csv", roster},      {kExportCsv, "channels.wh", channelFile},
        {kExportCsv, "image.radio", image}, {kSaveImage, "channels.wh", channelFile},
        {kSaveImage, "list.csv", kCsvList}, {kBackUp, "channels.wh", channelFile},
        {kBackUp, "list.csv", kCsvList},
    };
    Edit();
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command.name) + " over " + c.file);
        failures.clear();
        const fs::path path = Write(c.file, c.bytes);
        Answer(path);
        c.command.run(*this);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_NE(failures[0].find("so nothing was saved"), std::string::npos) << failures[0];
        EXPECT_EQ(ReadAll(path), c.bytes);
        EXPECT_TRUE(port.calls.empty());
        EXPECT_FALSE(history.Saved());
    }
}

// A channel file opened is one step, undone as one, and what the user then
// holds is saved; saved again, the file has the same bytes.
TEST_F(FileCommands, OpenedAndSavedAChannelFileKeepsItsBytes)
{
    // A file as tonvar saves one it opened.
    memory::ChannelTable other;
    memory::SettingsTexts otherSettings = memory::DefaultSettingsTexts();
    other.SetCell(1, memory::kColRxFreq, "145.50000");
    other.SetCell(16, memory::kColRxFreq, "439.12500");
    otherSettings.Box(4) = "30";
    files::LoadChannelFile(other, otherSettings,
                           Write("made.wh", files::ChannelFileText(other, otherSettings)).string());
    const std::string bytes = files::ChannelFileText(other, otherSettings);
    Edit();
    const TableState edited = CaptureState(table, settings);

    Answer(Write("a.wh", bytes));
    files.Open();
    EXPECT_TRUE(failures.empty());
    EXPECT_TRUE(history.Saved());
    EXPECT_EQ(history.Stack().undoText(), QStringLiteral("Open a.wh"));
    EXPECT_EQ(table.Cell(16, memory::kColRxFreq), "439.12500");
    EXPECT_EQ(settings.Box(4), "30");

    Answer(folder / "b.wh");
    EXPECT_TRUE(files.Save());
    EXPECT_EQ(ReadAll(folder / "b.wh"), bytes);

    history.Undo();
    EXPECT_TRUE(CaptureState(table, settings) == edited);
    EXPECT_FALSE(history.Saved());
}

// Closing with changes not saved: saved, dropped or kept, as the user says.
TEST_F(FileCommands, ClosingWithChangesNotSavedDoesWhatTheUserSays)
{
    using U = ChannelFiles::Unsaved;
    struct Case {
        const char *name;
        bool changed;
        U answer;
        const char *file; // what the save dialog answers; empty: cancelled
        bool closes;
        bool saved; // the file holds the table
    };
    const Case cases[] = {
        {"nothing changed", false, U::Cancel, "", true, false},
        {"discarded", true, U::Discard, "new.wh", true, false},
        {"cancelled", true, U::Cancel, "new.wh", false, false},
        {"save cancelled", true, U::Save, "", false, false},
        {"saved", true, U::Save, "new.wh", true, true},
        {"save over an image", true, U::Save, "image.radio", false, false},
    };
    const std::string image = files::RadioImageText(ImageWithSignalling());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(folder / "new.wh");
        Write("image.radio", image);
        history.MarkSaved();
        if (c.changed)
            table.SetCell(2, memory::kColRxFreq,
                          table.Cell(2, memory::kColRxFreq) == "146.00000" ? "147.00000" : "146.00000");
        history.Record(QStringLiteral("Edit"));
        unsaved = c.answer;
        unsavedAsked = 0;
        answer = *c.file ? QString::fromStdString((folder / c.file).string()) : QString();
        EXPECT_EQ(files.MayClose(), c.closes);
        EXPECT_EQ(unsavedAsked, c.changed ? 1 : 0);
        EXPECT_EQ(fs::exists(folder / "new.wh"), c.saved);
        if (c.saved) {
            EXPECT_EQ(ReadAll(folder / "new.wh"), files::ChannelFileText(table, settings));
        }
        EXPECT_EQ(history.Saved(), !c.changed || c.saved);
        EXPECT_EQ(ReadAll(folder / "image.radio"), image);
    }
}

// A CSV list imported is one step, and the user is told what was taken.
TEST_F(FileCommands, AnImportIsOneStepAndIsReported)
{
    const TableState before = CaptureState(table, settings);
    Answer(Write("list.csv", kCsvList));
    csv.Import();
    EXPECT_TRUE(failures.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find('1'), std::string::npos) << messages[0];
    EXPECT_EQ(table.Cell(1, memory::kColRxFreq), "145.50000");
    EXPECT_EQ(history.Stack().undoText(), QStringLiteral("Import CSV list.csv"));
    history.Undo();
    EXPECT_TRUE(CaptureState(table, settings) == before);
}

// A saved image starts from the last one opened: the bytes of the areas no
// window shows are kept, the table's are what the table holds now.
TEST_F(FileCommands, ASavedImageKeepsTheBytesNoWindowShows)
{
    const files::RadioImage opened = ImageWithSignalling();
    Answer(Write("a.radio", files::RadioImageText(opened)));
    Edit();
    images.Open();
    ASSERT_TRUE(failures.empty()) << failures[0];
    EXPECT_EQ(history.Stack().undoText(), QStringLiteral("Open a.radio"));
    table.Row(5) = {"5",     "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                    "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};

    Answer(folder / "b.radio");
    images.Save();
    ASSERT_TRUE(failures.empty()) << failures[0];
    const files::RadioImage saved = files::LoadRadioImage((folder / "b.radio").string());
    files::RadioImage expected = opened;
    signalling::ChannelsToImage(table, settings, expected);
    EXPECT_TRUE(saved == expected);
    EXPECT_NE(saved.At({protocol::kAreaChannels, 5}), opened.At({protocol::kAreaChannels, 5}));
}

// A restore asks first, naming the image; declined, nothing is sent.
TEST_F(FileCommands, ARestoreDeclinedSendsNothing)
{
    const fs::path path = Write("a.radio", files::RadioImageText(ImageWithSignalling()));
    Answer(path);
    images.Restore();
    EXPECT_TRUE(failures.empty());
    ASSERT_EQ(restoreAsked.size(), 1u);
    EXPECT_EQ(restoreAsked[0], answer);
    EXPECT_TRUE(port.calls.empty());
    EXPECT_FALSE(session.hub.AnyRunning());
}

// While a read or a write runs, backing up, restoring and opening an image
// ask nothing and change nothing.
TEST_F(FileCommands, ImageCommandsWaitForNoSession)
{
    Answer(Write("a.radio", files::RadioImageText(ImageWithSignalling())));
    Edit();
    session.StartRead();
    ASSERT_TRUE(session.hub.AnyRunning());
    const auto calls = port.calls;
    const TableState before = CaptureState(table, settings);
    for (const Command &command : {kBackUp, kRestore, kOpenImage}) {
        SCOPED_TRACE(command.name);
        command.run(*this);
        EXPECT_EQ(imageAsked, 0);
        EXPECT_TRUE(restoreAsked.empty());
        EXPECT_TRUE(failures.empty());
        EXPECT_EQ(port.calls, calls);
        EXPECT_TRUE(CaptureState(table, settings) == before);
        EXPECT_EQ(history.Stack().count(), 1);
    }
}

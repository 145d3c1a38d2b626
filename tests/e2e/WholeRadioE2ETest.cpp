// SPDX-License-Identifier: GPL-3.0-or-later
// File > Back Up Radio and Restore Radio in the main window against the
// simulated radio: one progress dialog over all six areas, Retry and Cancel.
#include "AppFixture.h"
#include "SampleRadio.h"

#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"
#include "signalling/Unit2.h"

#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QPushButton>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>

using namespace tonvar;
using namespace std::chrono_literals;
using test::WaitUntil;

namespace {

struct WholeRadio : test::AppFixture {
    QTemporaryDir dir;
    QString Path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A radio whose every block holds bytes of its own.
    void FillEveryArea()
    {
        test::FillRadio(radio);
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            if (b.area == 0 || b.area == 5)
                continue;
            sim::Block bytes{};
            for (std::size_t k = 0; k < bytes.size(); ++k)
                bytes[k] = static_cast<std::uint8_t>(static_cast<std::size_t>(b.area * 16 + b.number) + k);
            radio.SetBlock(b.area, b.number, bytes);
        }
    }
    bool Idle() const
    {
        return form->rbtn->isEnabled() && form->wbtn->isEnabled() && form->isEnabled() && !form->Comm1.IsOpen() &&
               !windows->Form3->isVisible();
    }
};

} // namespace

TEST_F(WholeRadio, ABackupRestoredIntoABlankRadioGivesItEveryBlockAndLeavesTheTableAlone)
{
    FillEveryArea();
    const auto tableBefore = form->table.Row(3);
    form->ChooseImageFile = [&](bool save) { return Path(save ? "backup.radio" : "backup.radio"); };
    // No dialog of the session that ended stays over its message.
    QList<bool> dialogUnderMessage;
    app::SetMessageSink([&](const QString &text) {
        messages << text;
        dialogUnderMessage << windows->Form3->isVisible();
    });
    form->BackUpRadioClick();
    EXPECT_TRUE(windows->Form3->isVisible());
    EXPECT_EQ(windows->Form3->ProgressBar1->maximum(), 52);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(messages.value(0).toStdString(),
              "The radio was backed up to " + Path("backup.radio").toStdString() + ".");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(form->table.Row(3), tableBefore) << "the table is not changed";
    const files::RadioImage image = files::LoadRadioImage(Path("backup.radio").toStdString());
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        const sim::Block held = radio.GetBlock(b.area, b.number);
        EXPECT_TRUE(std::equal(held.begin(), held.end(), image.At(b).begin())) << files::ImageBlockName(b);
    }

    // The same radio, emptied, gets it all back; a refusal of the preview
    // (the radio read first) writes nothing.
    for (const files::ImageBlock &b : files::ImageBlocks())
        radio.SetBlock(b.area, b.number, sim::Block{});
    messages.clear();
    const std::size_t seen = radio.Log().size();
    writeAnswer = false;
    form->RestoreRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return questions.size() == 1 && Idle(); }, 60s));
    EXPECT_TRUE(questions.back().cancelDefault) << "a restore replaces every area";
    EXPECT_EQ(questions.back().title, QStringLiteral("Restore Radio"));
    const auto log = radio.Log();
    EXPECT_TRUE(std::none_of(log.begin() + static_cast<std::ptrdiff_t>(seen), log.end(),
                             [](const sim::LogEntry &e) { return e.kind == sim::LogEntry::DataFrame; }));
    for (const files::ImageBlock &b : files::ImageBlocks())
        EXPECT_EQ(radio.GetBlock(b.area, b.number), sim::Block{}) << files::ImageBlockName(b);
    writeAnswer = true;
    form->RestoreRadioClick();
    // The bar only moves on: each area's read-back follows its write.
    int shown = 0;
    bool fellBack = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (windows->Form3->isVisible() && questions.size() == 2) {
                const int value = windows->Form3->ProgressBar1->value();
                fellBack = fellBack || value < shown;
                shown = std::max(shown, value);
            }
            return !messages.isEmpty() || !failures.isEmpty();
        },
        120s));
    EXPECT_FALSE(fellBack) << "the bar went back after " << shown;
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    const QStringList lines = messages.value(0).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0).toStdString(), "The radio was restored from " + Path("backup.radio").toStdString() +
                                                " and read back: it holds the image.");
    EXPECT_EQ(lines.value(1), QStringLiteral("Backup: ") + form->Writes().LastBackup());
    EXPECT_EQ(dialogUnderMessage, (QList<bool>{false, false})) << "the backup's message, then the restore's";
    EXPECT_TRUE(Idle());
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        const sim::Block held = radio.GetBlock(b.area, b.number);
        EXPECT_TRUE(std::equal(held.begin(), held.end(), image.At(b).begin())) << files::ImageBlockName(b);
    }
}

TEST_F(WholeRadio, ACancelledRestoreSaysTheRadioIsHalfRestoredAndRetryStartsAgain)
{
    FillEveryArea();
    form->ChooseImageFile = [&](bool) { return Path("whole.radio"); };
    form->BackUpRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 60s));
    messages.clear();

    // The restore itself, without the read and preview before it.
    BareWrites();
    // A slow radio: cancelled once the DTMF area is being written.
    sim::Faults slow;
    slow.answerDelayMs = 30;
    radio.SetFaults(slow);
    form->ConfirmRestore = [](const QString &) { return true; };
    form->RestoreRadioClick();
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto log = radio.Log();
            return std::any_of(log.begin(), log.end(), [](const sim::LogEntry &e) {
                return e.kind == sim::LogEntry::DataFrame && e.area == 1;
            });
        },
        60s));
    windows->Form3->Button2->click();
    ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }, 10s));
    EXPECT_EQ(failures.value(0), QStringLiteral("The restore was cancelled."));
    EXPECT_TRUE(Idle());

    // Retry starts from the first block again and ends whole.
    failures.clear();
    form->RestoreRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return windows->Form3->isVisible(); }, 10s));
    windows->Form3->Button1->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 180s));
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Idle());
}

TEST_F(WholeRadio, AnImageOpensIntoEveryWindowUndoablyAndSavesWhatTheyHold)
{
    // Before any radio or image: the windows' first texts, saved as they
    // convert (an area no window holds keeps the image's bytes).
    form->ChooseImageFile = [&](bool) { return Path("fresh.radio"); };
    form->SaveRadioImageClick();
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_NO_THROW(files::LoadRadioImage(Path("fresh.radio").toStdString()));

    test::FillRadio(radio);
    form->ChooseImageFile = [&](bool) { return Path("read.radio"); };
    form->BackUpRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    ASSERT_TRUE(failures.isEmpty());
    const files::RadioImage read = files::LoadRadioImage(Path("read.radio").toStdString());

    // Opened: the table shows the radio's channels, one step of the history;
    // a window shows the image's area, nothing of what it held before.
    const memory::ChannelRow before = form->table.Row(2);
    windows->Form2->logic.texts.idCode = "555";
    form->OpenRadioImageClick();
    EXPECT_EQ(windows->Form2->logic.texts.idCode, signalling::ImageTextsOf(read).dtmf.idCode);
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form->table.Row(2)[memory::kColRxFreq], test::SampleRow(2)[memory::kColRxFreq]);
    form->History().Stack().undo();
    EXPECT_EQ(form->table.Row(2), before);
    form->History().Stack().redo();

    // Saved with one change in the DTMF window: that field alone differs.
    windows->Form2->logic.texts.idCode = "4321";
    form->ChooseImageFile = [&](bool) { return Path("saved.radio"); };
    form->SaveRadioImageClick();
    EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    const auto differences = signalling::CompareImages(read, files::LoadRadioImage(Path("saved.radio").toStdString()));
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(differences[0].where, "DTMF, ID Code");
    EXPECT_EQ(differences[0].radio, "4321");

    // A file that is no image changes nothing.
    std::ofstream(Path("wrong.radio").toStdString()) << "hello\n";
    form->ChooseImageFile = [&](bool) { return Path("wrong.radio"); };
    const memory::ChannelRow shown = form->table.Row(2);
    form->OpenRadioImageClick();
    EXPECT_EQ(failures.value(0).toStdString(), Path("wrong.radio").toStdString() + ": The file is not a radio image.");
    EXPECT_EQ(form->table.Row(2), shown);
}

TEST_F(WholeRadio, APulledCableMidRestoreAsksForAnotherRestore)
{
    FillEveryArea();
    files::RadioImage image;
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        const sim::Block held = radio.GetBlock(b.area, b.number);
        std::copy(held.begin(), held.end(), image.At(b).begin());
    }
    files::SaveRadioImage(image, Path("image.radio").toStdString());
    form->ChooseImageFile = [&](bool) { return Path("image.radio"); };
    form->ConfirmRestore = [](const QString &) { return true; };
    BareWrites(); // the restore's own answers are counted
    // The radio's answers: "PROGRAM", 17 Acks, then the read-back's
    // "PROGRAM" and 17 frames; the DTMF area's come after. Wherever the cable
    // goes once the first block is written, the other areas are still to
    // come: the radio holds a mix, whatever this area's transfer was doing.
    for (const int answer : {5, 19, 25, 40}) {
        SCOPED_TRACE("the cable pulled at answer " + std::to_string(answer));
        failures.clear();
        // A radio of its own each time: a pulled cable does not come back.
        sim::RadioSimulator pulled(false);
        sim::Faults faults;
        faults.hangUpAtAnswer = answer;
        pulled.SetFaults(faults);
        pulled.Start();
        form->AddDevicePath(QString::fromStdString(pulled.DevicePath()));
        form->RestoreRadioClick();
        ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }, 60s));
        EXPECT_EQ(failures.value(0).toStdString(),
                  "The cable was unplugged or the port was closed: the restore stopped.\nThe radio may now hold a mix "
                  "of old and new values: restore it again.");
        EXPECT_TRUE(messages.isEmpty());
        ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 10s));
    }
}

// A backup or a read stopped anywhere (the cable pulled after any number of
// answers, or Cancel) leaves the file it would have written, the table, the
// settings and every signalling window as they were.
TEST_F(WholeRadio, ABackupOrAReadStoppedAnywhereLeavesEverythingAsItWas)
{
    FillEveryArea();
    files::RadioImage older;
    older.At({1, 0})[0] = 0x42;
    const std::string held = files::RadioImageText(older); // an older backup, to be kept
    std::ofstream(Path("backup.radio").toStdString()) << held;
    form->table.Row(2) = {"2",    "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                          "25000", "NONE",     "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
    form->settings.Box(4) = "120";
    auto &dtmf = static_cast<signalling::TForm2 &>(*windows->Form2);
    dtmf.logic.texts.idCode = "777";
    const memory::ChannelTable table = form->table;
    const memory::SettingsTexts settings = form->settings;
    const auto readFile = [&] {
        std::ifstream in(Path("backup.radio").toStdString());
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    form->ChooseImageFile = [&](bool) { return Path("backup.radio"); };

    for (const bool backup : {true, false}) {
        for (const int answer : {1, 8, 18, 30, 52}) {
            if (!backup && answer > 18)
                continue;
            SCOPED_TRACE((backup ? "backup, cable pulled at answer " : "read, cable pulled at answer ") +
                         std::to_string(answer));
            failures.clear();
            messages.clear();
            // A radio of its own each time: a pulled cable does not come back.
            sim::RadioSimulator pulled(false);
            for (const files::ImageBlock &b : files::ImageBlocks())
                pulled.SetBlock(b.area, b.number, radio.GetBlock(b.area, b.number));
            sim::Faults faults;
            faults.hangUpAtAnswer = answer;
            pulled.SetFaults(faults);
            pulled.Start();
            form->AddDevicePath(QString::fromStdString(pulled.DevicePath()));
            if (backup)
                form->BackUpRadioClick();
            else
                form->rbtn->click();
            ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty() || !messages.isEmpty(); }, 60s));
            EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
            EXPECT_TRUE(failures.value(0).startsWith(QStringLiteral("The cable was unplugged")))
                << failures.join(QLatin1Char('\n')).toStdString();
            ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 10s));
            EXPECT_EQ(readFile(), held);
            EXPECT_EQ(form->table, table);
            EXPECT_EQ(form->settings, settings);
            EXPECT_EQ(dtmf.logic.texts.idCode, "777");
            pulled.Stop();
        }
    }
    form->AddDevicePath(QString::fromStdString(radio.DevicePath()));

    // Cancelled half-way through the signalling areas.
    failures.clear();
    messages.clear();
    sim::Faults slow;
    slow.answerDelayMs = 20;
    radio.SetFaults(slow);
    form->BackUpRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return windows->Form3->ProgressBar1->value() >= 30; }, 60s));
    windows->Form3->Button2->click();
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 10s));
    EXPECT_EQ(readFile(), held);
    EXPECT_EQ(form->table, table);
}

// A write keeps the radio's whole memory before it as a backup in the
// backups folder, named in the success message; File > Restore Radio of
// that backup, previewed too, puts the radio back.
TEST_F(WholeRadio, TheBackupBeforeAWriteHoldsTheRadioAsItWasAndRestoringItPutsItBack)
{
    FillEveryArea();
    std::vector<sim::Block> before;
    for (const files::ImageBlock &b : files::ImageBlocks())
        before.push_back(radio.GetBlock(b.area, b.number));
    // Channel 2 read from nowhere: typed into a fresh window.
    form->table.Row(2) = {"2",     "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                          "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
    form->wbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    const QString backup = form->Writes().LastBackup();
    EXPECT_EQ(messages.value(0), QStringLiteral("Write Succeed!\nBackup: ") + backup);
    EXPECT_TRUE(backup.startsWith(form->Writes().store.Folder() + QLatin1Char('/'))) << backup.toStdString();
    EXPECT_TRUE(QFileInfo(backup).fileName().endsWith(
        QStringLiteral("-") + app::BackupStore::PortTag(radio.DevicePath()) + QStringLiteral(".radio")))
        << backup.toStdString();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(questions[0].cancelDefault) << "channels the radio holds are emptied";
    const files::RadioImage kept = files::LoadRadioImage(backup.toStdString());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(std::equal(before[i].begin(), before[i].end(), kept.At(files::ImageBlocks()[i]).begin()))
            << files::ImageBlockName(files::ImageBlocks()[i]);
    EXPECT_NE(radio.GetBlock(0, 1), before[0]) << "the write emptied channel 1";

    messages.clear();
    form->ChooseImageFile = [&](bool) { return backup; };
    form->RestoreRadioClick();
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 120s));
    ASSERT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(questions.size(), 2u);
    const std::vector<std::string> &lines = questions[1].summary.lines;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Channel 2, RX Freq: '145.50000' \u2192 '442.12500'"), lines.end());
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(radio.GetBlock(files::ImageBlocks()[i].area, files::ImageBlocks()[i].number), before[i])
            << files::ImageBlockName(files::ImageBlocks()[i]);
    EXPECT_EQ(form->Writes().store.Newest(radio.DevicePath()).size(), 2) << "each write backed up";
    EXPECT_TRUE(Idle());
}

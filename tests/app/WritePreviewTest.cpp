// SPDX-License-Identifier: GPL-3.0-or-later
// The preview before a write (what changes, which button is the default)
// and the backups kept before writes (names, never replacing, pruning,
// newest first).
#include "app/Backups.h"
#include "app/WritePreview.h"

#include "files/RadioImage.h"
#include "protocol/Frames.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tonvar;
using app::BackupStore;
using app::WriteSummary;

namespace {

const std::vector<std::uint8_t> kChannelsAndSettings{protocol::kAreaChannels, protocol::kAreaSettings};

files::RadioImage With(files::RadioImage image, const std::vector<std::pair<std::string, std::string>> &fields)
{
    for (const auto &[where, text] : fields)
        signalling::SetImageField(image, where, text);
    return image;
}

// A radio holding channels 1 and 3.
files::RadioImage Programmed()
{
    return With(files::RadioImage{}, {{"Channel 1, RX Freq", "145.5"}, {"Channel 3, RX Freq", "446.00625"}});
}

std::string Arrow(const std::string &where, const std::string &from, const std::string &to)
{
    return where + ": '" + from + "' \u2192 '" + to + "'";
}

QDateTime At(const char *text)
{
    return QDateTime::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

using Names_ = std::vector<std::string>;
Names_ Names(const QStringList &paths)
{
    Names_ out;
    for (const QString &p : paths)
        out.push_back(QFileInfo(p).fileName().toStdString());
    return out;
}

void Touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray Bytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(WritePreview, TheSummaryCountsChannelsAndFieldsAndNamesEachChange)
{
    struct Case {
        const char *name;
        std::vector<std::pair<std::string, std::string>> changes; // over Programmed()
        std::vector<std::uint8_t> areas;
        int channels;
        int fields;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases{
        {"nothing", {}, kChannelsAndSettings, 0, 0, {}},
        {"one frequency",
         {{"Channel 3, RX Freq", "446.1"}},
         kChannelsAndSettings,
         1,
         1,
         {Arrow("Channel 3, RX Freq", "446.00625", "446.10000")}},
        {"two fields of one channel and a setting",
         {{"Channel 1, RX Freq", "146"}, {"Channel 1, TX Power", "LOW"}, {"Settings, SQ Lev", "5"}},
         kChannelsAndSettings,
         1,
         3,
         {Arrow("Channel 1, RX Freq", "145.50000", "146.00000"), Arrow("Channel 1, TX Power", "HIGH", "LOW"),
          Arrow("Settings, SQ Lev", "0", "5")}},
        {"a field outside the areas written changes nothing",
         {{"DTMF, ID Code", "321"}},
         kChannelsAndSettings,
         0,
         0,
         {}},
        {"a signalling window's field", {{"DTMF, ID Code", "321"}}, {protocol::kAreaDtmf}, 0, 1,
         {Arrow("DTMF, ID Code", "", "321")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const files::RadioImage radio = Programmed();
        const WriteSummary s = app::SummarizeWrite(radio, With(radio, c.changes), c.areas);
        EXPECT_EQ(s.channels, c.channels);
        EXPECT_EQ(s.fields, c.fields);
        EXPECT_EQ(s.lines, c.lines);
        EXPECT_EQ(s.Nothing(), c.lines.empty());
        EXPECT_TRUE(s.emptied.empty());
    }
}

TEST(WritePreview, AWriteThatEmptiesChannelsTheRadioHoldsSaysWhichAndCancelIsTheDefault)
{
    const files::RadioImage radio = Programmed();
    const WriteSummary s = app::SummarizeWrite(radio, files::RadioImage{}, kChannelsAndSettings);
    EXPECT_EQ(s.emptied, (std::vector<int>{1, 3}));
    EXPECT_EQ(s.channels, 2);
    EXPECT_FALSE(s.Nothing());
    EXPECT_NE(std::find(s.lines.begin(), s.lines.end(), Arrow("Channel 3, RX Freq", "446.00625", "")), s.lines.end());

    app::WriteQuestion q;
    q.port = QStringLiteral("ttyUSB0");
    q.summary = s;
    EXPECT_TRUE(q.Heading().contains(QStringLiteral("empties channels 1, 3, which the radio holds data in")))
        << q.Heading().toStdString();
    EXPECT_TRUE(q.Heading().contains(QStringLiteral("in the radio on ttyUSB0"))) << q.Heading().toStdString();
    EXPECT_EQ(q.Details().count(QLatin1Char('\n')) + 1, static_cast<qsizetype>(s.lines.size()));
}

TEST(WritePreview, CancelIsTheDefaultWhenChannelsEmptyOrTheWindowHoldsNothingItReadOrOpened)
{
    WriteSummary change;
    change.lines = {"Channel 3, RX Freq: ..."};
    WriteSummary emptying = change;
    emptying.emptied = {3};
    struct Case {
        const WriteSummary *summary;
        bool holds;
        bool always;
        bool cancel;
    };
    for (const Case &c : std::vector<Case>{{&change, true, false, false},
                                          {&change, false, false, true},
                                          {&emptying, true, false, true},
                                          {&emptying, false, false, true},
                                          {&change, true, true, true}})
        EXPECT_EQ(app::CancelByDefault(*c.summary, c.holds, c.always), c.cancel)
            << c.holds << c.always << c.summary->emptied.size();
}

TEST(WritePreview, TheMainWindowsWriteIsPreviewedAsItWillBeSent)
{
    const files::RadioImage radio = Programmed();
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    signalling::ChannelsFromImage(radio, table, settings);
    protocol::KnownBlocks known;
    // What was read, written back: nothing changes.
    const WriteSummary same =
        app::SummarizeWrite(radio, app::WithChannelsWritten(radio, table, settings, known), kChannelsAndSettings);
    EXPECT_TRUE(same.Nothing()) << ::testing::PrintToString(same.lines);
    // Empty channels are sent as the write fills them, which the radio's
    // blank memory is not: no field shows it, but a restore counts it.
    const WriteSummary bytes = app::SummarizeWrite(radio, app::WithChannelsWritten(radio, table, settings, known),
                                                   kChannelsAndSettings, true);
    EXPECT_EQ(bytes.fields, 0);
    ASSERT_FALSE(bytes.lines.empty());
    EXPECT_EQ(bytes.lines.front(), "channel 2: bytes no field shows");
    table.SetCell(3, memory::kColRxFreq, "446.1");
    const WriteSummary s =
        app::SummarizeWrite(radio, app::WithChannelsWritten(radio, table, settings, known), kChannelsAndSettings);
    EXPECT_EQ(s.lines, (std::vector<std::string>{Arrow("Channel 3, RX Freq", "446.00625", "446.10000")}));
    // A text the write would refuse stops the preview as it stops the write.
    table.SetCell(3, memory::kColRxFreq, "4x6");
    EXPECT_THROW(app::WithChannelsWritten(radio, table, settings, known), text::Failure);
}

TEST(Backups, NamesCarryTheDateTimeAndPort)
{
    EXPECT_EQ(BackupStore::PortTag("ttyUSB0"), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(BackupStore::PortTag("/dev/ttyUSB0"), QStringLiteral("ttyUSB0"));
    EXPECT_EQ(BackupStore::PortTag("/dev/pts/3"), QStringLiteral("pts_3"));
    EXPECT_EQ(BackupStore::PortTag("/dev/serial/by-id/usb-FTDI_A5 0"), QStringLiteral("serial_by-id_usb-FTDI_A5_0"));
    const BackupStore store(QStringLiteral("/backups"));
    EXPECT_EQ(store.NewPath(At("2026-12-09 17:45:01"), "ttyUSB0"),
              QStringLiteral("/backups/20261209-174501-ttyUSB0.radio"));
}

TEST(Backups, ABackupNeverReplacesAFileAndHoldsTheRadiosBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BackupStore store(dir.filePath(QStringLiteral("tonvar/backups"))); // made as needed
    const files::RadioImage first = Programmed();
    const files::RadioImage second = With(first, {{"Settings, SQ Lev", "5"}});
    const QDateTime when = At("2026-12-09 17:45:01");
    const QString a = store.Save(first, when, "ttyUSB0", 50);
    EXPECT_EQ(QFileInfo(a).fileName(), QStringLiteral("20261209-174501-ttyUSB0.radio"));
    const QString b = store.Save(second, when, "ttyUSB0", 50);
    EXPECT_EQ(QFileInfo(b).fileName(), QStringLiteral("20261209-174501_2-ttyUSB0.radio"));
    // Someone else's file of the next name stays as it is.
    Touch(store.Folder() + QStringLiteral("/20261209-174501_3-ttyUSB0.radio"), "mine");
    const QString c = store.Save(first, when, "ttyUSB0", 50);
    EXPECT_EQ(QFileInfo(c).fileName(), QStringLiteral("20261209-174501_4-ttyUSB0.radio"));
    EXPECT_EQ(Bytes(store.Folder() + QStringLiteral("/20261209-174501_3-ttyUSB0.radio")), QByteArray("mine"));
    EXPECT_EQ(files::LoadRadioImage(a.toStdString()), first);
    EXPECT_EQ(files::LoadRadioImage(b.toStdString()), second);
    EXPECT_EQ(files::LoadRadioImage(c.toStdString()), first);
}

TEST(Backups, AFolderThatCannotBeMadeStopsTheBackupSayingWhy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Touch(dir.filePath(QStringLiteral("tonvar")));
    BackupStore store(dir.filePath(QStringLiteral("tonvar/backups")));
    try {
        store.Save(Programmed(), At("2026-12-09 17:45:01"), "ttyUSB0", 50);
        FAIL() << "saved";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), "The backup could not be saved: nothing was written.");
        EXPECT_NE(e.detail().find("tonvar/backups"), std::string::npos) << e.detail();
    }
}

TEST(Backups, EachPortKeepsItsNewestAndOnlyOurFilesAreDeleted)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    BackupStore store(dir.path());
    const files::RadioImage image = Programmed();
    for (const char *t : {"2026-12-09 10:00:00", "2026-12-09 11:00:00", "2026-12-08 12:00:00"})
        store.Save(image, At(t), "ttyUSB1", 3);
    Touch(dir.filePath(QStringLiteral("notes.radio")));
    Touch(dir.filePath(QStringLiteral("20200101-000000-ttyUSB0.radio.bak")));
    Touch(dir.filePath(QStringLiteral("20200101-000000-ttyUSB0x.radio")));
    for (const char *t : {"2026-12-09 08:59:59", "2026-12-09 09:00:00", "2026-12-09 09:00:00", "2026-12-10 09:00:00"})
        store.Save(image, At(t), "ttyUSB0", 3);
    EXPECT_EQ(Names(store.Newest("ttyUSB0")),
              (Names_{"20261210-090000-ttyUSB0.radio", "20261209-090000_2-ttyUSB0.radio",
                           "20261209-090000-ttyUSB0.radio"}));
    EXPECT_EQ(Names(store.Newest()),
              (Names_{"20261210-090000-ttyUSB0.radio", "20261209-110000-ttyUSB1.radio",
                           "20261209-100000-ttyUSB1.radio", "20261209-090000_2-ttyUSB0.radio",
                           "20261209-090000-ttyUSB0.radio", "20261208-120000-ttyUSB1.radio",
                           "20200101-000000-ttyUSB0x.radio"}));
    for (const char *other : {"notes.radio", "20200101-000000-ttyUSB0.radio.bak", "20200101-000000-ttyUSB0x.radio"})
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(QString::fromLatin1(other)))) << other;
    // A backup named older than those kept (the clock put back) is kept,
    // and the oldest other goes.
    const QString old = store.Save(image, At("2001-01-01 00:00:00"), "ttyUSB0", 3);
    EXPECT_EQ(Names(store.Newest("ttyUSB0")),
              (Names_{"20261210-090000-ttyUSB0.radio", "20261209-090000_2-ttyUSB0.radio",
                           "20010101-000000-ttyUSB0.radio"}));
}

// The choices are remembered, and kept where the tests' main put the
// settings and data folders (never the user's).
TEST(Backups, TheChoicesAreRememberedAndTheFolderFollowsXdgDataHome)
{
    EXPECT_EQ(app::DefaultBackupFolder(),
              QFile::decodeName(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/tonvar/backups"));
    EXPECT_EQ(app::LoadWriteSafety(), app::WriteSafety{});
    const app::WriteSafety chosen{false, true, 7};
    app::SaveWriteSafety(chosen);
    EXPECT_EQ(app::LoadWriteSafety(), chosen);
    app::SaveWriteSafety(app::WriteSafety{});
    EXPECT_EQ(app::LoadWriteSafety(), app::WriteSafety{});
}

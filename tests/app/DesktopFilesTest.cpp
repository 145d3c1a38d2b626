// SPDX-License-Identifier: GPL-3.0-or-later
// What the desktop learns from the installed data files: the file types a
// file manager tells by name or by content, and the menu entry that opens
// them.
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QByteArray DataFile(const char *name)
{
    QFile file(QStringLiteral(TONVAR_DATA_DIR "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

} // namespace

// The definitions compile without a word from update-mime-database, and a
// channel file or a radio image is known by its name and, renamed, by its
// first line; a CSV list stays a CSV list.
TEST(DesktopFiles, ChannelFilesAndRadioImagesAreKnownByNameAndByContent)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("mime/packages")));
    QFile definitions(home.filePath(QStringLiteral("mime/packages/io.github.tonvar.tonvar.xml")));
    ASSERT_TRUE(definitions.open(QIODevice::WriteOnly));
    definitions.write(DataFile("io.github.tonvar.tonvar.xml"));
    definitions.close();
    // Before the database is first used: ours come first.
    ASSERT_EQ(::setenv("XDG_DATA_HOME", home.path().toLocal8Bit().constData(), 1), 0);
    QProcess update;
    update.start(QStringLiteral("update-mime-database"), {home.filePath(QStringLiteral("mime"))});
    ASSERT_TRUE(update.waitForFinished(60000));
    EXPECT_EQ(update.exitCode(), 0);
    EXPECT_EQ(update.readAllStandardError(), QByteArray()) << "warnings or errors in the definitions";

    const QByteArray channels = "\"Ch No.\",\"RX Freq\",\"TX Freq\"\r\n1,145.50000,145.50000\r\n";
    const QByteArray image = "tonvar radio image 1\n# Every block of the radio\nchannel 1 = 00\n";
    const QByteArray csv = "Location,Name,Frequency,Duplex\n1,,146.520000,\n";
    const struct {
        const char *name;
        const QByteArray &bytes;
        const char *type;
    } cases[] = {
        {"home.wh", channels, "application/x-tonvar-channels"},
        {"channels-renamed", channels, "application/x-tonvar-channels"},
        {"master.radio", image, "application/x-tonvar-radio-image"},
        {"ttyUSB0-backup", image, "application/x-tonvar-radio-image"},
        {"chirp.csv", csv, "text/csv"},
    };
    const QMimeDatabase database;
    for (const auto &c : cases) {
        QFile file(home.filePath(QLatin1String(c.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        const QMimeType type = database.mimeTypeForFile(file.fileName());
        EXPECT_EQ(type.name().toStdString(), c.type) << c.name;
        if (type.name().startsWith(QStringLiteral("application/x-tonvar"))) {
            EXPECT_TRUE(type.inherits(QStringLiteral("text/plain"))) << "a text editor opens it too: " << c.name;
            EXPECT_FALSE(type.comment().isEmpty());
        }
    }
}

// The menu entry passes the file it is given and declares the types it opens.
TEST(DesktopFiles, TheMenuEntryOpensTheFileItIsGiven)
{
    const QByteArray entry = DataFile("io.github.tonvar.tonvar.desktop");
    EXPECT_TRUE(entry.contains("\nExec=tonvar %f\n"));
    EXPECT_TRUE(entry.contains("\nMimeType=application/x-tonvar-channels;application/x-tonvar-radio-image;text/csv;\n"));
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Every write of the window shows what it will change first.
//
// Write (F12), a signalling window's Write and Restore Radio first read what
// the radio holds into an image of their own (the whole radio when backups
// are on, else only the areas to be written), under the progress dialog of
// a backup: Retry and Cancel as there, and a read that fails or is
// cancelled writes nothing. The whole radio read is kept as a backup
// (Backups.h) once the user chooses to write; one that cannot be saved
// writes nothing. A write cancelled, or with nothing to change, keeps none. Then the user sees
// how many channels and fields change, each named as tonvar-cli verify names
// them, and writes or cancels; with nothing to change, nothing is written.
// The write itself then runs as it always has, in a session of its own (the
// question comes between the two, and the port is closed meanwhile).
#pragma once

#include "app/Backups.h"
#include "files/RadioImage.h"
#include "protocol/MainAreas.h"
#include "protocol/MainSession.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tonvar::app {

// What a write changes in the radio.
struct WriteSummary {
    int channels = 0; // channels with a field that changes
    int fields = 0;   // fields that change
    // "Channel 3, RX Freq: '145.50000' -> '146.00000'" (the arrow is U+2192);
    // counting every byte and no field changes, each block whose bytes do
    // ("channel 3: bytes no field shows").
    std::vector<std::string> lines;
    // Channels that hold a frequency in the radio and none after the write.
    std::vector<int> emptied;
    bool Nothing() const { return lines.empty(); }
};

// The changes from `radio` to `after` in `areas` (protocol::Area numbers).
// Bytes no field shows (an empty channel's filler, spare bits) count only
// with `everyByte`, as a restore promises them.
WriteSummary SummarizeWrite(const files::RadioImage &radio, const files::RadioImage &after,
                            const std::vector<std::uint8_t> &areas, bool everyByte = false);

// `radio` with channels 1 to 16 and the settings as the main window's write
// sends them: a block whose texts are unchanged from `known` as those bytes,
// a changed one encoded over them, an unknown one encoded over the radio's
// bytes. Throws text::Failure as the write's check does.
files::RadioImage WithChannelsWritten(const files::RadioImage &radio, const memory::ChannelTable &table,
                                      const memory::SettingsTexts &settings, const protocol::KnownBlocks &known);

// The question before a write.
struct WriteQuestion {
    QString title;     // "Write", "DTMF Write", "Restore Radio"
    QString port;      // the port the radio is on
    WriteSummary summary;
    bool cancelDefault = true; // Enter cancels
    // "2 fields in 1 channel change in the radio on ttyUSB0:" and the like.
    QString Heading() const;
    QString Details() const; // the lines, one a line
};

// Whether Cancel is the question's default: the write would empty a
// channel the radio holds data in, or the window holds nothing it opened or
// read (a fresh start), or `always` (a restore replaces every area).
bool CancelByDefault(const WriteSummary &summary, bool windowHoldsRadioData, bool always = false);

// One write to run through the preview.
struct WriteRequest {
    QString title;
    std::vector<std::uint8_t> areas; // what the write writes
    // Throws what the write's check throws: before anything is read.
    std::function<void()> check;
    // What the radio will hold after the write, from what it holds now.
    std::function<files::RadioImage(const files::RadioImage &radio)> after;
    bool holdsRadioData = false; // the window opened or read what it holds
    bool cancelAlways = false;
    bool everyByte = false; // bytes no field shows count as changes
    // Starts the write itself.
    std::function<void()> write;
};

class WriteGuard {
public:
    WriteGuard(protocol::MainSession &session, std::function<void(int milliseconds)> sleep);

    WriteSafety safety;
    BackupStore store{DefaultBackupFolder()};
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Asks the question; true writes.
    std::function<bool(const WriteQuestion &)> confirm;
    // Runs a step once the session's last answer has been dealt with (the
    // window posts it to its event loop and runs it as a handler).
    std::function<void(std::function<void()>)> later;
    // Shows an information message and waits until it is closed.
    std::function<void(const std::string &)> tell;

    // The read, the backup, the question, then `request.write`; nothing
    // starts while a session runs. Throws what the check throws.
    void Run(WriteRequest request);
    // A write's success message: `text`, and a line naming the backup made
    // before it ("Backup: PATH"), once.
    std::string Announce(const std::string &text);
    // The last backup saved, or empty.
    const QString &LastBackup() const { return lastBackup_; }

private:
    void Decide();

    protocol::MainSession &session_;
    std::function<void(int milliseconds)> sleep_;
    WriteRequest pending_;
    std::string port_;
    files::RadioImage radio_; // what the read before the write brings in
    QString lastBackup_;
    QString announce_; // the backup the next success message names
};

} // namespace tonvar::app

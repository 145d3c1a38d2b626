// SPDX-License-Identifier: GPL-3.0-or-later
// Automatic backups: before the window writes, the whole radio is read and
// kept as a radio image in the backups folder
// ($XDG_DATA_HOME/tonvar/backups), one file a write, named by the date, the
// time and the port: "20261209-174501-ttyUSB0.radio" (a second backup of the
// same port in the same second "20261209-174501_2-ttyUSB0.radio"). No file
// is ever replaced. The newest `keep` of each port are kept; older ones of
// that port, and only files named so, are deleted.
//
// What the user chose about writes (preview, backups, how many to keep) is
// remembered with QSettings.
#pragma once

#include "files/RadioImage.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <string>

namespace tonvar::app {

// What the user chose about the window's writes.
struct WriteSafety {
    bool preview = true; // every write shows what it changes first
    bool backups = true; // and the whole radio is backed up first
    int keep = 50;       // backups kept a port
    bool operator==(const WriteSafety &) const = default;
};

// The choices remembered (QSettings "tonvar"/"tonvar"), or the defaults.
WriteSafety LoadWriteSafety();
void SaveWriteSafety(const WriteSafety &safety);

// $XDG_DATA_HOME/tonvar/backups (QStandardPaths::GenericDataLocation).
QString DefaultBackupFolder();

class BackupStore {
public:
    explicit BackupStore(QString folder) : folder_(std::move(folder)) {}

    const QString &Folder() const { return folder_; }

    // A port's part of a backup's name: "ttyUSB0" for "ttyUSB0" and
    // "/dev/ttyUSB0", "pts_3" for "/dev/pts/3"; any character other than a
    // letter, a digit, '.', '+' or '-' becomes '_'.
    static QString PortTag(const std::string &port);
    // The name of a backup of `port` made at `when`, the first no file in
    // the folder has.
    QString NewPath(const QDateTime &when, const std::string &port) const;
    // Saves `image` under NewPath (the folder made as needed), never over a
    // file, then deletes the oldest backups of `port` beyond `keep` (never
    // the one just saved). Returns its path; throws text::Failure saying
    // why it could not be saved.
    QString Save(const files::RadioImage &image, const QDateTime &when, const std::string &port, int keep);
    // Deletes the oldest backups of `port` beyond the newest `keep`;
    // `spare` is one of those kept.
    void Prune(const std::string &port, int keep, const QString &spare = {}) const;
    // The backups in the folder, newest first (by the date and time in
    // their names); with `port`, only that port's.
    QStringList Newest(const std::string &port = {}) const;

private:
    QString folder_;
};

} // namespace tonvar::app

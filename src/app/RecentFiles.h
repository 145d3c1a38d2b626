// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Recent's list: the files last opened or saved (channel files,
// radio images, CSV lists), newest first, and the folder the file dialogs
// start in. Both are kept for the next start (QSettings "tonvar"/"tonvar").
#pragma once

#include <QString>
#include <QStringList>

namespace tonvar::app {

class RecentFiles {
public:
    static constexpr int kKept = 10;

    explicit RecentFiles(const QStringList &paths = {});

    // Newest first; every path absolute, none twice.
    const QStringList &Paths() const { return paths_; }
    // A file opened or saved goes on top, once however it was named (links
    // and "." followed); the oldest beyond kKept drop off.
    void Add(const QString &path);
    void Remove(const QString &path);
    void Clear() { paths_.clear(); }
    // Takes off the files that are no longer there; how many went.
    int RemoveMissing();

    // The menu's text of the entry at `index` (from 0): "&1 name" ... "1&0
    // name", the name's own ampersands shown as such.
    static QString Label(int index, const QString &path);
    // How a path is kept: the file's canonical path where it exists, else
    // its absolute path cleaned.
    static QString Key(const QString &path);

    // The list kept, and keeping it.
    static RecentFiles Load();
    void Save() const;

private:
    QStringList paths_;
};

// The folder of the last file opened or saved (empty before the first), the
// folder the next file dialog starts in.
QString LoadLastFolder();
// Keeps the folder of `file`.
void SaveLastFolder(const QString &file);

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// File > Open Recent: the files last opened or saved, newest first, as
// "&1 name" with the whole path in the entry's tool tip and status tip, and
// Clear Menu. An entry opens its file as the window opens a file given to it
// (a radio image as Open Radio Image, a CSV list as Import CSV, else as
// Open). An entry whose file is gone says so and leaves the list.
#pragma once

#include "app/RecentFiles.h"

#include <QPointer>
#include <QString>

#include <functional>

class QMenu;

namespace tonvar::app {

class RecentMenu {
public:
    // `menu` is the submenu to fill; `open` opens a file.
    RecentMenu(QMenu *menu, std::function<void(const QString &path)> open);

    // A file was opened or saved: it goes on top of the list kept.
    void Used(const QString &path);
    // Fills the menu from the list kept (also as the menu opens: another
    // window of the program may have changed it).
    void Refresh();

private:
    void Open(const QString &path);
    void Clear();

    QPointer<QMenu> menu_;
    std::function<void(const QString &path)> open_;
    bool triggered_ = false; // one of the menu's entries runs
};

} // namespace tonvar::app

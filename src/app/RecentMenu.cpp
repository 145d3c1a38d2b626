// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentMenu.h"

#include "app/ErrorHandler.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QScopedValueRollback>

#include <utility>

namespace tonvar::app {

RecentMenu::RecentMenu(QMenu *menu, std::function<void(const QString &path)> open)
    : menu_(menu), open_(std::move(open))
{
    menu_->setToolTipsVisible(true);
    QObject::connect(menu_, &QMenu::aboutToShow, menu_, [this] { Refresh(); });
    Refresh();
}

void RecentMenu::Used(const QString &path)
{
    RecentFiles recent = RecentFiles::Load();
    recent.Add(path);
    recent.Save();
    SaveLastFolder(path);
    Refresh();
}

void RecentMenu::Refresh()
{
    if (!menu_)
        return;
    // The entry that runs goes once it has run.
    for (QAction *a : menu_->actions()) {
        menu_->removeAction(a);
        if (triggered_)
            a->deleteLater();
        else
            delete a;
    }
    const QStringList paths = RecentFiles::Load().Paths();
    for (int i = 0; i < paths.size(); ++i) {
        const QString path = paths[i];
        QAction *entry = menu_->addAction(RecentFiles::Label(i, path));
        entry->setObjectName(QStringLiteral("Recent%1").arg(i + 1));
        entry->setToolTip(path);
        entry->setStatusTip(path);
        QObject::connect(entry, &QAction::triggered, menu_, [this, path] { Open(path); });
    }
    if (paths.isEmpty())
        menu_->addAction(QStringLiteral("No Recent Files"))->setEnabled(false);
    menu_->addSeparator();
    QAction *clear = menu_->addAction(QStringLiteral("&Clear Menu"));
    clear->setObjectName(QStringLiteral("ClearRecent"));
    clear->setEnabled(!paths.isEmpty());
    QObject::connect(clear, &QAction::triggered, menu_, [this] { Clear(); });
}

void RecentMenu::Open(const QString &path)
{
    const QScopedValueRollback<bool> running(triggered_, true);
    if (!QFileInfo(path).isFile()) {
        RecentFiles recent = RecentFiles::Load();
        recent.Remove(path);
        recent.Save();
        Refresh();
        // The message's text is 8-bit; the detail shows any name whole.
        ReportFailure("Cannot open \"" + QFileInfo(path).fileName().toLatin1().toStdString() +
                          "\": the file is no longer there",
                      path.toStdString() + " was taken off File > Open Recent.");
        return;
    }
    open_(path);
}

void RecentMenu::Clear()
{
    const QScopedValueRollback<bool> running(triggered_, true);
    RecentFiles().Save();
    Refresh();
}

} // namespace tonvar::app

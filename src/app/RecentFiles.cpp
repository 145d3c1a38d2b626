// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace tonvar::app {

namespace {

QSettings Remembered()
{
    return QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar"));
}

const QString kRecentKey = QStringLiteral("files/recent");
const QString kFolderKey = QStringLiteral("files/lastFolder");

} // namespace

RecentFiles::RecentFiles(const QStringList &paths)
{
    // Added oldest first, so that the newest ends on top.
    for (auto it = paths.crbegin(); it != paths.crend(); ++it)
        if (!it->isEmpty())
            Add(*it);
}

QString RecentFiles::Key(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

void RecentFiles::Add(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString key = Key(path);
    paths_.removeAll(key);
    paths_.prepend(key);
    while (paths_.size() > kKept)
        paths_.removeLast();
}

void RecentFiles::Remove(const QString &path)
{
    paths_.removeAll(path);
    paths_.removeAll(Key(path));
}

int RecentFiles::RemoveMissing()
{
    const qsizetype before = paths_.size();
    paths_.removeIf([](const QString &path) { return !QFileInfo(path).isFile(); });
    return static_cast<int>(before - paths_.size());
}

QString RecentFiles::Label(int index, const QString &path)
{
    QString name = QFileInfo(path).fileName();
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString number = index + 1 < 10 ? QStringLiteral("&%1").arg(index + 1)
                                          : QStringLiteral("%1&%2").arg((index + 1) / 10).arg((index + 1) % 10);
    return number + QLatin1Char(' ') + name;
}

RecentFiles RecentFiles::Load()
{
    return RecentFiles(Remembered().value(kRecentKey).toStringList());
}

void RecentFiles::Save() const
{
    Remembered().setValue(kRecentKey, paths_);
}

QString LoadLastFolder()
{
    const QString folder = Remembered().value(kFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void SaveLastFolder(const QString &file)
{
    if (!file.isEmpty())
        Remembered().setValue(kFolderKey, QFileInfo(RecentFiles::Key(file)).absolutePath());
}

} // namespace tonvar::app

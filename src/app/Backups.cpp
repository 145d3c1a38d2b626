// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Backups.h"

#include "text/Convert.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tonvar::app {

namespace {

QSettings Remembered()
{
    return QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar"));
}

// "20261209-174501", an optional "_2", then "-" and the port's tag.
QRegularExpression BackupName(const QString &tag)
{
    return QRegularExpression(QStringLiteral("^(\\d{8}-\\d{6})(?:_(\\d+))?-") +
                              (tag.isEmpty() ? QStringLiteral(".+") : QRegularExpression::escape(tag)) +
                              QStringLiteral("\\.radio$"));
}

} // namespace

WriteSafety LoadWriteSafety()
{
    const QSettings s = Remembered();
    WriteSafety safety;
    safety.preview = s.value(QStringLiteral("writes/preview"), safety.preview).toBool();
    safety.backups = s.value(QStringLiteral("writes/backups"), safety.backups).toBool();
    bool ok = false;
    const int keep = s.value(QStringLiteral("writes/backupsKept"), safety.keep).toInt(&ok);
    if (ok && keep >= 1)
        safety.keep = keep;
    return safety;
}

void SaveWriteSafety(const WriteSafety &safety)
{
    QSettings s = Remembered();
    s.setValue(QStringLiteral("writes/preview"), safety.preview);
    s.setValue(QStringLiteral("writes/backups"), safety.backups);
    s.setValue(QStringLiteral("writes/backupsKept"), safety.keep);
}

QString DefaultBackupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tonvar/backups");
}

QString BackupStore::PortTag(const std::string &port)
{
    QString name = QString::fromLocal8Bit(port);
    if (name.startsWith(QStringLiteral("/dev/")))
        name = name.mid(5);
    QString tag;
    for (const QChar c : name) {
        const bool kept = (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == QLatin1Char('.') ||
                          c == QLatin1Char('+') || c == QLatin1Char('-');
        tag += kept ? c : QLatin1Char('_');
    }
    return tag.isEmpty() ? QStringLiteral("port") : tag;
}

QString BackupStore::NewPath(const QDateTime &when, const std::string &port) const
{
    const QString stamp = when.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString tag = PortTag(port);
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? stamp + QLatin1Char('-') + tag + QStringLiteral(".radio")
                                    : stamp + QLatin1Char('_') + QString::number(n) + QLatin1Char('-') + tag +
                                          QStringLiteral(".radio");
        const QString path = QDir(folder_).filePath(name);
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
            return path;
    }
}

QString BackupStore::Save(const files::RadioImage &image, const QDateTime &when, const std::string &port, int keep)
{
    if (!QDir().mkpath(folder_))
        throw text::Failure("The backup could not be saved: nothing was written.",
                            "The folder " + folder_.toStdString() + " cannot be made.");
    // The name is taken with O_EXCL first: a file that appears meanwhile is
    // never replaced, the next name is tried.
    QString path;
    for (int attempt = 0; attempt < 100 && path.isEmpty(); ++attempt) {
        const QString candidate = NewPath(when, port);
        const int fd = ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            path = candidate;
        } else if (errno != EEXIST) {
            throw text::Failure("The backup could not be saved: nothing was written.",
                                "Cannot create " + candidate.toStdString() + ": " + std::strerror(errno));
        }
    }
    if (path.isEmpty())
        throw text::Failure("The backup could not be saved: nothing was written.",
                            "No free name in " + folder_.toStdString() + ".");
    try {
        files::SaveRadioImage(image, path.toStdString());
        if (files::LoadRadioImage(path.toStdString()) != image)
            throw text::Failure("The backup reads back other than the radio's memory.");
    } catch (const text::Failure &e) {
        QFile::remove(path);
        throw text::Failure("The backup could not be saved: nothing was written.",
                            std::string(e.what()) + (e.detail().empty() ? "" : " " + e.detail()));
    }
    Prune(port, keep, path);
    return path;
}

void BackupStore::Prune(const std::string &port, int keep, const QString &spare) const
{
    // The one just saved counts among those kept, whatever its name says
    // (a clock put back).
    const QStringList all = Newest(port);
    int kept = all.contains(spare) ? 1 : 0;
    for (const QString &path : all) {
        if (path == spare)
            continue;
        if (kept < keep)
            ++kept;
        else
            QFile::remove(path);
    }
}

QStringList BackupStore::Newest(const std::string &port) const
{
    const QRegularExpression pattern = BackupName(port.empty() ? QString() : PortTag(port));
    struct Entry {
        QString stamp;
        int n;
        QString path;
    };
    std::vector<Entry> found;
    const QDir dir(folder_);
    for (const QString &name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch())
            found.push_back({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), dir.filePath(name)});
    }
    std::sort(found.begin(), found.end(), [](const Entry &a, const Entry &b) {
        if (a.stamp != b.stamp)
            return a.stamp > b.stamp;
        if (a.n != b.n)
            return a.n > b.n;
        return a.path < b.path;
    });
    QStringList out;
    for (const Entry &e : found)
        out << e.path;
    return out;
}

} // namespace tonvar::app

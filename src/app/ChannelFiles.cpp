// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChannelFiles.h"

#include "app/SaveGuard.h"
#include "files/ChannelFile.h"

#include <QFileInfo>

#include <utility>

namespace tonvar::app {

ChannelFiles::ChannelFiles(Document document, Choose choose, AskUnsaved askUnsaved)
    : document_(std::move(document)), choose_(std::move(choose)), askUnsaved_(std::move(askUnsaved))
{
}

void ChannelFiles::Open()
{
    const QString name = choose_(false);
    if (!name.isEmpty())
        Open(name);
}

void ChannelFiles::Open(const QString &name)
{
    bool loaded = false;
    document_.Change(QStringLiteral("Open ") + QFileInfo(name).fileName(), [&] {
        // Read whole into copies first: a file that cannot be read changes nothing.
        memory::ChannelTable t = document_.table;
        memory::SettingsTexts s = document_.settings;
        files::LoadChannelFile(t, s, name.toStdString());
        document_.table = std::move(t);
        document_.settings = std::move(s);
        loaded = true;
    });
    if (loaded) {
        document_.history.MarkSaved();
        if (fileUsed)
            fileUsed(name);
    }
}

bool ChannelFiles::Save()
{
    const QString name = choose_(true);
    if (name.isEmpty())
        return false;
    bool saved = false;
    document_.run([&] {
        RefuseToReplaceAnotherKind(name.toStdString(), files::FileKind::ChannelFile, "Save");
        files::SaveChannelFile(document_.table, document_.settings, name.toStdString());
        saved = true;
    });
    if (saved) {
        document_.history.MarkSaved();
        if (fileUsed)
            fileUsed(name);
    }
    return saved;
}

bool ChannelFiles::MayClose()
{
    return MayDiscard(askUnsaved_);
}

bool ChannelFiles::MayDiscard(const AskUnsaved &ask)
{
    if (document_.history.Saved())
        return true;
    switch (ask()) {
    case Unsaved::Discard:
        return true;
    case Unsaved::Save:
        return Save();
    case Unsaved::Cancel:
        break;
    }
    return false;
}

} // namespace tonvar::app

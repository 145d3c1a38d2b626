// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImageFiles.h"

#include "app/SaveGuard.h"
#include "app/WritePreview.h"
#include "signalling/RadioAreas.h"

#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace tonvar::app {

namespace {

// The channels' and the settings' bytes of an image, as a read keeps them.
protocol::KnownBlocks KnownBlocksOf(const files::RadioImage &image)
{
    protocol::KnownBlocks known;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        known.blocks.at(static_cast<std::size_t>(ch - 1)) =
            image.At({protocol::kAreaChannels, static_cast<std::uint8_t>(ch)});
    known.blocks.at(protocol::KnownBlocks::kSettings) = image.At({protocol::kAreaSettings, 0});
    return known;
}

} // namespace

ImageFiles::ImageFiles(Document document, protocol::MainSession &session, std::function<void(int milliseconds)> sleep)
    : document_(std::move(document)), session_(session), sleep_(std::move(sleep))
{
}

QString ImageFiles::ChooseWhileIdle(const QString &title, bool save) const
{
    return session_.hub.AnyRunning() ? QString() : choose(title, save);
}

void ImageFiles::BackUp()
{
    const QString name = ChooseWhileIdle(QStringLiteral("Back Up Radio"), true);
    if (name.isEmpty())
        return;
    // The table and the windows stay as they are: the radio goes into a file.
    document_.run([&] {
        RefuseToReplaceAnotherKind(name.toStdString(), files::FileKind::RadioImage, "Back Up Radio");
        session_.StartWhole(false, signalling::WholeRadioPlans(false), signalling::ImageHooks(whole_, sleep_),
                            [this, name] {
                                last_ = whole_;
                                session_.KeepKnownBlocks(KnownBlocksOf(whole_));
                                files::SaveRadioImage(whole_, name.toStdString());
                                document_.tell("The radio was backed up to " + name.toStdString() + ".");
                            });
    });
}

void ImageFiles::Restore()
{
    const QString name = ChooseWhileIdle(QStringLiteral("Restore Radio"), false);
    if (name.isEmpty())
        return;
    document_.run([&] {
        files::RadioImage image = files::LoadRadioImage(name.toStdString());
        // The preview asks instead, naming what changes.
        if (!guard || !guard->safety.preview) {
            if (!confirmRestore(name))
                return;
        }
        if (!guard) {
            StartRestore(name, std::move(image));
            return;
        }
        WriteRequest request;
        request.title = QStringLiteral("Restore Radio");
        for (const files::ImageBlock &b : files::ImageBlocks())
            if (std::find(request.areas.begin(), request.areas.end(), b.area) == request.areas.end())
                request.areas.push_back(b.area);
        request.after = [image](const files::RadioImage &) { return image; };
        request.holdsRadioData = true;
        request.cancelAlways = true; // every area the radio holds is replaced
        request.everyByte = true;    // and every byte is the image's
        request.write = [this, name, image] { StartRestore(name, image); };
        guard->Run(std::move(request));
    });
}

void ImageFiles::StartRestore(const QString &name, files::RadioImage image)
{
    whole_ = std::move(image);
    const bool readBack = session_.verifyWrites;
    session_.StartWhole(true, signalling::WholeRadioPlans(readBack), signalling::ImageHooks(whole_, sleep_),
                        [this, name, readBack] {
                            session_.KeepKnownBlocks(KnownBlocksOf(whole_));
                            const std::string text =
                                "The radio was restored from " + name.toStdString() +
                                (readBack ? " and read back: it holds the image." : ", not read back.");
                            document_.tell(guard ? guard->Announce(text) : text);
                        });
}

void ImageFiles::Open()
{
    const QString name = ChooseWhileIdle(QStringLiteral("Open Radio Image"), false);
    if (!name.isEmpty())
        Open(name);
}

void ImageFiles::Open(const QString &name)
{
    if (session_.hub.AnyRunning())
        return;
    bool opened = false;
    document_.run([&] {
        const files::RadioImage image = files::LoadRadioImage(name.toStdString());
        // Everything is decoded before anything changes.
        memory::ChannelTable t = document_.table;
        memory::SettingsTexts s = document_.settings;
        signalling::ChannelsFromImage(image, t, s);
        // The table and the panel as one step of the undo history.
        document_.Change(QStringLiteral("Open ") + QFileInfo(name).fileName(), [&] {
            document_.table = std::move(t);
            document_.settings = std::move(s);
        });
        if (showSignalling)
            showSignalling(image);
        last_ = image;
        session_.KeepKnownBlocks(KnownBlocksOf(image));
        opened = true;
    });
    if (opened && fileUsed)
        fileUsed(name);
}

void ImageFiles::Save()
{
    const QString name = choose(QStringLiteral("Save Radio Image"), true);
    if (name.isEmpty())
        return;
    bool saved = false;
    document_.run([&] {
        document_.CommitEdit();
        RefuseToReplaceAnotherKind(name.toStdString(), files::FileKind::RadioImage, "Save Radio Image");
        const files::RadioImage image = WindowImage();
        files::SaveRadioImage(image, name.toStdString());
        last_ = image;
        saved = true;
    });
    if (saved && fileUsed)
        fileUsed(name);
}

files::RadioImage ImageFiles::WindowImage() const
{
    files::RadioImage image = last_;
    signalling::ChannelsToImage(document_.table, document_.settings, image);
    if (keepSignalling)
        keepSignalling(image);
    return image;
}

files::RadioImage ImageFiles::WrittenImage() const
{
    files::RadioImage image = WithChannelsWritten(last_, document_.table, document_.settings, session_.Known());
    if (keepSignalling)
        keepSignalling(image);
    return image;
}

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
// The File menu's radio images (.radio): Back Up Radio (the radio into a
// file), Restore Radio (a file into the radio), Open Radio Image (its
// channels, settings and signalling into the windows) and Save Radio Image
// (what the windows hold into a file).
//
// A saved image starts from the last image opened or backed up, so bytes no
// window shows are kept. Backing up and restoring leave the table and the
// windows as they are. No save replaces a file of another kind; a file that
// cannot be read changes nothing.
#pragma once

#include "app/Document.h"
#include "app/WritePreview.h"
#include "files/RadioImage.h"
#include "protocol/MainSession.h"

#include <QString>

#include <functional>

namespace tonvar::app {

class ImageFiles {
public:
    ImageFiles(Document document, protocol::MainSession &session, std::function<void(int milliseconds)> sleep);

    // Asks for an image to open (save = false) or to save to, the dialog
    // titled with the command; empty when the user cancels.
    std::function<QString(const QString &title, bool save)> choose;
    // Whether to restore the image (its name given).
    std::function<bool(const QString &name)> confirmRestore;
    // The signalling windows' part of an image: shown in the windows, or
    // their texts put into it. May be empty.
    std::function<void(const files::RadioImage &)> showSignalling;
    std::function<void(files::RadioImage &)> keepSignalling;
    // Told of each file opened or saved, once it was (File > Open Recent
    // and the folder the next dialog starts in); may be empty.
    std::function<void(const QString &name)> fileUsed;

    // Restore Radio's read, backup and preview first (WritePreview.h); none
    // when null.
    WriteGuard *guard = nullptr;

    void BackUp();
    void Restore();
    void Open();
    // Opens the image `name` into the windows, as Open does once it is chosen.
    void Open(const QString &name);
    void Save();
    // What the windows hold as an image, as Save saves it: the last image
    // opened or backed up with the windows' texts over it. Throws
    // text::Failure for a changed text a write would refuse.
    files::RadioImage WindowImage() const;
    // What the windows hold as their writes would send it: channels and
    // settings as Write sends them (a channel without a receive frequency
    // empty, as the radio keeps it), the signalling windows' texts over the
    // last image. Throws text::Failure as Write's check does.
    files::RadioImage WrittenImage() const;

private:
    // Writes `image` into the radio, area by area, each read back.
    void StartRestore(const QString &name, files::RadioImage image);
    // Nothing is asked, and the command does nothing, while a session runs.
    QString ChooseWhileIdle(const QString &title, bool save) const;

    Document document_;
    protocol::MainSession &session_;
    std::function<void(int milliseconds)> sleep_;
    files::RadioImage whole_; // what a backup reads into or a restore writes
    // The bytes a saved image starts from: the last image opened or backed
    // up, else none.
    files::RadioImage last_;
};

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileKind.h"

#include "files/ChannelFile.h"
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "text/Convert.h"

#include <sys/stat.h>

namespace tonvar::files {

FileKind KindOfFile(const std::string &path, std::string *why)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FileKind::None; // nothing there (a link to nowhere: saving creates its file)
    if (S_ISDIR(st.st_mode))
        return FileKind::Folder;
    const auto other = [why](const std::string &reason) {
        if (why)
            *why = reason;
        return FileKind::Other;
    };
    if (!S_ISREG(st.st_mode))
        return other("It is not a regular file.");
    if (st.st_size == 0)
        return FileKind::None;
    std::string text;
    try {
        text = ReadFileBytes(path, "It is larger than any file tonvar writes.");
    } catch (const text::Failure &e) {
        const std::string message = e.what();
        const std::size_t reason = message.find("\". ");
        return other(reason == std::string::npos ? message : message.substr(reason + 3));
    }
    if (LooksLikeRadioImage(text))
        return FileKind::RadioImage;
    if (IsChannelFileText(text))
        return FileKind::ChannelFile;
    if (LooksLikeRoster(text))
        return FileKind::Roster;
    if (LooksLikeChannelCsv(text))
        return FileKind::ChannelCsv;
    try {
        CheckChannelFileText(text);
    } catch (const text::Failure &e) {
        return other(e.detail());
    }
    return other({});
}

std::string KindName(FileKind kind)
{
    switch (kind) {
    case FileKind::None:
        return "nothing";
    case FileKind::ChannelFile:
        return "a channel file";
    case FileKind::RadioImage:
        return "a radio image (the whole radio)";
    case FileKind::Roster:
        return "a roster (each radio's own values)";
    case FileKind::ChannelCsv:
        return "a CSV channel list";
    case FileKind::Folder:
        return "a folder";
    case FileKind::Other:
        break;
    }
    return "neither a channel file nor a radio image";
}

std::string WhatWrites(FileKind kind, bool inTheWindow)
{
    struct Writer {
        FileKind kind;
        const char *window;
        const char *cli;
    };
    static const Writer kWriters[] = {
        {FileKind::ChannelFile, "Channel files are saved by File > Save.",
         "Channel files are written by 'tonvar-cli read'."},
        {FileKind::RadioImage, "Radio images are saved by File > Save Radio Image and Back Up Radio.",
         "Radio images are written by 'tonvar-cli backup'."},
        {FileKind::ChannelCsv, "CSV channel lists are saved by File > Export CSV.",
         "CSV channel lists are written by 'tonvar-cli convert'."},
        {FileKind::Roster, "Rosters are written by hand or by a spreadsheet, for tonvar-cli.",
         "Rosters are written by hand or by a spreadsheet."},
    };
    for (const Writer &w : kWriters)
        if (w.kind == kind)
            return inTheWindow ? w.window : w.cli;
    return {};
}

} // namespace tonvar::files

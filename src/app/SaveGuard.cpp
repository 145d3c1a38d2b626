// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SaveGuard.h"

#include "text/Convert.h"

namespace tonvar::app {

void RefuseToReplaceAnotherKind(const std::string &path, files::FileKind saves, const std::string &command)
{
    std::string why;
    const files::FileKind kind = files::KindOfFile(path, &why);
    if (kind == files::FileKind::None || kind == saves)
        return;
    if (kind == files::FileKind::Folder)
        throw text::Failure(path + " is a folder.");
    std::string writer;
    switch (kind) {
    case files::FileKind::ChannelFile:
        writer = "Channel files are saved by File > Save. ";
        break;
    case files::FileKind::RadioImage:
        writer = "Radio images are saved by File > Save Radio Image and Back Up Radio. ";
        break;
    case files::FileKind::ChannelCsv:
        writer = "CSV channel lists are saved by File > Export CSV. ";
        break;
    case files::FileKind::Roster:
        writer = "Rosters are written by hand or by a spreadsheet, for tonvar-cli. ";
        break;
    default:
        break;
    }
    throw text::Failure(path + " holds " + files::KindName(kind) + ": " + command + " would replace it with " +
                            files::KindName(saves) + ", so nothing was saved.",
                        writer + (why.empty() ? "" : text::WithFullStop(why) + " ") + "Choose another file name.");
}

} // namespace tonvar::app

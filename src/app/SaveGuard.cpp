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
    const std::string writes = files::WhatWrites(kind, true);
    const std::string writer = writes.empty() ? "" : writes + " ";
    throw text::Failure(path + " holds " + files::KindName(kind) + ": " + command + " would replace it with " +
                            files::KindName(saves) + ", so nothing was saved.",
                        writer + (why.empty() ? "" : text::WithFullStop(why) + " ") + "Choose another file name.");
}

} // namespace tonvar::app

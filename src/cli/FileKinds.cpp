// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FileKinds.h"

#include "text/Convert.h"

namespace tonvar::cli {

std::string ReplaceProblem(const std::string &path, FileKind saves, const std::string &command,
                           const std::string &untouched)
{
    std::string why;
    const FileKind kind = KindOfFile(path, &why);
    if (kind == FileKind::None || kind == saves)
        return {};
    if (kind == FileKind::Folder)
        return path + " is a folder";
    const std::string saved = saves == FileKind::RadioImage   ? "a radio image"
                              : saves == FileKind::ChannelCsv ? "a CSV channel list"
                                                              : "a channel file";
    const std::string writes = files::WhatWrites(kind, false);
    const std::string writer = writes.empty() ? "" : " " + writes;
    return path + " holds " + KindName(kind) + (why.empty() ? "." : ": " + text::WithFullStop(why)) + " 'tonvar-cli " +
           command + "' would replace it with " + saved + ", so " + untouched + "." + writer +
           " Give another file name, or remove " + path + " first.";
}

} // namespace tonvar::cli

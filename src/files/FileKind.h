// SPDX-License-Identifier: GPL-3.0-or-later
// What an existing file holds, so that saving one kind of file never
// replaces a file of another: a channel file never goes over a radio image
// (every signalling area lost), an image never over a channel file, and
// neither over a roster, a CSV channel list or a file tonvar cannot tell.
#pragma once

#include <string>

namespace tonvar::files {

enum class FileKind {
    None,        // no file there, or an empty one: nothing to lose
    ChannelFile, // as a channel file's Open takes it
    RadioImage,  // its first line names the radio image format
    Roster,      // its first column is "port" or "serial"
    ChannelCsv,  // another program's channel list (Location, Frequency, ...)
    Folder,
    Other, // none of these (or too large, or not a regular file)
};

// What `path` (symbolic links followed) holds. `why`, for Other, says what
// keeps it from being a channel file ("It has 25 lines; ...").
FileKind KindOfFile(const std::string &path, std::string *why = nullptr);

// "a channel file", "a radio image (the whole radio)", ...
std::string KindName(FileKind kind);

// What writes a file of `kind`, in the window's words ("Channel files are
// saved by File > Save.") or tonvar-cli's ("Channel files are written by
// 'tonvar-cli read'."); empty for a kind nothing of the program writes.
std::string WhatWrites(FileKind kind, bool inTheWindow);

} // namespace tonvar::files

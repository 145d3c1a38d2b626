// SPDX-License-Identifier: GPL-3.0-or-later
// A command that saves one kind of file never replaces a file of another:
// a read never puts a channel file over a radio image (every signalling area
// lost), a backup never puts an image over a channel file, and neither
// replaces a roster, a CSV channel list or a file tonvar cannot tell.
#pragma once

#include "files/FileKind.h"

#include <string>

namespace tonvar::cli {

using files::FileKind;
using files::KindName;
using files::KindOfFile;

// Why `command` ("read", "backup"), which saves a file of kind `saves`
// (ChannelFile, RadioImage or ChannelCsv), may not replace `path`; empty when it may (no
// file there, an empty one, or one of the same kind). The message names the
// file, what it holds and the command that writes that kind; `untouched`
// says what was left alone.
std::string ReplaceProblem(const std::string &path, FileKind saves, const std::string &command,
                           const std::string &untouched = "no radio was touched");

} // namespace tonvar::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// A save of the window never replaces a file of another kind: a channel file
// never goes over a radio image (every signalling area lost), an image never
// over a channel file, a CSV export over neither, and none over a roster or
// a file tonvar cannot tell.
#pragma once

#include "files/FileKind.h"

#include <string>

namespace tonvar::app {

// Throws text::Failure, before anything is written or sent, when `path`
// holds a file of another kind than `saves`; the message names the file,
// what it holds and the command that saves that kind. `command` is the
// menu command that would replace it ("Save").
void RefuseToReplaceAnotherKind(const std::string &path, files::FileKind saves, const std::string &command);

} // namespace tonvar::app

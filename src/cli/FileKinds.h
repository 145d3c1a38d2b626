// What an existing file holds, so that a command saving one kind of file
// never replaces a file of another: a read never puts a channel file over a
// radio image (every signalling area lost), a backup never puts an image
// over a channel file, and neither replaces a roster, a CSV channel list or
// a file tonvar cannot tell.
#pragma once

#include <string>

namespace tonvar::cli {

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

// Why `command` ("read", "backup", "write --backup"), which saves a file of
// kind `saves` (ChannelFile or RadioImage), may not replace `path`; empty
// when it may (no file there, an empty one, or one of the same kind). The
// message names the file, what it holds and the command that writes that
// kind.
std::string ReplaceProblem(const std::string &path, FileKind saves, const std::string &command);

} // namespace tonvar::cli

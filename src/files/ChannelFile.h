// SPDX-License-Identifier: GPL-3.0-or-later
// Channel files (*.wh): the channel table and nine settings in a small text
// file of 26 lines ended by CR LF.
//
//   line 1        the column captions, as a record
//   lines 2..17   channels 1..16, as records
//   lines 18..26  the texts of ComboBox1..ComboBox9, as they are
//
// A record is the row's 16 cells separated by commas; a cell holding a double
// quote, a comma or a character from 0 to 32 is written in double quotes with
// inner quotes doubled. Loading reads the same back; a field the file leaves
// empty becomes a single blank " ", which the rest of the program treats as
// an empty cell. A hand-edited record is read as the format reads it: an
// unquoted blank separates two fields, fields beyond the sixteenth are
// dropped, and cells beyond a short record's last field stay empty.
#pragma once

#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "text/Convert.h"

#include <string>
#include <vector>

namespace tonvar::files {

// Files larger than this are no channel files and are refused unread.
inline constexpr std::size_t kMaxFileSize = 1 << 20;
// The settings a file keeps: ComboBox1..ComboBox9 (VOX level to save
// power); ComboBox10 (beep) is not kept.
inline constexpr int kSettingsInFile = 9;
// Rows beyond this many are not created from an over-long file.
inline constexpr int kMaxTableRows = 1024;

// One row as a record, without a line end.
std::string FormatRecord(const memory::ChannelRow &row);
// The fields of a record (the cells it names, in order; unlimited).
std::vector<std::string> ParseRecord(const std::string &line);
// Splits at CR, LF or CR LF; a last line without an end still counts.
std::vector<std::string> SplitLines(const std::string &text);

// The whole file's bytes.
std::string ChannelFileText(const memory::ChannelTable &table, const memory::SettingsTexts &settings);
// Applies a file's bytes to the table and the first nine settings. Throws
// text::Failure("List index out of bounds (%d)") at the first settings line
// the file does not have, after everything before it has been applied.
void ApplyChannelFileText(const std::string &text, memory::ChannelTable &table, memory::SettingsTexts &settings);

// A file's lines as a load takes them: split as SplitLines splits them, with
// blank lines after the 26th dropped (they are no rows of the table).
std::vector<std::string> ChannelFileLines(const std::string &text);

// Checks a file's bytes whole before anything is applied, refusing only what
// is no channel file: bytes that are not text (a zero byte, control
// characters other than tab), a list whose fields are separated by
// semicolons, a file of other than 26 lines (blank lines after the last one
// aside), or settings lines holding commas (the rows of another program's
// list). Whatever else the format reads opens: fields are split as
// ParseRecord splits them (an unquoted blank separates two), fields beyond
// the sixteenth are dropped and a line of fewer leaves the rest empty.
// Throws text::Failure: "The file is not a channel file." with what is wrong,
// and on which line, as the detail; a radio image, a roster or a CSV channel
// list is named as such.
void CheckChannelFileText(const std::string &text);
// Whether CheckChannelFileText takes the bytes.
bool IsChannelFileText(const std::string &text);
// Whether a text starts as another program's channel list does (the generic
// CSV of the common radio programmers: its first line names the columns
// Location and Frequency).
bool LooksLikeChannelCsv(const std::string &text);

// Writes the file through a temporary file in the same folder, renamed over
// the old one when complete, so a failed save leaves the old file as it was.
// A symbolic link is followed: the file it points to is saved and the link
// stays. A new file's mode follows the umask; an existing file keeps its
// mode, and its group where the user may keep it. Where the folder refuses a
// new file but the file itself may be written, it is rewritten in place
// instead (space reserved first, the old bytes put back when a write fails).
// Throws text::Failure("Cannot create file ...").
void SaveChannelFile(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                     const std::string &fileName);
// Throws text::Failure("Cannot open file ...") when the file cannot be read,
// or as CheckChannelFileText does; the table and settings are then unchanged.
void LoadChannelFile(memory::ChannelTable &table, memory::SettingsTexts &settings, const std::string &fileName);

// Saves any file's bytes as SaveChannelFile saves a channel file.
void SaveFileBytes(const std::string &fileName, const std::string &bytes);
// A whole file of at most kMaxFileSize bytes; throws text::Failure("Cannot
// open file ...") with the system's reason, or with `tooLarge` for a larger
// file.
std::string ReadFileBytes(const std::string &fileName, const std::string &tooLarge);
// A file read as ReadFileBytes reads it, then given to `parse`; a
// text::Failure of the parse is thrown again with the file's name before its
// message.
template <typename Parse>
auto LoadFileAs(const std::string &fileName, const std::string &tooLarge, Parse &&parse)
{
    const std::string text = ReadFileBytes(fileName, tooLarge);
    try {
        return parse(text);
    } catch (const text::Failure &e) {
        throw text::Failure(fileName + ": " + e.what(), e.detail());
    }
}

} // namespace tonvar::files

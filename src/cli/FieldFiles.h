// SPDX-License-Identifier: GPL-3.0-or-later
// A channel file or a radio image, field by field, for tonvar-cli diff, show
// and set: its fields named as the windows show them ("Channel 3, RX Freq",
// "Settings, SQ Lev", "FleetSync, ID[Own]"), two files compared as verify
// compares a file with a radio, and fields given new values as a write
// checks them, with only those fields' bytes changing in the saved file.
#pragma once

#include "cli/RadioJob.h"
#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"

#include <string>
#include <utility>
#include <vector>

namespace tonvar::cli {

struct FieldFile {
    std::string name;   // as given
    bool image = false; // a radio image; else a channel file
    bool csv = false;   // a CSV channel list, read as a channel file
    files::RadioImage radio;
    ChannelData channels;
    std::string bytes; // the file as it was read
};

// Loads a radio image (a file that starts as one) or a channel file. With
// `checked`, a channel file must convert as a write would send it
// (LoadForWriting); without, it is taken as the window's Open takes it.
// Throws text::Failure naming the file.
FieldFile LoadFieldFile(const std::string &name, bool checked);

// Every field and its text: an image's as ImageFields gives them; a channel
// file's channels 1..16 (columns 1..15) and nine settings, named as an image
// names them, with the file's own texts (a blank cell is empty).
std::vector<signalling::ImageField> FieldsOf(const FieldFile &file);

// One field where two files differ: `where` as verify names it, and each
// file's text.
struct FileDifference {
    std::string where;
    std::string a;
    std::string b;
    bool operator==(const FileDifference &) const = default;
};

// Each field where `a` and `b` differ, in the order of verify: two images
// field by field ("FleetSync, ID[Own]"); otherwise the channels and the nine
// settings a channel file keeps ("channel 3, RX Freq"), compared as the
// radio would keep them (145.5 equals 145.50000). Channel files must have
// been loaded `checked`.
std::vector<FileDifference> DiffFiles(const FieldFile &a, const FieldFile &b);

// "channel 3, RX Freq: a.wh '145.5', b.wh '146.00000'", as verify prints a
// difference with the files' names for "file" and "radio" (or "image" and
// "radio").
std::string FormatFileDifference(const FieldFile &a, const FieldFile &b, const FileDifference &d);

// Gives each field (named as FieldsOf names it) its text, in order, as a
// write checks it: an image's through SetImageField, a channel file's cell
// as the table completes an edit (a frequency written with five decimals, a
// new channel given the table's defaults) and then refused where the table
// made another value of it, every block then checked as a write checks it.
// Throws text::Failure naming the field; `file` is then unchanged. Returns
// the file's new bytes: the lines of the blocks (or the channels and
// settings) that changed are written again, every other line keeps its
// bytes. `file` must have been loaded `checked`.
std::string SetFields(FieldFile &file, const std::vector<std::pair<std::string, std::string>> &assignments);

} // namespace tonvar::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// The whole radio: the transfers that read or write all six areas, as the
// main window and the four signalling windows run them, and a radio image
// read through the windows' codecs, field by field.
#pragma once

#include "files/RadioImage.h"
#include "link/Transfer.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "signalling/DtmfBlocks.h"
#include "signalling/FiveToneBlocks.h"
#include "signalling/FleetSyncBlocks.h"
#include "signalling/TwoToneBlocks.h"

#include <functional>
#include <string>
#include <vector>

namespace tonvar::signalling {

// In order: channels and settings (after "PROGRAM"), then DTMF, FleetSync,
// 2TONE and 5TONE; 52 blocks in all. A write's transfers read back what
// they wrote when `readBack`.
std::vector<link::TransferPlan> WholeRadioPlans(bool readBack);

// A read stores each block in `image` as the radio gave it; a write sends
// each block of `image` byte for byte. A block read back holds what was
// written only when all its 28 bytes are equal: an image promises the radio
// its bytes back exactly. The settings request waits
// `sleep(kSettingsRequestPauseMs)` first, as the main window's does.
link::TransferHooks ImageHooks(files::RadioImage &image, std::function<void(int milliseconds)> sleep);

// A field as its window shows it: "Channel 3, RX Freq", "Settings, SQ Lev",
// "DTMF, ID Code", "2TONE, Decode row 3, Response Mode 2", "5TONE, Encode
// row 3, First Frame Coding"; a check box is "on" or "off". Every field has
// a name of its own.
struct ImageField {
    std::string where;
    std::string text;
};
std::vector<ImageField> ImageFields(const files::RadioImage &image);
// The names of the main window's fields: "Channel 3, RX Freq" (column 1 to
// 15) and "Settings, SQ Lev" (box 1 to 10).
std::string ChannelFieldName(int channel, int column);
std::string SettingsFieldName(int n);

// Every text of an image as the windows show it: the main window's table
// and panel, and the four signalling windows' texts.
struct ImageTexts {
    memory::ChannelTable channels;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    DtmfTexts dtmf;
    FleetSyncTexts fleetSync;
    TwoToneTexts twoTone;
    FiveToneTexts fiveTone;
    bool operator==(const ImageTexts &) const = default;
};
// Each text set from the image's bytes, as a read of each area shows them
// (nothing is kept from before; what the radio holds no value for is empty).
ImageTexts ImageTextsOf(const files::RadioImage &image);
// `base` with the fields whose text differs between `before` (the texts
// `base` was shown as, ImageTextsOf(base)) and `after` encoded again, each
// checked as a write checks it; every other byte stays as `base` has it,
// also where a text of `base` could not be encoded again. Throws
// text::Failure naming the first changed field that does not convert or that
// the radio cannot hold; `base` is not changed.
files::RadioImage ApplyChangedTexts(const files::RadioImage &base, const ImageTexts &before, const ImageTexts &after);

// One window's texts into its area of `image`: ApplyChangedTexts for that
// area, `before` being what the image shows there.
void ApplyAreaTexts(files::RadioImage &image, const DtmfTexts &texts);
void ApplyAreaTexts(files::RadioImage &image, const FleetSyncTexts &texts);
void ApplyAreaTexts(files::RadioImage &image, const TwoToneTexts &texts);
void ApplyAreaTexts(files::RadioImage &image, const FiveToneTexts &texts);

// Gives a field of an image (named as ImageFields names it) a text, as its
// window would write it: the radio must be able to hold the value, checked
// as a write checks it, and only that field's bytes change (a receive
// frequency given to an empty channel makes the whole channel, with the
// table's defaults for a new row; a 2TONE tone pair given to an entry not
// in use brings the window's defaults for its response mode and prompt). Throws
// text::Failure for a field no window has or a value the radio cannot hold,
// naming the field. A field's name matches regardless of case and of runs of
// blanks (SameFieldName).
void SetImageField(files::RadioImage &image, const std::string &where, const std::string &text);

// The main window's part of an image: channels 1 to 16 and the settings,
// decoded into its table and panel texts (every cell set), or encoded over
// the image's bytes where they differ from what the image shows
// (ApplyChangedTexts).
void ChannelsFromImage(const files::RadioImage &image, memory::ChannelTable &table, memory::SettingsTexts &settings);
void ChannelsToImage(const memory::ChannelTable &table, const memory::SettingsTexts &settings,
                     files::RadioImage &image);

// Whether `typed` names the field `where`, as a person may type it: case and
// runs of blanks do not count ("fleetsync,  id[own]" is "FleetSync, ID[Own]").
bool SameFieldName(const std::string &where, const std::string &typed);

struct FieldDifference {
    std::string where;
    std::string expected; // the image's text
    std::string radio;    // the radio's
    bool operator==(const FieldDifference &) const = default;
};
// "5TONE, Encode row 3, First Frame Coding: image '12345', radio '12346'";
// two files compared name themselves instead of "image" and "radio".
std::string FormatFieldDifference(const FieldDifference &d, const std::string &expectedName = "image",
                                  const std::string &radioName = "radio");
// Every field whose text differs between two images.
std::vector<FieldDifference> CompareImages(const files::RadioImage &expected, const files::RadioImage &radio);

// Where a field of ImageFields is shown: its area (protocol::kAreaChannels,
// kAreaSettings, kAreaDtmf, ...); in the table its channel and column, in
// the panel its box (`index`, as SettingsTexts::Box counts), in a
// signalling window its place among FieldSlots of the window's texts.
struct FieldPlace {
    std::uint8_t area = 0;
    int channel = 0;
    int column = 0;
    int index = 0;
    bool operator==(const FieldPlace &) const = default;
};
struct PlacedDifference {
    FieldPlace place;
    FieldDifference difference;
    bool operator==(const PlacedDifference &) const = default;
};
// CompareImages, each difference with the place its field is shown.
std::vector<PlacedDifference> ComparePlaced(const files::RadioImage &expected, const files::RadioImage &radio);

// A signalling window's fields in the order of ImageFields (its texts, then
// its check boxes), each with the text or the check box it is.
struct FieldSlot {
    std::string where;
    std::string *text = nullptr;
    bool *checked = nullptr;
};
std::vector<FieldSlot> FieldSlots(DtmfTexts &texts);
std::vector<FieldSlot> FieldSlots(FleetSyncTexts &texts);
std::vector<FieldSlot> FieldSlots(TwoToneTexts &texts);
std::vector<FieldSlot> FieldSlots(FiveToneTexts &texts);

} // namespace tonvar::signalling

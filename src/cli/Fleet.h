// SPDX-License-Identifier: GPL-3.0-or-later
// A fleet from one radio image and a roster: each radio's own image; and the
// IDs by which the radios of a fleet answer, which no two may share.
#pragma once

#include "files/RadioImage.h"
#include "files/Roster.h"

#include <optional>
#include <string>
#include <vector>

namespace tonvar::cli {

struct RadioOwnImage {
    files::RadioImage image;
    std::vector<std::pair<std::string, std::string>> fields; // the roster's values: field and text
    std::string values;                                      // "FleetSync, Fleet[Own] 100; FleetSync, ID[Own] 1001"
};

// For each radio (its label as tonvar-cli names it, its port as given and
// its cable's serial number, empty where none): its base image (the one of `bases`, or its own
// where there is one a radio) with its roster row's values.
// Throws text::Failure when a radio has no row, a value does not convert or
// the radio cannot hold it (naming the roster line and the field), or, unless
// `allowDuplicateIds`, two radios would have the same IDs (as
// RefuseDuplicateIds says), whether the roster gives them or the image does.
std::vector<RadioOwnImage> FleetImages(const files::Roster &roster, const std::vector<files::RadioImage> &bases,
                                       const std::vector<std::string> &labels, const std::vector<std::string> &devices,
                                       const std::vector<std::string> &serials, bool allowDuplicateIds);

// The IDs an image sets: its own FleetSync fleet and ID, where the ID is set
// (neither 0 nor 65535, an erased one), and its DTMF ID code, where the
// radio holds one (one to eight digits, not blank). A blank ID is no ID.
struct RadioIds {
    std::optional<std::string> fleetSync; // "FleetSync fleet 100 and ID 1001"
    std::optional<std::string> dtmf;      // "the DTMF ID code 101"
};
RadioIds IdsOf(const files::RadioImage &image);

// Throws text::Failure when two of the radios (`labels[i]` gets `images[i]`)
// would answer to the same IDs, naming the radios and the IDs:
// "pts-3 and pts-4 would both get FleetSync fleet 100 and ID 1001."
void RefuseDuplicateIds(const std::vector<files::RadioImage> &images, const std::vector<std::string> &labels);

} // namespace tonvar::cli

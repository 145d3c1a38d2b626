// A fleet from one radio image and a roster: each radio's own image.
#pragma once

#include "files/RadioImage.h"
#include "files/Roster.h"

#include <string>
#include <vector>

namespace tonvar::cli {

struct RadioOwnImage {
    files::RadioImage image;
    std::vector<std::pair<std::string, std::string>> fields; // the roster's values: field and text
    std::string values;                                      // "FleetSync, Fleet[Own] 100; FleetSync, ID[Own] 1001"
};

// For each radio (its label as tonvar-cli names it and its cable's serial
// number, empty where none): its base image (the one of `bases`, or its own
// where there is one a radio) with its roster row's values.
// Throws text::Failure when a radio has no row, a value does not convert or
// the radio cannot hold it (naming the roster line and the field), or the
// roster would give two radios the same FleetSync fleet and ID or the same
// DTMF ID code (unless `allowDuplicateIds`). IDs the roster does not give
// stay as the image has them and are not compared.
std::vector<RadioOwnImage> FleetImages(const files::Roster &roster, const std::vector<files::RadioImage> &bases,
                                       const std::vector<std::string> &labels, const std::vector<std::string> &serials,
                                       bool allowDuplicateIds);

} // namespace tonvar::cli

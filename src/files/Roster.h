// SPDX-License-Identifier: GPL-3.0-or-later
// Rosters (*.csv): each radio of a fleet with its own values, for a restore
// that gives every radio the same image but for these.
//
//   port,"FleetSync, Fleet[Own]","FleetSync, ID[Own]","DTMF, ID Code"
//   ttyUSB0,100,1001,101
//   ttyUSB1,100,1002,102
//
// The first column picks the radio: "port" (its label as tonvar-cli names
// it, ttyUSB0) or "serial" (its USB cable's serial number). Every other
// column is a field of a radio image, named as its window shows it; an
// empty cell leaves the image's value. Records are CSV as spreadsheets write
// them (commas, double quotes; a blank separates no fields), one a line; CR
// LF or LF line ends.
#pragma once

#include <string>
#include <vector>

namespace tonvar::files {

struct Roster {
    enum class Key { Port, Serial };
    Key key = Key::Port;
    std::vector<std::string> fields; // the column names after the first
    struct Row {
        std::string key;                 // the port or serial number
        std::vector<std::string> values; // one a field; empty: the image's
        int line = 0;                    // in the file, from 1
    };
    std::vector<Row> rows;

    // The row for a radio, or null.
    const Row *Find(const std::string &port, const std::string &serial) const;
};

// Whether a file's bytes start as a roster does (its first cell is "port" or
// "serial").
bool LooksLikeRoster(const std::string &text);

// Throws text::Failure "The file is not a roster." with what is wrong, and
// on which line, as the detail.
Roster ParseRoster(const std::string &text);
// Throws text::Failure("Cannot open file ...") or as ParseRoster does.
Roster LoadRoster(const std::string &fileName);

} // namespace tonvar::files

// SPDX-License-Identifier: GPL-3.0-or-later
// Rosters (*.csv): each radio of a fleet with its own values, for a restore
// that gives every radio the same image but for these.
//
//   port,"FleetSync, Fleet[Own]","FleetSync, ID[Own]","DTMF, ID Code"
//   ttyUSB0,100,1001,101
//   ttyUSB1,100,1002,102
//
// The first column picks the radio: "port" (its label as tonvar-cli names
// it, ttyUSB0; or its device, /dev/ttyUSB0 or a /dev/serial/by-id/ name) or
// "serial" (its USB cable's serial number). For a programming station, which
// gives each radio connected the next unused row, the first column is a
// label of any name ("asset", "port" or "serial" alike): Key::Label. Every other column is a field of
// a radio image, named as its window shows it (case and runs of blanks do
// not count); an empty cell leaves the image's value. Records are CSV as
// spreadsheets write them (commas, double quotes only where needed; a blank
// separates no fields), one a line; CR LF or LF line ends; a byte-order mark.
#pragma once

#include <string>
#include <vector>

namespace tonvar::files {

struct Roster {
    enum class Key { Port, Serial, Label };
    Key key = Key::Port;
    std::vector<std::string> fields; // the column names after the first
    struct Row {
        std::string key;                 // the port, serial number or label
        std::vector<std::string> values; // one a field; empty: the image's
        int line = 0;                    // in the file, from 1
    };
    std::vector<Row> rows;

    // The row for a radio, or null: by its serial number, or by its port,
    // which a row names by `label`, by `device` (the port as given) or by
    // another path to the same device (a /dev/serial/by-id/ link).
    const Row *Find(const std::string &label, const std::string &device, const std::string &serial) const;
};

// Whether a file's bytes start as a roster does (its first cell is "port" or
// "serial").
bool LooksLikeRoster(const std::string &text);

// How a roster's rows are picked: by the radio's port or cable serial
// number, or in file order by a station (the first column a label).
enum class RosterRows { ByRadio, InOrder };

// Throws text::Failure "The file is not a roster." with what is wrong, and
// on which line, as the detail. No two rows have the same first cell.
Roster ParseRoster(const std::string &text, RosterRows rows = RosterRows::ByRadio);
// Throws text::Failure("Cannot open file ...") or as ParseRoster does.
Roster LoadRoster(const std::string &fileName, RosterRows rows = RosterRows::ByRadio);

} // namespace tonvar::files

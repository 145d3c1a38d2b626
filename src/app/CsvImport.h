// SPDX-License-Identifier: GPL-3.0-or-later
// A CSV channel list (files/ChannelCsv.h) imported into the channel table.
//
// Each data row goes to the channel 1 to 16 its Location names; rows without
// one, or whose channel is taken or no channel (0, in lists of radios
// counted from 0), fill the free channels in file order, and the report
// says so in a line or two. A row that cannot be taken leaves
// its channel empty, and channels without a row are emptied. Column 0 then
// holds the channel numbers 1 to 16. Each row becomes
// the texts the table holds:
//
//   RX Freq     Frequency with five decimals, if the table would keep it
//   TX Freq     Duplex empty: RX; "+"/"-": RX plus/minus Offset; "split":
//               Offset; "off": empty
//   tones       as the format means them: Tone sends rToneFreq; TSQL sends
//               and decodes cToneFreq; DTCS sends and decodes DtcsCode;
//               Cross sends and decodes as CrossMode says (Tone->Tone,
//               Tone->DTCS, DTCS->Tone, ->Tone, ->DTCS, DTCS->, Tone->,
//               DTCS->DTCS), a transmit tone from rToneFreq, a receive tone
//               from cToneFreq, a transmit code from DtcsCode and a receive
//               code from RxDtcsCode (which counts only there). Tones have
//               one decimal, up to 300.0 Hz; codes one to three digits;
//               DtcsPolarity gives the transmit letter, then the receive
//               letter (N stays N, R is our I)
//   W/N         Mode FM: WIDE, NFM: NARROW; other modes are not taken
//   Scan Add.   Skip "S": NONE, otherwise YES
//   TX Power    a text starting with "L" or below 2 W: LOW, else HIGH
//   Step Freq   TStep in kHz, 5.00 / 6.25 / 10.00 / 12.50 / 25.00
//
// Columns the list does not have, and the table's columns the format has no
// place for, take the defaults of a newly typed row. Nothing is dropped in
// silence: each row not taken is reported with its reason.
#pragma once

#include "memory/ChannelTable.h"

#include <string>
#include <vector>

namespace tonvar::app {

struct CsvImportResult {
    int rows = 0;                      // data rows in the list
    int taken = 0;                     // of those, channels filled
    std::vector<std::string> notTaken; // one line for each row not taken, with its reason
    bool names = false;                // a row taken had a name, which the radio cannot keep

    // The text the user is shown after the import.
    std::string Report() const;
};

// Imports the list into channels 1 to 16 of the table (other rows and the
// channel numbers stay). Throws text::Failure, leaving the table as it was,
// when the text has no Frequency column.
CsvImportResult ImportCsvText(const std::string &text, memory::ChannelTable &table);

} // namespace tonvar::app

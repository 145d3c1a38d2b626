// SPDX-License-Identifier: GPL-3.0-or-later
// The channel table's editing rules, as plain functions of texts.
//
// Each time the user commits a cell, CompleteCellEdit checks and completes the
// row: a receive frequency is checked and written with five decimals, a new
// row gets its defaults, tones are normalised, and a row without a receive
// frequency is emptied. Wrong input is corrected, never refused.
#pragma once

#include "memory/ChannelTable.h"

#include <string>

namespace tonvar::app {

int CountChar(char c, const std::string &text);
// Characters "a".."z" and "A".."Z".
int CountLetters(const std::string &text);

// The text unchanged when it is a frequency above 0 and up to 999.99999 MHz
// written without letters; otherwise the empty text. Throws
// text::ConversionError for a text that passes the character tests but is no
// number.
std::string CheckFrequencyText(const std::string &text);

// A tone cell's text made regular: "NONE", a CTCSS tone with one decimal (at
// most 300.0) or a DCS code of three digits and "N" or "I" ("023N" for any
// malformed code). May throw text::ConversionError.
std::string NormalizeToneText(const std::string &text);

// The edit hook: works on row `row` after the cell (`row`, `column`), the
// table's current cell, was committed. May throw text::ConversionError; the
// cells written before that stay written.
void CompleteCellEdit(memory::ChannelTable &table, int row, int column);

} // namespace tonvar::app

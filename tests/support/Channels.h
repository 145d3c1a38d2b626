// SPDX-License-Identifier: GPL-3.0-or-later
// Channel tables and rows the tests start from.
#pragma once

#include "memory/ChannelTable.h"

#include <string>

namespace tonvar::test {

// The table as the main window holds it just after start: channels 1 to 16
// numbered, every other cell empty.
inline memory::ChannelTable NumberedTable()
{
    memory::ChannelTable table;
    for (int ch = 1; ch <= 16; ++ch)
        table.SetCell(ch, 0, std::to_string(ch));
    return table;
}

// A programmed channel: the cells a CSV list carries as given, the others as
// a newly typed row has them.
inline memory::ChannelRow TypedChannel(int ch, const std::string &rx, const std::string &tx,
                                       const std::string &decode = "NONE", const std::string &encode = "NONE",
                                       const std::string &power = "HIGH", const std::string &bandwidth = "WIDE",
                                       const std::string &scan = "YES", const std::string &step = "25000")
{
    return {std::to_string(ch),
            rx,
            tx,
            decode,
            encode,
            power,
            bandwidth,
            scan,
            step,
            "NONE",
            "NONE",
            "NONE",
            "NONE",
            "DTMF",
            "1",
            "NONE"};
}

} // namespace tonvar::test

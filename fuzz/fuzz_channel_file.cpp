// SPDX-License-Identifier: GPL-3.0-or-later
// Channel files come from other people: any bytes at all must load into the
// channel table and the panel's texts, or stop with the loader's own message,
// without writing outside the table. What loads is then used the way a write
// to the radio uses it, every channel and the settings block encoded into a
// frame; and a file that loaded whole saves and loads back the same. A file
// the check before loading takes loads whole into the 17 rows; what is then
// saved is taken by the check too, and opened and saved again gives the same
// bytes.
#include "Fuzz.h"

#include "files/ChannelFile.h"
#include "memory/ChannelBlock.h"
#include "memory/SettingsBlock.h"
#include "text/Convert.h"

#include <string>

using namespace tonvar;
using fuzz::Check;

namespace {

// An empty cell and a single blank both mean "nothing here".
bool SameCell(const std::string &a, const std::string &b)
{
    return a == b || (memory::IsNoFrequency(a) && memory::IsNoFrequency(b));
}

bool SameTable(const memory::ChannelTable &a, const memory::ChannelTable &b)
{
    if (a.RowCount() != b.RowCount())
        return false;
    for (int r = 0; r < a.RowCount(); ++r)
        for (int c = 0; c < memory::kColumnCount; ++c)
            if (!SameCell(a.Cell(r, c), b.Cell(r, c)))
                return false;
    return true;
}

// Loads the text; returns false when the load stopped early.
bool Load(const std::string &text, memory::ChannelTable &table, memory::SettingsTexts &settings)
{
    try {
        files::ApplyChannelFileText(text, table, settings);
        return true;
    } catch (const text::Failure &e) {
        Check(std::string(e.what()).rfind("List index out of bounds (", 0) == 0, "a load stops with another message");
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    memory::ChannelTable table;
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    const bool whole = Load(text, table, settings);

    Check(table.RowCount() >= memory::kTableRows && table.RowCount() <= files::kMaxTableRows,
          "the table lost a channel row or grew past its limit");
    Check(settings.Box(memory::SettingsTexts::kBeep) ==
              memory::DefaultSettingsTexts().Box(memory::SettingsTexts::kBeep),
          "a file changed the hidden ComboBox10");

    // A write to the radio encodes rows 1 to 16 and the settings; a text that
    // does not convert stops that with a conversion error, nothing worse.
    memory::Payload payload{};
    for (int r = 1; r <= memory::kChannelCount; ++r) {
        try {
            memory::EncodeChannelBlock(table.Row(r), payload);
        } catch (const text::ConversionError &) {
        }
    }
    try {
        memory::EncodeSettingsBlock(settings, payload);
    } catch (const text::ConversionError &) {
    }

    // Saved and loaded again, a whole file of the usual 17 rows comes back
    // as it was. (In a longer file the settings lines are table rows too.)
    if (whole && table.RowCount() == memory::kTableRows) {
        const std::string saved = files::ChannelFileText(table, settings);
        memory::ChannelTable again;
        memory::SettingsTexts againSettings;
        Check(Load(saved, again, againSettings), "a saved file does not load whole");
        Check(SameTable(table, again), "a saved table loads back different");
        for (int n = 1; n <= 9; ++n)
            Check(settings.Box(n) == againSettings.Box(n), "a saved settings text loads back different");
    }
    // What the check before loading takes, a load applies whole; saved, it
    // is taken again, and from the second save on the bytes stay the same.
    if (files::IsChannelFileText(text)) {
        std::string lines;
        for (const std::string &line : files::ChannelFileLines(text))
            lines += line + "\n";
        memory::ChannelTable checked;
        memory::SettingsTexts checkedSettings = memory::DefaultSettingsTexts();
        Check(Load(lines, checked, checkedSettings), "a file the check takes does not load whole");
        Check(checked.RowCount() == memory::kTableRows, "a file the check takes loads other than 17 rows");
        const std::string first = files::ChannelFileText(checked, checkedSettings);
        Check(files::IsChannelFileText(first), "the check refuses what tonvar saved");
        memory::ChannelTable second;
        memory::SettingsTexts secondSettings = memory::DefaultSettingsTexts();
        Check(Load(first, second, secondSettings), "a saved file does not load whole");
        const std::string again = files::ChannelFileText(second, secondSettings);
        memory::ChannelTable third;
        memory::SettingsTexts thirdSettings = memory::DefaultSettingsTexts();
        Check(Load(again, third, thirdSettings), "a saved file does not load whole");
        Check(files::ChannelFileText(third, thirdSettings) == again, "opened and saved, a file's bytes change");
    }
    return 0;
}

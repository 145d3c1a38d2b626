// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/SettingsBlock.h"

#include "text/Convert.h"

namespace tonvar::memory {

namespace {

std::uint8_t FunctionKeyByte(const std::string &text)
{
    if (text == "Monitor")
        return 1;
    if (text == "H/L PowerSwitch")
        return 2;
    return 0;
}

std::string FunctionKeyText(std::uint8_t value)
{
    switch (value) {
    case 1:
        return "Monitor";
    case 2:
        return "H/L PowerSwitch";
    default:
        return "NONE";
    }
}

std::uint8_t OpenByte(const std::string &text)
{
    return text == "OPEN" ? 1 : 0;
}

std::string OpenText(std::uint8_t value)
{
    return value == 1 ? "OPEN" : "CLOSE";
}

} // namespace

SettingsTexts DefaultSettingsTexts()
{
    return SettingsTexts{{"NONE", "1", "0", "60", "ENGLISH", "NONE", "NONE", "OPEN", "OPEN", "OPEN"}};
}

const std::string &SettingsCaption(int n)
{
    static const std::array<std::string, kSettingsBoxCount> captions{
        "VOX Lev", "VOX Time", "SQ Lev", "TOT", "Voice", "PF1", "PF2", "Scan", "Save Power", "Beep"};
    return captions.at(static_cast<std::size_t>(n - 1));
}

const std::vector<std::string> &SettingsItems(int n)
{
    static const std::vector<std::string> box1{"NONE", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    static const std::vector<std::string> box2{"1", "2", "3"};
    static const std::vector<std::string> box3{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const std::vector<std::string> box4{"60", "120", "180", "CLOSE"};
    static const std::vector<std::string> box5{"CLOSE", "ENGLISH"};
    static const std::vector<std::string> functionKey{"NONE", "Monitor", "H/L PowerSwitch"};
    static const std::vector<std::string> openClose{"OPEN", "CLOSE"};
    static const std::vector<std::string> none;
    switch (n) {
    case 1:
        return box1;
    case 2:
        return box2;
    case 3:
        return box3;
    case 4:
        return box4;
    case 5:
        return box5;
    case 6:
    case 7:
        return functionKey;
    case 8:
    case 9:
    case 10:
        return openClose;
    default:
        return none;
    }
}

void EncodeSettingsBox(int n, const std::string &text, Payload &payload)
{
    using settings_offsets::kBox;
    std::uint8_t &byte = payload[kBox.at(static_cast<std::size_t>(n))];
    switch (n) {
    case 1:
        byte = text == "NONE" ? std::uint8_t{0} : Low8(text::StrToInt(text));
        break;
    case 2:
    case 3:
        byte = Low8(text::StrToInt(text));
        break;
    case 4:
        byte = text == "CLOSE" ? std::uint8_t{0} : Low8(text::StrToInt(text));
        break;
    case 5:
        byte = text == "CLOSE" ? 0 : (text == "CHINESE" ? 1 : 2);
        break;
    case 6:
    case 7:
        byte = FunctionKeyByte(text);
        break;
    default:
        byte = OpenByte(text);
        break;
    }
}

void EncodeSettingsBlock(const SettingsTexts &texts, Payload &payload)
{
    for (std::size_t i = 0; i <= settings_offsets::kZeroLast; ++i)
        payload[i] = 0;
    for (int n = 1; n <= kSettingsBoxCount; ++n)
        EncodeSettingsBox(n, texts.Box(n), payload);
}

void DecodeSettingsBlock(const Payload &payload, SettingsTexts &texts)
{
    using settings_offsets::kBox;
    const auto at = [&](int n) { return payload[kBox[static_cast<std::size_t>(n)]]; };
    texts.Box(1) = at(1) == 0 ? "NONE" : std::to_string(at(1));
    texts.Box(2) = std::to_string(at(2));
    texts.Box(3) = std::to_string(at(3));
    texts.Box(4) = at(4) == 0 ? "CLOSE" : std::to_string(at(4));
    texts.Box(5) = at(5) == 0 ? "CLOSE" : (at(5) == 1 ? "CHINESE" : "ENGLISH");
    texts.Box(6) = FunctionKeyText(at(6));
    texts.Box(7) = FunctionKeyText(at(7));
    texts.Box(8) = OpenText(at(8));
    texts.Box(9) = OpenText(at(9));
    texts.Box(10) = OpenText(at(10));
}

} // namespace tonvar::memory

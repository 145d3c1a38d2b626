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
    using enum SettingsTexts::Setting;
    static const std::vector<std::string> voxLevels{"NONE", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    static const std::vector<std::string> voxTimes{"1", "2", "3"};
    static const std::vector<std::string> squelchLevels{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    static const std::vector<std::string> timeOuts{"60", "120", "180", "CLOSE"};
    static const std::vector<std::string> voices{"CLOSE", "ENGLISH"};
    static const std::vector<std::string> functionKey{"NONE", "Monitor", "H/L PowerSwitch"};
    static const std::vector<std::string> openClose{"OPEN", "CLOSE"};
    static const std::vector<std::string> none;
    switch (n) {
    case kVoxLevel:
        return voxLevels;
    case kVoxTime:
        return voxTimes;
    case kSquelch:
        return squelchLevels;
    case kTimeOut:
        return timeOuts;
    case kVoice:
        return voices;
    case kPf1:
    case kPf2:
        return functionKey;
    case kScan:
    case kSavePower:
    case kBeep:
        return openClose;
    default:
        return none;
    }
}

void EncodeSettingsBox(int n, const std::string &text, Payload &payload)
{
    using settings_offsets::kBox;
    using enum SettingsTexts::Setting;
    std::uint8_t &byte = payload[kBox.at(static_cast<std::size_t>(n))];
    switch (n) {
    case kVoxLevel:
        byte = text == "NONE" ? std::uint8_t{0} : Low8(text::StrToInt(text));
        break;
    case kVoxTime:
    case kSquelch:
        byte = Low8(text::StrToInt(text));
        break;
    case kTimeOut:
        byte = text == "CLOSE" ? std::uint8_t{0} : Low8(text::StrToInt(text));
        break;
    case kVoice:
        byte = text == "CLOSE" ? 0 : (text == "CHINESE" ? 1 : 2);
        break;
    case kPf1:
    case kPf2:
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
    using enum SettingsTexts::Setting;
    const auto at = [&](int n) { return payload[kBox[static_cast<std::size_t>(n)]]; };
    texts.Box(kVoxLevel) = at(kVoxLevel) == 0 ? "NONE" : std::to_string(at(kVoxLevel));
    texts.Box(kVoxTime) = std::to_string(at(kVoxTime));
    texts.Box(kSquelch) = std::to_string(at(kSquelch));
    texts.Box(kTimeOut) = at(kTimeOut) == 0 ? "CLOSE" : std::to_string(at(kTimeOut));
    texts.Box(kVoice) = at(kVoice) == 0 ? "CLOSE" : (at(kVoice) == 1 ? "CHINESE" : "ENGLISH");
    texts.Box(kPf1) = FunctionKeyText(at(kPf1));
    texts.Box(kPf2) = FunctionKeyText(at(kPf2));
    texts.Box(kScan) = OpenText(at(kScan));
    texts.Box(kSavePower) = OpenText(at(kSavePower));
    texts.Box(kBeep) = OpenText(at(kBeep));
}

} // namespace tonvar::memory

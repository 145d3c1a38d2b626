// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RadioImage.h"

#include "files/ChannelFile.h"
#include "text/Convert.h"

#include <stdexcept>
#include <vector>

namespace tonvar::files {

namespace {

// The radio's areas as the image names them, in the order of the file.
struct AreaName {
    std::uint8_t area;
    const char *name;
    int first;
    int last;
};
constexpr std::array<AreaName, 6> kAreas{{{0, "channel", 1, 16},
                                          {5, "settings", 0, 0},
                                          {1, "DTMF", 0, 3},
                                          {2, "FleetSync", 0, 2},
                                          {3, "2TONE", 0, 10},
                                          {4, "5TONE", 0, 16}}};

std::size_t IndexOf(ImageBlock block)
{
    std::size_t index = 0;
    for (const AreaName &a : kAreas) {
        if (a.area == block.area && block.number >= a.first && block.number <= a.last)
            return index + static_cast<std::size_t>(block.number - a.first);
        index += static_cast<std::size_t>(a.last - a.first + 1);
    }
    throw std::out_of_range("no such block in a radio image");
}

[[noreturn]] void NotAnImage(const std::string &why, std::size_t line)
{
    throw text::Failure("The file is not a radio image.",
                        (line > 0 ? "Line " + std::to_string(line) + ": " : std::string()) + why);
}

// The version the first line names, or -1 when it names none.
int VersionOf(const std::string &firstLine)
{
    const std::string line = text::TrimBlanks(firstLine);
    if (line.rfind(kRadioImageMagic + " ", 0) != 0)
        return -1;
    const std::string number = line.substr(kRadioImageMagic.size() + 1);
    if (number.empty() || number.size() > 6 || number.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    return std::stoi(number);
}

} // namespace

const std::array<ImageBlock, kRadioImageBlocks> &ImageBlocks()
{
    static const std::array<ImageBlock, kRadioImageBlocks> blocks = [] {
        std::array<ImageBlock, kRadioImageBlocks> out{};
        std::size_t i = 0;
        for (const AreaName &a : kAreas)
            for (int n = a.first; n <= a.last; ++n)
                out[i++] = {a.area, static_cast<std::uint8_t>(n)};
        return out;
    }();
    return blocks;
}

std::string ImageBlockName(ImageBlock block)
{
    for (const AreaName &a : kAreas)
        if (a.area == block.area)
            return a.first == a.last ? std::string(a.name) : std::string(a.name) + " " + std::to_string(block.number);
    return "area " + std::to_string(block.area) + " block " + std::to_string(block.number);
}

memory::Payload &RadioImage::At(ImageBlock block)
{
    return payloads[IndexOf(block)];
}

const memory::Payload &RadioImage::At(ImageBlock block) const
{
    return payloads[IndexOf(block)];
}

bool LooksLikeRadioImage(const std::string &text)
{
    const std::vector<std::string> lines = SplitLines(text.substr(0, 256));
    return !lines.empty() && VersionOf(lines.front()) >= 0;
}

std::string RadioImageText(const RadioImage &image)
{
    static const char *const hex = "0123456789ABCDEF";
    std::string out = kRadioImageMagic + " " + std::to_string(kRadioImageVersion) + "\n";
    out += "# Every block of the radio as it gave it: 28 bytes in hex a line (docs/radio-image.md).\n";
    for (const ImageBlock &b : ImageBlocks()) {
        out += ImageBlockName(b) + " =";
        for (const std::uint8_t byte : image.At(b)) {
            out += ' ';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
        out += '\n';
    }
    return out;
}

RadioImage ParseRadioImage(const std::string &text)
{
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.empty() || text.find('\0') != std::string::npos)
        NotAnImage("It is empty or not text.", 0);
    const int version = VersionOf(lines.front());
    if (version < 0)
        NotAnImage("The first line is not \"" + kRadioImageMagic + " " + std::to_string(kRadioImageVersion) + "\".", 1);
    if (version > kRadioImageVersion)
        throw text::Failure("The radio image was made by a newer tonvar.",
                            "It is of format " + std::to_string(version) + "; this tonvar reads format " +
                                std::to_string(kRadioImageVersion) + " and older.");
    RadioImage image;
    std::array<bool, kRadioImageBlocks> seen{};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t number = i + 1;
        const std::string line = text::TrimBlanks(lines[i]);
        if (line.empty() || line[0] == '#')
            continue;
        const auto equals = line.find('=');
        if (equals == std::string::npos)
            NotAnImage("\"name = bytes\" was expected.", number);
        const std::string name = text::TrimBlanks(line.substr(0, equals));
        std::size_t index = kRadioImageBlocks;
        for (std::size_t b = 0; b < kRadioImageBlocks; ++b)
            if (ImageBlockName(ImageBlocks()[b]) == name)
                index = b;
        if (index == kRadioImageBlocks)
            NotAnImage("No block is called \"" + name.substr(0, 40) + "\".", number);
        if (seen[index])
            NotAnImage(name + " is given twice.", number);
        seen[index] = true;
        std::string digits;
        for (const char c : line.substr(equals + 1)) {
            if (c == ' ' || c == '\t')
                continue;
            if (text::HexValue(c) < 0)
                NotAnImage(name + ": '" + std::string(1, c) + "' is not a hexadecimal digit.", number);
            digits += c;
        }
        if (digits.size() != 2 * memory::kPayloadLength)
            NotAnImage(name + " has " + std::to_string(digits.size() / 2) + " bytes, not " +
                           std::to_string(memory::kPayloadLength) + ".",
                       number);
        for (std::size_t k = 0; k < memory::kPayloadLength; ++k)
            image.payloads[index][k] =
                static_cast<std::uint8_t>(text::HexValue(digits[2 * k]) * 16 + text::HexValue(digits[2 * k + 1]));
    }
    for (std::size_t b = 0; b < kRadioImageBlocks; ++b)
        if (!seen[b])
            NotAnImage(ImageBlockName(ImageBlocks()[b]) + " is missing.", 0);
    return image;
}

void SaveRadioImage(const RadioImage &image, const std::string &fileName)
{
    SaveFileBytes(fileName, RadioImageText(image));
}

RadioImage LoadRadioImage(const std::string &fileName)
{
    return LoadFileAs(fileName, "The file is too large for a radio image.",
                      [](const std::string &text) { return ParseRadioImage(text); });
}

} // namespace tonvar::files

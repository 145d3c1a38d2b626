// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/RadioImage.h"
#include "files/Roster.h"
#include "text/Convert.h"

#include "Folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

using namespace tonvar;
using files::RadioImage;

namespace {

RadioImage Counting()
{
    RadioImage image;
    for (std::size_t b = 0; b < image.payloads.size(); ++b)
        for (std::size_t i = 0; i < image.payloads[b].size(); ++i)
            image.payloads[b][i] = static_cast<std::uint8_t>(b * 28 + i);
    return image;
}

std::string Replaced(std::string text, const std::string &from, const std::string &to)
{
    const auto at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

} // namespace

TEST(RadioImage, BlocksAreTheRadiosSixAreasInFileOrder)
{
    const auto &blocks = files::ImageBlocks();
    EXPECT_EQ(files::ImageBlockName(blocks.front()), "channel 1");
    EXPECT_EQ(files::ImageBlockName(blocks[16]), "settings");
    EXPECT_EQ(files::ImageBlockName(blocks[17]), "DTMF 0");
    EXPECT_EQ(files::ImageBlockName(blocks[21]), "FleetSync 0");
    EXPECT_EQ(files::ImageBlockName(blocks[24]), "2TONE 0");
    EXPECT_EQ(files::ImageBlockName(blocks.back()), "5TONE 16");
    EXPECT_EQ((blocks[16]), (files::ImageBlock{5, 0}));
    EXPECT_THROW(Counting().At({0, 0}), std::out_of_range) << "channels start at 1";
    EXPECT_THROW(Counting().At({4, 17}), std::out_of_range);
}

TEST(RadioImage, TextRoundTripsEveryByteAndReadsByLine)
{
    const RadioImage image = Counting();
    const std::string text = files::RadioImageText(image);
    EXPECT_EQ(text.rfind("tonvar radio image 1\n", 0), 0u);
    EXPECT_NE(text.find("\nchannel 1 = 00 01 02 03 "), std::string::npos);
    EXPECT_NE(text.find("\n5TONE 16 = "), std::string::npos);
    EXPECT_EQ(files::ParseRadioImage(text), image);
    EXPECT_TRUE(files::LooksLikeRadioImage(text));
    // CR LF line ends, blank and comment lines, lower case and unspaced hex.
    std::string edited = Replaced(text, "\n", "\r\n\r\n# a note\r\n");
    edited = Replaced(edited, "channel 1 = 00 01 02 03", "channel 1 = 00010203");
    EXPECT_EQ(files::ParseRadioImage(Replaced(edited, "1A 1B", "1a 1b")), image);
}

TEST(RadioImage, AFileThatIsNotOneIsRefusedSayingWhereAndWhy)
{
    const std::string good = files::RadioImageText(Counting());
    struct Case {
        std::string text;
        std::string message;
        std::string detail; // a part of it
    };
    const Case cases[] = {
        {"", "The file is not a radio image.", "empty"},
        {"\"Ch No.\",\"RX Freq\"\r\n1,145.5\r\n", "The file is not a radio image.", "Line 1"},
        {Replaced(good, "image 1", "image 2"), "The radio image was made by a newer tonvar.", "format 2"},
        {Replaced(good, "channel 3 =", "channel 3 :"), "The file is not a radio image.", "Line 5"},
        {Replaced(good, "channel 3 =", "channel 17 ="), "The file is not a radio image.", "channel 17"},
        {Replaced(good, "channel 3 =", "channel 2 ="), "The file is not a radio image.", "given twice"},
        {Replaced(good, " 3B", " 3G"), "The file is not a radio image.", "'G' is not a hexadecimal digit"},
        {Replaced(good, " 3B", ""), "The file is not a radio image.", "27 bytes, not 28"},
        {good.substr(0, good.find("5TONE 16")), "The file is not a radio image.", "5TONE 16 is missing"},
        {std::string("tonvar radio image 1\n\0\n", 23), "The file is not a radio image.", "not text"},
    };
    for (const Case &c : cases) {
        try {
            files::ParseRadioImage(c.text);
            ADD_FAILURE() << "accepted: " << c.text.substr(0, 60);
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), c.message) << c.detail;
            EXPECT_NE(e.detail().find(c.detail), std::string::npos) << e.detail();
        }
    }
    EXPECT_FALSE(files::LooksLikeRadioImage("\"Ch No.\",\"RX Freq\"\r\n"));
    EXPECT_FALSE(files::LooksLikeRadioImage("tonvar radio image one\n"));
}

// Loaded from a file, a radio image or a roster that does not parse is
// refused with the file's name before what is wrong, the detail as it was.
TEST(RadioImage, ALoadThatIsRefusedNamesTheFile)
{
    const std::filesystem::path dir = test::FreshTestFolder("tonvar-load");
    const std::string notes = (dir / "notes.txt").string();
    std::ofstream(notes, std::ios::binary) << "call Bob\n";
    const auto failure = [](auto &&action) {
        try {
            action();
        } catch (const text::Failure &e) {
            return std::pair<std::string, std::string>(e.what(), e.detail());
        }
        return std::pair<std::string, std::string>();
    };
    const auto image = failure([&] { files::LoadRadioImage(notes); });
    const auto parsedImage = failure([] { files::ParseRadioImage("call Bob\n"); });
    EXPECT_EQ(image.first, notes + ": The file is not a radio image.");
    EXPECT_EQ(image.second, parsedImage.second);
    const auto roster = failure([&] { files::LoadRoster(notes); });
    const auto parsedRoster = failure([] { files::ParseRoster("call Bob\n"); });
    ASSERT_FALSE(parsedRoster.first.empty());
    EXPECT_EQ(roster.first, notes + ": " + parsedRoster.first);
    EXPECT_EQ(roster.second, parsedRoster.second);
    std::filesystem::remove_all(dir);
}

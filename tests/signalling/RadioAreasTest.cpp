// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/RadioAreas.h"

#include "protocol/Frames.h"
#include "text/Convert.h"

#include <gtest/gtest.h>

#include <map>

using namespace tonvar;

namespace {

// The image of a blank radio, as a backup of one gives it.
files::RadioImage Blank()
{
    return files::RadioImage{};
}

std::map<std::string, std::string> Fields(const files::RadioImage &image)
{
    std::map<std::string, std::string> out;
    for (const signalling::ImageField &f : signalling::ImageFields(image))
        out[f.where] = f.text;
    return out;
}

} // namespace

// The image's blocks are the radio's areas as the windows transfer them.
TEST(RadioAreas, TheWholeRadioIsTheImagesBlocksInTheWindowsOrder)
{
    std::vector<files::ImageBlock> planned;
    for (const link::TransferPlan &plan : signalling::WholeRadioPlans(true))
        for (const link::BlockRef &b : plan.blocks)
            planned.push_back({b.area, b.number});
    const auto &blocks = files::ImageBlocks();
    EXPECT_EQ(planned, std::vector<files::ImageBlock>(blocks.begin(), blocks.end()));
    for (int area = 0; area < protocol::kAreaCount; ++area) {
        const auto [first, last] = protocol::kAreaBlocks[static_cast<std::size_t>(area)];
        EXPECT_NO_THROW(Blank().At({static_cast<std::uint8_t>(area), static_cast<std::uint8_t>(first)}));
        EXPECT_NO_THROW(Blank().At({static_cast<std::uint8_t>(area), static_cast<std::uint8_t>(last)}));
    }
    EXPECT_TRUE(signalling::WholeRadioPlans(true).front().handshake) << "PROGRAM first";
}

TEST(RadioAreas, AFieldIsSetByItsWindowsNameAndOnlyItsBytesChange)
{
    files::RadioImage image = Blank();
    image.At({protocol::kArea5Tone, 16})[27] = 0x5A; // a spare byte no field sets
    const files::RadioImage before = image;
    signalling::SetImageField(image, "FleetSync, ID[Own]", "2001");
    signalling::SetImageField(image, "DTMF, ID Code", "321");
    signalling::SetImageField(image, "DTMF, DTMF Side Tone", "on");
    signalling::SetImageField(image, "Settings, SQ Lev", "5");
    const auto fields = Fields(image);
    EXPECT_EQ(fields.at("FleetSync, ID[Own]"), "2001");
    EXPECT_EQ(fields.at("DTMF, ID Code"), "321");
    EXPECT_EQ(fields.at("DTMF, DTMF Side Tone"), "on");
    EXPECT_EQ(fields.at("Settings, SQ Lev"), "5");
    EXPECT_EQ(image.At({protocol::kArea5Tone, 16}), before.At({protocol::kArea5Tone, 16}));
    const auto differences = signalling::CompareImages(before, image);
    ASSERT_EQ(differences.size(), 4u);
    EXPECT_EQ(signalling::FormatFieldDifference(differences[0]), "Settings, SQ Lev: image '0', radio '5'");
}

TEST(RadioAreas, AValueTheRadioCannotHoldOrANameNoWindowHasIsRefusedNamingIt)
{
    struct Case {
        const char *where;
        const char *text;
        const char *detail; // a part of the failure's detail
    };
    const Case cases[] = {
        {"FleetSync, ID[Own]", "70000", "FleetSync, ID[Own]"},
        {"DTMF, Group Code", "E", "DTMF, Group Code"},
        {"DTMF, DTMF Side Tone", "yes", "DTMF, DTMF Side Tone"},
        {"FleetSync, Own ID", "2001", "\"FleetSync, ID[Own]\""},
    };
    for (const Case &c : cases) {
        files::RadioImage image = Blank();
        try {
            signalling::SetImageField(image, c.where, c.text);
            ADD_FAILURE() << c.where << " = " << c.text;
        } catch (const text::Failure &e) {
            EXPECT_NE(e.detail().find(c.detail), std::string::npos) << e.what() << " / " << e.detail();
        }
        EXPECT_EQ(image, Blank()) << c.where << ": nothing changed";
    }
}

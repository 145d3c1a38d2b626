// SPDX-License-Identifier: GPL-3.0-or-later
// The promises of an image's texts: every field has a name of its own; a
// read sets every text and the texts it shows give its bytes back; an image
// opened and saved, or given one field, keeps every byte not of that field;
// a restore's read-back judges every byte.
#include "signalling/RadioAreas.h"

#include "memory/ChannelBlock.h"
#include "protocol/MainAreas.h"
#include "text/Convert.h"

#include "Failures.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

using namespace tonvar;
using namespace tonvar::signalling;

namespace {

// Bytes as radios hold them, unusual ones often: 0x00 and 0xFF fill, small
// values, spare bits.
struct Bytes {
    std::mt19937 rng;
    explicit Bytes(unsigned seed) : rng(seed) {}
    std::uint8_t Next()
    {
        const auto kind = rng() % 20;
        if (kind < 6)
            return 0x00;
        if (kind < 9)
            return 0xFF;
        if (kind < 14)
            return static_cast<std::uint8_t>(rng() % 17);
        return static_cast<std::uint8_t>(rng());
    }
    memory::Payload Payload()
    {
        memory::Payload p{};
        for (auto &b : p)
            b = Next();
        return p;
    }
    files::RadioImage Image()
    {
        files::RadioImage image;
        for (auto &p : image.payloads)
            p = Payload();
        return image;
    }
};

template <typename Area>
Area AreaOf(const files::RadioImage &image, std::uint8_t area)
{
    Area out{};
    for (std::size_t b = 0; b < out.size(); ++b)
        out[b] = image.At({area, static_cast<std::uint8_t>(b)});
    return out;
}

// Decoded into fresh texts and into texts that hold something everywhere,
// an area gives the same texts; encoded over the bytes it came from, those
// texts give every byte back.
template <typename Texts, typename Area, typename Decode, typename Encode, typename Fields>
void ExpectReadSetsAllAndGivesBack(const Area &area, Decode &&decode, Encode &&encode, Fields &&fields,
                                   const std::string &what)
{
    Texts fresh{};
    decode(area, fresh);
    Texts held{};
    for (const NamedText &f : fields(held))
        *f.text = "old";
    decode(area, held);
    Texts a = fresh;
    Texts b = held;
    const auto fa = fields(a);
    const auto fb = fields(b);
    for (std::size_t i = 0; i < fa.size(); ++i)
        ASSERT_EQ(*fb[i].text, *fa[i].text) << what << ": " << fa[i].where << " kept from before";
    Area out = area;
    try {
        encode(fresh, out);
    } catch (const text::Failure &e) {
        FAIL() << what << ": the texts read do not encode: " << e.what() << " / " << e.detail();
    }
    for (std::size_t block = 0; block < area.size(); ++block)
        for (std::size_t i = 0; i < memory::kPayloadLength; ++i)
            ASSERT_EQ(out[block][i], area[block][i]) << what << ", block " << block << ", byte " << i;
}

void ExpectEveryAreaGivesBack(const files::RadioImage &image, const std::string &what)
{
    ExpectReadSetsAllAndGivesBack<DtmfTexts>(AreaOf<DtmfArea>(image, protocol::kAreaDtmf), DecodeDtmfArea,
                                             EncodeDtmfArea, DtmfFields, what + ", DTMF");
    ExpectReadSetsAllAndGivesBack<FleetSyncTexts>(AreaOf<FleetSyncArea>(image, protocol::kAreaFleetSync),
                                                  DecodeFleetSyncArea, EncodeFleetSyncArea, FleetSyncFields,
                                                  what + ", FleetSync");
    ExpectReadSetsAllAndGivesBack<TwoToneTexts>(AreaOf<TwoToneArea>(image, protocol::kArea2Tone), DecodeTwoToneArea,
                                                EncodeTwoToneArea, TwoToneFields, what + ", 2TONE");
    ExpectReadSetsAllAndGivesBack<FiveToneTexts>(AreaOf<FiveToneArea>(image, protocol::kArea5Tone),
                                                 DecodeFiveToneArea, EncodeFiveToneArea, FiveToneFields,
                                                 what + ", 5TONE");
}

files::RadioImage Filled(std::uint8_t byte)
{
    files::RadioImage image;
    for (auto &p : image.payloads)
        p.fill(byte);
    return image;
}

std::map<std::string, std::string> Fields(const files::RadioImage &image)
{
    std::map<std::string, std::string> out;
    for (const ImageField &f : ImageFields(image))
        out[f.where] = f.text;
    return out;
}

// The bytes of a field, from the areas' layouts: (area, block, payload
// offset).
using Place = std::tuple<std::uint8_t, std::uint8_t, std::size_t>;

std::set<Place> Span(std::uint8_t area, int block, std::size_t first, std::size_t count = 1)
{
    std::set<Place> out;
    for (std::size_t i = 0; i < count; ++i)
        out.insert({area, static_cast<std::uint8_t>(block), first + i});
    return out;
}

std::set<Place> operator+(std::set<Place> a, const std::set<Place> &b)
{
    a.insert(b.begin(), b.end());
    return a;
}

// "row 3, X" -> 3, and the rest after the row's comma.
int RowOf(const std::string &where, const std::string &prefix, std::string &rest)
{
    const std::size_t comma = where.find(", ", prefix.size());
    rest = where.substr(comma + 2);
    return std::stoi(where.substr(prefix.size(), comma - prefix.size()));
}

std::set<Place> FieldPlaces(const std::string &where)
{
    std::string rest;
    if (where.rfind("Channel ", 0) == 0) {
        const int ch = RowOf(where, "Channel ", rest);
        const auto &captions = memory::ColumnCaptions();
        const std::array<std::pair<std::size_t, std::size_t>, 16> bytes{
            {{0, 0}, {0, 4}, {4, 4}, {8, 2}, {10, 2}, {12, 1}, {13, 1}, {14, 1}, {15, 2}, {17, 1}, {18, 1}, {19, 1},
             {20, 1}, {22, 1}, {23, 1}, {21, 1}}};
        for (std::size_t c = 1; c < captions.size(); ++c)
            if (captions[c] == rest)
                return Span(protocol::kAreaChannels, ch, bytes[c].first, bytes[c].second);
        return {};
    }
    if (where.rfind("Settings, ", 0) == 0) {
        for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
            if ("Settings, " + memory::SettingsCaption(n) == where)
                return Span(protocol::kAreaSettings, 0, memory::settings_offsets::kBox[static_cast<std::size_t>(n)]);
        return {};
    }
    if (where.rfind("DTMF, ", 0) == 0) {
        const std::uint8_t a = protocol::kAreaDtmf;
        const std::map<std::string, std::set<Place>> block0{
            {"DTMF, DTMF Spend [digit/s]", Span(a, 0, 0)},   {"DTMF, First Digit Time [ms]", Span(a, 0, 1)},
            {"DTMF, First Digit Delay [ms]", Span(a, 0, 2)}, {"DTMF, # and * Tone [ms]", Span(a, 0, 3)},
            {"DTMF, D Code Assignment", Span(a, 0, 4)},      {"DTMF, DTMF Side Tone", Span(a, 0, 5)},
            {"DTMF, ID Code", Span(a, 0, 10, 4) + Span(a, 0, 19)},
            {"DTMF, Group Code", Span(a, 0, 14)},            {"DTMF, Auto Reset Timer [s]", Span(a, 0, 15)},
            {"DTMF, Call Alert", Span(a, 0, 16)},            {"DTMF, Transpond", Span(a, 0, 17)},
            {"DTMF, Clear To Transpond", Span(a, 0, 18)}};
        if (const auto it = block0.find(where); it != block0.end())
            return it->second;
        const int m = std::stoi(where.substr(std::string("DTMF, Autodial Memory ").size()));
        return Span(a, (m - 1) / 6 + 1, static_cast<std::size_t>(4 * ((m - 1) % 6)), 4) +
               (m <= 8 ? Span(a, 0, static_cast<std::size_t>(19 + m)) : std::set<Place>{});
    }
    if (where.rfind("FleetSync, row ", 0) == 0) {
        const int r = RowOf(where, "FleetSync, row ", rest);
        const std::size_t id = rest == "ID" ? 2 : 0;
        if (r <= 2)
            return Span(protocol::kAreaFleetSync, 0, 20 + 4 * static_cast<std::size_t>(r - 1) + id, 2);
        return Span(protocol::kAreaFleetSync, (r - 3) / 7 + 1, 4 * static_cast<std::size_t>((r - 3) % 7) + id, 2);
    }
    if (where.rfind("FleetSync, ", 0) == 0) {
        const std::uint8_t a = protocol::kAreaFleetSync;
        const std::map<std::string, std::set<Place>> block0{
            {"FleetSync, Fleet[Own]", Span(a, 0, 0, 2)},
            {"FleetSync, ID[Own]", Span(a, 0, 2, 2)},
            {"FleetSync, FleetSync Baud Rate[bps]", Span(a, 0, 4)},
            {"FleetSync, Data TX Modulation Delay Time[ms]", Span(a, 0, 5, 2)},
            {"FleetSync, Message Mode Timer [s]", Span(a, 0, 7)},
            {"FleetSync, PTT ID Side Tone", Span(a, 0, 8)}};
        return block0.at(where);
    }
    if (where.rfind("2TONE, Encode row ", 0) == 0) {
        const int r = RowOf(where, "2TONE, Encode row ", rest);
        const std::size_t second = rest.rfind("Second", 0) == 0 ? 2 : 0;
        if (r <= 2)
            return Span(protocol::kArea2Tone, 0, 20 + 4 * static_cast<std::size_t>(r - 1) + second, 2);
        return Span(protocol::kArea2Tone, (r - 3) / 7 + 1, 4 * static_cast<std::size_t>((r - 3) % 7) + second, 2);
    }
    if (where.rfind("2TONE, Decode row ", 0) == 0) {
        const int r = RowOf(where, "2TONE, Decode row ", rest);
        const int j = rest.back() - '1';
        const std::size_t entry = 12 * static_cast<std::size_t>((r - 1) % 2) + 3 * static_cast<std::size_t>(j);
        // A tone pair brings its entry's response mode and prompt along.
        const bool pair = rest.rfind("Decode", 0) == 0;
        const std::size_t at = pair ? 0 : rest.rfind("Response", 0) == 0 ? 1 : 2;
        return Span(protocol::kArea2Tone, 3 + (r - 1) / 2, entry + (pair ? 0 : at), pair ? 3 : 1);
    }
    if (where.rfind("2TONE, ", 0) == 0) {
        const std::vector<std::string> names{"Atone(hz)",
                                             "Btone(hz)",
                                             "Ctone(hz)",
                                             "Dtone(hz)",
                                             "Rest Time(ms)",
                                             "First Frequency Time(ms)",
                                             "Second Frequency Time(ms)",
                                             "Interval Between Two Frequency (ms)"};
        for (std::size_t i = 0; i < names.size(); ++i)
            if (where == "2TONE, " + names[i])
                return Span(protocol::kArea2Tone, 0, 2 * i, 2);
        return {};
    }
    if (where.rfind("5TONE, Standard row ", 0) == 0) {
        const int s = RowOf(where, "5TONE, Standard row ", rest);
        const std::size_t column = rest == "TX Time(ms)" ? 0 : rest == "Group Code" ? 1 : 2;
        return Span(protocol::kArea5Tone, 0, 3 * static_cast<std::size_t>(s - 1) + column);
    }
    if (where.rfind("5TONE, Encode row ", 0) == 0) {
        const int r = RowOf(where, "5TONE, Encode row ", rest);
        const std::size_t base = 14 * static_cast<std::size_t>((r - 1) % 2);
        const std::vector<std::string> codes{"First Frame Coding", "Second Frame Coding", "Third Frame Coding",
                                             "Confirmation Code"};
        for (std::size_t c = 0; c < codes.size(); ++c)
            if (rest == codes[c])
                return Span(protocol::kArea5Tone, (r + 1) / 2, base + 3 * c, 3);
        return Span(protocol::kArea5Tone, (r + 1) / 2, base + 12);
    }
    if (where.rfind("5TONE, Decode row ", 0) == 0) {
        const int r = RowOf(where, "5TONE, Decode row ", rest);
        const std::size_t base = 14 * static_cast<std::size_t>((r - 1) % 2);
        const std::map<std::string, std::pair<std::size_t, std::size_t>> columns{
            {"Use Standard", {0, 1}},          {"First Frame Decoding", {1, 3}}, {"Function 1", {0, 1}},
            {"Second Frame Decoding", {4, 3}}, {"Function 2", {7, 1}},           {"Third Frame Decoding", {8, 3}},
            {"Function 3", {7, 1}},            {"Response Code", {11, 3}}};
        const auto [at, count] = columns.at(rest);
        return Span(protocol::kArea5Tone, 9 + (r - 1) / 2, base + at, count);
    }
    const std::vector<std::string> delays{"5TONE, Sending First Frame Coding Delay Time(ms)",
                                          "5TONE, Sending Second Frame Coding Delay Time(ms)",
                                          "5TONE, Sending Third Frame Coding Delay Time(ms)",
                                          "5TONE, Extended Duration of The First Tone of Each Group"};
    for (std::size_t i = 0; i < delays.size(); ++i)
        if (where == delays[i])
            return Span(protocol::kArea5Tone, 0, 20 + i);
    return {};
}

std::set<Place> ChangedPlaces(const files::RadioImage &a, const files::RadioImage &b)
{
    std::set<Place> out;
    for (const files::ImageBlock &block : files::ImageBlocks())
        for (std::size_t i = 0; i < memory::kPayloadLength; ++i)
            if (a.At(block)[i] != b.At(block)[i])
                out.insert({block.area, block.number, i});
    return out;
}

} // namespace

// One name a field: verify, rosters, the image document and the windows'
// messages all say which field they mean.
TEST(ImageTexts, EveryFieldHasANameOfItsOwn)
{
    for (const files::RadioImage &image : {files::RadioImage{}, Filled(0xAB), Bytes(7).Image()}) {
        std::set<std::string> names;
        for (const ImageField &f : ImageFields(image))
            EXPECT_TRUE(names.insert(f.where).second) << f.where << " is the name of two fields";
        for (const char *name : {"2TONE, Decode row 3, Decode2", "2TONE, Decode row 3, Response Mode 2",
                                 "2TONE, Decode row 3, Prompt 2", "2TONE, Decode row 16, Prompt 4",
                                 "5TONE, Decode row 3, Function 2", "DTMF, DTMF Side Tone", "Channel 16, Compandor"})
            EXPECT_EQ(names.count(name), 1u) << name;
    }
}

// The document's name sets the one field it names, and verify names it.
TEST(ImageTexts, AResponseModeIsSetAndComparedByItsOwnName)
{
    files::RadioImage image = Filled(0xAB);
    const files::RadioImage before = image;
    SetImageField(image, "2TONE, Decode row 3, Response Mode 2", "REPLY");
    const auto changed = ChangedPlaces(before, image);
    EXPECT_EQ(changed, (std::set<Place>{{protocol::kArea2Tone, 4, 4}})) << "row 3 is block 4, entry 2 from offset 3";
    const auto differences = CompareImages(before, image);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(FormatFieldDifference(differences[0]), "2TONE, Decode row 3, Response Mode 2: image '171', radio 'REPLY'");
}

// A decode row whose last two entries are not in use: every other 2TONE
// field can still be given a value, and such an entry can be put in use.
TEST(ImageTexts, ATwoToneRowWithTwoEntriesLeavesEveryColumnSettable)
{
    files::RadioImage image;
    image.At({protocol::kArea2Tone, 3}) = {0xAB, 1, 5, 0xCD, 2, 6}; // row 1: two entries
    for (const auto &[where, text] : std::vector<std::pair<std::string, std::string>>{
             {"2TONE, Rest Time(ms)", "5000"},
             {"2TONE, Decode row 1, Prompt 2", "7"},
             {"2TONE, Decode row 1, Decode3", "DA"},
             {"2TONE, Decode row 2, Decode1", "BA"}}) {
        try {
            SetImageField(image, where, text);
        } catch (const text::Failure &e) {
            ADD_FAILURE() << where << ": " << e.what() << " / " << e.detail();
        }
        EXPECT_EQ(Fields(image).at(where), text);
    }
    const auto fields = Fields(image);
    EXPECT_EQ(fields.at("2TONE, Decode row 1, Response Mode 3"), "NONE") << "the window's defaults come with a pair";
    EXPECT_EQ(fields.at("2TONE, Decode row 1, Prompt 3"), "1");
    EXPECT_EQ(fields.at("2TONE, Decode row 1, Decode4"), "");
    // What the radio would not keep is refused, saying why.
    EXPECT_EQ(test::FailureAndDetailOf([&] { SetImageField(image, "2TONE, Decode row 1, Prompt 4", "3"); }),
              test::Refusal("The radio keeps no response mode or prompt in decode row 1 while its Decode4 is empty.",
                            "2TONE, Decode row 1, Prompt 4"));
}

// Read and written back unchanged, every area keeps every byte, also where
// the radio holds what no window lists.
TEST(ImageTexts, EachAreaReadAndWrittenBackKeepsEveryByte)
{
    struct Case {
        const char *what;
        std::uint8_t fill;
        std::vector<std::tuple<std::uint8_t, std::uint8_t, std::size_t, std::uint8_t>> bytes; // area, block, at, byte
    };
    const Case cases[] = {
        {"blank", 0x00, {}},
        {"erased", 0xFF, {}},
        {"DTMF side tone 0x01, clear to transpond 0x02", 0x00, {{1, 0, 5, 0x01}, {1, 0, 18, 0x02}}},
        {"DTMF spare bytes, unknown group, alert and transpond",
         0x00,
         {{1, 0, 6, 0x11}, {1, 0, 9, 0x99}, {1, 0, 14, 0x05}, {1, 0, 16, 7}, {1, 0, 17, 200}, {1, 3, 20, 0x42}}},
        {"DTMF ID without a count, memory 1 of D symbols, memory 2 beyond its count",
         0x00,
         {{1, 0, 10, 0x34}, {1, 0, 11, 0x12}, {1, 0, 20, 3}, {1, 0, 21, 1}, {1, 1, 4, 0x23}, {1, 1, 5, 0x01}}},
        {"DTMF memory 9 without a count", 0x00, {{1, 2, 8, 0x55}, {1, 2, 9, 0x01}}},
        {"FleetSync side tone 0x01, baud 30, spare bytes", 0x00, {{2, 0, 8, 0x01}, {2, 0, 4, 30}, {2, 0, 12, 0x77}}},
        {"2TONE first entry empty, second in use, spare bytes",
         0x00,
         {{3, 3, 1, 3}, {3, 3, 2, 9}, {3, 3, 3, 0xBC}, {3, 3, 4, 2}, {3, 3, 5, 4}, {3, 3, 24, 0x33}}},
        {"2TONE row in use with an odd pair and mode, an entry not in use holding bytes",
         0x00,
         {{3, 5, 0, 0x1B}, {3, 5, 1, 9}, {3, 5, 2, 200}, {3, 5, 4, 3}, {3, 5, 5, 16}}},
        {"5TONE odd codes, standards and functions",
         0x00,
         {{4, 0, 1, 0x1F}, {4, 0, 15, 0x66}, {4, 1, 2, 0xF1}, {4, 1, 12, 9}, {4, 1, 13, 0x5A}, {4, 9, 0, 0xC7},
          {4, 9, 7, 0x9F}, {4, 9, 14, 0x30}}},
    };
    for (const Case &c : cases) {
        files::RadioImage image = Filled(c.fill);
        for (const auto &[area, block, at, byte] : c.bytes)
            image.At({area, block})[at] = byte;
        ExpectEveryAreaGivesBack(image, c.what);
    }
}

// The same over radios of random bytes.
TEST(ImageTexts, AnyAreaReadAndWrittenBackKeepsEveryByte)
{
    Bytes bytes(20261209);
    for (int i = 0; i < 1000 && !HasFatalFailure(); ++i)
        ExpectEveryAreaGivesBack(bytes.Image(), "image " + std::to_string(i));
}

// An image opened and saved unchanged is the same image, byte for byte, also
// where a text it shows could not be encoded again (a receive frequency out
// of range).
TEST(ImageTexts, AnImageOpenedAndSavedKeepsItsBytes)
{
    files::RadioImage image;
    image.At({protocol::kAreaChannels, 5}) = {0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    image.At({protocol::kAreaChannels, 6}) = {0x10, 0x20, 0x30, 0x08, 0, 0, 0, 0, 0x05, 0x70, 0xFF, 0xFF};
    image.At({protocol::kAreaDtmf, 0})[5] = 0x01;
    image.At({protocol::kAreaFleetSync, 0})[8] = 0x01;
    Bytes bytes(5);
    std::vector<files::RadioImage> images{image, Filled(0xFF), Filled(0x5A)};
    for (int i = 0; i < 300; ++i)
        images.push_back(bytes.Image());
    for (const files::RadioImage &base : images) {
        memory::ChannelTable table;
        memory::SettingsTexts settings = memory::DefaultSettingsTexts();
        ChannelsFromImage(base, table, settings);
        files::RadioImage saved = base;
        try {
            ChannelsToImage(table, settings, saved);
        } catch (const text::Failure &e) {
            FAIL() << e.what() << " / " << e.detail();
        }
        EXPECT_EQ(ChangedPlaces(base, saved), std::set<Place>{});
        const ImageTexts texts = ImageTextsOf(base);
        EXPECT_EQ(ApplyChangedTexts(base, texts, texts), base);
    }
    // A change writes that field's bytes, and only those.
    ImageTexts before = ImageTextsOf(image);
    ImageTexts after = before;
    after.channels.Row(5)[memory::kColPower] = "LOW";
    after.dtmf.callAlert = "Continuous";
    after.fiveTone.Decode(2, 5) = "BEEP";
    const files::RadioImage saved = ApplyChangedTexts(image, before, after);
    EXPECT_EQ(ChangedPlaces(image, saved),
              (std::set<Place>{{protocol::kAreaChannels, 5, 12}, {protocol::kAreaDtmf, 0, 16},
                               {protocol::kArea5Tone, 9, 21}}));
    EXPECT_EQ(ImageTextsOf(saved), after);
}

// A changed value the radio cannot hold is refused naming the field; the
// image stays as it was.
TEST(ImageTexts, AChangedValueTheRadioCannotHoldIsRefused)
{
    const files::RadioImage image = Filled(0x00);
    const ImageTexts before = ImageTextsOf(image);
    struct Case {
        std::function<void(ImageTexts &)> change;
        const char *message;
        const char *detail;
    };
    const Case cases[] = {
        {[](ImageTexts &t) { t.fleetSync.ownFleet = "70000"; },
         "The radio cannot hold '70000': it would keep '4464'. The radio takes 0 to 65535.", "FleetSync, Fleet[Own]"},
        {[](ImageTexts &t) { t.twoTone.Decode(4, 5) = "BC"; },
         "The radio keeps none of decode row 4 while its Decode1 is empty.", "2TONE, Decode row 4, Response Mode 2"},
        {[](ImageTexts &t) { t.fiveTone.Encode(2, 3) = "XYZ"; }, "'$XYZ' is not a valid integer value",
         "5TONE, Encode row 2, Third Frame Coding: the radio takes up to 6 hexadecimal digits, or empty for none."},
        {[](ImageTexts &t) { t.channels.Row(3)[memory::kColRxFreq] = "146.5"; },
         "'' is not a valid floating point value", "Channel 3, QT/DQT Dec"},
        {[](ImageTexts &t) { t.settings.Box(memory::SettingsTexts::kTimeOut) = "300"; },
         "The radio cannot hold '300': it would keep '44'. The radio takes 60, 120, 180 or CLOSE.", "Settings, TOT"},
    };
    for (const Case &c : cases) {
        ImageTexts after = before;
        c.change(after);
        try {
            ApplyChangedTexts(image, before, after);
            ADD_FAILURE() << c.detail << ": taken";
        } catch (const text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), c.message);
            EXPECT_EQ(e.detail(), c.detail);
        }
    }
}

// Setting one field (as a roster does) changes that field's bytes and no
// other: a side tone byte of 0x01 and a digit count of a memory of D
// symbols stay as they are.
TEST(ImageTexts, SettingAFieldChangesOnlyItsBytes)
{
    files::RadioImage image;
    image.At({protocol::kAreaDtmf, 0})[5] = 0x01;  // side tone on
    image.At({protocol::kAreaDtmf, 0})[20] = 3;    // memory 1: "DDD"
    image.At({protocol::kAreaDtmf, 0})[10] = 0x21; // an ID without a count
    const files::RadioImage before = image;
    SetImageField(image, "DTMF, Call Alert", "Continuous");
    EXPECT_EQ(ChangedPlaces(before, image), (std::set<Place>{{protocol::kAreaDtmf, 0, 16}}));
    EXPECT_EQ(Fields(image).at("DTMF, Autodial Memory 1"), "DDD");

    // Any field of any image, given the text that field shows in another.
    Bytes bytes(11);
    int taken = 0;
    for (int i = 0; i < 1200; ++i) {
        files::RadioImage radio = bytes.Image();
        const files::RadioImage was = radio;
        const std::vector<ImageField> fields = ImageFields(radio);
        const std::vector<ImageField> others = ImageFields(bytes.Image());
        const std::size_t f = bytes.rng() % fields.size();
        const std::string text = bytes.rng() % 4 == 0 ? std::string() : others[f].text;
        const std::set<Place> places = FieldPlaces(fields[f].where);
        ASSERT_FALSE(places.empty()) << fields[f].where;
        try {
            SetImageField(radio, fields[f].where, text);
        } catch (const text::Failure &) {
            EXPECT_EQ(radio, was) << fields[f].where << " refused, and nothing changed";
            continue;
        }
        ++taken;
        std::set<Place> allowed = places;
        if (fields[f].where.rfind("Channel ", 0) == 0 && fields[f].where.find("RX Freq") != std::string::npos)
            allowed = allowed + Span(protocol::kAreaChannels, std::get<1>(*places.begin()), 0, 28); // made or emptied
        for (const Place &p : ChangedPlaces(was, radio))
            EXPECT_EQ(allowed.count(p), 1u) << fields[f].where << " = '" << text << "' changed area "
                                            << int(std::get<0>(p)) << " block " << int(std::get<1>(p)) << " byte "
                                            << std::get<2>(p);
        EXPECT_TRUE(memory::SameHeldValue(text, Fields(radio).at(fields[f].where)))
            << fields[f].where << " = '" << text << "' reads '" << Fields(radio).at(fields[f].where) << "'";
    }
    EXPECT_GT(taken, 400);
}

// A receive frequency set on an empty channel (a roster's column) makes a
// channel with the table's defaults for a new row.
TEST(ImageTexts, AReceiveFrequencyMakesAChannelOfAnEmptyOne)
{
    files::RadioImage image;
    SetImageField(image, "Channel 3, RX Freq", "146.52500");
    const auto fields = Fields(image);
    EXPECT_EQ(fields.at("Channel 3, RX Freq"), "146.52500");
    EXPECT_EQ(fields.at("Channel 3, TX Power"), "HIGH");
    EXPECT_EQ(fields.at("Channel 3, QT/DQT Dec"), "NONE");
    EXPECT_EQ(image.At({protocol::kAreaChannels, 3})[27], 0xFF);
    EXPECT_EQ(test::FailureOf([&] { SetImageField(image, "Channel 4, TX Power", "LOW"); }),
              "The radio keeps nothing of channel 4 while its RX Freq is empty.");
}

// A restore's read-back judges every byte: an image promises the radio its
// bytes back exactly, spare bytes and entries not in use included.
TEST(ImageTexts, ARestoresReadBackJudgesEveryByte)
{
    files::RadioImage image;
    image.At({protocol::kArea2Tone, 3}) = {0x00, 2, 3, 0xBC, 1, 4}; // first entry empty
    const link::TransferHooks hooks = ImageHooks(image, nullptr);
    for (const auto &[area, block, at] : std::vector<std::tuple<std::uint8_t, std::uint8_t, std::size_t>>{
             {protocol::kArea2Tone, 3, 3}, {protocol::kArea2Tone, 3, 27}, {protocol::kArea5Tone, 1, 13},
             {protocol::kAreaChannels, 1, 25}, {protocol::kAreaDtmf, 0, 7}}) {
        const memory::Payload written = image.At({area, block});
        memory::Payload read = written;
        EXPECT_TRUE(hooks.same({area, block}, written, read));
        read[at] ^= 0x40;
        EXPECT_FALSE(hooks.same({area, block}, written, read)) << int(area) << "/" << int(block) << " byte " << at;
    }
}

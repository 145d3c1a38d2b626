#include "signalling/RadioAreas.h"

#include "memory/ChannelBlock.h"
#include "memory/ChannelTable.h"
#include "memory/SettingsBlock.h"
#include "protocol/Frames.h"
#include "protocol/MainAreas.h"
#include "signalling/DtmfSession.h"
#include "signalling/FiveToneSession.h"
#include "signalling/FleetSyncSession.h"
#include "signalling/TwoToneSession.h"
#include "text/Convert.h"

namespace tonvar::signalling {

namespace {

files::ImageBlock ImageBlockOf(link::BlockRef b)
{
    return {b.area, b.number};
}

// The texts of the channels, as the main window's table holds them.
memory::ChannelTable ChannelsOf(const files::RadioImage &image)
{
    memory::ChannelTable table;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        memory::DecodeChannelBlock(ch, image.At({protocol::kAreaChannels, static_cast<std::uint8_t>(ch)}), table);
    return table;
}

memory::SettingsTexts SettingsOf(const files::RadioImage &image)
{
    memory::SettingsTexts settings = memory::DefaultSettingsTexts();
    memory::DecodeSettingsBlock(image.At({protocol::kAreaSettings, 0}), settings);
    return settings;
}

template <typename Texts, typename Decode>
Texts TextsOf(const files::RadioImage &image, std::uint8_t area, int blocks, Decode &&decode)
{
    Texts texts;
    for (int b = 0; b < blocks; ++b)
        decode(b, image.At({area, static_cast<std::uint8_t>(b)}), texts);
    return texts;
}

DtmfTexts DtmfOf(const files::RadioImage &image)
{
    DtmfDigitCounts counts{};
    return TextsOf<DtmfTexts>(
        image, protocol::kAreaDtmf, kDtmfBlocks,
        [&counts](int b, const memory::Payload &p, DtmfTexts &t) { DecodeDtmfBlock(b, p, t, counts); });
}

// The bytes of a block its window's fields set, found by encoding what the
// block holds over 0x00 and over 0xFF: true where both give the same byte.
// Every byte counts where the texts do not encode again. A DTMF block is
// read with the digit counts the image's block 0 gives, as a read does.
std::array<bool, memory::kPayloadLength> FieldBytes(link::BlockRef b, const files::RadioImage &image)
{
    const memory::Payload &payload = image.At(ImageBlockOf(b));
    memory::Payload zeros{};
    memory::Payload ones{};
    ones.fill(0xFF);
    const auto both = [&](const auto &encode) {
        encode(zeros);
        encode(ones);
    };
    std::array<bool, memory::kPayloadLength> mask{};
    try {
        switch (b.area) {
        case protocol::kAreaChannels: {
            memory::ChannelTable table;
            memory::DecodeChannelBlock(b.number, payload, table);
            both([&](memory::Payload &p) { memory::EncodeChannelBlock(table.Row(b.number), p); });
            break;
        }
        case protocol::kAreaSettings: {
            memory::SettingsTexts settings = memory::DefaultSettingsTexts();
            memory::DecodeSettingsBlock(payload, settings);
            both([&](memory::Payload &p) { memory::EncodeSettingsBlock(settings, p); });
            break;
        }
        case protocol::kAreaDtmf: {
            DtmfTexts texts;
            DtmfDigitCounts counts{};
            for (int before = 0; before < b.number; ++before)
                DecodeDtmfBlock(before, image.At({b.area, static_cast<std::uint8_t>(before)}), texts, counts);
            DecodeDtmfBlock(b.number, payload, texts, counts);
            both([&](memory::Payload &p) { EncodeDtmfBlock(b.number, texts, p); });
            break;
        }
        case protocol::kAreaFleetSync: {
            FleetSyncTexts texts;
            DecodeFleetSyncBlock(b.number, payload, texts);
            both([&](memory::Payload &p) { EncodeFleetSyncBlock(b.number, texts, p); });
            break;
        }
        case protocol::kArea2Tone: {
            TwoToneTexts texts;
            DecodeTwoToneBlock(b.number, payload, texts);
            both([&](memory::Payload &p) { EncodeTwoToneBlock(b.number, texts, p); });
            break;
        }
        default: {
            FiveToneTexts texts;
            DecodeFiveToneBlock(b.number, payload, texts);
            both([&](memory::Payload &p) { EncodeFiveToneBlock(b.number, texts, p); });
            break;
        }
        }
    } catch (const text::Failure &) {
        mask.fill(true);
        return mask;
    }
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = zeros[i] == ones[i];
    return mask;
}

void AddNamed(std::vector<ImageField> &out, std::vector<NamedText> named)
{
    for (const NamedText &n : named)
        out.push_back({n.where, *n.text});
}

} // namespace

std::vector<link::TransferPlan> WholeRadioPlans(bool readBack)
{
    std::vector<link::TransferPlan> plans{protocol::ChannelsAndSettings(readBack)};
    for (const SessionTraits &traits : {kDtmfTraits, kFleetSyncTraits, kTwoToneTraits, kFiveToneTraits}) {
        link::TransferPlan plan = AreaPlan(traits);
        plan.readBack = readBack;
        plans.push_back(plan);
    }
    return plans;
}

link::TransferHooks ImageHooks(files::RadioImage &image, std::function<void(int)> sleep)
{
    link::TransferHooks hooks;
    hooks.received = [&image](link::BlockRef b, const memory::Payload &p) { image.At(ImageBlockOf(b)) = p; };
    hooks.build = [&image](link::BlockRef b, memory::Payload &p) { p = image.At(ImageBlockOf(b)); };
    hooks.same = [&image](link::BlockRef b, const memory::Payload &written, const memory::Payload &read) {
        const auto mask = FieldBytes(b, image);
        for (std::size_t i = 0; i < written.size(); ++i)
            if (mask[i] && written[i] != read[i])
                return false;
        return true;
    };
    hooks.beforeRequest = [sleep = std::move(sleep)](link::BlockRef b) {
        if (b.area == protocol::kAreaSettings && sleep)
            sleep(protocol::kSettingsRequestPauseMs);
    };
    return hooks;
}

std::vector<ImageField> ImageFields(const files::RadioImage &image)
{
    std::vector<ImageField> out;
    const memory::ChannelTable table = ChannelsOf(image);
    const auto &captions = memory::ColumnCaptions();
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            out.push_back(
                {"Channel " + std::to_string(ch) + ", " + captions.at(static_cast<std::size_t>(c)), table.Cell(ch, c)});
    const memory::SettingsTexts settings = SettingsOf(image);
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        out.push_back({"Settings, " + memory::SettingsCaption(n), settings.Box(n)});
    const auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    DtmfTexts dtmf = DtmfOf(image);
    AddNamed(out, DtmfFields(dtmf));
    out.push_back({"DTMF, DTMF Side Tone", onOff(dtmf.CheckB1)});
    out.push_back({"DTMF, Clear To Transpond", onOff(dtmf.CheckB2)});
    FleetSyncTexts fleet = TextsOf<FleetSyncTexts>(
        image, protocol::kAreaFleetSync, kFleetSyncBlocks,
        [](int b, const memory::Payload &p, FleetSyncTexts &t) { DecodeFleetSyncBlock(b, p, t); });
    AddNamed(out, FleetSyncFields(fleet));
    out.push_back({"FleetSync, PTT ID Side Tone", onOff(fleet.CheckBox1)});
    TwoToneTexts two =
        TextsOf<TwoToneTexts>(image, protocol::kArea2Tone, kTwoToneBlocks,
                              [](int b, const memory::Payload &p, TwoToneTexts &t) { DecodeTwoToneBlock(b, p, t); });
    AddNamed(out, TwoToneFields(two));
    FiveToneTexts five =
        TextsOf<FiveToneTexts>(image, protocol::kArea5Tone, kFiveToneBlocks,
                               [](int b, const memory::Payload &p, FiveToneTexts &t) { DecodeFiveToneBlock(b, p, t); });
    AddNamed(out, FiveToneFields(five));
    return out;
}

std::string FormatFieldDifference(const FieldDifference &d)
{
    return d.where + ": image '" + d.expected + "', radio '" + d.radio + "'";
}

std::vector<FieldDifference> CompareImages(const files::RadioImage &expected, const files::RadioImage &radio)
{
    const std::vector<ImageField> a = ImageFields(expected);
    const std::vector<ImageField> b = ImageFields(radio);
    std::vector<FieldDifference> out;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i].text != b[i].text)
            out.push_back({a[i].where, a[i].text, b[i].text});
    return out;
}

} // namespace tonvar::signalling

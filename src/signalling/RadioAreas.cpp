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

// A check box of a window's texts, "on" or "off" in an image's fields.
struct NamedCheck {
    std::string where;
    bool *checked;
};

// One area of an image through its window's texts: read them from the
// image's blocks, name every field, check what the radio can hold, and
// write them back over the blocks (bytes no field sets stay as they were).
template <typename Texts>
struct AreaTexts {
    std::uint8_t area;
    int first;
    int last;
    std::function<Texts()> fresh;
    std::function<void(int block, const memory::Payload &, Texts &, DtmfDigitCounts &)> decode;
    std::function<void(int block, const Texts &, memory::Payload &)> encode;
    std::function<std::vector<NamedText>(Texts &)> fields;
    std::function<std::vector<NamedCheck>(Texts &)> checks;
    std::function<void(const Texts &)> held;

    Texts Read(const files::RadioImage &image) const
    {
        Texts texts = fresh();
        DtmfDigitCounts counts{};
        for (int b = first; b <= last; ++b)
            decode(b, image.At({area, static_cast<std::uint8_t>(b)}), texts, counts);
        return texts;
    }
    void Write(const Texts &texts, files::RadioImage &image) const
    {
        for (int b = first; b <= last; ++b)
            encode(b, texts, image.At({area, static_cast<std::uint8_t>(b)}));
    }
};

std::vector<NamedText> ChannelFields(memory::ChannelTable &table)
{
    std::vector<NamedText> out;
    const auto &captions = memory::ColumnCaptions();
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            out.push_back({"Channel " + std::to_string(ch) + ", " + captions.at(static_cast<std::size_t>(c)),
                           &table.Row(ch)[static_cast<std::size_t>(c)],
                           {}});
    return out;
}

std::vector<NamedText> SettingsFields(memory::SettingsTexts &settings)
{
    std::vector<NamedText> out;
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        out.push_back({"Settings, " + memory::SettingsCaption(n), &settings.Box(n), {}});
    return out;
}

const AreaTexts<memory::ChannelTable> &Channels()
{
    static const AreaTexts<memory::ChannelTable> a{
        protocol::kAreaChannels,
        1,
        memory::kChannelCount,
        [] { return memory::ChannelTable(); },
        [](int b, const memory::Payload &p, memory::ChannelTable &t, DtmfDigitCounts &) {
            memory::DecodeChannelBlock(b, p, t);
        },
        [](int b, const memory::ChannelTable &t, memory::Payload &p) { memory::EncodeChannelBlock(t.Row(b), p); },
        ChannelFields,
        [](memory::ChannelTable &) { return std::vector<NamedCheck>{}; },
        [](const memory::ChannelTable &t) {
            for (int ch = 1; ch <= memory::kChannelCount; ++ch)
                memory::CheckChannelHeld(t.Row(ch), ch);
        }};
    return a;
}

const AreaTexts<memory::SettingsTexts> &Settings()
{
    static const AreaTexts<memory::SettingsTexts> a{
        protocol::kAreaSettings,
        0,
        0,
        [] { return memory::DefaultSettingsTexts(); },
        [](int, const memory::Payload &p, memory::SettingsTexts &t, DtmfDigitCounts &) {
            memory::DecodeSettingsBlock(p, t);
        },
        [](int, const memory::SettingsTexts &t, memory::Payload &p) { memory::EncodeSettingsBlock(t, p); },
        SettingsFields,
        [](memory::SettingsTexts &) { return std::vector<NamedCheck>{}; },
        memory::CheckSettingsHeld};
    return a;
}

const AreaTexts<DtmfTexts> &Dtmf()
{
    static const AreaTexts<DtmfTexts> a{protocol::kAreaDtmf,
                                        0,
                                        kDtmfBlocks - 1,
                                        [] { return DtmfTexts(); },
                                        [](int b, const memory::Payload &p, DtmfTexts &t, DtmfDigitCounts &counts) {
                                            DecodeDtmfBlock(b, p, t, counts);
                                        },
                                        EncodeDtmfBlock,
                                        DtmfFields,
                                        [](DtmfTexts &t) {
                                            return std::vector<NamedCheck>{{"DTMF, DTMF Side Tone", &t.CheckB1},
                                                                           {"DTMF, Clear To Transpond", &t.CheckB2}};
                                        },
                                        CheckDtmfHeld};
    return a;
}

const AreaTexts<FleetSyncTexts> &FleetSync()
{
    static const AreaTexts<FleetSyncTexts> a{
        protocol::kAreaFleetSync,
        0,
        kFleetSyncBlocks - 1,
        [] { return FleetSyncTexts(); },
        [](int b, const memory::Payload &p, FleetSyncTexts &t, DtmfDigitCounts &) { DecodeFleetSyncBlock(b, p, t); },
        EncodeFleetSyncBlock,
        FleetSyncFields,
        [](FleetSyncTexts &t) {
            return std::vector<NamedCheck>{{"FleetSync, PTT ID Side Tone", &t.CheckBox1}};
        },
        CheckFleetSyncHeld};
    return a;
}

const AreaTexts<TwoToneTexts> &TwoTone()
{
    static const AreaTexts<TwoToneTexts> a{
        protocol::kArea2Tone,
        0,
        kTwoToneBlocks - 1,
        [] { return TwoToneTexts(); },
        [](int b, const memory::Payload &p, TwoToneTexts &t, DtmfDigitCounts &) { DecodeTwoToneBlock(b, p, t); },
        EncodeTwoToneBlock,
        TwoToneFields,
        [](TwoToneTexts &) { return std::vector<NamedCheck>{}; },
        CheckTwoToneHeld};
    return a;
}

const AreaTexts<FiveToneTexts> &FiveTone()
{
    static const AreaTexts<FiveToneTexts> a{
        protocol::kArea5Tone,
        0,
        kFiveToneBlocks - 1,
        [] { return FiveToneTexts(); },
        [](int b, const memory::Payload &p, FiveToneTexts &t, DtmfDigitCounts &) { DecodeFiveToneBlock(b, p, t); },
        EncodeFiveToneBlock,
        FiveToneFields,
        [](FiveToneTexts &) { return std::vector<NamedCheck>{}; },
        CheckFiveToneHeld};
    return a;
}

// Runs `f` on each area's texts, in the order of the image's fields.
template <typename F>
void EachArea(F &&f)
{
    f(Channels());
    f(Settings());
    f(Dtmf());
    f(FleetSync());
    f(TwoTone());
    f(FiveTone());
}

// The bytes of a block its window's fields set, found by encoding what the
// area holds over 0x00 and over 0xFF: true where both give the same byte.
// Every byte counts where the texts do not encode again.
std::array<bool, memory::kPayloadLength> FieldBytes(link::BlockRef b, const files::RadioImage &image)
{
    memory::Payload zeros{};
    memory::Payload ones{};
    ones.fill(0xFF);
    std::array<bool, memory::kPayloadLength> mask{};
    try {
        EachArea([&](const auto &area) {
            if (area.area != b.area)
                return;
            const auto texts = area.Read(image);
            area.encode(b.number, texts, zeros);
            area.encode(b.number, texts, ones);
        });
    } catch (const text::Failure &) {
        mask.fill(true);
        return mask;
    }
    for (std::size_t i = 0; i < mask.size(); ++i)
        mask[i] = zeros[i] == ones[i];
    return mask;
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
        // The fields the radio's bytes show count as well as the image's.
        files::RadioImage radio = image;
        radio.At(ImageBlockOf(b)) = read;
        const auto mask = FieldBytes(b, image);
        const auto shown = FieldBytes(b, radio);
        for (std::size_t i = 0; i < written.size(); ++i)
            if ((mask[i] || shown[i]) && written[i] != read[i])
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
    EachArea([&](const auto &area) {
        auto texts = area.Read(image);
        for (const NamedText &n : area.fields(texts))
            out.push_back({n.where, *n.text});
        for (const NamedCheck &c : area.checks(texts))
            out.push_back({c.where, *c.checked ? "on" : "off"});
    });
    return out;
}

void SetImageField(files::RadioImage &image, const std::string &where, const std::string &text)
{
    bool found = false;
    EachArea([&](const auto &area) {
        if (found)
            return;
        auto texts = area.Read(image);
        for (const NamedText &n : area.fields(texts))
            if (n.where == where) {
                *n.text = text;
                found = true;
            }
        for (const NamedCheck &c : area.checks(texts))
            if (c.where == where) {
                if (text != "on" && text != "off")
                    throw text::Failure("'" + text + "' is not on or off.", where);
                *c.checked = text == "on";
                found = true;
            }
        if (!found)
            return;
        try {
            area.held(texts);
        } catch (const text::Failure &e) {
            // Named by the field given, where the check named none.
            const std::string detail = e.detail().empty() ? where : e.detail();
            throw text::Failure(e.what(), detail.find(where) == std::string::npos ? where + ": " + detail : detail);
        }
        area.Write(texts, image);
    });
    if (!found)
        throw text::Failure("No field is called \"" + where + "\".",
                            "Fields are named as their windows show them: \"FleetSync, ID[Own]\", \"DTMF, ID Code\", "
                            "\"Channel 3, RX Freq\".");
}

void ChannelsFromImage(const files::RadioImage &image, memory::ChannelTable &table, memory::SettingsTexts &settings)
{
    DtmfDigitCounts none{};
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        Channels().decode(ch, image.At({protocol::kAreaChannels, static_cast<std::uint8_t>(ch)}), table, none);
    Settings().decode(0, image.At({protocol::kAreaSettings, 0}), settings, none);
}

void ChannelsToImage(const memory::ChannelTable &table, const memory::SettingsTexts &settings, files::RadioImage &image)
{
    Channels().held(table);
    Settings().held(settings);
    files::RadioImage out = image;
    Channels().Write(table, out);
    Settings().Write(settings, out);
    image = out;
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

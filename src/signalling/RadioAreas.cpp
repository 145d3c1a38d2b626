// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/RadioAreas.h"

#include "memory/ChannelBlock.h"
#include "memory/ChannelTable.h"
#include "memory/Holdable.h"
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

// A signalling area of an image through its window's texts.
template <typename Texts, typename Area>
struct SignallingArea {
    std::uint8_t area;
    Texts ImageTexts::*member;
    void (*decode)(const Area &, Texts &);
    void (*encode)(const Texts &, Area &);
    std::vector<NamedText> (*fields)(Texts &);
    std::vector<NamedCheck> (*checks)(Texts &);
    void (*held)(const Texts &, const Area &, const std::vector<bool> *);

    Area Of(const files::RadioImage &image) const
    {
        Area out{};
        for (std::size_t b = 0; b < out.size(); ++b)
            out[b] = image.At({area, static_cast<std::uint8_t>(b)});
        return out;
    }
    void Store(const Area &blocks, files::RadioImage &image) const
    {
        for (std::size_t b = 0; b < blocks.size(); ++b)
            image.At({area, static_cast<std::uint8_t>(b)}) = blocks[b];
    }
    Texts Read(const files::RadioImage &image) const
    {
        Texts texts{};
        decode(Of(image), texts);
        return texts;
    }
    // The fields whose text differs between `before` and `after` written over
    // the area of `out`; the others keep their bytes, because the area's
    // codec gives back the bytes it read.
    void Apply(const Texts &before, const Texts &after, files::RadioImage &out) const
    {
        Area blocks = Of(out);
        Texts texts{};
        decode(blocks, texts);
        Texts b = before;
        Texts a = after;
        const std::vector<NamedText> fb = fields(b);
        const std::vector<NamedText> fa = fields(a);
        const std::vector<NamedText> ft = fields(texts);
        std::vector<bool> changed(ft.size(), false);
        bool any = false;
        for (std::size_t i = 0; i < ft.size(); ++i)
            if (*fb[i].text != *fa[i].text) {
                *ft[i].text = *fa[i].text;
                changed[i] = any = true;
            }
        const std::vector<NamedCheck> cb = checks(b);
        const std::vector<NamedCheck> ca = checks(a);
        const std::vector<NamedCheck> ct = checks(texts);
        for (std::size_t i = 0; i < ct.size(); ++i)
            if (*cb[i].checked != *ca[i].checked) {
                *ct[i].checked = *ca[i].checked;
                any = true;
            }
        if (!any)
            return;
        held(texts, blocks, &changed);
        encode(texts, blocks);
        Store(blocks, out);
    }
};

std::vector<NamedCheck> DtmfChecks(DtmfTexts &t)
{
    return {{"DTMF, DTMF Side Tone", &t.sideTone}, {"DTMF, Clear To Transpond", &t.clearToTranspond}};
}

std::vector<NamedCheck> FleetSyncChecks(FleetSyncTexts &t)
{
    return {{"FleetSync, PTT ID Side Tone", &t.sideTone}};
}

template <typename Texts>
std::vector<NamedCheck> NoChecks(Texts &)
{
    return {};
}

const SignallingArea<DtmfTexts, DtmfArea> kDtmf{
    protocol::kAreaDtmf, &ImageTexts::dtmf, DecodeDtmfArea, EncodeDtmfArea, DtmfFields, DtmfChecks, CheckDtmfHeld};
const SignallingArea<FleetSyncTexts, FleetSyncArea> kFleetSync{protocol::kAreaFleetSync, &ImageTexts::fleetSync,
                                                               DecodeFleetSyncArea,      EncodeFleetSyncArea,
                                                               FleetSyncFields,          FleetSyncChecks,
                                                               CheckFleetSyncHeld};
const SignallingArea<TwoToneTexts, TwoToneArea> kTwoTone{
    protocol::kArea2Tone, &ImageTexts::twoTone, DecodeTwoToneArea,    EncodeTwoToneArea,
    TwoToneFields,        NoChecks<TwoToneTexts>, CheckTwoToneHeld};
const SignallingArea<FiveToneTexts, FiveToneArea> kFiveTone{
    protocol::kArea5Tone, &ImageTexts::fiveTone,  DecodeFiveToneArea, EncodeFiveToneArea,
    FiveToneFields,       NoChecks<FiveToneTexts>, CheckFiveToneHeld};

// Runs `f` on each signalling area, in the order of the image's fields.
template <typename F>
void EachSignallingArea(F &&f)
{
    f(kDtmf);
    f(kFleetSync);
    f(kTwoTone);
    f(kFiveTone);
}

// A conversion failure of one field, named as the main window names it.
template <typename F>
void Named(const std::string &where, F &&convert)
{
    try {
        convert();
    } catch (const text::ConversionError &e) {
        throw text::ConversionError(e.what(), where);
    }
}

// Every field of an image's texts, in the order of ImageFields, with the
// check boxes as "on" or "off" texts of their own.
struct FieldRef {
    std::string where;
    std::string *text = nullptr;
    bool *checked = nullptr;
    FieldPlace place;
};

// A signalling area's fields, texts then check boxes.
template <typename Texts, typename Area>
std::vector<FieldSlot> SlotsOf(const SignallingArea<Texts, Area> &area, Texts &texts)
{
    std::vector<FieldSlot> out;
    for (const NamedText &f : area.fields(texts))
        out.push_back({f.where, f.text, nullptr});
    for (const NamedCheck &c : area.checks(texts))
        out.push_back({c.where, nullptr, c.checked});
    return out;
}

std::vector<FieldRef> AllFields(ImageTexts &t)
{
    std::vector<FieldRef> out;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            out.push_back({ChannelFieldName(ch, c), &t.channels.Row(ch)[static_cast<std::size_t>(c)], nullptr,
                           {protocol::kAreaChannels, ch, c, 0}});
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        out.push_back({SettingsFieldName(n), &t.settings.Box(n), nullptr, {protocol::kAreaSettings, 0, 0, n}});
    EachSignallingArea([&](const auto &area) {
        int index = 0;
        for (const FieldSlot &s : SlotsOf(area, t.*(area.member)))
            out.push_back({s.where, s.text, s.checked, {area.area, 0, 0, index++}});
    });
    return out;
}

void ApplyChannels(const ImageTexts &before, const ImageTexts &after, files::RadioImage &out)
{
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        const memory::ChannelRow &was = before.channels.Row(ch);
        const memory::ChannelRow &now = after.channels.Row(ch);
        std::vector<int> changed;
        for (int c = 1; c < memory::kColumnCount; ++c)
            if (was[static_cast<std::size_t>(c)] != now[static_cast<std::size_t>(c)])
                changed.push_back(c);
        if (changed.empty())
            continue;
        memory::Payload &p = out.At({protocol::kAreaChannels, static_cast<std::uint8_t>(ch)});
        const bool empty = memory::IsNoFrequency(now[memory::kColRxFreq]);
        if (empty || memory::IsNoFrequency(was[memory::kColRxFreq])) {
            // A channel made or emptied: the whole block, as the main window
            // writes it. The cells of a channel without a receive frequency
            // are no part of it.
            if (empty && memory::IsNoFrequency(was[memory::kColRxFreq])) {
                for (const int c : changed)
                    if (!now[static_cast<std::size_t>(c)].empty())
                        throw text::Failure("The radio keeps nothing of channel " + std::to_string(ch) +
                                                " while its RX Freq is empty.",
                                            ChannelFieldName(ch, c));
                continue;
            }
            memory::CheckChannelHeld(now, ch);
            memory::EncodeChannelBlock(now, p);
            continue;
        }
        for (const int c : changed)
            Named(ChannelFieldName(ch, c),
                  [&] { memory::EncodeChannelColumn(c, now[static_cast<std::size_t>(c)], p); });
        memory::ChannelTable kept;
        memory::DecodeChannelBlock(ch, p, kept);
        for (const int c : changed) {
            const auto at = static_cast<std::size_t>(c);
            if (!memory::SameHeldValue(now[at], kept.Row(ch)[at]))
                memory::RefuseValue(ChannelFieldName(ch, c), now[at], kept.Row(ch)[at], memory::PickList(c),
                                    memory::ChannelRange(c));
        }
    }
}

void ApplySettings(const ImageTexts &before, const ImageTexts &after, files::RadioImage &out)
{
    memory::Payload &p = out.At({protocol::kAreaSettings, 0});
    std::vector<int> changed;
    for (int n = 1; n <= memory::kSettingsBoxCount; ++n)
        if (before.settings.Box(n) != after.settings.Box(n)) {
            changed.push_back(n);
            Named(SettingsFieldName(n), [&] { memory::EncodeSettingsBox(n, after.settings.Box(n), p); });
        }
    memory::SettingsTexts kept = memory::DefaultSettingsTexts();
    memory::DecodeSettingsBlock(p, kept);
    for (const int n : changed)
        if (!memory::SameHeldValue(after.settings.Box(n), kept.Box(n)))
            memory::RefuseValue(SettingsFieldName(n), after.settings.Box(n), kept.Box(n), memory::SettingsItems(n));
}

} // namespace

std::string ChannelFieldName(int channel, int column)
{
    return "Channel " + std::to_string(channel) + ", " + memory::ColumnCaptions().at(static_cast<std::size_t>(column));
}

std::string SettingsFieldName(int n)
{
    return "Settings, " + memory::SettingsCaption(n);
}

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
    // Every byte: a restore promises the radio its image back exactly.
    hooks.same = [](link::BlockRef, const memory::Payload &written, const memory::Payload &read) {
        return written == read;
    };
    hooks.beforeRequest = [sleep = std::move(sleep)](link::BlockRef b) {
        if (b.area == protocol::kAreaSettings && sleep)
            sleep(protocol::kSettingsRequestPauseMs);
    };
    return hooks;
}

ImageTexts ImageTextsOf(const files::RadioImage &image)
{
    ImageTexts texts;
    ChannelsFromImage(image, texts.channels, texts.settings);
    EachSignallingArea([&](const auto &area) { texts.*(area.member) = area.Read(image); });
    return texts;
}

files::RadioImage ApplyChangedTexts(const files::RadioImage &base, const ImageTexts &before, const ImageTexts &after)
{
    files::RadioImage out = base;
    ApplyChannels(before, after, out);
    ApplySettings(before, after, out);
    EachSignallingArea(
        [&](const auto &area) { area.Apply(before.*(area.member), after.*(area.member), out); });
    return out;
}

void ApplyAreaTexts(files::RadioImage &image, const DtmfTexts &texts)
{
    kDtmf.Apply(kDtmf.Read(image), texts, image);
}

void ApplyAreaTexts(files::RadioImage &image, const FleetSyncTexts &texts)
{
    kFleetSync.Apply(kFleetSync.Read(image), texts, image);
}

void ApplyAreaTexts(files::RadioImage &image, const TwoToneTexts &texts)
{
    kTwoTone.Apply(kTwoTone.Read(image), texts, image);
}

void ApplyAreaTexts(files::RadioImage &image, const FiveToneTexts &texts)
{
    kFiveTone.Apply(kFiveTone.Read(image), texts, image);
}

std::vector<ImageField> ImageFields(const files::RadioImage &image)
{
    ImageTexts texts = ImageTextsOf(image);
    std::vector<ImageField> out;
    for (const FieldRef &f : AllFields(texts))
        out.push_back({f.where, f.text ? *f.text : *f.checked ? "on" : "off"});
    return out;
}

void SetImageField(files::RadioImage &image, const std::string &where, const std::string &text)
{
    const ImageTexts before = ImageTextsOf(image);
    ImageTexts after = before;
    bool found = false;
    for (const FieldRef &f : AllFields(after)) {
        if (!SameFieldName(f.where, where))
            continue;
        found = true;
        if (f.text) {
            *f.text = text;
        } else {
            if (text != "on" && text != "off")
                throw text::Failure("'" + text + "' is not on or off.", where);
            *f.checked = text == "on";
        }
    }
    FillNewEntries(before.twoTone, after.twoTone);
    // A receive frequency given to an empty channel makes a channel, with
    // the table's defaults for a new row in its empty cells.
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        memory::ChannelRow &row = after.channels.Row(ch);
        if (!memory::IsNoFrequency(before.channels.Row(ch)[memory::kColRxFreq]) ||
            memory::IsNoFrequency(row[memory::kColRxFreq]))
            continue;
        for (int c = memory::kColDecodeTone; c < memory::kColumnCount; ++c)
            if (row[static_cast<std::size_t>(c)].empty())
                row[static_cast<std::size_t>(c)] = memory::NewRowDefaults()[static_cast<std::size_t>(c)];
    }
    if (!found)
        throw text::Failure("No field is called \"" + where + "\".",
                            "Fields are named as their windows show them: \"FleetSync, ID[Own]\", \"DTMF, ID Code\", "
                            "\"Channel 3, RX Freq\".");
    try {
        image = ApplyChangedTexts(image, before, after);
    } catch (const text::Failure &e) {
        // Named by the field given, where the check named none.
        const std::string detail = e.detail().empty() ? where : e.detail();
        throw text::Failure(e.what(), detail.find(where) == std::string::npos ? where + ": " + detail : detail);
    }
}

void ChannelsFromImage(const files::RadioImage &image, memory::ChannelTable &table, memory::SettingsTexts &settings)
{
    // Every cell from the image: a fresh table leaves empty what no text
    // stands for.
    memory::ChannelTable fresh;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch) {
        memory::DecodeChannelBlock(ch, image.At({protocol::kAreaChannels, static_cast<std::uint8_t>(ch)}), fresh);
        if (ch < table.RowCount())
            for (int c = 1; c < memory::kColumnCount; ++c)
                table.Row(ch)[static_cast<std::size_t>(c)] = fresh.Row(ch)[static_cast<std::size_t>(c)];
    }
    memory::DecodeSettingsBlock(image.At({protocol::kAreaSettings, 0}), settings);
}

void ChannelsToImage(const memory::ChannelTable &table, const memory::SettingsTexts &settings, files::RadioImage &image)
{
    const ImageTexts before = ImageTextsOf(image);
    ImageTexts after = before;
    for (int ch = 1; ch <= memory::kChannelCount && ch < table.RowCount(); ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            after.channels.Row(ch)[static_cast<std::size_t>(c)] = table.Row(ch)[static_cast<std::size_t>(c)];
    after.settings = settings;
    image = ApplyChangedTexts(image, before, after);
}

std::string FormatFieldDifference(const FieldDifference &d, const std::string &expectedName,
                                  const std::string &radioName)
{
    return d.where + ": " + expectedName + " '" + d.expected + "', " + radioName + " '" + d.radio + "'";
}

bool SameFieldName(const std::string &where, const std::string &typed)
{
    return text::FoldedName(where) == text::FoldedName(typed);
}

std::vector<FieldDifference> CompareImages(const files::RadioImage &expected, const files::RadioImage &radio)
{
    std::vector<FieldDifference> out;
    for (PlacedDifference &d : ComparePlaced(expected, radio))
        out.push_back(std::move(d.difference));
    return out;
}

std::vector<PlacedDifference> ComparePlaced(const files::RadioImage &expected, const files::RadioImage &radio)
{
    ImageTexts ta = ImageTextsOf(expected);
    ImageTexts tb = ImageTextsOf(radio);
    const std::vector<FieldRef> a = AllFields(ta);
    const std::vector<FieldRef> b = AllFields(tb);
    const auto text = [](const FieldRef &f) { return f.text ? *f.text : *f.checked ? "on" : "off"; };
    std::vector<PlacedDifference> out;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (text(a[i]) != text(b[i]))
            out.push_back({a[i].place, {a[i].where, text(a[i]), text(b[i])}});
    return out;
}

std::vector<FieldSlot> FieldSlots(DtmfTexts &texts)
{
    return SlotsOf(kDtmf, texts);
}

std::vector<FieldSlot> FieldSlots(FleetSyncTexts &texts)
{
    return SlotsOf(kFleetSync, texts);
}

std::vector<FieldSlot> FieldSlots(TwoToneTexts &texts)
{
    return SlotsOf(kTwoTone, texts);
}

std::vector<FieldSlot> FieldSlots(FiveToneTexts &texts)
{
    return SlotsOf(kFiveTone, texts);
}

} // namespace tonvar::signalling

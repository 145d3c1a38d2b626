// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WritePreview.h"

#include "protocol/Frames.h"
#include "signalling/RadioAreas.h"
#include "text/Convert.h"

#include <algorithm>
#include <set>
#include <utility>

namespace tonvar::app {

namespace {

bool InAreas(const std::vector<std::uint8_t> &areas, std::uint8_t area)
{
    return std::find(areas.begin(), areas.end(), area) != areas.end();
}

// "Channel 3, RX Freq" -> 3; 0 for any other field.
int ChannelOf(const std::string &where)
{
    static const std::string prefix = "Channel ";
    if (where.rfind(prefix, 0) != 0)
        return 0;
    return std::atoi(where.c_str() + prefix.size());
}

// The channels with a receive frequency in an image.
std::set<int> ChannelsHeld(const files::RadioImage &image)
{
    std::set<int> held;
    for (const signalling::ImageField &f : signalling::ImageFields(image)) {
        const int ch = ChannelOf(f.where);
        if (ch > 0 && f.where == "Channel " + std::to_string(ch) + ", RX Freq" && !f.text.empty())
            held.insert(ch);
    }
    return held;
}

QString Count(int n, const char *one, const char *many)
{
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
}

} // namespace

WriteSummary SummarizeWrite(const files::RadioImage &radio, const files::RadioImage &after,
                            const std::vector<std::uint8_t> &areas, bool everyByte)
{
    // Outside the written areas the radio keeps what it holds.
    files::RadioImage written = radio;
    for (const files::ImageBlock &b : files::ImageBlocks())
        if (InAreas(areas, b.area))
            written.At(b) = after.At(b);
    WriteSummary s;
    std::set<int> channels;
    std::set<std::string> blocksNamed;
    for (const signalling::FieldDifference &d : signalling::CompareImages(radio, written)) {
        s.lines.push_back(d.where + ": '" + d.expected + "' \u2192 '" + d.radio + "'");
        ++s.fields;
        if (const int ch = ChannelOf(d.where); ch > 0)
            channels.insert(ch);
    }
    s.channels = static_cast<int>(channels.size());
    // Bytes that change where no field shows them still change the radio.
    if (s.fields == 0 && everyByte)
        for (const files::ImageBlock &b : files::ImageBlocks())
            if (InAreas(areas, b.area) && radio.At(b) != written.At(b))
                s.lines.push_back(files::ImageBlockName(b) + ": bytes no field shows");
    const std::set<int> before = ChannelsHeld(radio);
    const std::set<int> now = ChannelsHeld(written);
    for (const int ch : before)
        if (!now.count(ch))
            s.emptied.push_back(ch);
    return s;
}

files::RadioImage WithChannelsWritten(const files::RadioImage &radio, const memory::ChannelTable &table,
                                      const memory::SettingsTexts &settings, const protocol::KnownBlocks &known)
{
    protocol::CheckBeforeWrite(table, settings, &known);
    memory::ChannelTable t = table;
    memory::SettingsTexts s = settings;
    protocol::KnownBlocks k = known;
    const link::TransferHooks hooks = protocol::ChannelsAndSettingsHooks(t, s, {}, &k);
    files::RadioImage out = radio;
    for (const link::BlockRef &b : protocol::ChannelsAndSettings(false).blocks) {
        memory::Payload &p = out.At({b.area, b.number});
        hooks.build(b, p);
    }
    return out;
}

QString WriteQuestion::Heading() const
{
    const int others = summary.fields - static_cast<int>(std::count_if(
                                            summary.lines.begin(), summary.lines.end(),
                                            [](const std::string &line) { return ChannelOf(line) > 0; }));
    QString text;
    if (summary.fields == 0) {
        text = QStringLiteral("The radio on %1 holds bytes no field shows that the write changes.").arg(port);
    } else {
        text = Count(summary.fields, "field changes", "fields change") + QStringLiteral(" in the radio on ") + port +
               QLatin1Char(':');
        if (summary.channels > 0)
            text += QLatin1Char(' ') + Count(summary.fields - others, "field", "fields") + QStringLiteral(" of ") +
                    Count(summary.channels, "channel", "channels");
        if (others > 0)
            text += (summary.channels > 0 ? QStringLiteral(" and ") : QStringLiteral(" ")) +
                    Count(others, "other field", "other fields");
        text += QLatin1Char('.');
    }
    if (!summary.emptied.empty()) {
        QStringList names;
        for (const int ch : summary.emptied)
            names << QString::number(ch);
        text += QStringLiteral("\nThe write empties ") +
                (summary.emptied.size() == 1 ? QStringLiteral("channel ") : QStringLiteral("channels ")) +
                names.join(QStringLiteral(", ")) + QStringLiteral(", which the radio holds data in.");
    }
    return text;
}

QString WriteQuestion::Details() const
{
    QStringList lines;
    for (const std::string &line : summary.lines)
        lines << QString::fromUtf8(line);
    return lines.join(QLatin1Char('\n'));
}

bool CancelByDefault(const WriteSummary &summary, bool windowHoldsRadioData, bool always)
{
    return always || !windowHoldsRadioData || !summary.emptied.empty();
}

WriteGuard::WriteGuard(protocol::MainSession &session, std::function<void(int milliseconds)> sleep)
    : session_(session), sleep_(std::move(sleep))
{
}

void WriteGuard::Run(WriteRequest request)
{
    if (session_.hub.AnyRunning())
        return;
    announce_.clear();
    if (request.check)
        request.check();
    if (!safety.preview && !safety.backups) {
        request.write();
        return;
    }
    // The whole radio for a backup, else only the areas the write writes.
    std::vector<link::TransferPlan> plans;
    for (link::TransferPlan &plan : signalling::WholeRadioPlans(false))
        if (safety.backups || std::any_of(plan.blocks.begin(), plan.blocks.end(), [&](const link::BlockRef &b) {
                return InAreas(request.areas, b.area);
            }))
            plans.push_back(std::move(plan));
    pending_ = std::move(request);
    port_ = session_.hub.portName;
    radio_ = files::RadioImage{};
    session_.StartWhole(
        false, std::move(plans), signalling::ImageHooks(radio_, sleep_),
        [this] {
            // The session has ended; the question waits for the answer to be
            // dealt with.
            if (later)
                later([this] { Decide(); });
            else
                Decide();
        },
        "It was the read before the write: nothing was written.");
}

void WriteGuard::Decide()
{
    WriteRequest request = std::move(pending_);
    pending_ = WriteRequest{};
    if (!request.write || session_.hub.AnyRunning())
        return;
    const files::RadioImage after = request.after(radio_);
    WriteQuestion question;
    question.title = request.title;
    question.port = QString::fromLocal8Bit(port_);
    question.summary = SummarizeWrite(radio_, after, request.areas, request.everyByte);
    question.cancelDefault = CancelByDefault(question.summary, request.holdsRadioData, request.cancelAlways);
    if (safety.preview) {
        if (question.summary.Nothing()) {
            if (tell)
                tell("The radio already holds this; nothing was written.");
            return;
        }
        if (!confirm || !confirm(question))
            return;
    }
    if (session_.hub.AnyRunning())
        return;
    // Kept only for a write that runs: what the radio held before it.
    QString backup;
    if (safety.backups) {
        backup = store.Save(radio_, now(), port_, safety.keep);
        lastBackup_ = backup;
    }
    announce_ = backup;
    request.write();
}

std::string WriteGuard::Announce(const std::string &text)
{
    if (announce_.isEmpty())
        return text;
    const std::string out = text + "\nBackup: " + announce_.toStdString();
    announce_.clear();
    return out;
}

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/FieldFiles.h"

#include "app/TableRules.h"
#include "files/ChannelFile.h"
#include "memory/Holdable.h"
#include "protocol/MainAreas.h"
#include "text/Convert.h"

#include <algorithm>

namespace tonvar::cli {

namespace {

// A loaded file's blank cell (" ") is an empty one.
std::string Shown(const std::string &text)
{
    return text == " " ? std::string() : text;
}

ChannelData ChannelsOf(const files::RadioImage &image)
{
    ChannelData data = WindowStartState();
    signalling::ChannelsFromImage(image, data.table, data.settings);
    return data;
}

// The channel file's own text of a field Compare named.
std::string OwnText(const ChannelData &data, const Difference &d)
{
    if (d.channel == 0) {
        for (int n = 1; n <= files::kSettingsInFile; ++n)
            if (memory::SettingsCaption(n) == d.caption)
                return data.settings.Box(n);
    } else {
        const auto &captions = memory::ColumnCaptions();
        for (int c = 1; c < memory::kColumnCount; ++c)
            if (captions.at(static_cast<std::size_t>(c)) == d.caption)
                return data.table.Cell(d.channel, c);
    }
    return d.radioText;
}

// A text's lines, each with the end it had ("\r\n", "\r", "\n" or none),
// split where files::SplitLines splits them.
struct Line {
    std::string text;
    std::string end;
};

std::vector<Line> LinesWithEnds(const std::string &text)
{
    std::vector<Line> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t stop = std::min(text.find_first_of("\r\n", i), text.size());
        Line line{text.substr(i, stop - i), {}};
        i = stop;
        if (i < text.size() && text[i] == '\r')
            line.end += text[i++];
        if (i < text.size() && text[i] == '\n' && (line.end.empty() || line.end == "\r"))
            line.end += text[i++];
        out.push_back(std::move(line));
    }
    return out;
}

std::string Joined(const std::vector<Line> &lines)
{
    std::string out;
    for (const Line &line : lines)
        out += line.text + line.end;
    return out;
}

// The name a line of an image gives its block ("channel 3"), or nothing.
std::string BlockNameOf(const std::string &line)
{
    const std::string trimmed = text::TrimBlanks(line);
    const std::size_t equals = trimmed.find('=');
    if (trimmed.empty() || trimmed[0] == '#' || equals == std::string::npos)
        return {};
    return text::TrimBlanks(trimmed.substr(0, equals));
}

// `bytes` (an image's text) with the line of each block that differs
// between `was` and `now` written again as a save writes it.
std::string ImageBytes(const std::string &bytes, const files::RadioImage &was, const files::RadioImage &now)
{
    std::vector<Line> lines = LinesWithEnds(bytes);
    const std::vector<Line> saved = LinesWithEnds(files::RadioImageText(now));
    for (const files::ImageBlock &b : files::ImageBlocks()) {
        if (was.At(b) == now.At(b))
            continue;
        const std::string name = files::ImageBlockName(b);
        const auto named = [&](const Line &line) { return BlockNameOf(line.text) == name; };
        const auto from = std::find_if(saved.begin(), saved.end(), named);
        const auto to = std::find_if(lines.begin() + 1, lines.end(), named);
        if (from == saved.end() || to == lines.end())
            return files::RadioImageText(now); // cannot happen to a parsed image
        to->text = from->text;
    }
    return Joined(lines);
}

// `bytes` (a channel file's) with each channel and setting line that
// differs between `was` and `now` written again as a save writes it.
std::string ChannelFileBytes(const std::string &bytes, const ChannelData &was, const ChannelData &now)
{
    std::vector<Line> lines = LinesWithEnds(bytes);
    const std::size_t settingsFrom = static_cast<std::size_t>(memory::kChannelCount) + 1;
    if (lines.size() < settingsFrom + files::kSettingsInFile)
        return files::ChannelFileText(now.table, now.settings);
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        if (was.table.Row(ch) != now.table.Row(ch))
            lines[static_cast<std::size_t>(ch)].text = files::FormatRecord(now.table.Row(ch));
    for (int n = 1; n <= files::kSettingsInFile; ++n)
        if (was.settings.Box(n) != now.settings.Box(n))
            lines[settingsFrom + static_cast<std::size_t>(n) - 1].text = now.settings.Box(n);
    return Joined(lines);
}

[[noreturn]] void NoSuchField(const std::string &where)
{
    const bool imageField = [&] {
        for (const signalling::ImageField &f : signalling::ImageFields(files::RadioImage{}))
            if (signalling::SameFieldName(f.where, where))
                return true;
        return false;
    }();
    if (imageField)
        throw text::Failure("A channel file has no such field: it keeps channels 1 to 16 and nine settings; the "
                            "signalling windows' fields are in radio images ('tonvar-cli show FILE' lists a file's "
                            "fields).",
                            where);
    throw text::Failure("No field is called so ('tonvar-cli show FILE' lists a file's fields, named as their windows "
                        "show them).",
                        where);
}

// One field of a channel file given a text, as the table takes a cell
// typed into it.
void SetChannelFileField(ChannelData &data, const std::string &where, const std::string &value)
{
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c) {
            if (!signalling::SameFieldName(signalling::ChannelFieldName(ch, c), where))
                continue;
            // A loaded file's blank cells are empty ones to the table's rules,
            // and stay blank where the edit leaves them empty.
            const memory::ChannelRow was = data.table.Row(ch);
            for (std::string &cell : data.table.Row(ch))
                cell = Shown(cell);
            data.table.SetCell(ch, c, value);
            try {
                app::CompleteCellEdit(data.table, ch, c);
            } catch (const text::ConversionError &e) {
                throw text::Failure(e.what(), where);
            }
            for (std::size_t k = 0; k < was.size(); ++k)
                if (static_cast<int>(k) != c && was[k] == " " && data.table.Row(ch)[k].empty())
                    data.table.Row(ch)[k] = " ";
            // The table corrects what it cannot take; a script is told.
            const std::string made = Shown(data.table.Cell(ch, c));
            if (!memory::SameHeldValue(value, made) || (made.empty() && !Shown(text::TrimBlanks(value)).empty()))
                throw text::Failure("'" + value + "' is no value for " +
                                        memory::ColumnCaptions().at(static_cast<std::size_t>(c)) +
                                        (made.empty() ? ": the table would leave it empty."
                                                      : ": the table would make it '" + made + "'."),
                                    where);
            return;
        }
    for (int n = 1; n <= files::kSettingsInFile; ++n)
        if (signalling::SameFieldName(signalling::SettingsFieldName(n), where)) {
            data.settings.Box(n) = value;
            return;
        }
    NoSuchField(where);
}

} // namespace

FieldFile LoadFieldFile(const std::string &name, bool checked)
{
    FieldFile file;
    file.name = name;
    file.bytes = files::ReadFileBytes(name, "The file is too large for a channel file or a radio image.");
    file.image = files::LooksLikeRadioImage(file.bytes);
    file.csv = !file.image && IsChannelCsvText(file.bytes);
    if (file.image)
        file.radio = files::LoadRadioImage(name);
    else
        file.channels = checked ? LoadForWriting(name) : LoadChannelData(name);
    return file;
}

std::vector<signalling::ImageField> FieldsOf(const FieldFile &file)
{
    if (file.image)
        return signalling::ImageFields(file.radio);
    std::vector<signalling::ImageField> out;
    for (int ch = 1; ch <= memory::kChannelCount; ++ch)
        for (int c = 1; c < memory::kColumnCount; ++c)
            out.push_back({signalling::ChannelFieldName(ch, c), Shown(file.channels.table.Cell(ch, c))});
    for (int n = 1; n <= files::kSettingsInFile; ++n)
        out.push_back({signalling::SettingsFieldName(n), Shown(file.channels.settings.Box(n))});
    return out;
}

std::vector<FileDifference> DiffFiles(const FieldFile &a, const FieldFile &b)
{
    std::vector<FileDifference> out;
    if (a.image && b.image) {
        for (const signalling::FieldDifference &d : signalling::CompareImages(a.radio, b.radio))
            out.push_back({d.where, d.expected, d.radio});
        return out;
    }
    // As verify compares a channel file with what a radio holds: the other
    // file's channels as the radio would keep them.
    const FieldFile &file = a.image ? b : a;
    const FieldFile &other = a.image ? a : b;
    const ChannelData held = other.image ? ChannelsOf(other.radio) : AsStored(other.channels);
    for (const Difference &d : Compare(file.channels, held)) {
        const std::string fileText = Shown(d.fileText);
        const std::string otherText = Shown(other.image ? d.radioText : OwnText(other.channels, d));
        out.push_back({DifferenceWhere(d), a.image ? otherText : fileText, a.image ? fileText : otherText});
    }
    return out;
}

std::string FormatFileDifference(const FieldFile &a, const FieldFile &b, const FileDifference &d)
{
    // `where` is named as verify names it for these files (an image's field,
    // or Compare's channel and caption); the lines are verify's.
    return signalling::FormatFieldDifference({d.where, d.a, d.b}, a.name, b.name);
}

std::string SetFields(FieldFile &file, const std::vector<std::pair<std::string, std::string>> &assignments)
{
    if (file.image) {
        files::RadioImage image = file.radio;
        for (const auto &[where, value] : assignments)
            signalling::SetImageField(image, where, value);
        std::string bytes = ImageBytes(file.bytes, file.radio, image);
        file.radio = image;
        return bytes;
    }
    ChannelData data = file.channels;
    for (const auto &[where, value] : assignments)
        SetChannelFileField(data, where, value);
    protocol::CheckBeforeWrite(data.table, data.settings);
    std::string bytes = ChannelFileBytes(file.bytes, file.channels, data);
    file.channels = data;
    return bytes;
}

} // namespace tonvar::cli

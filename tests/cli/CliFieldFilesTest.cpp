// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli diff, show and set on files: every kind of field set by name,
// then diffed against the file it came from.
#include "cli/FieldFiles.h"

#include "files/ChannelFile.h"
#include "memory/Holdable.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <sstream>

using namespace tonvar;
using namespace tonvar::cli;

namespace {

struct Change {
    bool image; // a radio image, else a channel file
    std::string field;
    std::string value;
};

std::ostream &operator<<(std::ostream &out, const Change &c)
{
    return out << (c.image ? "image: " : "channel file: ") << c.field << " = " << c.value;
}

// Every kind of field: the channel table's cells, the settings, DTMF,
// FleetSync, 2TONE, 5TONE and check boxes.
const Change kChanges[] = {
    {false, "Channel 3, RX Freq", "146.5"},
    {false, "Channel 3, TX Freq", "146.1"},
    {false, "Channel 3, QT/DQT Dec", "67.0"},
    {false, "Channel 3, QT/DQTEnc", "023N"},
    {false, "Channel 3, TX Power", "LOW"},
    {false, "Channel 3, W/N", "NARROW"},
    {false, "Channel 3, Scan Add.", "NONE"},
    {false, "Channel 3, Step Freq", "12500"},
    {false, "Channel 3, DTMF1", "5"},
    {false, "Channel 3, DTMF2", "#"},
    {false, "Channel 3, PTTID", "BOT"},
    {false, "Channel 3, Scrambler", "3"},
    {false, "Channel 3, PTTID Typ", "FSK"},
    {false, "Channel 3, PTTID NO.", "7"},
    {false, "Channel 3, Compandor", "YES"},
    {false, "Settings, SQ Lev", "5"},
    {false, "Settings, TOT", "120"},
    {false, "Settings, Voice", "ENGLISH"},
    {true, "Channel 3, RX Freq", "146.5"},
    {true, "Channel 3, TX Power", "LOW"},
    {true, "Channel 3, QT/DQT Dec", "67.0"},
    {true, "Settings, SQ Lev", "5"},
    {true, "DTMF, ID Code", "123"},
    {true, "DTMF, DTMF Side Tone", "on"},
    {true, "DTMF, Autodial Memory 3", "5551234"},
    {true, "FleetSync, Fleet[Own]", "100"},
    {true, "FleetSync, ID[Own]", "1001"},
    {true, "FleetSync, PTT ID Side Tone", "on"},
    {true, "2TONE, Atone(hz)", "1000"},
    {true, "2TONE, Encode row 2, First Frequency(hz)", "1500"},
    {true, "5TONE, Encode row 3, First Frame Coding", "12345"},
};

struct FieldFiles : ::testing::TestWithParam<Change> {
    QTemporaryDir dir;
    std::string Path(const std::string &name) const { return dir.filePath(QString::fromStdString(name)).toStdString(); }

    // A blank radio with channel 3 made, as an image or a channel file.
    std::string Base(bool image) const
    {
        files::RadioImage radio;
        signalling::SetImageField(radio, "Channel 3, RX Freq", "145.50000");
        const std::string path = Path(image ? "base.radio" : "base.wh");
        if (image) {
            // With a comment of the user's, which a set keeps.
            files::SaveFileBytes(path, files::RadioImageText(radio) + "# kept\n");
        } else {
            ChannelData data = WindowStartState();
            signalling::ChannelsFromImage(radio, data.table, data.settings);
            files::SaveChannelFile(data.table, data.settings, path);
        }
        return path;
    }
};

std::vector<std::string> Lines(const std::string &text)
{
    return files::SplitLines(text);
}

// How verify names a field of a channel file: "channel 3, RX Freq".
std::string VerifyName(const Change &c)
{
    std::string name = c.field;
    if (!c.image)
        name[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[0])));
    return name;
}

} // namespace

TEST_P(FieldFiles, SetThenDiffNamesExactlyTheFieldAndNoOtherLineChanges)
{
    const Change c = GetParam();
    const std::string base = Base(c.image);
    const FieldFile original = LoadFieldFile(base, true);
    FieldFile changed = original;
    const std::string bytes = SetFields(changed, {{c.field, c.value}});
    // The name as a person may type it: another case, blanks doubled.
    std::string typed;
    for (const char ch : c.field)
        typed += ch == ' ' ? std::string("  ")
                           : std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
    FieldFile again = original;
    EXPECT_EQ(SetFields(again, {{typed, c.value}}), bytes) << typed;
    const std::string saved = Path(c.image ? "changed.radio" : "changed.wh");
    files::SaveFileBytes(saved, bytes);
    const FieldFile reloaded = LoadFieldFile(saved, true);

    const std::vector<FileDifference> differences = DiffFiles(original, reloaded);
    ASSERT_EQ(differences.size(), 1u) << (differences.empty()
                                              ? ""
                                              : FormatFileDifference(original, reloaded, differences.back()));
    EXPECT_EQ(differences[0].where, VerifyName(c));
    EXPECT_TRUE(memory::SameHeldValue(c.value, differences[0].b)) << differences[0].b;
    EXPECT_FALSE(memory::SameHeldValue(c.value, differences[0].a)) << differences[0].a;
    EXPECT_EQ(FormatFileDifference(original, reloaded, differences[0]),
              VerifyName(c) + ": " + base + " '" + differences[0].a + "', " + saved + " '" + differences[0].b + "'");

    // The field's block (an autodial memory spans two) or record changes;
    // every other line keeps its bytes, a comment included.
    const std::vector<std::string> was = Lines(original.bytes), now = Lines(bytes);
    ASSERT_EQ(was.size(), now.size());
    int changedLines = 0;
    for (std::size_t i = 0; i < was.size(); ++i)
        changedLines += was[i] != now[i] ? 1 : 0;
    EXPECT_GE(changedLines, 1);
    EXPECT_LE(changedLines, c.field.rfind("DTMF, Autodial", 0) == 0 ? 2 : 1);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), original.bytes.substr(original.bytes.size() - 2)); // the line ends

    // show lists the field with its new value.
    bool shown = false;
    for (const signalling::ImageField &f : FieldsOf(reloaded))
        if (f.where == c.field) {
            shown = true;
            EXPECT_TRUE(memory::SameHeldValue(c.value, f.text)) << f.text;
        }
    EXPECT_TRUE(shown);
    // The other way round, the same field with the sides swapped.
    const std::vector<FileDifference> back = DiffFiles(reloaded, original);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0], (FileDifference{differences[0].where, differences[0].b, differences[0].a}));
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfField, FieldFiles, ::testing::ValuesIn(kChanges));

namespace {

struct Refused {
    bool image;
    std::string field;
    std::string value;
    std::string says; // part of the message
};

std::ostream &operator<<(std::ostream &out, const Refused &r)
{
    return out << (r.image ? "image: " : "channel file: ") << r.field << " = " << r.value;
}

const Refused kRefused[] = {
    {true, "FleetSync, Fleet[Own]", "70000", "cannot hold"},
    {true, "Settings, TOT", "300", "cannot hold"},
    {true, "DTMF, DTMF Side Tone", "maybe", "not on or off"},
    {true, "Channel 3, Bogus", "1", "No field"},
    {false, "Channel 3, TX Power", "MEDIUM", "cannot hold"},
    {false, "Channel 3, RX Freq", "abc", "no value for RX Freq"},
    {false, "Settings, TOT", "300", "cannot hold"},
    {false, "FleetSync, ID[Own]", "1001", "radio images"},
    {false, "Channel 3, Bogus", "1", "No field"},
};

struct FieldFilesRefused : ::testing::TestWithParam<Refused> {
    QTemporaryDir dir;
};

} // namespace

TEST_P(FieldFilesRefused, AValueOrFieldRefusedNamesTheFieldAndChangesNothing)
{
    const Refused r = GetParam();
    files::RadioImage radio;
    signalling::SetImageField(radio, "Channel 3, RX Freq", "145.50000");
    const std::string path = dir.filePath(r.image ? QStringLiteral("a.radio") : QStringLiteral("a.wh")).toStdString();
    if (r.image) {
        files::SaveRadioImage(radio, path);
    } else {
        ChannelData data = WindowStartState();
        signalling::ChannelsFromImage(radio, data.table, data.settings);
        files::SaveChannelFile(data.table, data.settings, path);
    }
    const FieldFile original = LoadFieldFile(path, true);
    FieldFile file = original;
    try {
        SetFields(file, {{"Channel 3, TX Freq", "146.1"}, {r.field, r.value}});
        FAIL() << "taken";
    } catch (const text::Failure &e) {
        const std::string message = std::string(e.what()) + " " + e.detail();
        EXPECT_NE(message.find(r.field), std::string::npos) << message;
        EXPECT_NE(message.find(r.says), std::string::npos) << message;
    }
    EXPECT_EQ(file.radio, original.radio);
    EXPECT_EQ(file.channels.table.Row(3), original.channels.table.Row(3));
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfFile, FieldFilesRefused, ::testing::ValuesIn(kRefused));

TEST(FieldFilesDiff, AChannelFileAndAnImageCompareTheChannelsAndNineSettingsAsTheRadioKeepsThem)
{
    QTemporaryDir dir;
    files::RadioImage radio;
    signalling::SetImageField(radio, "Channel 3, RX Freq", "145.50000");
    signalling::SetImageField(radio, "FleetSync, ID[Own]", "1001"); // no channel file holds it
    signalling::SetImageField(radio, "Settings, Beep", "CLOSE");    // nor this
    const std::string image = dir.filePath(QStringLiteral("a.radio")).toStdString();
    files::SaveRadioImage(radio, image);
    ChannelData data = WindowStartState();
    signalling::ChannelsFromImage(files::RadioImage{}, data.table, data.settings);
    signalling::ChannelsFromImage(radio, data.table, data.settings);
    data.table.SetCell(3, 1, "145.5"); // as the radio keeps it: 145.50000
    data.table.SetCell(3, 5, "LOW");
    const std::string wh = dir.filePath(QStringLiteral("b.wh")).toStdString();
    files::SaveChannelFile(data.table, data.settings, wh);
    const FieldFile a = LoadFieldFile(image, true), b = LoadFieldFile(wh, true);
    const std::vector<FileDifference> d = DiffFiles(a, b);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(FormatFileDifference(a, b, d[0]), "channel 3, TX Power: " + image + " 'HIGH', " + wh + " 'LOW'");
    EXPECT_TRUE(DiffFiles(b, b).empty());
}

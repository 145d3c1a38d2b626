// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/ChannelFile.h"
#include "files/RadioImage.h"

#include "text/Convert.h"

#include "Channels.h"
#include "Failures.h"
#include "Folders.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

using namespace tonvar::files;
using tonvar::memory::ChannelRow;
using tonvar::memory::ChannelTable;
using tonvar::memory::DefaultSettingsTexts;
using tonvar::memory::SettingsTexts;
namespace fs = std::filesystem;
using tonvar::test::NumberedTable;
using tonvar::test::ReadFile;

namespace {

const std::string kEmptyTableFile =
    "\"Ch No.\",\"RX Freq\",\"TX Freq\",\"QT/DQT Dec\",QT/DQTEnc,\"TX Power\",W/N,\"Scan Add.\",\"Step Freq\","
    "DTMF1,DTMF2,PTTID,Scrambler,\"PTTID Typ\",\"PTTID NO.\",Compandor\r\n"
    "1,,,,,,,,,,,,,,,\r\n2,,,,,,,,,,,,,,,\r\n3,,,,,,,,,,,,,,,\r\n4,,,,,,,,,,,,,,,\r\n"
    "5,,,,,,,,,,,,,,,\r\n6,,,,,,,,,,,,,,,\r\n7,,,,,,,,,,,,,,,\r\n8,,,,,,,,,,,,,,,\r\n"
    "9,,,,,,,,,,,,,,,\r\n10,,,,,,,,,,,,,,,\r\n11,,,,,,,,,,,,,,,\r\n12,,,,,,,,,,,,,,,\r\n"
    "13,,,,,,,,,,,,,,,\r\n14,,,,,,,,,,,,,,,\r\n15,,,,,,,,,,,,,,,\r\n16,,,,,,,,,,,,,,,\r\n"
    "NONE\r\n1\r\n0\r\n60\r\nENGLISH\r\nNONE\r\nNONE\r\nOPEN\r\nOPEN\r\n";

struct TempDir : ::testing::Test {
    fs::path dir;
    void SetUp() override { dir = tonvar::test::FreshTestFolder("tonvar-files"); }
    void TearDown() override { fs::remove_all(dir); }
};

} // namespace

TEST(ChannelFileText, TheEmptyTableIsTwentySixKnownLines)
{
    EXPECT_EQ(ChannelFileText(NumberedTable(), DefaultSettingsTexts()), kEmptyTableFile);
}

TEST(ChannelFileText, LoadingItGivesBlanksForEmptyFields)
{
    ChannelTable table;
    SettingsTexts settings;
    ApplyChannelFileText(kEmptyTableFile, table, settings);
    EXPECT_EQ(table.RowCount(), 17);
    EXPECT_EQ(table.Row(0), NumberedTable().Row(0));
    for (int ch = 1; ch <= 16; ++ch) {
        ChannelRow expected;
        expected.fill(" ");
        expected[0] = std::to_string(ch);
        EXPECT_EQ(table.Row(ch), expected);
    }
    SettingsTexts expected = DefaultSettingsTexts();
    expected.Box(SettingsTexts::kBeep) = ""; // not kept in files
    EXPECT_EQ(settings, expected);

    // Saved again, every blank is quoted, and it loads back the same.
    const std::string again = ChannelFileText(table, settings);
    EXPECT_NE(again.find("\r\n1,\" \",\" \",\" \""), std::string::npos);
    ChannelTable back;
    ApplyChannelFileText(again, back, settings);
    for (int r = 0; r < 17; ++r)
        EXPECT_EQ(back.Row(r), table.Row(r));
}

TEST(ChannelFileText, ProgrammedChannelsRecordAsTheyShow)
{
    ChannelTable table = NumberedTable();
    table.Row(1) = {"1",     "145.50000", "145.50000", "NONE", "NONE", "HIGH", "WIDE", "YES",
                    "25000", "NONE",      "NONE",      "NONE", "NONE", "DTMF", "1",    "NONE"};
    const std::string text = ChannelFileText(table, DefaultSettingsTexts());
    EXPECT_NE(text.find("\r\n1,145.50000,145.50000,NONE,NONE,HIGH,WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE\r\n"),
              std::string::npos);
    SettingsTexts settings = DefaultSettingsTexts();
    settings.Box(SettingsTexts::kPf1) = "H/L PowerSwitch";
    EXPECT_NE(ChannelFileText(table, settings).find("\r\nH/L PowerSwitch\r\n"), std::string::npos);
}

TEST(Records, CommasQuotesAndBlanksSurvive)
{
    ChannelRow row{};
    row[0] = "a,\"b\"";
    row[1] = "say \"hi\"";
    row[2] = "\t";
    row[15] = "end";
    EXPECT_EQ(FormatRecord(row), "\"a,\"\"b\"\"\",\"say \"\"hi\"\"\",\"\t\",,,,,,,,,,,,,end");
    const std::vector<std::string> fields = ParseRecord(FormatRecord(row));
    ASSERT_EQ(fields.size(), 16u);
    for (std::size_t c = 0; c < 16; ++c)
        EXPECT_EQ(fields[c], row[c]) << c;
}

TEST(Records, HandEditedLines)
{
    EXPECT_EQ(ParseRecord("1,145.5 0,x"), (std::vector<std::string>{"1", "145.5", "0", "x"}));
    EXPECT_EQ(ParseRecord("  a , b ,"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(ParseRecord("\"ab\"cd,\"open"), (std::vector<std::string>{"ab", "cd", "open"}));
    EXPECT_EQ(ParseRecord(""), std::vector<std::string>{});
    EXPECT_EQ(ParseRecord(std::string("a,b\0c,d", 7)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ParseRecord("\xE9\xFF,x"), (std::vector<std::string>{"\xE9\xFF", "x"}));
}

TEST(Lines, EndAtCrLfOrBoth)
{
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\n\rb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines(""), std::vector<std::string>{});

    std::string lfOnly = kEmptyTableFile;
    for (std::size_t at; (at = lfOnly.find("\r\n")) != std::string::npos;)
        lfOnly.erase(at, 1);
    ChannelTable a, b;
    SettingsTexts sa, sb;
    ApplyChannelFileText(kEmptyTableFile, a, sa);
    ApplyChannelFileText(lfOnly, b, sb);
    for (int r = 0; r < 17; ++r)
        EXPECT_EQ(a.Row(r), b.Row(r));
    EXPECT_EQ(sa, sb);
}

TEST(ShortAndLongFiles, KeepTheSixteenChannelRows)
{
    // 17 lines: the last nine count as settings lines, so records 0..7 load,
    // channels 8..16 are kept as empty rows, and the first missing settings
    // line stops the load.
    const std::string seventeen = kEmptyTableFile.substr(0, kEmptyTableFile.find("NONE\r\n1\r\n0"));
    ChannelTable table;
    table.SetCell(3, 5, "old");
    SettingsTexts settings = DefaultSettingsTexts();
    settings.Box(SettingsTexts::kVoxLevel) = "7";
    EXPECT_EQ(tonvar::test::FailureOf([&] { ApplyChannelFileText(seventeen, table, settings); }),
              "List index out of bounds (17)");
    EXPECT_EQ(table.RowCount(), 17);
    EXPECT_EQ(table.Cell(7, 0), "7");
    EXPECT_EQ(table.Cell(3, 5), " ");
    EXPECT_EQ(table.Row(8), ChannelRow{});
    EXPECT_EQ(table.Row(16), ChannelRow{});
    EXPECT_EQ(settings.Box(SettingsTexts::kVoxLevel), "7");

    // 12 lines: rows 0..2 from the file, channels 3..16 empty.
    ChannelTable shortTable;
    shortTable.Row(5)[1] = "145.00000";
    std::string twelve;
    for (int i = 0; i < 12; ++i)
        twelve += "r" + std::to_string(i) + ",x\r\n";
    EXPECT_EQ(tonvar::test::FailureOf([&] { ApplyChannelFileText(twelve, shortTable, settings); }),
              "List index out of bounds (17)");
    EXPECT_EQ(shortTable.RowCount(), 17);
    EXPECT_EQ(shortTable.Cell(2, 0), "r2");
    EXPECT_EQ(shortTable.Row(5), ChannelRow{});

    // 5 lines: no table row fits; the captions stay.
    ChannelTable tiny;
    EXPECT_EQ(tonvar::test::FailureOf([&] { ApplyChannelFileText("a\nb\nc\nd\ne\n", tiny, settings); }),
              "List index out of bounds (17)");
    EXPECT_EQ(tiny.Cell(0, 0), "Ch No.");

    // 30 lines: 21 rows, the extra ones from lines 18 on; the boxes too.
    std::string thirty = kEmptyTableFile;
    for (int i = 0; i < 4; ++i)
        thirty += "extra" + std::to_string(i) + "\r\n";
    ChannelTable longTable;
    SettingsTexts longSettings;
    ApplyChannelFileText(thirty, longTable, longSettings);
    EXPECT_EQ(longTable.RowCount(), 21);
    EXPECT_EQ(longTable.Cell(17, 0), "NONE");
    EXPECT_EQ(longTable.Cell(20, 0), "60");
    EXPECT_EQ(longSettings.Box(SettingsTexts::kVoice), "ENGLISH");
}

TEST_F(TempDir, SaveAndLoadThroughTheFileSystem)
{
    const fs::path file = dir / "radio.wh";
    std::ofstream(file) << "old contents";
    SaveChannelFile(NumberedTable(), DefaultSettingsTexts(), file.string());
    EXPECT_EQ(ReadFile(file), kEmptyTableFile);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file left";

    ChannelTable table;
    SettingsTexts settings;
    LoadChannelFile(table, settings, file.string());
    EXPECT_EQ(table.Cell(9, 0), "9");

    const std::string missing = (dir / "none.wh").string();
    EXPECT_EQ(tonvar::test::FailureOf([&] { LoadChannelFile(table, settings, missing); }),
              "Cannot open file \"" + missing + "\". No such file or directory.");
    const std::string nowhere = (dir / "no" / "such.wh").string();
    EXPECT_EQ(tonvar::test::FailureOf([&] { SaveChannelFile(table, settings, nowhere); }),
              "Cannot create file \"" + nowhere + "\". No such file or directory.");
}

TEST_F(TempDir, HugeFilesAreRefusedAndLongLinesLoad)
{
    const fs::path big = dir / "big.wh";
    std::ofstream(big) << std::string(kMaxFileSize + 1, 'x');
    ChannelTable table;
    SettingsTexts settings;
    EXPECT_NE(tonvar::test::FailureOf([&] { LoadChannelFile(table, settings, big.string()); }).find("too large"),
              std::string::npos);

    const fs::path longLine = dir / "line.wh";
    std::ofstream(longLine) << std::string(kMaxFileSize, ',');
    EXPECT_EQ(tonvar::test::FailureOf([&] { LoadChannelFile(table, settings, longLine.string()); }),
              "The file is not a channel file.");
    EXPECT_EQ(table.RowCount(), 17);
}

// A file is checked whole before the table changes: what is not a channel
// file changes nothing and says what is wrong, and where.
TEST_F(TempDir, AFileThatIsNoChannelFileChangesNothing)
{
    std::vector<std::string> lines = SplitLines(kEmptyTableFile);
    const auto join = [](const std::vector<std::string> &ls, const std::string &end) {
        std::string out;
        for (const std::string &l : ls)
            out += l + end;
        return out;
    };
    const std::string shape = "a channel file has 26 lines: the column captions, 16 channels and 9 settings.";
    std::vector<std::string> semicolons = lines;
    for (std::string &l : semicolons)
        std::replace(l.begin(), l.end(), ',', ';');
    std::vector<std::string> thirty = lines;
    thirty.insert(thirty.begin() + 17, 14, lines[16]);
    // Another program's list of 26 rows of 16 fields, renamed .wh.
    std::vector<std::string> otherList = lines;
    for (std::size_t i = 17; i < otherList.size(); ++i)
        otherList[i] = std::to_string(i) + ",CH" + std::to_string(i) + ",146.52,0.0,0.0,23,NN,FM,5.0,,,,,,,";
    std::vector<std::string> controlByte = lines;
    controlByte[5] = "5,\"\t\",\x01x,,";
    std::vector<std::string> oneMore = lines;
    oneMore.push_back("a note");
    const std::pair<std::string, std::string> cases[] = {
        {"", "It is empty: " + shape},
        {" \r\n\r\n", "It is empty: " + shape},
        {"a\r\nb\r\nc\r\n", "It has 3 lines; " + shape},
        {join(semicolons, "\r\n"),
         "Line 1 holds fields separated by semicolons; a channel file separates them by commas."},
        {join(lines, "\r\n").replace(40, 3, std::string("\x01\x00\x02", 3)), "Line 1 holds bytes that are not text."},
        {join(controlByte, "\r\n"), "Line 6 holds bytes that are not text."},
        {join(thirty, "\r\n"), "It has 40 lines; " + shape},
        {join(oneMore, "\r\n"), "It has 27 lines; " + shape},
        {join(std::vector<std::string>(lines.begin(), lines.end() - 1), "\r\n"), "It has 25 lines; " + shape},
        {join(otherList, "\r\n"), "Line 18 holds fields separated by commas; a settings line holds one setting."},
        // Files of the other kinds say what they are.
        {RadioImageText(RadioImage{}),
         "It is a radio image (the whole radio, \"tonvar radio image\" on its first line)."},
        {"port,\"DTMF, ID Code\"\r\nttyUSB0,101\r\n", "It is a roster (its first column is \"port\" or \"serial\")."},
        {"Location,Name,Frequency,Duplex,Offset,Tone\r\n1,,146.520000,,0.600000,\r\n",
         "It is a CSV channel list (its columns are Location, Frequency, ...): import it as CSV."},
    };
    for (const auto &[text, why] : cases) {
        const fs::path file = dir / "bad.wh";
        std::ofstream(file, std::ios::binary) << text;
        ChannelTable table;
        table.SetCell(3, 1, "145.50000");
        SettingsTexts settings = DefaultSettingsTexts();
        const ChannelTable before = table;
        try {
            LoadChannelFile(table, settings, file.string());
            ADD_FAILURE() << why;
        } catch (const tonvar::text::Failure &e) {
            EXPECT_EQ(std::string(e.what()), "The file is not a channel file.");
            EXPECT_EQ(e.detail(), why);
        }
        EXPECT_TRUE(table == before) << why;
        EXPECT_TRUE(settings == DefaultSettingsTexts()) << why;
        EXPECT_FALSE(IsChannelFileText(text)) << why;
    }
}

// Everything the format reads opens, each line split into fields as the
// format splits it: an unquoted blank (or tab) separates two fields, a field
// in double quotes runs to its closing quote (to the end of the line if there
// is none), fields beyond the sixteenth are dropped, a line of fewer leaves
// the rest of its row empty, and an empty field is a single blank.
TEST_F(TempDir, EverythingTheFormatReadsOpensFieldsSplitAsTheFormatSplitsThem)
{
    const std::vector<std::string> base = SplitLines(kEmptyTableFile);
    const auto row = [](std::vector<std::string> cells) {
        ChannelRow r{};
        for (std::size_t c = 0; c < cells.size(); ++c)
            r[c] = cells[c];
        return r;
    };
    struct Case {
        int line; // 0-based: 0 the captions, 1..16 the channels
        std::string text;
        ChannelRow expected;
    };
    const Case cases[] = {
        // "HIGH POWER" unquoted is two fields; the seventeenth (NONE) is dropped.
        {5, "5,145.50000,145.50000,NONE,NONE,HIGH POWER,WIDE,YES,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE",
         row({"5", "145.50000", "145.50000", "NONE", "NONE", "HIGH", "POWER", "WIDE", "YES", "25000", "NONE", "NONE",
              "NONE", "NONE", "DTMF", "1"})},
        {6, "6,146.00000", row({"6", "146.00000"})},
        {7, "", row({})},
        {8, "8", row({"8"})},
        {9, "9,\"HIGH POWER\",x", row({"9", "HIGH POWER", "x"})},
        {10, "10,\"open", row({"10", "open"})},
        {11, "11,\"ab\"cd,", row({"11", "ab", "cd", " "})},
        {12, "  12 , 145.5 ,", row({"12", "145.5", " "})},
        {13, "7,145.50000", row({"7", "145.50000"})}, // numbered for another channel
        {14, "14,\t145.5\tx", row({"14", "145.5", "x"})},
        {15, "15,\"a,\"\"b\"\"\",c;d", row({"15", "a,\"b\"", "c;d"})},
        {16, "16,caf\xE9,,", row({"16", "caf\xE9", " ", " "})},
        {0, "Ch No.,RX Freq", row({"Ch", "No.", "RX", "Freq"})},
    };
    for (const Case &c : cases) {
        std::vector<std::string> lines = base;
        lines[static_cast<std::size_t>(c.line)] = c.text;
        std::string text;
        for (const std::string &l : lines)
            text += l + "\r\n";
        EXPECT_TRUE(IsChannelFileText(text)) << c.text;
        const fs::path file = dir / "hand.wh";
        std::ofstream(file, std::ios::binary) << text;
        ChannelTable table;
        SettingsTexts settings = DefaultSettingsTexts();
        settings.Box(SettingsTexts::kSquelch) = "9";
        try {
            LoadChannelFile(table, settings, file.string());
        } catch (const tonvar::text::Failure &e) {
            ADD_FAILURE() << c.text << ": " << e.what() << " " << e.detail();
            continue;
        }
        EXPECT_EQ(table.RowCount(), 17) << c.text;
        EXPECT_EQ(table.Row(c.line), c.expected) << c.text;
        ChannelTable expected;
        ApplyChannelFileText(kEmptyTableFile, expected, settings);
        for (int r = 0; r < 17; ++r) {
            if (r != c.line) {
                EXPECT_EQ(table.Row(r), expected.Row(r)) << c.text << " row " << r;
            }
        }
        EXPECT_EQ(settings.Box(SettingsTexts::kSquelch), "0") << c.text;
    }

    // Whole files: LF ends, CR ends, blank lines after the last setting (no
    // phantom row), an empty last setting, and settings lines as they are.
    std::string lf, cr;
    for (const std::string &l : base) {
        lf += l + "\n";
        cr += l + "\r";
    }
    std::vector<std::string> lastEmpty = base;
    lastEmpty.back() = "";
    lastEmpty[22] = "H/L PowerSwitch";
    std::string lastEmptyText;
    for (const std::string &l : lastEmpty)
        lastEmptyText += l + "\r\n";
    for (const std::string &text : {lf, cr, kEmptyTableFile + "\r\n  \r\n\n", lastEmptyText}) {
        const fs::path file = dir / "whole.wh";
        std::ofstream(file, std::ios::binary) << text;
        ChannelTable table;
        SettingsTexts settings = DefaultSettingsTexts();
        LoadChannelFile(table, settings, file.string());
        EXPECT_EQ(table.RowCount(), 17);
        EXPECT_EQ(table.Cell(16, 0), "16");
        EXPECT_EQ(table.Cell(16, 1), " ");
        EXPECT_EQ(settings.Box(SettingsTexts::kSavePower), text == lastEmptyText ? "" : "OPEN");
        EXPECT_EQ(settings.Box(SettingsTexts::kPf1), text == lastEmptyText ? "H/L PowerSwitch" : "NONE");
    }
}

// A file tonvar wrote opens, and saved again gives the same bytes (once its
// empty cells have become the single blanks a load gives them).
TEST(ChannelFileProperties, AFileTonvarWroteOpensAndSavesToTheSameBytes)
{
    std::mt19937 random(20261209);
    const std::string alphabet = "\",; \t.0123456789ENOIHWabc/#*\x7F\x80\xE9\xFF";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 7);
    const auto text = [&](bool mayBeEmpty, bool commas) {
        std::string t;
        do {
            t.assign(static_cast<std::size_t>(length(random)), ' ');
            for (char &c : t)
                do
                    c = alphabet[pick(random)];
                while (!commas && c == ',');
        } while (!mayBeEmpty && t.empty());
        return t;
    };
    for (int i = 0; i < 2000; ++i) {
        ChannelTable table;
        for (int r = 0; r < 17; ++r)
            for (int c = 0; c < 16; ++c)
                table.SetCell(r, c, text(i % 2 == 0, true));
        SettingsTexts settings = DefaultSettingsTexts();
        for (int n = 1; n <= 9; ++n)
            settings.Box(n) = text(true, false);
        const std::string saved = ChannelFileText(table, settings);
        ASSERT_TRUE(IsChannelFileText(saved)) << saved;
        ChannelTable loaded;
        SettingsTexts loadedSettings = DefaultSettingsTexts();
        std::string lines;
        for (const std::string &l : ChannelFileLines(saved))
            lines += l + "\n";
        ApplyChannelFileText(lines, loaded, loadedSettings);
        const std::string again = ChannelFileText(loaded, loadedSettings);
        if (i % 2 == 1) {
            ASSERT_EQ(again, saved);
        }
        // Either way, the second save is a fixed point.
        ChannelTable third;
        SettingsTexts thirdSettings = DefaultSettingsTexts();
        ApplyChannelFileText(again, third, thirdSettings);
        ASSERT_EQ(ChannelFileText(third, thirdSettings), again);
    }
}

// Random records: whatever the bytes, parsing never fails, and every row
// written (any bytes but the zero byte) reads back as it was.
TEST(ChannelFileProperties, AMillionRandomRecords)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(0, 48);
    std::string alphabet = "\",  \t\r\n.0123456789ENOIabc\x01\x1F\x7F\x80\xFF";
    alphabet += '\0'; // last, so that `% (size - 1)` leaves it out
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < 1000000; ++i) {
        std::string line(static_cast<std::size_t>(length(random)), ' ');
        for (char &c : line)
            c = alphabet[pick(random)];
        const std::vector<std::string> fields = ParseRecord(line);
        ASSERT_LE(fields.size(), line.size() + 1);
        if (i % 10 == 0) {
            ChannelRow row;
            for (std::string &cell : row) {
                cell.assign(static_cast<std::size_t>(length(random) % 6), ' ');
                for (char &c : cell)
                    c = alphabet[pick(random) % (alphabet.size() - 1)]; // no zero byte
            }
            const std::vector<std::string> back = ParseRecord(FormatRecord(row));
            ASSERT_EQ(back.size(), 16u) << FormatRecord(row);
            for (std::size_t c = 0; c < 16; ++c)
                ASSERT_EQ(back[c], row[c]) << FormatRecord(row);
        }
    }
}

TEST(ChannelFileProperties, RandomFilesLoadOrFailCleanly)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> size(0, 3000);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> lineEnd(0, 12);
    for (int i = 0; i < 20000; ++i) {
        std::string text(static_cast<std::size_t>(size(random)), ' ');
        for (char &c : text) {
            const int k = lineEnd(random);
            c = k == 0 ? '\n' : k == 1 ? '\r' : k == 2 ? ',' : static_cast<char>(byte(random));
        }
        ChannelTable table;
        SettingsTexts settings;
        try {
            ApplyChannelFileText(text, table, settings);
        } catch (const tonvar::text::Failure &e) {
            ASSERT_EQ(std::string(e.what()).rfind("List index out of bounds (", 0), 0u);
        }
        ASSERT_GE(table.RowCount(), 17);
        ASSERT_LE(table.RowCount(), kMaxTableRows);
    }
}

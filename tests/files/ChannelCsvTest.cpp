// SPDX-License-Identifier: GPL-3.0-or-later
// CSV channel lists: a list written by hand in the generic format, imported
// into the table with the report the user sees; the export's text; export
// then import giving the table back.
#include "app/CsvImport.h"
#include "files/ChannelCsv.h"
#include "text/Convert.h"

#include "Channels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tonvar;
using memory::ChannelRow;
using memory::ChannelTable;
using test::NumberedTable;
using test::TypedChannel;

namespace {

ChannelRow Empty(int ch)
{
    ChannelRow row{};
    row[0] = std::to_string(ch);
    return row;
}

// Every channel programmed with something the import must replace.
ChannelTable Filled()
{
    ChannelTable table = NumberedTable();
    for (int ch = 1; ch <= 16; ++ch)
        table.Row(ch) = TypedChannel(ch, "430.00000", "430.00000", "67.0", "67.0", "LOW", "NARROW", "NONE", "5000");
    table.SetCell(3, 9, "5"); // a DTMF key the format has no place for
    return table;
}

const char *const kHeader = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                            "RxDtcsCode,CrossMode,Mode,TStep,Skip,Power,Comment,URCALL,RPT1CALL,RPT2CALL,DVCODE\r\n";

} // namespace

TEST(CsvImport, AHandWrittenListFillsTheChannelsAndReportsWhatItCouldNotTake)
{
    const std::string csv =
        std::string("\xEF\xBB\xBF") + kHeader +
        "1,Simplex,146.520000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,5.00,,High,,,,,\r\n"
        "2,\"Rpt, north\",145.150000,-,0.600000,Tone,100.0,88.5,023,NN,023,Tone->Tone,FM,12.50,,High,,,,,\r\n"
        "3,,442.125000,+,5.000000,TSQL,88.5,131.8,023,NN,023,Tone->Tone,NFM,6.25,S,Low,\"line one\r\nline two\",,,,\r\n"
        "4,,446.006250,,0.000000,DTCS,88.5,88.5,023,NR,754,Tone->Tone,NFM,6.25,,1.0W,,,,,\r\n"
        "5,,433.500000,split,434.500000,DTCS,88.5,88.5,165,RN,165,Tone->Tone,FM,25.00,,5.0W,,,,,\r\n"
        "6,,145.500000,,0.000000,Cross,67.0,254.1,023,NN,023,Tone->Tone,FM,10.00,,High,,,,,\r\n"
        "7,,145.525000,,0.000000,Cross,77.0,88.5,023,NR,411,Tone->DTCS,FM,25.00,,High,,,,,\r\n"
        "8,,145.550000,,0.000000,Cross,88.5,123.0,032,RN,023,DTCS->Tone,FM,25.00,,High,,,,,\r\n"
        "9,,145.575000,,0.000000,Cross,88.5,88.5,023,NN,023,->Tone,FM,25.00,,High,,,,,\r\n"
        "10,,145.600000,,0.000000,Cross,88.5,88.5,023,RR,506,->DTCS,FM,25.00,,High,,,,,\r\n"
        "11,,145.625000,,0.000000,Cross,88.5,88.5,712,RN,023,DTCS->,FM,25.00,,High,,,,,\r\n"
        "12,,145.650000,,0.000000,Cross,88.5,88.5,023,NR,754,DTCS->DTCS,FM,25.00,,High,,,,,\r\n"
        "13,,162.550000,off,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,,,,,\r\n"
        "14,Airband,121.500000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,AM,25.00,,High,,,,,\r\n"
        "15,,145.700000,,0.000000,Tone,69.4,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,,,,,\r\n"
        "16,,1300.000000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,,,,,\r\n"
        "17,,147.000000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,,,,,\r\n"
        "\r\n";
    ChannelTable table = Filled();
    const app::CsvImportResult result = app::ImportCsvText(csv, table);

    // Tone mode by tone mode; the decode (receive) cell comes before the
    // encode (transmit) cell in the table.
    EXPECT_EQ(table.Row(1), TypedChannel(1, "146.52000", "146.52000", "NONE", "NONE", "HIGH", "WIDE", "YES", "5000"));
    EXPECT_EQ(table.Row(2), TypedChannel(2, "145.15000", "144.55000", "NONE", "100.0", "HIGH", "WIDE", "YES", "12500"));
    EXPECT_EQ(table.Row(3),
              TypedChannel(3, "442.12500", "447.12500", "131.8", "131.8", "LOW", "NARROW", "NONE", "6250"));
    EXPECT_EQ(table.Row(4), TypedChannel(4, "446.00625", "446.00625", "023I", "023N", "LOW", "NARROW", "YES", "6250"))
        << "DTCS is one code both ways; RxDtcsCode counts only in cross modes";
    EXPECT_EQ(table.Row(5), TypedChannel(5, "433.50000", "434.50000", "165N", "165I", "HIGH", "WIDE", "YES", "25000"));
    EXPECT_EQ(table.Row(6), TypedChannel(6, "145.50000", "145.50000", "254.1", "67.0", "HIGH", "WIDE", "YES", "10000"));
    EXPECT_EQ(table.Row(7), TypedChannel(7, "145.52500", "145.52500", "411I", "77.0"));
    EXPECT_EQ(table.Row(8), TypedChannel(8, "145.55000", "145.55000", "123.0", "032I"));
    EXPECT_EQ(table.Row(9), TypedChannel(9, "145.57500", "145.57500", "88.5", "NONE"));
    EXPECT_EQ(table.Row(10), TypedChannel(10, "145.60000", "145.60000", "506I", "NONE"));
    EXPECT_EQ(table.Row(11), TypedChannel(11, "145.62500", "145.62500", "NONE", "712I"));
    EXPECT_EQ(table.Row(12), TypedChannel(12, "145.65000", "145.65000", "754I", "023N"));
    EXPECT_EQ(table.Row(13), TypedChannel(13, "162.55000", "", "NONE", "NONE"));
    EXPECT_EQ(table.Row(14), Empty(14));
    EXPECT_EQ(table.Row(15), TypedChannel(15, "145.70000", "145.70000", "NONE", "69.4"))
        << "a tone as typed in the table";
    EXPECT_EQ(table.Row(16), Empty(16));

    EXPECT_EQ(result.Report(),
              "Imported 14 of 17 rows into channels 1 to 16.\n"
              "Row 14: mode 'AM' is not FM or NFM; channel 14 left empty.\n"
              "Row 16: frequency '1300.000000' is not a frequency above 0 and up to 999.99999 MHz; channel 16 left "
              "empty.\n"
              "Row 17: not taken; the radio has 16 channels.\n"
              "Names are not stored by this radio; the Name column was left out.");
}

TEST(CsvImport, ColumnsAreFoundByNameAndMissingOnesTakeTheNewRowDefaults)
{
    // An older list: a few columns, in another order, LF line ends, no
    // names, no RxDtcsCode (DTCS decodes DtcsCode with the second letter).
    const std::string csv = "Mode,Frequency,Tone,DtcsPolarity,DtcsCode,Location\n"
                            "NFM,145.5,,,,1\n"
                            "FM, 146 ,DTCS,RN,23,2\n"
                            ",446.1,,,,9\n";
    ChannelTable table = Filled();
    const app::CsvImportResult result = app::ImportCsvText(csv, table);
    EXPECT_EQ(table.Row(1), TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE", "HIGH", "NARROW"));
    EXPECT_EQ(table.Row(2), TypedChannel(2, "146.00000", "146.00000", "023N", "023I"));
    EXPECT_EQ(table.Row(9), TypedChannel(9, "446.10000", "446.10000", "NONE", "NONE")) << "at its Location";
    for (int ch = 3; ch <= 16; ++ch) {
        if (ch != 9) {
            EXPECT_EQ(table.Row(ch), Empty(ch)) << "a channel without a row is emptied: " << ch;
        }
    }
    EXPECT_EQ(result.Report(), "Imported 3 of 3 rows into channels 1 to 16.");
}

TEST(CsvImport, EachRowThatCannotBeTakenIsReportedWithItsReason)
{
    const std::string csv = "Frequency,Duplex,Offset,Tone,rToneFreq,DtcsCode,DtcsPolarity,CrossMode,TStep,Name\n"
                            "145.5,x,0,,,,,,,\n"
                            "145.5,+,abc,,,,,,,\n"
                            "0.05,-,0.6,,,,,,,\n"
                            "145.5,,,DTCS-R,,,,,,\n"
                            "145.5,,,Cross,,,,Tone=>DTCS,,\n"
                            "145.5,,,,,,,,2.50,\n"
                            "145.5,,,DTCS,,023,NX,,,\n"
                            "145.5,,,DTCS,,999,NN,,,\n"
                            "145.5,,,Tone,abc,,,,,\n"
                            "abc,,,,,,,,,Named\n"
                            "\"1,5\",,,,,,,,,\n"
                            ",,,,,,,,,\n"
                            "0.000001,,,,,,,,,\n"
                            "145.5,,,,,,,,,\n";
    ChannelTable table = Filled();
    const app::CsvImportResult result = app::ImportCsvText(csv, table);
    EXPECT_EQ(result.Report(),
              "Imported 2 of 14 rows into channels 1 to 16.\n"
              "Row 1: duplex 'x' is not empty, +, -, split or off; channel 1 left empty.\n"
              "Row 2: offset 'abc' is not a number; channel 2 left empty.\n"
              "Row 3: transmit frequency '-0.55000' is not a frequency above 0 and up to 999.99999 MHz; channel 3 "
              "left empty.\n"
              "Row 4: tone mode 'DTCS-R' is not empty, Tone, TSQL, DTCS or Cross; channel 4 left empty.\n"
              "Row 5: cross mode 'Tone=>DTCS' is not Tone->Tone, Tone->DTCS, DTCS->Tone, ->Tone, ->DTCS, DTCS->, "
              "Tone-> or DTCS->DTCS; channel 5 left empty.\n"
              "Row 6: step '2.50' kHz is not 5.00, 6.25, 10.00, 12.50 or 25.00; channel 6 left empty.\n"
              "Row 7: DTCS polarity 'NX' is not NN, NR, RN or RR; channel 7 left empty.\n"
              "Row 9: tone 'abc' is not a tone from 0.1 to 300.0 Hz; channel 9 left empty.\n"
              "Row 10: frequency 'abc' is not a frequency above 0 and up to 999.99999 MHz; channel 10 left empty.\n"
              "Row 11: frequency '1,5' is not a number; channel 11 left empty.\n"
              "Row 12: frequency '' is not a frequency above 0 and up to 999.99999 MHz; channel 12 left empty.\n"
              "Row 13: frequency '0.000001' is not a frequency above 0 and up to 999.99999 MHz; channel 13 left "
              "empty.")
        << "a name only in a row not taken needs no word";
    for (int ch = 1; ch <= 13; ++ch) {
        if (ch != 8) {
            EXPECT_EQ(table.Row(ch), Empty(ch)) << ch;
        }
    }
    EXPECT_EQ(table.Row(8), TypedChannel(8, "145.50000", "145.50000", "999N", "999N"))
        << "a code as typed in the table";
    EXPECT_EQ(table.Row(14), TypedChannel(14, "145.50000", "145.50000", "NONE", "NONE"));
}

// Every tone mode and cross mode as the format means it: the columns of a
// row, the table's receive (decode) and transmit (encode) cells they give,
// and whether an export of those cells writes the same columns again.
TEST(CsvTones, EveryToneAndCrossModeMeansWhatTheFormatSaysBothWays)
{
    struct Case {
        const char *columns; // Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,CrossMode
        const char *decode;
        const char *encode;
        bool exportedAlike;
    };
    const Case cases[] = {
        {",88.5,88.5,023,NN,023,Tone->Tone", "NONE", "NONE", true},
        {"Tone,100.0,88.5,023,NN,023,Tone->Tone", "NONE", "100.0", true},
        {"TSQL,88.5,131.8,023,NN,023,Tone->Tone", "131.8", "131.8", true},
        {"TSQL,100.0,131.8,023,NN,023,Tone->Tone", "131.8", "131.8", false}, // cToneFreq both ways
        {"DTCS,88.5,88.5,023,NN,023,Tone->Tone", "023N", "023N", true},
        {"DTCS,88.5,88.5,165,RN,165,Tone->Tone", "165N", "165I", true}, // transmit letter first
        {"DTCS,88.5,88.5,074,NR,074,Tone->Tone", "074I", "074N", true},
        {"DTCS,88.5,88.5,074,RR,074,Tone->Tone", "074I", "074I", true},
        {"DTCS,88.5,88.5,074,NR,025,Tone->Tone", "074I", "074N", false}, // RxDtcsCode is not DTCS's
        {"Cross,67.0,254.1,023,NN,023,Tone->Tone", "254.1", "67.0", true},
        {"Cross,100.0,100.0,023,NN,023,Tone->Tone", "100.0", "100.0", false}, // written as TSQL
        {"Cross,77.0,88.5,023,NR,411,Tone->DTCS", "411I", "77.0", true},
        {"Cross,88.5,123.0,032,RN,023,DTCS->Tone", "123.0", "032I", true},
        {"Cross,88.5,94.8,023,NN,023,->Tone", "94.8", "NONE", true},
        {"Cross,88.5,88.5,023,NR,506,->DTCS", "506I", "NONE", true},
        {"Cross,88.5,88.5,023,RR,506,->DTCS", "506I", "NONE", false}, // the unused letter written N
        {"Cross,88.5,88.5,712,RN,023,DTCS->", "NONE", "712I", true},
        {"Cross,100.0,88.5,023,NN,023,Tone->", "NONE", "100.0", false}, // written as Tone
        {"Cross,88.5,88.5,023,NR,754,DTCS->DTCS", "754I", "023N", true},
        {"Cross,88.5,88.5,023,NR,023,DTCS->DTCS", "023I", "023N", false}, // written as DTCS
    };
    const std::string header = "Location,Frequency,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,CrossMode";
    // Sixteen cases at a time, a channel each.
    for (std::size_t first = 0; first < std::size(cases); first += 16) {
        const std::size_t count = std::min<std::size_t>(16, std::size(cases) - first);
        std::string lf = header + "\n";
        for (std::size_t k = 0; k < count; ++k)
            lf += std::to_string(k + 1) + ",145.500000," + cases[first + k].columns + "\n";

        // As CHIRP saves it (CR LF), as other tools do (LF), and with a byte-order mark.
        std::string crlf;
        for (const char c : lf)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        for (const std::string &text : {lf, crlf, "\xEF\xBB\xBF" + crlf}) {
            ChannelTable table = Filled();
            app::ImportCsvText(text, table);
            for (std::size_t k = 0; k < count; ++k) {
                const Case &c = cases[first + k];
                const int ch = static_cast<int>(k) + 1;
                EXPECT_EQ(table.Cell(ch, memory::kColDecodeTone), c.decode) << c.columns;
                EXPECT_EQ(table.Cell(ch, memory::kColEncodeTone), c.encode) << c.columns;
            }
        }

        ChannelTable table = Filled();
        app::ImportCsvText(lf, table);
        const files::CsvList exported(files::ChannelCsvText(table));
        ASSERT_EQ(exported.RowCount(), static_cast<int>(count));
        for (std::size_t k = 0; k < count; ++k) {
            const Case &c = cases[first + k];
            std::string columns = exported.Field(static_cast<int>(k), "Tone");
            for (const char *column : {"rToneFreq", "cToneFreq", "DtcsCode", "DtcsPolarity", "RxDtcsCode", "CrossMode"})
                columns += "," + exported.Field(static_cast<int>(k), column);
            if (c.exportedAlike)
                EXPECT_EQ(columns, c.columns);
            else
                EXPECT_NE(columns, c.columns) << "a case written otherwise must say so";
        }
        ChannelTable again = Filled();
        app::ImportCsvText(files::ChannelCsvText(table), again);
        for (int r = 0; r < table.RowCount(); ++r)
            EXPECT_EQ(again.Row(r), table.Row(r)) << "exported and imported again: row " << r;
    }
}

// Rows whose Location is no free channel (0 in lists of radios counted from
// 0, a channel taken, beyond 16) or that have none fill the free channels in
// file order, reported in a line or two, not a line a row.
TEST(CsvImport, RowsPutElsewhereAreReportedInAFewLines)
{
    ChannelTable table = Filled();
    EXPECT_EQ(app::ImportCsvText("Location,Frequency\n0,145.5\n1,146\n", table).Report(),
              "Imported 2 of 2 rows into channels 1 to 16.\n"
              "Row 1: Location '0' is no free channel 1 to 16; put in channel 2.");
    EXPECT_EQ(table.Cell(1, memory::kColRxFreq), "146.00000");
    EXPECT_EQ(table.Cell(2, memory::kColRxFreq), "145.50000");

    std::string counted = "Location,Frequency\n";
    for (int location = 0; location < 20; ++location)
        counted += std::to_string(location) + ",14" + std::to_string(location % 10) + "\n";
    EXPECT_EQ(app::ImportCsvText(counted, table).Report(),
              "Imported 16 of 20 rows into channels 1 to 16.\n"
              "Rows 1 and 18 to 20: not taken; the radio has 16 channels.");

    const std::string mixed = "Location,Frequency\n5,145\n5,146\n5,147\n,148\n,149\n99,150\n";
    EXPECT_EQ(app::ImportCsvText(mixed, table).Report(),
              "Imported 6 of 6 rows into channels 1 to 16.\n"
              "Rows 4 and 5: no Location; put in channels 3 and 4.\n"
              "Rows 2, 3 and 6: their Location is no free channel 1 to 16; put in channels 1, 2 and 6 in file "
              "order.");
    for (const auto &[channel, frequency] : std::vector<std::pair<int, std::string>>{
             {1, "146.00000"}, {2, "147.00000"}, {3, "148.00000"}, {4, "149.00000"}, {5, "145.00000"}, {6, "150.00000"}})
        EXPECT_EQ(table.Cell(channel, memory::kColRxFreq), frequency) << channel;
}

TEST(CsvImport, ATextWithoutAFrequencyColumnIsRefusedAndChangesNothing)
{
    ChannelTable table = Filled();
    const ChannelTable before = table;
    EXPECT_THROW(app::ImportCsvText("Location,Name\n1,Home\n", table), text::Failure);
    EXPECT_THROW(app::ImportCsvText("", table), text::Failure);
    for (int r = 0; r < table.RowCount(); ++r)
        EXPECT_EQ(table.Row(r), before.Row(r));
}

TEST(CsvExport, WritesTheFormatsColumnsForEachProgrammedChannel)
{
    ChannelTable table = NumberedTable();
    table.Row(1) = TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE");
    // Channel 2 is empty and not written.
    table.Row(3) = TypedChannel(3, "145.15000", "144.55000", "NONE", "100.0", "LOW", "NARROW", "NONE", "12500");
    table.Row(4) = TypedChannel(4, "442.12500", "447.12500", "131.8", "131.8", "HIGH", "WIDE", "YES", "6250");
    table.Row(5) = TypedChannel(5, "446.00625", "446.00625", "754I", "023N");
    table.Row(6) = TypedChannel(6, "145.50000", "435.00000", "165N", "165I", "HIGH", "WIDE", "YES", "5000");
    table.Row(7) = TypedChannel(7, "162.55000", "", "NONE", "712I", "HIGH", "WIDE", "YES", "10000");
    table.Row(8) = TypedChannel(8, "145.00000", "215.00000", "88.5", "NONE");
    EXPECT_EQ(files::ChannelCsvText(table),
              "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,RxDtcsCode,"
              "CrossMode,Mode,TStep,Skip,Power,Comment\r\n"
              "1,,145.500000,,0.000000,,88.5,88.5,023,NN,023,Tone->Tone,FM,25.00,,High,\r\n"
              "3,,145.150000,-,0.600000,Tone,100.0,88.5,023,NN,023,Tone->Tone,NFM,12.50,S,Low,\r\n"
              "4,,442.125000,+,5.000000,TSQL,88.5,131.8,023,NN,023,Tone->Tone,FM,6.25,,High,\r\n"
              "5,,446.006250,,0.000000,Cross,88.5,88.5,023,NR,754,DTCS->DTCS,FM,25.00,,High,\r\n"
              "6,,145.500000,split,435.000000,DTCS,88.5,88.5,165,RN,165,Tone->Tone,FM,5.00,,High,\r\n"
              "7,,162.550000,off,0.000000,Cross,88.5,88.5,712,RN,023,DTCS->,FM,10.00,,High,\r\n"
              "8,,145.000000,+,70.000000,Cross,88.5,88.5,023,NN,023,->Tone,FM,25.00,,High,\r\n");
}

TEST(CsvExport, ExportThenImportGivesTheSameTable)
{
    ChannelTable table = NumberedTable();
    table.Row(1) = TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE");
    table.Row(2) = TypedChannel(2, "145.15000", "144.55000", "NONE", "100.0", "LOW", "NARROW", "NONE", "12500");
    table.Row(3) = TypedChannel(3, "442.12500", "447.12500", "131.8", "131.8", "HIGH", "WIDE", "YES", "6250");
    table.Row(4) = TypedChannel(4, "446.00625", "446.00625", "754I", "023N", "LOW", "WIDE", "NONE", "10000");
    table.Row(5) = TypedChannel(5, "145.50000", "435.00000", "NONE", "NONE", "HIGH", "NARROW", "YES", "5000");
    table.Row(6) = TypedChannel(6, "433.50000", "434.50000", "165N", "165I");
    table.Row(7) = TypedChannel(7, "145.52500", "145.52500", "254.1", "67.0");
    table.Row(8) = TypedChannel(8, "145.55000", "145.55000", "411I", "77.0");
    table.Row(9) = TypedChannel(9, "145.57500", "145.57500", "123.0", "032I");
    table.Row(10) = TypedChannel(10, "145.60000", "145.60000", "88.5", "NONE");
    table.Row(11) = TypedChannel(11, "145.62500", "145.62500", "506I", "NONE");
    table.Row(12) = TypedChannel(12, "145.65000", "145.65000", "NONE", "712I");
    table.Row(13) = TypedChannel(13, "162.55000", "", "62.5", "62.5");
    table.Row(14) = TypedChannel(14, "145.00000", "215.00000", "NONE", "NONE", "LOW", "NARROW", "NONE", "5000");
    table.Row(15) = TypedChannel(15, "145.00000", "215.00001", "023I", "023I", "HIGH", "WIDE", "YES", "6250");
    table.Row(16) = TypedChannel(16, "999.99999", "0.00001", "NONE", "254.1", "LOW", "NARROW", "YES", "12500");

    ChannelTable imported = Filled();
    const app::CsvImportResult result = app::ImportCsvText(files::ChannelCsvText(table), imported);
    for (int r = 0; r < table.RowCount(); ++r)
        EXPECT_EQ(imported.Row(r), table.Row(r)) << "row " << r;
    EXPECT_EQ(result.Report(), "Imported 16 of 16 rows into channels 1 to 16.");
}

// Channels here and there, and codes and tones as typed: each comes back to
// its own channel, the others empty, the numbers 1 to 16 in column 0.
TEST(CsvExport, SparseChannelsAndTypedCodesComeBackWhereTheyWere)
{
    ChannelTable table = NumberedTable();
    table.Row(4) = TypedChannel(4, "145.50000", "145.50000", "007I", "NONE");
    table.Row(6) = TypedChannel(6, "146.00000", "146.00000", "69.4", "69.4");
    table.Row(10) = TypedChannel(10, "446.10000", "446.10000", "999N", "999N", "LOW", "NARROW", "NONE", "12500");
    ChannelTable imported = Filled();
    for (int ch = 1; ch <= 16; ++ch)
        imported.SetCell(ch, 0, "x");
    const app::CsvImportResult result = app::ImportCsvText(files::ChannelCsvText(table), imported);
    for (int r = 1; r < table.RowCount(); ++r)
        EXPECT_EQ(imported.Row(r), table.Row(r)) << "row " << r;
    EXPECT_EQ(result.Report(), "Imported 3 of 3 rows into channels 1 to 16.");

    // A row without a Location fills the next free channel, and says so.
    const std::string csv = "Location,Frequency\n2,145.5\n,146\n2,147\n";
    ChannelTable mixed = Filled();
    EXPECT_EQ(app::ImportCsvText(csv, mixed).Report(),
              "Imported 3 of 3 rows into channels 1 to 16.\n"
              "Row 2: no Location; put in channel 1.\n"
              "Row 3: Location '2' is no free channel 1 to 16; put in channel 3.");
    EXPECT_EQ(mixed.Cell(1, 1), "146.00000");
    EXPECT_EQ(mixed.Cell(2, 1), "145.50000");
    EXPECT_EQ(mixed.Cell(3, 1), "147.00000");
}

TEST(CsvExport, ACellTheRadioCouldNotTakeStopsTheExport)
{
    ChannelTable table = NumberedTable();
    table.Row(1) = TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE");
    table.SetCell(1, memory::kColStep, " "); // as a hand-edited channel file leaves it
    EXPECT_THROW(files::ChannelCsvText(table), text::ConversionError);
    table.SetCell(1, memory::kColStep, "25000");
    table.SetCell(1, memory::kColDecodeTone, "abc");
    EXPECT_THROW(files::ChannelCsvText(table), text::ConversionError);
}

TEST(CsvFiles, ASavedExportReadsBackAndAMissingFileIsReported)
{
    char folder[] = "/tmp/tonvar-csv-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/list.csv";
    ChannelTable table = NumberedTable();
    table.Row(1) = TypedChannel(1, "145.50000", "145.50000", "NONE", "NONE");
    files::SaveCsvFile(table, path);
    EXPECT_EQ(files::ReadCsvFile(path), files::ChannelCsvText(table));
    ::unlink(path.c_str());
    try {
        files::ReadCsvFile(path);
        ADD_FAILURE() << "no failure for a missing file";
    } catch (const text::Failure &e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + path + "\". No such file or directory.");
    }
    ::rmdir(folder);
}

TEST(CsvText, QuotedFieldsKeepCommasQuotesAndLineEnds)
{
    const auto records = files::ParseCsv("a,\"b,\"\"c\"\"\",\"d\r\ne\"\r\n\r\n,\n\"\"");
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0], (std::vector<std::string>{"a", "b,\"c\"", "d\r\ne"}));
    EXPECT_EQ(records[1], (std::vector<std::string>{"", ""}));
    EXPECT_EQ(records[2], (std::vector<std::string>{""}));
    EXPECT_EQ(files::FormatCsvLine({"a", "b,\"c\"", "d\ne", " f", ""}), "a,\"b,\"\"c\"\"\",\"d\ne\",\" f\",");
}

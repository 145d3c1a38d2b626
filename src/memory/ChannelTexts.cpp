// SPDX-License-Identifier: GPL-3.0-or-later
#include "memory/ChannelTexts.h"

namespace tonvar::memory {

namespace {

std::vector<std::string> Numbers(int from, int to)
{
    std::vector<std::string> out;
    for (int i = from; i <= to; ++i)
        out.push_back(std::to_string(i));
    return out;
}

std::vector<std::string> WithNone(std::vector<std::string> rest)
{
    rest.insert(rest.begin(), "NONE");
    return rest;
}

std::vector<std::string> BuildToneList()
{
    static const char *const kCtcss[] = {
        "62.5",  "67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",  "88.5",  "91.5",
        "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3", "131.8",
        "136.5", "141.3", "146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9", "171.3", "173.8",
        "177.3", "179.9", "183.5", "186.2", "189.9", "192.8", "196.6", "199.5", "203.5", "206.5", "210.7",
        "218.1", "225.7", "229.1", "233.6", "241.8", "250.3", "254.1"};
    static const char *const kDcs[] = {
        "023", "025", "026", "031", "032", "043", "047", "051", "054", "065", "071", "072", "073", "074",
        "114", "115", "116", "125", "131", "132", "134", "143", "152", "155", "156", "162", "165", "172",
        "174", "205", "223", "226", "243", "244", "245", "251", "261", "263", "265", "271", "306", "311",
        "315", "331", "343", "346", "351", "364", "365", "371", "411", "412", "413", "423", "431", "432",
        "445", "464", "465", "466", "503", "506", "516", "532", "546", "565", "606", "612", "624", "627",
        "631", "632", "654", "662", "664", "703", "712", "723", "731", "732", "734", "743", "754"};
    std::vector<std::string> list{"NONE"};
    for (const char *tone : kCtcss)
        list.emplace_back(tone);
    for (const char *code : kDcs)
        list.push_back(std::string(code) + "N");
    for (const char *code : kDcs)
        list.push_back(std::string(code) + "I");
    return list;
}

} // namespace

const std::array<std::string, kColumnCount> &ColumnCaptions()
{
    static const std::array<std::string, kColumnCount> captions{
        "Ch No.",    "RX Freq", "TX Freq", "QT/DQT Dec", "QT/DQTEnc", "TX Power",  "W/N",       "Scan Add.",
        "Step Freq", "DTMF1",   "DTMF2",   "PTTID",      "Scrambler", "PTTID Typ", "PTTID NO.", "Compandor"};
    return captions;
}

const std::vector<std::string> &ToneList()
{
    static const std::vector<std::string> list = BuildToneList();
    return list;
}

const std::vector<std::string> &PickList(int column)
{
    static const std::vector<std::string> none;
    static const std::vector<std::string> power{"HIGH", "LOW"};
    static const std::vector<std::string> bandwidth{"WIDE", "NARROW"};
    static const std::vector<std::string> noneYes{"NONE", "YES"};
    static const std::vector<std::string> step{"5000", "6250", "10000", "12500", "25000"};
    static const std::vector<std::string> dtmf{"NONE", "1", "2", "3", "4", "5", "6", "7", "8",
                                               "9",    "*", "0", "#", "A", "B", "C", "D"};
    static const std::vector<std::string> pttId{"NONE", "BOTH", "BOT", "EOT"};
    static const std::vector<std::string> scrambler = WithNone(Numbers(1, 10));
    static const std::vector<std::string> pttIdType{"DTMF", "2TONE", "5TONE", "FSK"};
    static const std::vector<std::string> pttIdNumber = Numbers(1, 16);
    switch (column) {
    case kColDecodeTone:
    case kColEncodeTone:
        return ToneList();
    case kColPower:
        return power;
    case kColBandwidth:
        return bandwidth;
    case kColScanAdd:
    case kColCompandor:
        return noneYes;
    case kColStep:
        return step;
    case kColDtmf1:
    case kColDtmf2:
        return dtmf;
    case kColPttId:
        return pttId;
    case kColScrambler:
        return scrambler;
    case kColPttIdType:
        return pttIdType;
    case kColPttIdNumber:
        return pttIdNumber;
    default:
        return none;
    }
}

const std::string &EditorDefault(int column)
{
    static const std::array<std::string, kColumnCount> defaults{
        "", "", "", "NONE", "NONE", "HIGH", "WIDE", "YES", "25000", "NONE", "NONE", "NONE", "NONE", "DTMF", "1", "YES"};
    static const std::string empty;
    if (column < 0 || column >= kColumnCount)
        return empty;
    return defaults[static_cast<std::size_t>(column)];
}

const std::array<std::string, kColumnCount> &NewRowDefaults()
{
    // Compandor starts as "NONE" here although its editor offers "YES" first.
    static const std::array<std::string, kColumnCount> defaults{"",     "",     "",      "NONE", "NONE", "HIGH",
                                                                "WIDE", "YES",  "25000", "NONE", "NONE", "NONE",
                                                                "NONE", "DTMF", "1",     "NONE"};
    return defaults;
}

} // namespace tonvar::memory

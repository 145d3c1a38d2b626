// The built tonvar-cli run as a script runs it, and radio images to run it
// against.
#pragma once

#include "memory/ChannelBlock.h"
#include "memory/ChannelTexts.h"

#include "RadioSim.h"

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <string>
#include <vector>

namespace tonvar::test {

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts tonvar-cli; the caller waits for it.
inline void StartCli(QProcess &process, const std::vector<std::string> &args)
{
    QStringList list;
    for (const std::string &a : args)
        list << QString::fromStdString(a);
    process.start(QStringLiteral(TONVAR_CLI), list);
}

inline CliResult Finish(QProcess &process, int timeoutMs = 120000)
{
    CliResult r;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        r.err = "(still running after " + std::to_string(timeoutMs) + " ms)";
        return r;
    }
    r.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err += process.readAllStandardError().toStdString();
    return r;
}

inline CliResult RunCli(const std::vector<std::string> &args)
{
    QProcess process;
    StartCli(process, args);
    return Finish(process);
}

// A channel of a busy radio: every column set, differing from channel to
// channel.
inline memory::ChannelRow SampleRow(int ch)
{
    const auto &tones = memory::ToneList();
    return {std::to_string(ch),
            std::to_string(440 + ch) + ".12500",
            ch % 2 ? "" : std::to_string(445 + ch) + ".00000",
            tones[static_cast<std::size_t>(ch * 13) % tones.size()],
            tones[static_cast<std::size_t>(ch * 7) % tones.size()],
            ch % 3 ? "HIGH" : "LOW",
            ch % 2 ? "WIDE" : "NARROW",
            ch % 4 ? "YES" : "NONE",
            "12500",
            "5",
            "#",
            "BOT",
            std::to_string(ch % 10 + 1),
            "5TONE",
            std::to_string(ch),
            ch % 2 ? "YES" : "NONE"};
}

inline sim::Block Payload(const memory::ChannelRow &row)
{
    protocol::ByteBuffer frame{};
    memory::EncodeChannelBlock(row, frame);
    sim::Block b{};
    std::copy(frame.begin() + 4, frame.begin() + 32, b.begin());
    return b;
}

// Channels 1..16 from SampleRow, channel 5 empty, and settings of its own.
inline void FillRadio(sim::RadioSimulator &radio)
{
    for (int ch = 1; ch <= 16; ++ch)
        radio.SetBlock(0, ch, Payload(SampleRow(ch)));
    sim::Block five = Payload(SampleRow(5));
    std::fill(five.begin(), five.begin() + 4, 0); // no receive frequency
    radio.SetBlock(0, 5, five);
    const sim::Block settings{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x02,
                              0x03, 0x00, 0x00, 0x02, 0x01, 0x00, 0x77, 0x77};
    radio.SetBlock(5, 0, settings);
}

// Every block the main window's sessions read and write.
inline std::vector<sim::Block> Memory(const sim::RadioSimulator &radio)
{
    std::vector<sim::Block> out;
    for (int ch = 1; ch <= 16; ++ch)
        out.push_back(radio.GetBlock(0, ch));
    out.push_back(radio.GetBlock(5, 0));
    return out;
}

// What the radio saw, byte for byte, each message with what followed it in
// its burst. A resend that a loaded machine may add (the same message again,
// 300 ms on) is folded into the message it repeats.
inline std::vector<std::string> Wire(const std::vector<sim::LogEntry> &log)
{
    std::vector<std::string> out;
    std::string last;
    for (const sim::LogEntry &e : log) {
        if (!out.empty() && sim::Summary(e) == last && e.bytes.size() + e.tail.size() == 34)
            continue;
        last = sim::Summary(e);
        out.push_back(sim::Describe(e));
    }
    return out;
}

} // namespace tonvar::test

// SPDX-License-Identifier: GPL-3.0-or-later
// The programming station against simulated radios modelling the line at
// 9600 baud both ways, connected one after another behind one link: radios
// an hour beside the wire's limit, and each radio's time from its first
// answer beside 1.05 times its wire floor plus one second.
//
// A radio's wire floor is its read, write and read-back, every byte both
// ways at 10 bits a byte, plus the 20 ms of quiet that ends each of the
// radio's replies: the read and the read-back send "PROGRAM" and a 4-byte
// request a block and take an Ack and a 34-byte frame a block; the write
// sends "PROGRAM" and every block's frame (34 bytes, FleetSync's 32 without
// a checksum) and takes an Ack for each. Radios an hour at the wire's limit
// is 3600 s over that floor; measured, 3600 s over each radio's time from
// its connection to its result (the probe's wait included). Every radio is
// checked to hold the image with its roster row's IDs.
// Usage: station_bench [radios]
#include "cli/Station.h"
#include "files/RadioImage.h"
#include "protocol/Frames.h"
#include "signalling/RadioAreas.h"

#include "RadioSim.h"
#include "Bench.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

using namespace tonvar;

namespace {

double Floor()
{
    constexpr double kByte = 10.0 / 9600.0;
    constexpr double kQuiet = 0.020;
    const int blocks = files::kRadioImageBlocks;
    int written = 7;
    for (const files::ImageBlock &b : files::ImageBlocks())
        written += b.area == protocol::kAreaFleetSync ? 32 : 34;
    const double read = (7 + blocks * 4 + 1 + blocks * 34) * kByte + (blocks + 1) * kQuiet;
    const double write = (written + 1 + blocks) * kByte + (blocks + 1) * kQuiet;
    return read + write + read;
}

// What each radio must hold: the image with its row's IDs.
files::RadioImage Expected(const files::RadioImage &base, int row)
{
    files::RadioImage image = base;
    signalling::SetImageField(image, "FleetSync, ID[Own]", std::to_string(1000 + row));
    signalling::SetImageField(image, "DTMF, ID Code", std::to_string(100 + row));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = bench::Runs(argc, argv, 3);
    QTemporaryDir dir;
    const auto path = [&dir](const char *name) { return dir.filePath(QString::fromLatin1(name)).toStdString(); };
    files::RadioImage base;
    signalling::SetImageField(base, "FleetSync, Fleet[Own]", "100");
    signalling::SetImageField(base, "Channel 1, RX Freq", "145.5");
    files::SaveRadioImage(base, path("fleet.radio"));
    {
        std::ofstream roster(path("roster.csv"), std::ios::binary);
        roster << "asset,\"FleetSync, ID[Own]\",\"DTMF, ID Code\"\n";
        for (int row = 1; row <= count; ++row)
            roster << "A-" << row << "," << 1000 + row << "," << 100 + row << "\n";
    }
    std::vector<std::unique_ptr<sim::RadioSimulator>> radios;
    for (int i = 0; i < count; ++i) {
        radios.push_back(std::make_unique<sim::RadioSimulator>(true));
        radios.back()->Start();
    }
    const std::string link = path("radio");

    cli::StationSettings settings;
    settings.port = link;
    settings.source = path("fleet.radio");
    settings.roster = path("roster.csv");
    settings.log = path("station.jsonl");
    settings.version = "bench";
    cli::Station station(settings);

    QEventLoop loop;
    std::size_t next = 0;
    std::vector<bench::Clock::time_point> connected, done;
    std::vector<cli::StationRecord> records;
    const auto connect = [&] {
        std::filesystem::create_symlink(radios[next]->DevicePath(), link);
        connected.push_back(bench::Clock::now());
        ++next;
    };
    station.onRecord = [&](const cli::StationRecord &record, const std::string &) {
        done.push_back(bench::Clock::now());
        records.push_back(record);
        std::filesystem::remove(link);
    };
    station.onStatus = [&] {
        // Gone, and the station waits again: the next radio.
        if (station.Phase() == cli::StationPhase::Waiting && next < radios.size() && next == done.size())
            connect();
    };
    station.onFinished = [&loop] { loop.quit(); };
    connect();
    station.Start();
    loop.exec();

    if (records.size() != radios.size()) {
        std::fprintf(stderr, "station_bench: %zu of %zu radios ended\n", records.size(), radios.size());
        return 1;
    }
    const double floor = Floor();
    double total = 0, worst = 0;
    for (std::size_t i = 0; i < radios.size(); ++i) {
        if (records[i].result != cli::StationRecord::Result::Programmed) {
            std::fprintf(stderr, "station_bench: radio %zu: %s\n", i + 1, records[i].Line().c_str());
            return 1;
        }
        const files::RadioImage expected = Expected(base, static_cast<int>(i) + 1);
        for (const files::ImageBlock &b : files::ImageBlocks()) {
            const sim::Block held = radios[i]->GetBlock(b.area, b.number);
            if (!std::equal(held.begin(), held.end(), expected.At(b).begin())) {
                std::fprintf(stderr, "station_bench: radio %zu does not hold its image\n", i + 1);
                return 1;
            }
        }
        // The radio's first answer: the Ack of the probe's "PROGRAM".
        const std::vector<sim::LogEntry> log = radios[i]->Log();
        const auto first = std::find_if(log.begin(), log.end(),
                                        [](const sim::LogEntry &e) { return e.kind == sim::LogEntry::Handshake; });
        const double fromAnswer = first == log.end() ? 0 : bench::Seconds(done[i] - first->at);
        const double fromConnection = bench::Seconds(done[i] - connected[i]);
        total += fromConnection;
        worst = std::max(worst, fromAnswer / (1.05 * floor + 1.0));
        std::printf("radio %zu: %.3f s from its connection, %.3f s from its first answer (bound %.3f s: 1.05 x "
                    "floor %.3f s + 1 s)\n",
                    i + 1, fromConnection, fromAnswer, 1.05 * floor + 1.0, floor);
    }
    const double perRadio = total / static_cast<double>(radios.size());
    std::printf("station, %zu radios: %.0f radios an hour (wire's limit %.0f, ratio %.3f); worst radio at %.3f of "
                "its bound\n",
                radios.size(), 3600.0 / perRadio, 3600.0 / floor, floor / perRadio, worst);
    return 0;
}

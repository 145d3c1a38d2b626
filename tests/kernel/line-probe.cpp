// SPDX-License-Identifier: GPL-3.0-or-later
// Listens on a serial port through TComm and reports, on standard output,
// what arrived and which line errors were reported, for the kernel tests:
//
//   line-probe DEVICE SECONDS BYTES
//
// It prints "@@ listening" once the port is open and "@@ line_error MASK"
// (hex) as each OnReceiveError comes; it ends when BYTES bytes have arrived
// or SECONDS have passed, then prints
//   @@ received HEX
//   @@ breaks N                  the reports with the break bit
#include "serial/CommSettings.h"
#include "serial/SPComm.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: line-probe DEVICE SECONDS BYTES\n");
        return 2;
    }
    const int seconds = std::atoi(argv[2]);
    const std::size_t expected = static_cast<std::size_t>(std::atoi(argv[3]));
    tonvar::serial::TComm port;
    port.SetCommName(argv[1]);
    port.SetBaudRate(9600);
    std::vector<std::uint8_t> received;
    std::vector<std::uint32_t> errors;
    port.OnReceiveData = [&](tonvar::serial::TComm *, const std::uint8_t *bytes, std::uint16_t length) {
        received.insert(received.end(), bytes, bytes + length);
        if (received.size() >= expected)
            QCoreApplication::quit();
    };
    port.OnReceiveError = [&](tonvar::serial::TComm *, std::uint32_t mask) {
        errors.push_back(mask);
        std::printf("@@ line_error %X\n", static_cast<unsigned>(mask));
        std::fflush(stdout);
    };
    try {
        port.OpenPort();
    } catch (const std::exception &e) {
        std::printf("@@ FAIL open %s: %s\n", argv[1], e.what());
        return 1;
    }
    std::printf("@@ listening\n");
    std::fflush(stdout);
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    port.ClosePort();

    std::string hex;
    for (const std::uint8_t b : received) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    int breaks = 0;
    for (const std::uint32_t mask : errors)
        breaks += (mask & tonvar::serial::kErrorBreak) != 0;
    std::printf("@@ received %s\n@@ breaks %d\n", hex.c_str(), breaks);
    return 0;
}

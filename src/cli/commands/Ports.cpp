// SPDX-License-Identifier: GPL-3.0-or-later
// tonvar-cli ports: the serial ports the radio may be on, one a line; with
// --probe, whether a radio answers on each right now.
#include "cli/commands/Commands.h"

#include "link/Probe.h"
#include "serial/PortDiscovery.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <map>

namespace tonvar::cli {

namespace {

// How long --probe waits for the Acks, all ports at once.
constexpr std::chrono::milliseconds kProbeLimit{1000};

struct PortLine {
    std::string name; // as listed ("ttyUSB0") or as given with --port
    std::string device;
    std::string description; // the USB cable's, where it is one
    std::string serialNumber;
    std::string stablePath; // under /dev/serial/by-id
    link::ProbeResult result = link::ProbeResult::Silent;
    std::string error;
};

// The port's name under /sys/class/tty ("ttyUSB0"), empty for a device
// outside /dev or in a folder of it (a pseudo-terminal).
std::string TtyName(const std::string &device)
{
    if (device.rfind("/dev/", 0) != 0)
        return {};
    const std::string name = device.substr(5);
    return name.find('/') == std::string::npos ? name : std::string();
}

PortLine Describe(const std::string &name)
{
    PortLine line;
    line.name = name;
    line.device = serial::ResolvedDevice(name);
    const std::string tty = name.find('/') == std::string::npos ? name : TtyName(line.device);
    if (tty.empty())
        return line;
    line.description = serial::UsbDescription(tty);
    if (line.description.empty())
        return line;
    line.serialNumber = serial::UsbSerialNumber(tty);
    line.stablePath = serial::StablePath(tty);
    return line;
}

std::string Answer(const PortLine &line)
{
    switch (line.result) {
    case link::ProbeResult::Answered:
        return "radio answers";
    case link::ProbeResult::Silent:
        return "no answer";
    case link::ProbeResult::HungUp:
        return "hung up";
    case link::ProbeResult::CannotOpen:
        break;
    }
    return "cannot open: " + line.error;
}

std::string TextLine(const PortLine &line, bool probed)
{
    std::string text = line.name;
    if (probed)
        text += "\t" + Answer(line);
    // The cable's description, its serial number and udev's stable name
    // tell identical cables apart.
    if (!line.description.empty()) {
        text += "\t" + line.description;
        text += "\t" + (line.serialNumber.empty() ? std::string() : "serial " + line.serialNumber);
        text += "\t" + line.stablePath;
        while (text.back() == '\t')
            text.pop_back();
    }
    return text;
}

std::string JsonLine(const PortLine &line, bool probed)
{
    const auto text = [](const std::string &s) { return QString::fromStdString(s); };
    QJsonObject o{{QStringLiteral("port"), text(PortLabel(line.name))},
                  {QStringLiteral("name"), text(line.name)},
                  {QStringLiteral("device"), text(line.device)},
                  {QStringLiteral("serial"), text(line.serialNumber)},
                  {QStringLiteral("description"), text(line.description)},
                  {QStringLiteral("stablePath"), text(line.stablePath)}};
    if (probed) {
        o.insert(QStringLiteral("result"), text(link::ProbeResultName(line.result)));
        o.insert(QStringLiteral("error"), text(line.error));
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

// Probes every device once, however many names it has here (a port listed
// and its /dev/serial/by-id name given with --port), all at once.
void Probe(std::vector<PortLine> &lines)
{
    static int argc = 1;
    static char name[] = "tonvar-cli";
    static char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::vector<std::string> ports;
    std::map<std::string, std::size_t> byDevice;
    for (const PortLine &line : lines)
        if (byDevice.emplace(line.device, ports.size()).second)
            ports.push_back(line.name);
    const std::vector<link::PortAnswer> answers = link::ProbePorts(ports, kProbeLimit);
    for (PortLine &line : lines) {
        const link::PortAnswer &answer = answers.at(byDevice.at(line.device));
        line.result = answer.result;
        line.error = answer.error;
    }
}

} // namespace

int RunPorts(const Options &options)
{
    serial::PortList ports;
    const bool listed = ports.Refresh();
    if (!listed) {
        std::fprintf(stderr, "tonvar-cli: the serial ports cannot be listed: %s cannot be read\n",
                     serial::kSysClassTty.c_str());
        if (options.ports.empty())
            return kExitRadioFailure;
    }
    // The ports given, where some are: no other port is sent a byte.
    std::vector<PortLine> lines;
    if (options.ports.empty())
        for (const std::string &name : ports.Items())
            lines.push_back(Describe(name));
    for (const std::string &name : options.ports)
        lines.push_back(Describe(name));
    if (options.probe)
        Probe(lines);
    bool answered = false;
    for (const PortLine &line : lines) {
        answered = answered || line.result == link::ProbeResult::Answered;
        const std::string text = options.json ? JsonLine(line, options.probe) : TextLine(line, options.probe);
        std::printf("%s\n", text.c_str());
    }
    std::fflush(stdout);
    if (!listed && options.ports.empty())
        return kExitRadioFailure;
    // --probe: whether some radio answers, for a script to test.
    return !options.probe || answered ? kExitSuccess : kExitRadioFailure;
}

} // namespace tonvar::cli

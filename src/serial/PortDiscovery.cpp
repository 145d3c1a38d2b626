// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/PortDiscovery.h"

#include "serial/SPComm.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tonvar::serial {

namespace fs = std::filesystem;

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool LessIgnoringCase(const std::string &a, const std::string &b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

bool IsPhantomUart(const fs::path &entry)
{
    std::ifstream type(entry / "type");
    std::string value;
    return type && std::getline(type, value) && value == "0";
}

bool IsSerialPort(const fs::path &entry)
{
    const std::string name = entry.filename().string();
    if (name.rfind("rfcomm", 0) == 0)
        return true;
    std::error_code ec;
    return fs::exists(entry / "device", ec) && !IsPhantomUart(entry);
}

} // namespace

bool SamePortName(const std::string &a, const std::string &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

void SortPortNames(std::vector<std::string> &names)
{
    std::stable_sort(names.begin(), names.end(), LessIgnoringCase);
}

bool ListSerialPorts(std::vector<std::string> &list, const std::string &sysfsRoot)
{
    std::error_code ec;
    fs::directory_iterator it(sysfsRoot, ec);
    if (ec)
        return false;
    std::vector<std::string> found;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            return false;
        if (IsSerialPort(it->path()))
            found.push_back(it->path().filename().string());
    }
    SortPortNames(found);
    list = std::move(found);
    return true;
}

std::string TextAfterRefresh(const std::string &remembered, const std::vector<std::string> &items)
{
    for (const std::string &item : items)
        if (SamePortName(item, remembered))
            return remembered;
    return items.empty() ? remembered : items.front();
}

bool PortList::Refresh()
{
    std::vector<std::string> found;
    if (!ListSerialPorts(found, sysfsRoot_))
        return false;
    std::error_code ec;
    std::erase_if(added_, [&ec](const std::string &path) { return !fs::exists(path, ec); });
    for (const std::string &path : added_)
        if (std::find(found.begin(), found.end(), path) == found.end())
            found.push_back(path);
    items_ = std::move(found);
    return true;
}

int PortList::AddDevicePath(const std::string &path)
{
    if (std::find(added_.begin(), added_.end(), path) == added_.end())
        added_.push_back(path);
    auto it = std::find(items_.begin(), items_.end(), path);
    if (it == items_.end())
        it = items_.insert(items_.end(), path);
    return static_cast<int>(it - items_.begin());
}

namespace {

// The first line of a small sysfs attribute, printable ASCII only.
std::string Attribute(const std::filesystem::path &file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    std::string out;
    for (const char c : line.substr(0, 128))
        if (c >= 0x20 && c < 0x7F)
            out += c;
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace

namespace {

// The USB device behind a port: the first folder above its sysfs device
// with a vendor id; empty for none.
std::filesystem::path UsbDeviceFolder(const std::string &name, const std::string &sysfsRoot)
{
    namespace fs = std::filesystem;
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..")
        return {};
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(sysfsRoot) / name / "device", ec);
    if (ec)
        return {};
    // The interface the port belongs to sits below the USB device.
    for (int up = 0; up < 6 && !dir.empty() && dir != dir.root_path(); ++up, dir = dir.parent_path())
        if (!Attribute(dir / "idVendor").empty())
            return dir;
    return {};
}

} // namespace

std::string UsbDescription(const std::string &name, const std::string &sysfsRoot)
{
    const std::filesystem::path dir = UsbDeviceFolder(name, sysfsRoot);
    if (dir.empty())
        return {};
    std::string text = Attribute(dir / "manufacturer");
    const std::string product = Attribute(dir / "product");
    if (!product.empty())
        text += (text.empty() ? "" : " ") + product;
    const std::string id = Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct");
    return text.empty() ? id : text + " (" + id + ")";
}

std::string UsbSerialNumber(const std::string &name, const std::string &sysfsRoot)
{
    const std::filesystem::path dir = UsbDeviceFolder(name, sysfsRoot);
    return dir.empty() ? std::string() : Attribute(dir / "serial");
}

std::string PortLabel(const std::string &name, const std::string &sysfsRoot)
{
    const std::filesystem::path dir = UsbDeviceFolder(name, sysfsRoot);
    if (dir.empty())
        return name;
    std::string cable = Attribute(dir / "product");
    if (cable.empty())
        cable = Attribute(dir / "manufacturer");
    if (cable.empty())
        cable = Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct");
    const std::string serial = Attribute(dir / "serial");
    return name + " \u2014 " + cable + (serial.empty() ? "" : " (" + serial + ")");
}

std::string ResolvedDevice(const std::string &port)
{
    std::error_code ec;
    const std::string path = DevicePath(port);
    const std::filesystem::path device = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : device.string();
}

std::string PortSerialNumber(const std::string &port)
{
    const std::filesystem::path device = ResolvedDevice(port);
    return device.parent_path() == "/dev" ? UsbSerialNumber(device.filename().string()) : std::string();
}

std::string StablePath(const std::string &name, const std::string &byIdFolder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path device = fs::path("/dev") / name;
    std::vector<std::string> found;
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::canonical(it->path(), linkError);
        if (!linkError && target == device)
            found.push_back(it->path().string());
    }
    // Several names (interfaces of one device): the first in order.
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

} // namespace tonvar::serial

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PortSelector.h"

#include "serial/CableHints.h"

#include <QSettings>

#include <filesystem>

#include <utility>

namespace tonvar::app {

namespace {

std::string Latin1(const QString &s)
{
    return s.toLatin1().toStdString();
}

QSettings Remembered()
{
    return QSettings(QStringLiteral("tonvar"), QStringLiteral("tonvar"));
}

} // namespace

RememberedPort LoadRememberedPort()
{
    const QSettings s = Remembered();
    return {Latin1(s.value(QStringLiteral("port/last")).toString()),
            Latin1(s.value(QStringLiteral("port/stable")).toString())};
}

void SaveRememberedPort(const RememberedPort &remembered)
{
    QSettings s = Remembered();
    s.setValue(QStringLiteral("port/last"), QString::fromLatin1(remembered.port));
    s.setValue(QStringLiteral("port/stable"), QString::fromLatin1(remembered.stable));
}

PortSelector::PortSelector(PortBox &box, std::string &chosen, std::string sysfsRoot)
    : box_(box), chosen_(chosen), sysfsRoot_(sysfsRoot), ports_(std::move(sysfsRoot))
{
}

std::vector<PortItem> PortSelector::Items() const
{
    std::vector<PortItem> items;
    for (const std::string &port : ports_.Items())
        items.push_back({port, QString::fromStdString(serial::PortLabel(port, sysfsRoot_))});
    return items;
}

int PortSelector::IndexOf(const std::string &port) const
{
    const std::vector<std::string> &items = ports_.Items();
    for (std::size_t i = 0; i < items.size(); ++i)
        if (serial::SamePortName(items[i], port))
            return static_cast<int>(i);
    return -1;
}

void PortSelector::Fill(const RememberedPort &remembered)
{
    if (ports_.Refresh())
        box_.SetItems(Items());
    // A path the user named (Port > Device Path...) that discovery does not
    // list is named again while it is there: a stable link, not a
    // pseudo-terminal's number, which the next one takes.
    const std::string &named = remembered.port;
    std::error_code error;
    if (IndexOf(named) < 0 && named.rfind('/', 0) == 0 && named.rfind("/dev/pts/", 0) != 0 &&
        std::filesystem::exists(named, error)) {
        AddDevicePath(QString::fromLatin1(named));
        return;
    }
    if (box_.Count() == 0)
        return;
    int index = -1;
    if (!remembered.stable.empty()) {
        const std::vector<std::string> &items = ports_.Items();
        for (std::size_t i = 0; i < items.size() && index < 0; ++i)
            if (stableLink(items[i]) == remembered.stable)
                index = static_cast<int>(i);
    }
    if (index < 0 && !remembered.port.empty())
        index = IndexOf(remembered.port);
    box_.Select(index < 0 ? 0 : index);
    chosen_ = box_.Port();
}

void PortSelector::DevicesChanged()
{
    const std::string remembered = box_.Port().empty() ? chosen_ : box_.Port();
    if (!ports_.Refresh())
        return;
    box_.SetItems(Items());
    const int index = IndexOf(remembered);
    if (index >= 0)
        box_.Select(index);
    else if (box_.Count() > 0)
        box_.Select(0);
    if (!box_.Port().empty())
        chosen_ = box_.Port();
}

RememberedPort PortSelector::Choose(int index)
{
    if (index < 0 || index >= box_.Count())
        return Remembered();
    box_.Select(index);
    chosen_ = box_.Port();
    return Remembered();
}

RememberedPort PortSelector::Remembered() const
{
    // A path the user named has no stable link of its own to look up.
    const bool named = chosen_.find('/') != std::string::npos;
    return {chosen_, named ? std::string() : stableLink(chosen_)};
}

void PortSelector::AddDevicePath(const QString &path)
{
    if (path.isEmpty())
        return;
    ports_.Refresh();
    const int index = ports_.AddDevicePath(Latin1(path));
    box_.SetItems(Items());
    box_.Select(index);
    chosen_ = Latin1(path);
}

void PortSelector::VanishedAfterPlug(
    const QString &name, const std::function<void(const std::string &text, const std::string &hint)> &report)
{
    const std::string hint = serial::VanishedPortHint(name.toStdString());
    if (!hint.empty())
        report(name.toStdString() + " went away right after it was plugged in", hint);
}

} // namespace tonvar::app

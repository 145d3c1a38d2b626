// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PortSelector.h"

#include "serial/CableHints.h"

#include <utility>

namespace tonvar::app {

namespace {

std::string Latin1(const QString &s)
{
    return s.toLatin1().toStdString();
}

} // namespace

PortSelector::PortSelector(PortBox &box, std::string &chosen, std::string sysfsRoot)
    : box_(box), chosen_(chosen), ports_(std::move(sysfsRoot))
{
}

void PortSelector::Fill()
{
    if (ports_.Refresh())
        box_.SetItems(ports_.Items());
    if (box_.Count() > 0)
        box_.Select(0);
}

void PortSelector::DevicesChanged()
{
    const std::string remembered = Latin1(box_.Text());
    if (!ports_.Refresh())
        return;
    box_.SetItems(ports_.Items());
    const std::string text = serial::TextAfterRefresh(remembered, ports_.Items());
    if (text != remembered && box_.Count() > 0)
        box_.Select(0);
    chosen_ = Latin1(box_.Text());
}

void PortSelector::AddDevicePath(const QString &path)
{
    if (path.isEmpty())
        return;
    ports_.Refresh();
    const int index = ports_.AddDevicePath(Latin1(path));
    box_.SetItems(ports_.Items());
    box_.Select(index);
    box_.SetText(path);
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

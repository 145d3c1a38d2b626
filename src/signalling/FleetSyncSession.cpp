// SPDX-License-Identifier: GPL-3.0-or-later
#include "signalling/FleetSyncSession.h"

namespace tonvar::signalling {

FleetSyncSession::FleetSyncSession(link::PortHub &hub, link::Timer &timer1,
                                   std::function<void(const std::string &)> showMessage)
    : AreaSession(kFleetSyncTraits, hub, timer1, std::move(showMessage))
{
}

} // namespace tonvar::signalling

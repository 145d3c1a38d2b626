#include "signalling/FleetSyncSession.h"

namespace tonvar::signalling {

FleetSyncSession::FleetSyncSession(protocol::MainSession &main, protocol::Timer &timer1,
                                   std::function<void(const std::string &)> showMessage)
    : SignallingLogic(
          {protocol::kAreaFleetSync, kFleetSyncBlocks, false, link::TransferPlan::Clear::First, true, true, 4, 4}, main,
          timer1, std::move(showMessage))
{
}

} // namespace tonvar::signalling

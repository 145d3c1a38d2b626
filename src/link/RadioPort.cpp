// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/RadioPort.h"

namespace tonvar::link {

RadioPort::RadioPort()
{
    comm.SetReadIntervalTimeout(20);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    tim1.setInterval(kResendMs);
}

RadioPort::~RadioPort()
{
    comm.OnReceiveData = nullptr;
    comm.OnRequestHangup = nullptr;
    comm.ClosePort();
}

} // namespace tonvar::link

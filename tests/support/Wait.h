// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting for something to happen while the Qt event loop runs.
#pragma once

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace tonvar::test {

// Runs the event loop until `done()` holds or `timeout` passes; returns
// whether it held. Polls every millisecond; never a fixed sleep.
template <typename Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

} // namespace tonvar::test

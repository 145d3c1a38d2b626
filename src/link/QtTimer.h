// SPDX-License-Identifier: GPL-3.0-or-later
// A Qt timer behind the link's Timer interface.
#pragma once

#include "link/Link.h"

#include <QTimer>

namespace tonvar::link {

class QtTimer : public Timer {
public:
    explicit QtTimer(QTimer &timer) : timer_(timer) {}
    void Start() override
    {
        if (!timer_.isActive())
            timer_.start();
    }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer &timer_;
};

} // namespace tonvar::link

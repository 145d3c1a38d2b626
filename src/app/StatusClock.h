// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's clock: the port in use, the date and the time, as the
// user writes dates and times.
//
// The clock wakes a few milliseconds after each second turns, never before
// it, not many times a second; a wake in the same second with the same port
// formats and shows nothing (the local time, which reads the time zone, is
// only then read either). A change of port is shown at once by a Tick.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QMetaObject>
#include <QString>
#include <QTimer>

#include <array>
#include <functional>

namespace tonvar::app {

class StatusClock {
public:
    // The clock is woken this long after the second turns.
    static constexpr int kLagMs = 5;
    // "Present Com：port", "Date：...", "Time：...".
    using Texts = std::array<QString, 3>;
    // Milliseconds since the epoch.
    using Now = std::function<qint64()>;

    // Wakes with `timer`, which it sets up and starts; `port` gives the port
    // shown, `show` receives the texts when they change.
    StatusClock(QTimer &timer, std::function<QString()> port, std::function<void(const Texts &)> show,
                Now now = &QDateTime::currentMSecsSinceEpoch);
    ~StatusClock();
    StatusClock(const StatusClock &) = delete;
    StatusClock &operator=(const StatusClock &) = delete;

    // Shows what changed and sleeps until the next second turns.
    void Tick();

private:
    QTimer &timer_;
    std::function<QString()> port_;
    std::function<void(const Texts &)> show_;
    Now now_;
    QLocale locale_ = QLocale::system();
    QString timeFormat_;
    QMetaObject::Connection wake_;
    qint64 shownSecond_ = -1; // what is shown: the second (since the epoch)
    QString shownPort_;       // and the port
};

} // namespace tonvar::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StatusClock.h"

#include <utility>

namespace tonvar::app {

namespace {

QString LongTimeFormat(const QLocale &locale)
{
    // Hours, minutes and seconds as the user writes them, without a zone.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

} // namespace

StatusClock::StatusClock(QTimer &timer, std::function<QString()> port, std::function<void(const Texts &)> show, Now now)
    : timer_(timer), port_(std::move(port)), show_(std::move(show)), now_(std::move(now)),
      timeFormat_(LongTimeFormat(locale_))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    wake_ = QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Tick(); });
}

StatusClock::~StatusClock()
{
    QObject::disconnect(wake_);
}

void StatusClock::Tick()
{
    static const QString present = QStringLiteral("Present Com\uFF1A");
    static const QString date = QStringLiteral("Date\uFF1A");
    static const QString time = QStringLiteral("Time\uFF1A");
    const qint64 ms = now_();
    const qint64 second = ms / 1000;
    timer_.start(static_cast<int>(1000 - ms % 1000) + kLagMs);
    const QString port = port_();
    if (second == shownSecond_ && port == shownPort_)
        return;
    shownSecond_ = second;
    shownPort_ = port;
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(ms);
    show_({present + port, date + locale_.toString(at.date(), QLocale::ShortFormat),
           time + locale_.toString(at.time(), timeFormat_)});
}

} // namespace tonvar::app

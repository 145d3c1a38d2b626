// SPDX-License-Identifier: GPL-3.0-or-later
// The status bar's clock on an injected clock: when it wakes and what it
// shows.
#include "app/StatusClock.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <vector>

using namespace tonvar::app;

namespace {

// Local time on a day without a change of summer time.
qint64 At(int h, int m, int s, int ms)
{
    return QDateTime(QDate(2001, 2, 3), QTime(h, m, s)).toMSecsSinceEpoch() + ms;
}

struct Clock : ::testing::Test {
    QTimer timer;
    qint64 now = At(4, 5, 6, 0);
    QString port = QStringLiteral("COM1");
    std::vector<StatusClock::Texts> shown;
    StatusClock clock{timer, [this] { return port; },
                      [this](const StatusClock::Texts &texts) { shown.push_back(texts); }, [this] { return now; }};
};

} // namespace

// Whenever it is woken, the clock sleeps until a few ms after the next second
// turns: never before it (it would show the old second again), not many
// times a second.
TEST_F(Clock, WakesJustAfterTheNextSecondTurns)
{
    for (const int ms : {0, 1, 499, 994, 995, 996, 999}) {
        SCOPED_TRACE(ms);
        now = At(4, 5, 6, ms);
        clock.Tick();
        ASSERT_TRUE(timer.isActive());
        EXPECT_TRUE(timer.isSingleShot());
        EXPECT_EQ(timer.timerType(), Qt::PreciseTimer);
        EXPECT_EQ(now + timer.interval(), At(4, 5, 7, StatusClock::kLagMs));
    }
}

// The port, the date and the time of the injected clock are shown when the
// second or the port changes, and nothing else is.
TEST_F(Clock, ShowsWhatChangedOnly)
{
    clock.Tick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0][0], QStringLiteral("Present Com\uFF1A"
                                          "COM1"));
    EXPECT_EQ(shown[0][1],
              QStringLiteral("Date\uFF1A") + QLocale::system().toString(QDate(2001, 2, 3), QLocale::ShortFormat));
    EXPECT_TRUE(shown[0][2].startsWith(QStringLiteral("Time\uFF1A"))) << shown[0][2].toStdString();
    EXPECT_TRUE(shown[0][2].contains(QStringLiteral("06"))) << shown[0][2].toStdString();

    now = At(4, 5, 6, 999); // the same second
    clock.Tick();
    EXPECT_EQ(shown.size(), 1u);

    port = QStringLiteral("/dev/ttyUSB0"); // a port typed: shown at once
    clock.Tick();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1][0], QStringLiteral("Present Com\uFF1A/dev/ttyUSB0"));
    EXPECT_EQ(shown[1][2], shown[0][2]);

    now = At(4, 5, 7, StatusClock::kLagMs); // woken as the second turned
    clock.Tick();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[2][2].contains(QStringLiteral("07"))) << shown[2][2].toStdString();
    EXPECT_EQ(timer.interval(), 1000);
}

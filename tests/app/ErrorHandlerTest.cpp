// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ErrorHandler.h"

#include "text/Convert.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace tonvar::app;

// Readable failure output for Qt strings.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

struct SinkFixture : ::testing::Test {
    QStringList shown;
    QStringList details;
    void SetUp() override
    {
        SetFailureSink([this](const QString &text, const QString &detail) {
            shown << text;
            details << detail;
        });
    }
    void TearDown() override { ResetFailureSink(); }
};

} // namespace

TEST_F(SinkFixture, AFailingHandlerStopsAndItsMessageIsShownWithAFullStop)
{
    bool reachedEnd = false;
    const bool ok = RunHandler([&] {
        tonvar::text::StrToInt("25k");
        reachedEnd = true;
    });
    EXPECT_FALSE(ok);
    EXPECT_FALSE(reachedEnd);
    EXPECT_EQ(shown, QStringList{QStringLiteral("'25k' is not a valid integer value.")});
}

TEST_F(SinkFixture, AFailureCarriesItsDetailToTheBox)
{
    RunHandler([] { throw tonvar::text::Failure("Error opening serial port", "/dev/ttyUSB0 is not there."); });
    EXPECT_EQ(shown, QStringList{QStringLiteral("Error opening serial port.")});
    EXPECT_EQ(details, QStringList{QStringLiteral("/dev/ttyUSB0 is not there.")});
}

TEST_F(SinkFixture, AHandlerThatSucceedsShowsNothing)
{
    EXPECT_TRUE(RunHandler([] {}));
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(SinkFixture, MessagesEndingBelowAFullStopAreShownAsTheyStand)
{
    RunHandler([] { throw tonvar::text::Failure("List index out of bounds (17)"); });
    RunHandler([] { throw 42; });
    EXPECT_EQ(shown, (QStringList{QStringLiteral("List index out of bounds (17)"), QStringLiteral("Unknown error.")}));
}

TEST(ApplicationTitle, HasTwoBlanks)
{
    EXPECT_EQ(kApplicationTitle, QStringLiteral("TONVAR  V1.0"));
}

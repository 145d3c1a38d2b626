// The whole application, its message and error boxes caught, with the
// simulated radio on the port selector.
#pragma once

#include "app/AppWindows.h"
#include "app/ErrorHandler.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

namespace tonvar::test {

struct AppFixture : ::testing::Test {
    sim::RadioSimulator radio{false};
    std::unique_ptr<app::AppWindows> windows;
    app::TForm1 *form = nullptr;
    QStringList messages;
    QStringList failures;

    void SetUp() override
    {
        app::SetMessageSink([this](const QString &text) { messages << text; });
        app::SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        windows = std::make_unique<app::AppWindows>(QSize(1920, 1080));
        form = windows->Form1.get();
        form->AddDevicePath(QString::fromStdString(radio.DevicePath()));
        radio.Start();
    }
    void TearDown() override
    {
        windows.reset();
        radio.Stop();
        app::ResetMessageSink();
        app::ResetFailureSink();
    }
};

} // namespace tonvar::test

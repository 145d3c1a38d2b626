// SPDX-License-Identifier: GPL-3.0-or-later
// The whole application, its message and error boxes caught, with the
// simulated radio on the port selector.
#pragma once

#include "app/AppWindows.h"
#include "app/ErrorHandler.h"

#include "RadioSim.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace tonvar::test {

struct AppFixture : ::testing::Test {
    sim::RadioSimulator radio{false};
    std::unique_ptr<app::AppWindows> windows;
    app::TForm1 *form = nullptr;
    QStringList messages;
    QStringList failures;
    // The previews of writes the tests answered (Write unless `writeAnswer` says
    // otherwise): a test that drives a write does not depend on the user's
    // settings.
    std::vector<app::WriteQuestion> questions;
    bool writeAnswer = true;

    // The write alone, as it ran before writes were previewed and backed up:
    // for tests of what the write itself sends.
    void BareWrites() { form->Writes().safety = app::WriteSafety{false, false, 50}; }

    // Watches for the window's own write preview (with ConfirmWrite unset)
    // and hands it to `answer`, which must close it; stops with the timer.
    static std::unique_ptr<QTimer> OnWritePreview(std::function<void(QDialog &dialog)> answer)
    {
        auto timer = std::make_unique<QTimer>();
        timer->setInterval(20);
        QObject::connect(timer.get(), &QTimer::timeout, [answer = std::move(answer)] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (dialog && dialog->objectName() == QStringLiteral("WritePreview") && dialog->isVisible())
                answer(*dialog);
        });
        timer->start();
        return timer;
    }

    void SetUp() override
    {
        app::SetMessageSink([this](const QString &text) { messages << text; });
        app::SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        windows = std::make_unique<app::AppWindows>(QSize(1920, 1080));
        form = windows->Form1.get();
        form->Writes().safety = app::WriteSafety{};
        form->ConfirmWrite = [this](const app::WriteQuestion &q) {
            questions.push_back(q);
            return writeAnswer;
        };
        form->AddDevicePath(QString::fromStdString(radio.DevicePath()));
        radio.Start();
    }
    void TearDown() override
    {
        if (HasFailure()) {
            // What the radio saw, to tell a fault of the tool from one of the line.
            const auto log = radio.Log();
            for (const sim::LogEntry &e : log)
                std::printf("radio +%6.1f ms  %s\n",
                            std::chrono::duration<double, std::milli>(e.at - log.front().at).count(),
                            sim::Describe(e).c_str());
        }
        windows.reset();
        radio.Stop();
        app::ResetMessageSink();
        app::ResetFailureSink();
    }
};

} // namespace tonvar::test

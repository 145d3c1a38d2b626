// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through Qt's event delivery as a keyboard drives it
// (keys to the focused control, travelling on to its parents), against the
// simulated radio.
#include "AppFixture.h"

#include "RadioSim.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <chrono>
#include <memory>

#include "OpenWatch.h"

using namespace tonvar;
using namespace std::chrono_literals;
using test::WaitUntil;

namespace {

struct Keys : test::AppFixture {
    std::unique_ptr<test::OpenWatch> watch; // the tool's opens of the radio's device

    void SetUp() override
    {
        AppFixture::SetUp();
        watch = std::make_unique<test::OpenWatch>(radio.DevicePath());
        ASSERT_TRUE(watch->Ok());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
        form->activateWindow();
        ASSERT_TRUE(WaitUntil([&] { return form->isActiveWindow(); }, 5s));
    }

    // Handshakes that began a session. A resend of the handshake comes 300 ms
    // after the one it repeats; a second session started by the same key
    // sends its own right after the first, often in the same burst (which the
    // radio logs as the first one's tail).
    int SessionStarts() const
    {
        static const std::string program = "PROGRAM";
        int starts = 0;
        std::chrono::steady_clock::time_point last{};
        for (const sim::LogEntry &e : radio.Log()) {
            const std::string tail(e.tail.begin(), e.tail.end());
            for (auto at = tail.find(program); at != std::string::npos; at = tail.find(program, at + 1))
                ++starts;
            if (e.kind != sim::LogEntry::Handshake)
                continue;
            if (starts == 0 || e.at - last < 250ms)
                ++starts;
            last = e.at;
        }
        return starts;
    }

    QWidget *CellEditor() const
    {
        for (QWidget *w : form->xg->viewport()->findChildren<QLineEdit *>())
            if (w->isVisible())
                return w;
        return nullptr;
    }
};

} // namespace

TEST_F(Keys, F11OnTheTableStartsOneRead)
{
    form->xg->setFocus();
    form->xg->setCurrentIndex(form->model->index(0, 1));
    QTest::keyClick(form->xg, Qt::Key_F11);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("   Read Succeed!")});
    EXPECT_EQ(SessionStarts(), 1);
    EXPECT_EQ(watch->Opens(), 1);
    ASSERT_FALSE(radio.Log().empty());
    EXPECT_EQ(sim::Summary(radio.Log().back()), "READ 5 0");
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(Keys, F12InAPanelBoxStartsOneWrite)
{
    form->ComboBox[3]->setFocus(); // "TOT"
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F12);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Write Succeed!")});
    EXPECT_EQ(SessionStarts(), 1);
    EXPECT_EQ(watch->Opens(), 2) << "the write's and its read-back's";
    EXPECT_EQ(sim::Summary(radio.Log().back()), "READ 5 0");
}

TEST_F(Keys, F11WithNothingFocusedStartsOneRead)
{
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    QTest::keyClick(form, Qt::Key_F11);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s));
    EXPECT_EQ(SessionStarts(), 1);
    EXPECT_EQ(watch->Opens(), 1);
}

TEST_F(Keys, SpaceOnTheFocusedReadButtonStartsOneRead)
{
    form->rbtn->setFocus();
    QTest::keyClick(form->rbtn, Qt::Key_Space);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }, 30s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("   Read Succeed!")});
    EXPECT_EQ(SessionStarts(), 1);
    EXPECT_EQ(watch->Opens(), 1);
}

TEST_F(Keys, AnRxEditSurvivesStrayBytesAndAShowCommand)
{
    int handled = 0;
    form->afterRefresh.push_back([&] { ++handled; });
    form->DTMF1Click(); // opens the port; the main window stays enabled
    ASSERT_TRUE(form->Comm1.IsOpen());
    form->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return form->isActiveWindow(); }, 5s));

    form->xg->setFocus();
    form->xg->setCurrentIndex(form->model->index(0, 1));
    QTest::keyClicks(form->xg, QStringLiteral("1"));
    QWidget *editor = CellEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("46.5"));

    // A chunk nobody asked for: every chunk refreshes the window.
    const int before = handled;
    radio.Inject({'Z', 'Z', 'Z'});
    ASSERT_TRUE(WaitUntil([&] { return handled > before; }, 10s));
    ASSERT_EQ(CellEditor(), editor);
    EXPECT_EQ(static_cast<QLineEdit *>(editor)->text(), QStringLiteral("146.5"));

    form->N2tone1Click(); // the port is open already: it only shows the window
    EXPECT_EQ(static_cast<QLineEdit *>(editor)->text(), QStringLiteral("146.5"));
    QTest::keyClicks(editor, QStringLiteral("2"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return form->table.Cell(1, 1) != ""; }, 10s));
    EXPECT_EQ(form->table.Cell(1, 1), "146.52000");
    EXPECT_TRUE(failures.isEmpty());
}

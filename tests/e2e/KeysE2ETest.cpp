// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven through Qt's event delivery as a keyboard drives it
// (keys to the focused control, travelling on to its parents), against the
// simulated radio.
#include "AppFixture.h"

#include "RadioSim.h"
#include "SampleRadio.h"
#include "Wait.h"
#include "files/RadioImage.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
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
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty() || !failures.isEmpty(); }, 60s));
    EXPECT_EQ(messages, QStringList{QStringLiteral("Write Succeed!\nBackup: ") + form->Writes().LastBackup()});
    EXPECT_EQ(questions.size(), 1u) << "one preview, one write";
    EXPECT_EQ(SessionStarts(), 1);
    // The read before the write is a session of its own (the question comes
    // between the two with the port closed), then the write and its read-back.
    EXPECT_EQ(watch->Opens(), 3) << "the read before the write's, the write's and its read-back's";
    EXPECT_EQ(sim::Summary(radio.Log().back()), "READ 5 0");
}

// F12 on a window that has read or opened nothing, over a radio that holds
// channels: the preview says which channels the write would empty, Enter
// would cancel, and Escape leaves the radio's memory exactly as it was.
TEST_F(Keys, F12OnAFreshWindowAsksWithCancelAsTheDefaultAndEscapeWritesNothing)
{
    test::FillRadio(radio);
    std::vector<sim::Block> before;
    for (const files::ImageBlock &b : files::ImageBlocks())
        before.push_back(radio.GetBlock(b.area, b.number));
    form->ConfirmWrite = nullptr; // the window's own dialog
    QString heading;
    QString changes;
    bool cancelDefault = false;
    bool writeDefault = true;
    int asked = 0;
    const std::unique_ptr<QTimer> answer = OnWritePreview([&](QDialog &dialog) {
        ++asked;
        heading = dialog.findChild<QLabel *>(QStringLiteral("heading"))->text();
        changes = dialog.findChild<QPlainTextEdit *>(QStringLiteral("changes"))->toPlainText();
        cancelDefault = dialog.findChild<QPushButton *>(QStringLiteral("cancel"))->isDefault();
        writeDefault = dialog.findChild<QPushButton *>(QStringLiteral("write"))->isDefault();
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, Qt::Key_Escape);
    });
    form->xg->setFocus();
    QTest::keyClick(form->xg, Qt::Key_F12);
    ASSERT_TRUE(WaitUntil(
        [&] { return asked > 0 && !QApplication::activeModalWidget() && form->wbtn->isEnabled() && !form->Comm1.IsOpen(); },
        60s));
    answer->stop();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(cancelDefault);
    EXPECT_FALSE(writeDefault);
    EXPECT_TRUE(heading.contains(QStringLiteral("The write empties channels 1, 2, 3"))) << heading.toStdString();
    EXPECT_TRUE(changes.contains(QStringLiteral("Channel 1, RX Freq: '") + QString::fromStdString(test::SampleRow(1)[memory::kColRxFreq]) +
                                 QStringLiteral("' \u2192 ''")))
        << changes.toStdString();
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(radio.GetBlock(files::ImageBlocks()[i].area, files::ImageBlocks()[i].number), before[i])
            << files::ImageBlockName(files::ImageBlocks()[i]);
    const auto log = radio.Log();
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const sim::LogEntry &e) { return e.kind == sim::LogEntry::DataFrame; }));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(failures.isEmpty());
    // Nothing was written, so no backup is kept to crowd out those of writes.
    EXPECT_TRUE(form->Writes().LastBackup().isEmpty());
    EXPECT_TRUE(form->Writes().store.Newest().isEmpty());
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
    // Showing the DTMF window needs no port; its read opens the port and
    // leaves it open for the signalling windows, the main window enabled.
    form->DTMF1Click();
    ASSERT_FALSE(form->Comm1.IsOpen());
    windows->Form2->rbtn->click();
    ASSERT_TRUE(WaitUntil([&] { return windows->Form2->rbtn->isEnabled(); }, 20s));
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

    form->N2tone1Click(); // it only shows the window
    EXPECT_EQ(static_cast<QLineEdit *>(editor)->text(), QStringLiteral("146.5"));
    QTest::keyClicks(editor, QStringLiteral("2"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return form->table.Cell(1, 1) != ""; }, 10s));
    EXPECT_EQ(form->table.Cell(1, 1), "146.52000");
    EXPECT_TRUE(failures.isEmpty());
}

// The cable pulled during the read before a write: the failure says it was
// that read and that nothing was written, and nothing was.
TEST_F(Keys, ACablePulledDuringTheReadBeforeAWriteSaysNothingWasWritten)
{
    test::FillRadio(radio);
    sim::Faults faults;
    faults.hangUpAtAnswer = 10;
    radio.SetFaults(faults);
    form->xg->setFocus();
    QTest::keyClick(form->xg, Qt::Key_F12);
    ASSERT_TRUE(WaitUntil([&] { return !failures.isEmpty(); }, 60s));
    EXPECT_EQ(failures, QStringList{QStringLiteral("The cable was unplugged or the port was closed: the read stopped. "
                                                   "It was the read before the write: nothing was written.")});
    const auto log = radio.Log();
    EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const sim::LogEntry &e) { return e.kind == sim::LogEntry::DataFrame; }));
    EXPECT_TRUE(form->Writes().LastBackup().isEmpty());
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Filling cells in the real window on the offscreen platform: one cell pasted
// into a selection, Fill Down, Set Column and File > New, driven by keys,
// judged on the table and the undo history.
#include "app/ErrorHandler.h"
#include "app/Unit1.h"

#include "Channels.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tonvar;
using namespace tonvar::app;
using memory::ChannelRow;

namespace {

constexpr int kPower = memory::kColPower, kWidth = memory::kColBandwidth;

// Channel ch in use: 144 + ch MHz, the given power.
ChannelRow InUse(int ch, const std::string &power = "HIGH", const std::string &width = "WIDE")
{
    const std::string rx = std::to_string(144 + ch) + ".00000";
    return test::TypedChannel(ch, rx, rx, "NONE", "NONE", power, width);
}

} // namespace

class FillCommandsTest : public QObject {
    Q_OBJECT
private:
    QStringList failures;
    std::unique_ptr<TForm1> form;

    // Channels 1 to 14 and 16 in use, channel 1 at low power, 15 empty; as
    // if opened from a file.
    void HoldChannels()
    {
        for (int ch = 1; ch <= memory::kChannelCount; ++ch)
            if (ch != 15)
                form->table.Row(ch) = InUse(ch, ch == 1 ? "LOW" : "HIGH");
        form->History().AcceptState();
        form->History().MarkSaved();
        form->RefreshControls();
    }
    void Select(int channel, int column)
    {
        form->xg->setFocus();
        form->xg->selectionModel()->setCurrentIndex(form->model->index(channel - 1, column),
                                                    QItemSelectionModel::ClearAndSelect);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    // The cell at (channel, column), then Shift+Down to `last`. Left and
    // Right first, so that the selection grows from that cell as it does
    // for the user who went there.
    void SelectDown(int channel, int column, int last)
    {
        Select(channel, column);
        Key(Qt::Key_Left);
        Key(Qt::Key_Right);
        for (int ch = channel; ch < last; ++ch)
            Key(Qt::Key_Down, Qt::ShiftModifier);
    }
    // Ctrl+N in the table, which has the focus back after any message box.
    void CtrlN()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->xg->setFocus();
        QTest::keyClick(form->xg, Qt::Key_N, Qt::ControlModifier);
    }
    QAction *Action(const char *name) const { return form->findChild<QAction *>(QString::fromLatin1(name)); }
    QString UndoText() const { return Action("Undo")->text(); }
    // Answers the next message box with the button whose text is `button`,
    // or with its Escape button.
    void AnswerNextBox(const QString &button, QString *asked)
    {
        auto *timer = new QTimer(form.get());
        connect(timer, &QTimer::timeout, form.get(), [timer, button, asked] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            timer->stop();
            timer->deleteLater();
            *asked = box->informativeText();
            if (button.isEmpty())
                box->escapeButton()->click();
            for (QAbstractButton *b : box->buttons())
                if (b->text() == button)
                    b->click();
        });
        timer->start(10);
    }

private Q_SLOTS:
    void init()
    {
        failures.clear();
        SetFailureSink([this](const QString &text, const QString &) { failures << text; });
        SetMessageSink([](const QString &) {});
        form = std::make_unique<TForm1>(QSize(1920, 1080));
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
        form->FormActivate();
        HoldChannels();
    }
    void cleanup()
    {
        form.reset();
        ResetFailureSink();
        ResetMessageSink();
    }

    void oneCellPastedIntoASelectionFillsEveryCellAsOneStep()
    {
        const memory::ChannelTable before = form->table;
        Select(1, kPower);
        Key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("LOW\n"));
        SelectDown(8, kPower, 15);
        Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
        for (int ch = 2; ch <= 16; ++ch)
            QCOMPARE(form->table.Row(ch), ch == 15 ? ChannelRow{"15"} : InUse(ch, ch >= 8 && ch <= 14 ? "LOW" : "HIGH"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Paste into channels 8 to 15"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table, before);
        QVERIFY(!form->History().Stack().canUndo());

        // A copy of a spreadsheet's cell, the value written as it likes.
        QGuiApplication::clipboard()->setText(QStringLiteral("Narrow"));
        SelectDown(3, kWidth, 4);
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(form->table.Row(3), InUse(3, "HIGH", "NARROW"));
        QCOMPARE(form->table.Row(4), InUse(4, "HIGH", "NARROW"));
        QCOMPARE(form->table.Row(5), InUse(5));
    }

    void aValueTheColumnRefusesIsPastedNowhere()
    {
        const memory::ChannelTable before = form->table;
        QGuiApplication::clipboard()->setText(QStringLiteral("MEDIUM\n"));
        SelectDown(8, kPower, 15);
        Key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(failures,
                 QStringList{QStringLiteral("'MEDIUM' is not one of HIGH, LOW (TX Power of channel 8). Nothing was changed.")});
        QCOMPARE(form->table, before);
        QVERIFY(!form->History().Stack().canUndo());
        QVERIFY(form->Modified() == false);
    }

    void ctrlDFillsEachColumnDownAsOneStep()
    {
        const memory::ChannelTable before = form->table;
        Select(1, kPower);
        QVERIFY(!Action("FillDown")->isEnabled()); // one cell: nothing to fill
        Key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(form->table, before);
        // Channels 1 to 3, power and width, selected from the keyboard.
        Select(1, kPower);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        Key(Qt::Key_Right, Qt::ShiftModifier);
        form->table.SetCell(1, kWidth, "NARROW");
        form->History().Record(QStringLiteral("Edit"));
        QVERIFY(Action("FillDown")->isEnabled());
        Key(Qt::Key_D, Qt::ControlModifier);
        QVERIFY(failures.isEmpty());
        QCOMPARE(form->table.Row(2), InUse(2, "LOW", "NARROW"));
        QCOMPARE(form->table.Row(3), InUse(3, "LOW", "NARROW"));
        QCOMPARE(form->table.Row(4), InUse(4));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Fill Down into channels 2 to 3"));
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table.Row(2), InUse(2));
        QCOMPARE(form->table.Row(3), InUse(3));
    }

    void setColumnSetsTheSelectedRowsOrNothing()
    {
        const memory::ChannelTable before = form->table;
        std::vector<std::pair<int, std::string>> asked;
        std::optional<std::string> answer; // Cancel first
        form->AskColumnValue = [&](int column, const std::string &current) {
            asked.emplace_back(column, current);
            return answer;
        };
        SelectDown(5, kWidth, 7);
        Action("SetColumn")->trigger();
        QCOMPARE(asked, (std::vector<std::pair<int, std::string>>{{kWidth, "WIDE"}}));
        QCOMPARE(form->table, before);
        answer = "narrow";
        Action("SetColumn")->trigger();
        for (int ch = 4; ch <= 8; ++ch)
            QCOMPARE(form->table.Row(ch), InUse(ch, "HIGH", ch >= 5 && ch <= 7 ? "NARROW" : "WIDE"));
        QCOMPARE(UndoText(), QStringLiteral("&Undo Set W/N of channels 5 to 7"));
        answer = "half";
        Action("SetColumn")->trigger();
        QCOMPARE(failures, QStringList{QStringLiteral(
                               "'half' is not one of WIDE, NARROW (W/N of channel 5). Nothing was changed.")});
        Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(form->table, before);
    }

    void newAsksFirstAndCancelKeepsEverything()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("LOW"));
        SelectDown(8, kPower, 9);
        Key(Qt::Key_V, Qt::ControlModifier);
        form->settings.Box(4) = "120";
        form->History().Record(QStringLiteral("Change TOT"));
        const memory::ChannelTable edited = form->table;
        QString asked;
        AnswerNextBox(QString(), &asked); // Cancel
        CtrlN();
        QCOMPARE(asked, QStringLiteral("Save them to a channel file before emptying the table?"));
        QCOMPARE(form->table, edited);
        QCOMPARE(form->settings.Box(4), std::string("120"));
        QVERIFY(form->History().Stack().canUndo());

        asked.clear();
        AnswerNextBox(QStringLiteral("&Discard"), &asked);
        CtrlN();
        QVERIFY(!asked.isEmpty());
        memory::ChannelTable fresh;
        for (int ch = 1; ch <= memory::kChannelCount; ++ch)
            fresh.SetCell(ch, memory::kColChannel, std::to_string(ch));
        QCOMPARE(form->table, fresh);
        QVERIFY(form->settings == memory::DefaultSettingsTexts());
        QVERIFY(!form->History().Stack().canUndo());
        QVERIFY(!form->Modified());
        QCOMPARE(form->model->data(form->model->index(7, kPower), Qt::DisplayRole).toString(), QString());
        QCOMPARE(form->ComboBox[3]->currentText(), QStringLiteral("60"));

        // Nothing to lose: no question.
        form->table.Row(2) = InUse(2);
        form->History().AcceptState();
        asked.clear();
        AnswerNextBox(QStringLiteral("&Discard"), &asked); // should it ask after all
        CtrlN();
        QCOMPARE(asked, QString());
        QCOMPARE(form->table, fresh);
        QVERIFY(failures.isEmpty());
    }
};

QTEST_MAIN(FillCommandsTest)
#include "FillCommandsTest.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Compare with Radio in the windows, against the simulated radio: exactly
// the differing cells, panel box and DTMF control are marked with the radio's
// value as tool tip, listed and counted; Next Difference goes to them; an
// edit takes every mark away; the table and its history stay as they were.
#include "app/AppWindows.h"
#include "app/DifferenceList.h"
#include "files/RadioImage.h"
#include "signalling/RadioAreas.h"

#include "ComparedRadio.h"
#include "RadioSim.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace tonvar;

class CompareWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theDifferencesAreMarkedWhereTheyAreAndGoWithAnEdit()
    {
        const files::RadioImage image = test::ThreeChannelRadio("60", "101");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("radio.radio"));
        files::SaveRadioImage(image, path.toStdString());
        sim::RadioSimulator radio(false);
        for (const files::ImageBlock b : files::ImageBlocks()) {
            sim::Block block{};
            std::copy(image.At(b).begin(), image.At(b).end(), block.begin());
            radio.SetBlock(b.area, b.number, block);
        }
        radio.Start();

        app::AppWindows w(QSize(1920, 1080));
        app::TForm1 &form = *w.Form1;
        form.AddDevicePath(QString::fromStdString(radio.DevicePath()));
        form.ChooseImageFile = [path](bool) { return path; };
        form.OpenRadioImageClick();
        form.DTMF1Click();
        // Two cells, the TOT box and the DTMF ID code changed as a user does.
        form.model->setData(form.model->index(1, memory::kColRxFreq), QStringLiteral("146.5"));
        form.model->setData(form.model->index(2, memory::kColTxFreq), QStringLiteral("147.125"));
        form.ComboBox[3]->setEditText(QStringLiteral("120"));
        w.Form2->Edit1->setText(QStringLiteral("202"));
        const memory::ChannelTable table = form.table;
        const int steps = form.History().Stack().count();

        form.CompareWithRadioClick();
        QTRY_VERIFY_WITH_TIMEOUT(form.Differences() && form.Differences()->isVisible(), 20000);
        QCOMPARE(form.Differences()->Count(), 4);
        QCOMPARE(form.CompareStatus->text(), QStringLiteral("4 differences from the radio"));
        const std::map<std::pair<int, int>, QString> cells{
            {{1, memory::kColRxFreq}, QStringLiteral("Radio: 146.00000")},
            {{2, memory::kColTxFreq}, QStringLiteral("Radio: 147.00000")}};
        QVERIFY(form.model->Marks() == cells);
        QCOMPARE(form.model->data(form.model->index(1, 1), Qt::ToolTipRole).toString(),
                 QStringLiteral("Radio: 146.00000"));
        QVERIFY(form.model->data(form.model->index(1, 1), Qt::BackgroundRole).isValid());
        QVERIFY(!form.model->data(form.model->index(1, 2), Qt::BackgroundRole).isValid());
        QCOMPARE(form.ComboBox[3]->toolTip(), QStringLiteral("Radio: 60"));
        QCOMPARE(form.ComboBox[2]->toolTip(), QString());
        QCOMPARE(w.Form2->Edit1->toolTip(), QStringLiteral("Radio: 101"));
        QCOMPARE(w.Form2->cb1->toolTip(), QString());
        QVERIFY(form.table == table);
        QCOMPARE(form.History().Stack().count(), steps);

        form.NextDifferenceClick();
        QCOMPARE(form.xg->currentIndex(), form.model->index(1, memory::kColRxFreq));
        form.NextDifferenceClick();
        QCOMPARE(form.xg->currentIndex(), form.model->index(2, memory::kColTxFreq));
        form.NextDifferenceClick(); // the panel's TOT box
        // The DTMF ID code's window, minimized, comes back to show it.
        w.Form2->showMinimized();
        QVERIFY(w.Form2->isMinimized());
        form.NextDifferenceClick();
        QVERIFY(!w.Form2->isMinimized());
        QVERIFY(w.Form2->isVisible());

        w.Form2->Edit1->setText(QStringLiteral("101"));
        QVERIFY(form.model->Marks().empty());
        QCOMPARE(form.ComboBox[3]->toolTip(), QString());
        QCOMPARE(w.Form2->Edit1->toolTip(), QString());
        QCOMPARE(form.CompareStatus->text(), QString());
        QCOMPARE(form.Differences()->Count(), 0);
        radio.Stop();
    }
};

QTEST_MAIN(CompareWindowTest)
#include "CompareWindowTest.moc"

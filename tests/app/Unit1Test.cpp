#include "app/Unit1.h"

#include <QtTest>

using tonvar::app::TForm1;

class Unit1Test : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionIsTheApplicationTitle()
    {
        TForm1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("TONVAR  V1.0"));
    }
};

QTEST_MAIN(Unit1Test)
#include "Unit1Test.moc"

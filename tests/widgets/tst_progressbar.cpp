#include "widgets/ProgressBar.h"

#include <QProgressBar>
#include <QTest>

#include <type_traits>

// The integer bar's own setValue and setRange would skip the scaling: they
// must not be reachable through the control.
static_assert(!std::is_base_of_v<QProgressBar, ProgressBar>);

class TestProgressBar : public QObject
{
    Q_OBJECT

    static QProgressBar *drawn(const ProgressBar &bar)
    {
        auto *found = bar.findChild<QProgressBar *>();
        if (!found)
            qFatal("no drawn bar");
        return found;
    }

private Q_SLOTS:
    // The program's range, 0.0001 to 100: what the bar holds and draws.
    void valueInTheDesignedRange_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("drawnValue");
        QTest::newRow("the least shown") << 0.01f << true << 100;
        QTest::newRow("minimum") << 0.0001f << true << 1;
        QTest::newRow("a whole percentage") << 42.f << true << 420000;
        QTest::newRow("maximum") << 100.f << true << 1000000;
        QTest::newRow("zero, below the minimum") << 0.f << false << 250000;
        QTest::newRow("above the maximum") << 100.5f << false << 250000;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << false << 250000;
    }
    void valueInTheDesignedRange()
    {
        QFETCH(float, value);
        QFETCH(bool, accepted);
        QFETCH(int, drawnValue);

        ProgressBar bar;
        bar.setRange(0.0001f, 100);
        QVERIFY(bar.setValue(25));
        QCOMPARE(bar.setValue(value), accepted);
        QCOMPARE(bar.value(), accepted ? value : 25.f);
        QCOMPARE(drawn(bar)->minimum(), 1);
        QCOMPARE(drawn(bar)->maximum(), 1000000);
        QCOMPARE(drawn(bar)->value(), drawnValue);
    }

    void narrowerRangeBringsTheValueIn()
    {
        ProgressBar bar;
        QVERIFY(bar.setValue(80));
        bar.setRange(10, 50);
        QCOMPARE(bar.value(), 50.f);
        QCOMPARE(drawn(bar)->value(), 500000);
        QVERIFY(!bar.setValue(5));
        QCOMPARE(drawn(bar)->value(), 500000);
    }

    // The drawn bar covers the control wherever the tab places it.
    void drawnBarFillsTheControl()
    {
        QWidget window;
        auto *bar = new ProgressBar(&window);
        bar->setGeometry(8, 392, 447, 9);
        window.show();
        QCOMPARE(bar->geometry(), QRect(8, 392, 447, 9));
        QCOMPARE(drawn(*bar)->geometry(), QRect(0, 0, 447, 9));
        bar->resize(120, 6);
        QCOMPARE(drawn(*bar)->geometry(), QRect(0, 0, 120, 6));
    }
};

QTEST_MAIN(TestProgressBar)

#include "tst_progressbar.moc"

#include "tab/TabLayout.h"

#include <QTest>

using TabLayout::Input;
using TabLayout::Result;

namespace {

// The designed window: 6915 x 6255 inner area, a 930 high toolbar, the
// 675 high address panel under it, a 135 high progress bar, a 1440 wide
// second status panel.
Input designed(float width = 6915, float height = 6255, float toolBar = 930)
{
    return Input {.width = width,
                  .height = height,
                  .addressTop = toolBar,
                  .addressHeight = 675,
                  .progressHeight = 135,
                  .statusPanel2Width = 1440};
}

// How many of the pass's ten values were set, in their order.
int stepsSet(const Result &r)
{
    const std::optional<float> values[] = {
        r.addressWidth, r.browserWidth, r.browserHeight,    r.statusPanel1Width, r.progressWidth,
        r.progressLeft, r.progressTop,  r.searchChoiceLeft, r.searchLeft,        r.searchLabelLeft};
    int count = 0;
    for (const auto &value : values) {
        if (!value)
            break;
        ++count;
    }
    for (int i = count; i < 10; ++i) {
        if (values[i])
            return -1; // a value set after one that was not: never valid
    }
    return count;
}

} // namespace

class TestTabLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void designedSize()
    {
        const Result r = TabLayout::layOut(designed());
        QCOMPARE(stepsSet(r), 10);
        QCOMPARE(*r.addressWidth, 6815.f);
        QCOMPARE(*r.browserWidth, 6815.f);
        QCOMPARE(*r.browserHeight, 4215.f);
        QCOMPARE(*r.statusPanel1Width, 5200.f);
        QCOMPARE(*r.progressLeft, 0.f);
        QCOMPARE(*r.progressTop, 5875.f);
        QCOMPARE(*r.progressWidth, 6705.f);
        QCOMPARE(*r.searchChoiceLeft, 5885.f);
        QCOMPARE(*r.searchLeft, 3915.f);
        QCOMPARE(*r.searchLabelLeft, 3215.f);
    }

    // The browser's height follows the toolbar's run-time height, not the
    // designed 930.
    void browserHeightFollowsToolBar_data()
    {
        QTest::addColumn<float>("toolBar");
        QTest::addColumn<float>("browserHeight");
        QTest::newRow("designed toolbar") << 930.f << 4215.f;
        QTest::newRow("one row of buttons") << 540.f << 4605.f;
        QTest::newRow("no toolbar") << 0.f << 5145.f;
    }
    void browserHeightFollowsToolBar()
    {
        QFETCH(float, toolBar);
        QFETCH(float, browserHeight);
        const Result r = TabLayout::layOut(designed(6915, 6255, toolBar));
        QCOMPARE(stepsSet(r), 10);
        QCOMPARE(*r.browserHeight, browserHeight);
        // Bottom edge H - P + 90 whatever P is, from the browser's top 1200.
        QCOMPARE(1200 + *r.browserHeight, 6255 - toolBar + 90);
    }

    // A size a control would reject ends the pass there; positions may run
    // negative and never stop it.
    void stopRules_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<int>("steps");
        QTest::newRow("minimized (no inner width)") << 0.f << 6255.f << 0;
        QTest::newRow("negative width") << -15.f << 6255.f << 0;
        QTest::newRow("narrower than 100") << 99.f << 6255.f << 0;
        QTest::newRow("exactly 100 wide") << 100.f << 6255.f << 3;
        // H - (930 + 675) - 300 - 135 < 0
        QTest::newRow("too low for the browser") << 6915.f << 2039.f << 2;
        QTest::newRow("just high enough") << 6915.f << 2040.f << 10;
        // W - 1440 - 275 < 0: the status panel stops the pass.
        QTest::newRow("narrower than the second panel") << 1700.f << 6255.f << 3;
        QTest::newRow("narrow, search row off to the left") << 1715.f << 6255.f << 10;
        QTest::newRow("large") << 28800.f << 21600.f << 10;
    }
    void stopRules()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(int, steps);
        QCOMPARE(stepsSet(TabLayout::layOut(designed(width, height))), steps);
    }

    void narrowWindowPutsSearchRowOutOfView()
    {
        const Result r = TabLayout::layOut(designed(2000, 6255));
        QCOMPARE(stepsSet(r), 10);
        QCOMPARE(*r.searchLabelLeft, -1700.f);
        QCOMPARE(*r.searchLeft, -1000.f);
        QCOMPARE(*r.searchChoiceLeft, 970.f);
    }
};

QTEST_APPLESS_MAIN(TestTabLayout)
#include "tst_tablayout.moc"

#include "support/TabFixture.h"
#include "support/TestPlatform.h"

#include "tab/FindBar.h"
#include "tab/PageKeys.h"
#include "tab/frmBrowser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestPageKeys : public QObject, public TabFixture
{
    Q_OBJECT

    // A tab whose page has the focus, in the active window.
    frmBrowser *openPageTab()
    {
        frmBrowser *tab = openTab();
        fake(tab)->setLocation(u"Page"_s, u"http://127.0.0.1:1/"_s);
        fake(tab)->widget()->setFocus();
        return tab;
    }
    static void press(QKeyCombination keys)
    {
        QTest::keyClick(QApplication::focusWidget(), keys.key(), keys.keyboardModifiers());
    }
    static QStringList callsSince(const FakeBrowser *browser, qsizetype from)
    {
        return browser->calls().mid(from);
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void keysReachTheBoxes_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("box");
        QTest::newRow("Ctrl+L") << (Qt::CTRL | Qt::Key_L) << u"cboAddress"_s;
        QTest::newRow("Alt+D") << (Qt::ALT | Qt::Key_D) << u"cboAddress"_s;
        QTest::newRow("Ctrl+K") << (Qt::CTRL | Qt::Key_K) << u"cboSearch"_s;
    }
    // The box gets the focus with its text selected, so typing replaces it.
    void keysReachTheBoxes()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, box);
        frmBrowser *tab = openPageTab();
        auto *target = tab->findChild<QComboBox *>(box);
        target->setEditText(u"texte d'avant"_s);
        press(keys);
        QCOMPARE(QApplication::focusWidget(), target);
        QCOMPARE(target->lineEdit()->selectedText(), u"texte d'avant"_s);
    }

    void escapeStopsOnlyALoad_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<bool>("stops");
        QTest::newRow("page loading") << 30 << true;
        QTest::newRow("load just begun") << 0 << true;
        QTest::newRow("load over: Escape is the page's") << -1 << false;
    }
    void escapeStopsOnlyALoad()
    {
        QFETCH(int, progress);
        QFETCH(bool, stops);
        frmBrowser *tab = openPageTab();
        fake(tab)->raiseProgressChange(0, 100);
        fake(tab)->raiseProgressChange(progress, 100);
        const qsizetype before = fake(tab)->calls().size();
        press(QKeyCombination(Qt::Key_Escape));
        QCOMPARE(callsSince(fake(tab), before), stops ? QStringList {u"Stop"_s} : QStringList());
        if (stops)
            QCOMPARE(tab->caption(), u"Page"_s);
    }

    void zoomSteps_data()
    {
        QTest::addColumn<qreal>("current");
        QTest::addColumn<int>("direction");
        QTest::addColumn<qreal>("expected");
        QTest::newRow("natural, larger") << 1.0 << 1 << 1.1;
        QTest::newRow("natural, smaller") << 1.0 << -1 << 0.9;
        QTest::newRow("between two levels, larger") << 1.17 << 1 << 1.25;
        QTest::newRow("between two levels, smaller") << 1.17 << -1 << 1.1;
        QTest::newRow("level read back a little under") << 1.0999 << 1 << 1.25;
        QTest::newRow("level read back a little over") << 0.9001 << -1 << 0.8;
        QTest::newRow("largest stays") << 5.0 << 1 << 5.0;
        QTest::newRow("smallest stays") << 0.25 << -1 << 0.25;
        QTest::newRow("reset") << 2.5 << 0 << 1.0;
    }
    void zoomSteps()
    {
        QFETCH(qreal, current);
        QFETCH(int, direction);
        QFETCH(qreal, expected);
        QCOMPARE(ZoomSteps::next(current, direction), expected);
    }

    void zoomKeys()
    {
        frmBrowser *tab = openPageTab();
        press(Qt::CTRL | Qt::Key_Equal);
        press(Qt::CTRL | Qt::Key_Plus);
        QCOMPARE(fake(tab)->ZoomFactor(), 1.25);
        press(Qt::CTRL | Qt::Key_Minus);
        QCOMPARE(fake(tab)->ZoomFactor(), 1.1);
        press(Qt::CTRL | Qt::Key_0);
        QCOMPARE(fake(tab)->ZoomFactor(), 1.0);
    }

    void findBar_data()
    {
        QTest::addColumn<int>("matches");
        QTest::addColumn<QString>("result");
        QTest::newRow("found") << 5 << u"2 sur 5"_s;
        QTest::newRow("not found") << 0 << u"Aucun résultat"_s;
    }
    // Ctrl+F opens the bar; typing finds as it goes, Enter and Shift+Enter
    // go forward and back, Escape closes it and ends the highlighting,
    // even while the page loads.
    void findBar()
    {
        QFETCH(int, matches);
        QFETCH(QString, result);
        frmBrowser *tab = openPageTab();
        fake(tab)->setFindAnswer(matches ? 2 : 0, matches);
        press(Qt::CTRL | Qt::Key_F);
        auto *bar = tab->findChild<FindBar *>();
        QVERIFY(bar->isVisible());
        QCOMPARE(QApplication::focusWidget(), bar->edit());
        QVERIFY(fake(tab)->widget()->geometry().contains(bar->geometry()));

        qsizetype before = fake(tab)->calls().size();
        QTest::keyClicks(bar->edit(), u"ab"_s);
        press(QKeyCombination(Qt::Key_Return));
        press(Qt::SHIFT | Qt::Key_Return);
        QCOMPARE(callsSince(fake(tab), before),
                 (QStringList {u"FindText a"_s, u"FindText ab"_s, u"FindText ab"_s,
                               u"FindText back ab"_s}));
        QCOMPARE(bar->resultText(), result);

        fake(tab)->raiseProgressChange(0, 100);
        before = fake(tab)->calls().size();
        press(QKeyCombination(Qt::Key_Escape));
        QVERIFY(!bar->isVisible());
        QCOMPARE(callsSince(fake(tab), before), QStringList {u"FindText "_s});
        QCOMPARE(QApplication::focusWidget(), fake(tab)->widget());

        // Opened again, it selects what was looked for last.
        press(Qt::CTRL | Qt::Key_F);
        QCOMPARE(bar->edit()->selectedText(), u"ab"_s);
    }
};

QTEST_MAIN(TestPageKeys)
#include "tst_pagekeys.moc"

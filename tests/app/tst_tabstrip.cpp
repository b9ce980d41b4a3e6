#include "support/MainWindowFixture.h"
#include "support/TabStrip.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr auto Inset = Panel::Bevel::Inset;
constexpr auto Raised = Panel::Bevel::Raised;
using Bevels = QList<Panel::Bevel>;

} // namespace

// Opening, switching and closing tabs through the main window's strip.
class TestTabStrip : public QObject, public MainWindowFixture
{
    Q_OBJECT

    frmCV *window() const { return m_window.get(); }
    PanelBar *bar() const { return m_window->Bar(); }

    QStringList keys() const { return TabStrip::keys(bar()); }
    Bevels bevels() const { return TabStrip::bevels(bar()); }
    // A double click as the mouse makes it.
    void doubleClick(int index)
    {
        QLabel *label = bar()->panel(index)->label();
        QTest::mouseClick(label, Qt::LeftButton);
        QTest::mouseDClick(label, Qt::LeftButton);
    }
    QAction *newTabButton(qint16 id) const
    {
        for (QAction *action : tab(id)->findChild<QToolBar *>(u"tbToolBar"_s)->actions()) {
            if (action->data() == u"NewTab"_s)
                return action;
        }
        return nullptr;
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void newTabJoinsTheStrip()
    {
        openTabs(3);
        QCOMPARE(ids(), (QList<qint16> {1, 2, 3}));
        QCOMPARE(keys(), (QStringList {u"1"_s, u"2"_s, u"3"_s}));
        QCOMPARE(bevels(), (Bevels {Raised, Raised, Inset}));
        // The new tab is the one in front, loaded and asked for its page.
        frmBrowser *third = tab(3);
        QCOMPARE(window()->LastTab(), third);
        QCOMPARE(window()->LastTabID(), qint16(3));
        QCOMPARE(window()->mdiArea()->activeSubWindow(), third->subWindow());
        QCOMPARE(static_cast<FakeBrowser *>(third->browser())->navigations().size(), 1);
        // Its panel shows the loaded windows but the main window, centred.
        QCOMPARE(third->caption(), u"3"_s);
        QCOMPARE(bar()->panel(3)->text(), u"3"_s);
        QCOMPARE(bar()->panel(3)->alignment(), Panel::Alignment::Center);
        QCOMPARE(Module1::PanelCount, qint16(3));

        // A loaded dialog counts among the windows.
        QDialog dialog;
        forms().load(&dialog);
        window()->mNew_Click();
        QCOMPARE(tab(4)->caption(), u"5"_s);
        QCOMPARE(bar()->panel(4)->text(), u"5"_s);
        // LastTab does not outlive its tab.
        Module1::UnloadTabByID(forms(), 4);
        QTRY_COMPARE(window()->LastTab(), nullptr);
        forms().unload(&dialog);
    }

    // A closed tab's ID comes back only when no open tab is above it.
    void idsAfterClosing_data()
    {
        QTest::addColumn<qint16>("closed");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("the last") << qint16(3) << QStringList {u"1"_s, u"2"_s, u"3"_s};
        QTest::newRow("one in the middle") << qint16(2) << QStringList {u"1"_s, u"3"_s, u"4"_s};
        QTest::newRow("the first") << qint16(1) << QStringList {u"2"_s, u"3"_s, u"4"_s};
    }
    void idsAfterClosing()
    {
        QFETCH(qint16, closed);
        QFETCH(QStringList, keys);
        openTabs(3);
        Module1::UnloadTabByID(forms(), closed);
        window()->mNew_Click();
        QCOMPARE(this->keys(), keys);
        QCOMPARE(window()->LastTabID(), keys.last().toShort());
        QCOMPARE(bevels(), (Bevels {Raised, Raised, Inset}));
    }

    void closingTheLastTabLeavesAnEmptyStrip()
    {
        openTabs(2);
        doubleClick(2);
        doubleClick(1);
        QCOMPARE(bar()->count(), 0);
        QCOMPARE(Module1::CountTabs(forms()), qint16(0));
        QVERIFY(window()->isVisible());
        window()->findChild<QAction *>(u"mNew"_s)->trigger();
        QCOMPARE(ids(), QList<qint16> {1});
        QCOMPARE(keys(), QStringList {u"1"_s});
        QCOMPARE(bevels(), Bevels {Inset});
        QCOMPARE(bar()->panel(1)->text(), u"1"_s);
    }

    // Menu, menu bar and toolbar all stop at sixteen tabs, with the one
    // message; closing a tab makes room for one more.
    void sixteenTabsAtMost_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("Nouvel Onglet") << u"mNew"_s;
        QTest::newRow("New Tab") << u"mNewTab"_s;
        QTest::newRow("F12") << u"F12"_s;
        QTest::newRow("toolbar") << u"NewTab"_s;
    }
    void sixteenTabsAtMost()
    {
        QFETCH(QString, path);
        openTabs(16);
        QCOMPARE(ids().size(), 16);
        const QStringList keysBefore = keys();
        const Bevels bevelsBefore = bevels();
        const auto open = [&] {
            if (path == u"F12")
                QTest::keyClick(window(), Qt::Key_F12);
            else if (path == u"NewTab")
                newTabButton(ids().first())->trigger();
            else
                window()->findChild<QAction *>(path)->trigger();
        };
        open();
        QCOMPARE(m_platform->messageBox.count(), 1);
        const MessageBox::Request request = m_platform->messageBox.requests().first();
        QCOMPARE(request.text, u"Le nombre maximal de Tabs est atteint, désolé !"_s);
        QCOMPARE(request.title, u"Attention"_s);
        QCOMPARE(request.icon, MessageBox::Icon::Information);
        QCOMPARE(request.buttons, MessageBox::Buttons::Ok);
        QCOMPARE(ids().size(), 16);
        QCOMPARE(keys(), keysBefore);
        QCOMPARE(bevels(), bevelsBefore);
        QCOMPARE(window()->LastTabID(), qint16(16));

        Module1::UnloadTabByID(forms(), 5);
        open();
        QCOMPARE(ids().size(), 16);
        QCOMPARE(m_platform->messageBox.count(), 1);
        QCOMPARE(keys().last(), u"17"_s);
    }

    // The panels share the main window's outer width.
    void panelsShareTheWidth()
    {
        openTabs(4);
        const int frame = window()->frameGeometry().width() - window()->width();
        window()->resize(800 - frame, 600); // 12000 twips outside
        QCoreApplication::processEvents();
        for (const Panel *panel : bar()->panels())
            QCOMPARE(panel->width(), 3000.f);
        doubleClick(2);
        QCOMPARE(bar()->count(), 3);
        for (const Panel *panel : bar()->panels())
            QCOMPARE(panel->width(), 4000.f);
    }

    void clickBringsItsTabForward()
    {
        openTabs(3);
        QTest::mouseClick(bar()->panel(1)->label(), Qt::LeftButton);
        QCOMPARE(window()->mdiArea()->activeSubWindow(), tab(1)->subWindow());
        QVERIFY(tab(1)->isAncestorOf(QApplication::focusWidget()));
        QCOMPARE(bevels(), (Bevels {Inset, Raised, Raised}));
        // Only the active tab's panel says so to a screen reader.
        QCOMPARE(bar()->panel(1)->label()->accessibleDescription(), u"Onglet actif"_s);
        QCOMPARE(bar()->panel(2)->label()->accessibleDescription(), QString());

        // A tab the user restored keeps its size; a minimized one comes
        // back.
        tab(2)->subWindow()->showNormal();
        tab(2)->subWindow()->resize(300, 200);
        tab(3)->subWindow()->showMinimized();
        QTest::mouseClick(bar()->panel(2)->label(), Qt::LeftButton);
        QCOMPARE(window()->mdiArea()->activeSubWindow(), tab(2)->subWindow());
        QCOMPARE(tab(2)->subWindow()->size(), QSize(300, 200));
        QTest::mouseClick(bar()->panel(3)->label(), Qt::LeftButton);
        QCOMPARE(window()->mdiArea()->activeSubWindow(), tab(3)->subWindow());
        QVERIFY(!tab(3)->subWindow()->isMinimized());
        QCOMPARE(bevels(), (Bevels {Raised, Raised, Inset}));
    }

    // However a tab becomes the active child, its panel is marked.
    void activationMarksThePanel()
    {
        openTabs(3);
        window()->mdiArea()->activatePreviousSubWindow();
        QCOMPARE(window()->mdiArea()->activeSubWindow(), tab(2)->subWindow());
        QCOMPARE(bevels(), (Bevels {Raised, Inset, Raised}));
        // A tab whose panel is not there yet leaves every panel raised.
        frmBrowser *third = tab(3);
        third->setID(9);
        window()->mdiArea()->setActiveSubWindow(third->subWindow());
        QCOMPARE(bevels(), (Bevels {Raised, Raised, Raised}));
    }

    // Only pages that can be seen are shown: behind a maximized tab, the
    // others' are hidden.
    void pagesBehindAMaximizedTabAreHidden()
    {
        openTabs(3);
        const auto shownPages = [this] {
            QList<qint16> shown;
            for (const frmBrowser *tab : forms().of<frmBrowser>()) {
                if (tab->browser()->widget()->isVisible())
                    shown.append(tab->getID());
            }
            return shown;
        };
        QCOMPARE(shownPages(), QList<qint16> {3});
        QTest::mouseClick(bar()->panel(1)->label(), Qt::LeftButton);
        QCOMPARE(shownPages(), QList<qint16> {1});
        window()->mdiArea()->tileSubWindows();
        QCOMPARE(shownPages(), (QList<qint16> {1, 2, 3}));
        QTest::mouseClick(bar()->panel(2)->label(), Qt::LeftButton);
        QCOMPARE(shownPages(), (QList<qint16> {1, 2, 3}));
        tab(2)->subWindow()->showMaximized();
        QCOMPARE(shownPages(), QList<qint16> {2});
        window()->mNew_Click();
        QCOMPARE(shownPages(), QList<qint16> {4});
    }

    // Ctrl+Tab goes round the tabs from the keyboard.
    void ctrlTabSwitchesTabs()
    {
        openTabs(3);
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyRelease(focus, Qt::Key_Control);
        QTRY_COMPARE(window()->mdiArea()->activeSubWindow(), tab(2)->subWindow());
        QCOMPARE(bevels(), (Bevels {Raised, Inset, Raised}));
    }

    // The tab strip reaches screen readers as a status bar.
    void stripIsAStatusBar()
    {
        openTabs(1);
        QAccessibleInterface *strip = QAccessible::queryAccessibleInterface(bar());
        QVERIFY(strip);
        QCOMPARE(strip->role(), QAccessible::StatusBar);
    }

    // A closing tab draws the remaining panels raised, but for tab 1; the
    // tab that becomes active then marks its own.
    void bevelsAfterClosing_data()
    {
        QTest::addColumn<qint16>("closed");
        QTest::addColumn<Bevels>("bevels");
        QTest::newRow("tab 1") << qint16(1) << Bevels {Raised, Inset};
        QTest::newRow("tab 2") << qint16(2) << Bevels {Raised, Raised};
    }
    void bevelsAfterClosing()
    {
        QFETCH(qint16, closed);
        QFETCH(Bevels, bevels);
        openTabs(3);
        QCOMPARE(this->bevels(), (Bevels {Raised, Raised, Inset}));
        // The close steps alone, before the next tab is activated.
        tab(closed)->Sortie();
        QCOMPARE(this->bevels(), bevels);
    }

    void doubleClickClosesThatTab()
    {
        openTabs(3);
        QTest::mouseClick(bar()->panel(1)->label(), Qt::LeftButton);
        QPointer<QMdiSubWindow> second = tab(2)->subWindow();
        doubleClick(2);
        QCOMPARE(ids(), (QList<qint16> {1, 3}));
        QCOMPARE(keys(), (QStringList {u"1"_s, u"3"_s}));
        QCOMPARE(Module1::PanelCount, qint16(2));
        QTRY_VERIFY(second.isNull());
        // The tab used before the closed one comes back, and its panel alone
        // is marked.
        QCOMPARE(window()->mdiArea()->activeSubWindow(), tab(1)->subWindow());
        QCOMPARE(bevels(), (Bevels {Inset, Raised}));
    }

    // F12 belongs to the main window: a dialog with the focus keeps it.
    void menuKeysActInTheMainWindowOnly()
    {
        openTabs(1);
        QDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_F12);
        QCOMPARE(Module1::CountTabs(forms()), qint16(1));
        dialog.close();
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        QTest::keyClick(window(), Qt::Key_F12);
        QCOMPARE(Module1::CountTabs(forms()), qint16(2));
    }
};

QTEST_MAIN(TestTabStrip)
#include "tst_tabstrip.moc"

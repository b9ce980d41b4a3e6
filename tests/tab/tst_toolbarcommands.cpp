#include "support/TabFixture.h"
#include "support/TestPlatform.h"

#include "app/MainWindowOperations.h"
#include "tab/frmBrowser.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Counts what a tab asks of the main window.
class CountingMainWindow : public MainWindowOperations
{
public:
    void mNew_Click() override { ++newTabs; }
    void Resizz() override { ++resizzes; }
    void mOptions_Click() override { ++options; }
    frmBrowser *tabForNewWindow() override { return nullptr; }

    int newTabs = 0;
    int resizzes = 0;
    int options = 0;
};

} // namespace

class TestToolBarCommands : public QObject, public TabFixture
{
    Q_OBJECT

    CountingMainWindow m_main;

    frmBrowser *openPageTab()
    {
        frmBrowser *tab = openTab(&m_main);
        fake(tab)->setLocation(u"Page"_s, u"http://127.0.0.1:1/"_s);
        return tab;
    }
    static QTimer *timer(const frmBrowser *tab) { return tab->findChild<QTimer *>(u"timTimer"_s); }
    static QAction *button(const frmBrowser *tab, const QString &key)
    {
        for (QAction *action : tab->findChild<QToolBar *>(u"tbToolBar"_s)->actions()) {
            if (action->data() == key)
                return action;
        }
        qFatal("no button %s", qPrintable(key));
    }

private Q_SLOTS:
    void init()
    {
        startTest();
        m_main = {};
    }
    void cleanup() { endTest(); }

    // Each key's command, letter case included. Every click starts the busy
    // timer, whose next tick puts the page's name in the caption.
    void buttonCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("startAddress");
        QTest::addColumn<QStringList>("browserCalls");
        QTest::addColumn<QList<int>>("mainCalls"); // new tab, options

        QTest::newRow("Back") << u"Back"_s << QString() << QStringList {u"GoBack"_s}
                              << QList<int> {0, 0};
        QTest::newRow("Next") << u"Next"_s << QString() << QStringList {u"GoForward"_s}
                              << QList<int> {0, 0};
        QTest::newRow("Refresh") << u"Refresh"_s << QString() << QStringList {u"Refresh"_s}
                                 << QList<int> {0, 0};
        QTest::newRow("Home") << u"Home"_s << u"http://127.0.0.1:1/start"_s
                              << QStringList {u"Navigate http://127.0.0.1:1/start"_s}
                              << QList<int> {0, 0};
        QTest::newRow("Home without settings")
            << u"Home"_s << QString() << QStringList {u"Navigate "_s} << QList<int> {0, 0};
        QTest::newRow("NewTab") << u"NewTab"_s << QString() << QStringList() << QList<int> {1, 0};
        QTest::newRow("kOptions") << u"kOptions"_s << QString() << QStringList()
                                  << QList<int> {0, 1};
        QTest::newRow("the separator")
            << u"none"_s << QString() << QStringList() << QList<int> {0, 0};
        QTest::newRow("another letter case")
            << u"back"_s << QString() << QStringList() << QList<int> {0, 0};
    }
    void buttonCommands()
    {
        QFETCH(QString, key);
        QFETCH(QString, startAddress);
        QFETCH(QStringList, browserCalls);
        QFETCH(QList<int>, mainCalls);
        if (!startAddress.isEmpty())
            m_platform->folder.write(u"Corvane.ini"_s, startAddress.toUtf8() + "\r\n3\r\n");
        frmBrowser *tab = openPageTab();
        QTRY_VERIFY(!timer(tab)->isActive());
        const qsizetype before = fake(tab)->calls().size();
        tab->setCaption(u"avant"_s);

        if (key == u"back" || key == u"none") {
            // No button has that key, and a separator takes no click: the
            // handler is called as a click on such a button would call it.
            QAction probe;
            probe.setData(key);
            Q_EMIT tab->findChild<QToolBar *>(u"tbToolBar"_s)->actionTriggered(&probe);
        } else {
            button(tab, key)->trigger();
        }
        QCOMPARE(fake(tab)->calls().mid(before), browserCalls);
        QCOMPARE((QList<int> {m_main.newTabs, m_main.options}), mainCalls);
        QVERIFY(timer(tab)->isActive());
        QTRY_COMPARE(tab->caption(), u"Page"_s);
        QVERIFY(!timer(tab)->isActive());
    }

    void busyTimerCaptionCycle()
    {
        frmBrowser *tab = openPageTab();
        fake(tab)->setBusy(true);
        button(tab, u"Refresh"_s)->trigger();
        QTRY_COMPARE(tab->caption(), u"Traitement en cours..."_s);
        QVERIFY(timer(tab)->isActive());
        fake(tab)->setLocation(u"Rechargée"_s, u"http://127.0.0.1:1/"_s);
        fake(tab)->setBusy(false);
        QTRY_COMPARE(tab->caption(), u"Rechargée"_s);
        QVERIFY(!timer(tab)->isActive());
    }

    // Stop puts the page's name in the caption at once, and it stays.
    void stopWhileLoading()
    {
        frmBrowser *tab = openPageTab();
        fake(tab)->setBusy(true);
        button(tab, u"Back"_s)->trigger();
        QTRY_COMPARE(tab->caption(), u"Traitement en cours..."_s);
        button(tab, u"Stop"_s)->trigger();
        QCOMPARE(fake(tab)->calls().last(), u"Stop"_s);
        QCOMPARE(tab->caption(), u"Page"_s);
        QVERIFY(!timer(tab)->isActive());
        QTest::qWait(30);
        QCOMPARE(tab->caption(), u"Page"_s);
    }

    void keyboardReachesTheButtons_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("call");
        QTest::newRow("Alt+Left") << (Qt::ALT | Qt::Key_Left) << u"GoBack"_s;
        QTest::newRow("Alt+Right") << (Qt::ALT | Qt::Key_Right) << u"GoForward"_s;
        QTest::newRow("F5") << QKeyCombination(Qt::Key_F5) << u"Refresh"_s;
        QTest::newRow("Ctrl+T") << (Qt::CTRL | Qt::Key_T) << u"new tab"_s;
    }
    void keyboardReachesTheButtons()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, call);
        frmBrowser *tab = openPageTab();
        QVERIFY(QTest::qWaitForWindowActive(m_area.get()));
        fake(tab)->widget()->setFocus();
        QTest::keyClick(fake(tab)->widget(), keys.key(), keys.keyboardModifiers());
        if (call == u"new tab")
            QCOMPARE(m_main.newTabs, 1);
        else
            QCOMPARE(fake(tab)->calls().last(), call);
    }

    // The close steps run once, whatever closes the tab and however many
    // times it is asked.
    void closeStepsRunOnce_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("toolbar") << u"Close"_s;
        QTest::newRow("Unload") << u"Unload"_s;
        QTest::newRow("the child window's close button") << u"window"_s;
        QTest::newRow("the loaded windows") << u"forms"_s;
    }
    void closeStepsRunOnce()
    {
        QFETCH(QString, first);
        frmBrowser *tab = openPageTab();
        QPointer<QMdiSubWindow> window = tab->subWindow();
        const auto close = [&](const QString &how) {
            if (how == u"Close")
                button(tab, how)->trigger();
            else if (how == u"Unload")
                tab->Unload();
            else if (how == u"window")
                window->close();
            else
                m_platform->forms.unload(tab);
        };
        close(first);
        QCOMPARE(m_main.resizzes, 1);
        QVERIFY(!m_platform->forms.isLoaded(tab));
        QVERIFY(!timer(tab)->isActive());
        for (const QString &again : {u"Close"_s, u"Unload"_s, u"window"_s, u"forms"_s}) {
            if (window)
                close(again);
        }
        QCOMPARE(m_main.resizzes, 1);
        QTRY_VERIFY(window.isNull());
    }
};

QTEST_MAIN(TestToolBarCommands)
#include "tst_toolbarcommands.moc"

#include "support/EngineFixture.h"
#include "support/TabStrip.h"
#include "support/TestPlatform.h"

#include "app/frmCV.h"
#include "engine/LoadTracker.h"
#include "engine/WebEngineBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QToolBar>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// No single wait of the real engine may take longer than this.
constexpr int Timeout = 20000;

QList<int> insetPanels(const PanelBar *bar)
{
    QList<int> inset;
    for (const Panel *panel : bar->panels()) {
        if (panel->bevel() == Panel::Bevel::Inset)
            inset.append(panel->index());
    }
    return inset;
}

WebEngineBrowser *engineOf(const frmBrowser *tab)
{
    return qobject_cast<WebEngineBrowser *>(tab->browser());
}

// Counts the changes of a window's caption.
class CaptionChanges : public QObject
{
public:
    explicit CaptionChanges(QWidget *window) { window->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::WindowTitleChange)
            ++count;
        return false;
    }
};

} // namespace

// Several tabs with the real engine: opened with the main window's key,
// switched and closed from the tab strip with the mouse, and a tab's toolbar
// stopping a page the server has not answered yet.
class TestTabs : public QObject, public EngineFixture
{
    Q_OBJECT

    QUrl start() const { return m_server->url(u"/accueil"_s); }

    // The main window, shown and active, on the start page of the settings.
    std::unique_ptr<frmCV> startMainWindow()
    {
        m_platform->folder.write(u"Corvane.ini"_s, start().toString().toUtf8() + "\r\n3\r\n");
        auto window = std::make_unique<frmCV>(enginePlatform());
        window->Show();
        window->activateWindow();
        return window;
    }

    // Waits until the tab shows the start page and is no longer busy.
    [[nodiscard]] bool waitForStartPage(frmBrowser *tab)
    {
        QPointer<frmBrowser> guard(tab);
        return QTest::qWaitFor(
                   [&] {
                       return !guard
                           || (guard->browser()->LocationName() == u"Accueil de test"
                               && !guard->browser()->Busy());
                   },
                   Timeout)
            && guard && guard->browser()->LocationURL() == start().toString();
    }

private Q_SLOTS:
    void initTestCase() { m_profile = EngineTest::offTheRecordProfile(this); }
    void init()
    {
        startTest();
        m_server->addPage(u"/accueil"_s, page("Accueil de test", "Bonjour"));
        m_server->addPage(u"/lent"_s, "<!doctype html><title>Enfin</title>");
    }
    void cleanup() { endTest(); }

    void switchAndCloseTabsFromTheStrip()
    {
        auto window = startMainWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        frmBrowser *tab1 = window->LastTab();
        QVERIFY(tab1);
        QVERIFY(waitForStartPage(tab1));

        // F12 as the user presses it: through the main window's shortcut.
        QTest::keyClick(window.get(), Qt::Key_F12);
        frmBrowser *tab2 = window->LastTab();
        QVERIFY(tab2 && tab2 != tab1);
        QVERIFY(waitForStartPage(tab2));
        QTest::keyClick(window.get(), Qt::Key_F12);
        frmBrowser *tab3 = window->LastTab();
        QVERIFY(tab3 && tab3 != tab2 && tab3 != tab1);
        QVERIFY(waitForStartPage(tab3));

        QCOMPARE(m_platform->forms.of<frmBrowser>(), (QList<frmBrowser *> {tab1, tab2, tab3}));
        QCOMPARE(tab2->getID(), 2);
        QCOMPARE(tab3->getID(), 3);
        QVERIFY(m_server->requestCount(u"/accueil"_s) >= 3);
        PanelBar *bar = window->Bar();
        QCOMPARE(TabStrip::keys(bar), (QStringList {u"1"_s, u"2"_s, u"3"_s}));
        // The new tab is in front.
        QCOMPARE(window->mdiArea()->activeSubWindow(), tab3->subWindow());
        QCOMPARE(insetPanels(bar), QList<int> {3});

        QTest::mouseClick(bar->panel(2)->label(), Qt::LeftButton);
        QCOMPARE(window->mdiArea()->activeSubWindow(), tab2->subWindow());
        QCOMPARE(insetPanels(bar), QList<int> {2});

        // A double click as the mouse makes it: a click, then a press the
        // platform reports as a double click. The click brings the third tab
        // forward; the double click closes it.
        QPointer<frmBrowser> closing(tab3);
        QPointer<QWebEngineView> view = engineOf(tab3)->view();
        QPointer<QWebEnginePage> page = engineOf(tab3)->page();
        QVERIFY(view && page);
        QTest::mouseClick(bar->panel(3)->label(), Qt::LeftButton);
        QCOMPARE(window->mdiArea()->activeSubWindow(), tab3->subWindow());
        QTest::mouseDClick(bar->panel(3)->label(), Qt::LeftButton);
        QCOMPARE(TabStrip::keys(bar), (QStringList {u"1"_s, u"2"_s}));
        QCOMPARE(m_platform->forms.of<frmBrowser>(), (QList<frmBrowser *> {tab1, tab2}));
        QTRY_VERIFY_WITH_TIMEOUT(!closing && !view && !page, Timeout);
        QCOMPARE(window->LastTab(), nullptr);
        QCOMPARE(bar->count(), 2);

        // Another tab is in front, and its panel alone is inset.
        QMdiSubWindow *front = window->mdiArea()->activeSubWindow();
        QVERIFY(front == tab1->subWindow() || front == tab2->subWindow());
        QCOMPARE(insetPanels(bar), QList<int> {front == tab1->subWindow() ? 1 : 2});
        QCOMPARE(window->mdiArea()->subWindowList().size(), 2);

        // Closing the main window unloads the tabs left and their pages.
        const QPointer<QWebEnginePage> page1 = engineOf(tab1)->page();
        const QPointer<QWebEnginePage> page2 = engineOf(tab2)->page();
        window->close();
        QVERIFY(m_platform->forms.of<frmBrowser>().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!page1 && !page2, Timeout);
        window.reset();
        QCOMPARE(m_platform->forms.count(), 0);
    }

    // The toolbar's Stop ends the tab's busy state before it returns, whether
    // the engine has begun the load or has only been asked for it.
    void stopEndsBusyAtOnce()
    {
        auto window = startMainWindow();
        frmBrowser *tab = window->LastTab();
        QVERIFY(tab);
        QVERIFY(waitForStartPage(tab));
        auto *toolBar = tab->findChild<QToolBar *>(u"tbToolBar"_s);
        QVERIFY(toolBar);
        QAction *stop = nullptr;
        for (QAction *action : toolBar->actions()) {
            if (action->data().toString() == u"Stop")
                stop = action;
        }
        QVERIFY(stop);

        m_server->holdPage(u"/lent"_s);
        const QString held = m_server->url(u"/lent"_s).toString();

        // The server holds the request the engine has sent.
        tab->browser()->Navigate(held);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount(u"/lent"_s) >= 1, Timeout);
        QVERIFY(tab->browser()->Busy());
        stop->trigger();
        QVERIFY(!tab->browser()->Busy());
        QCOMPARE(tab->caption(), u"Accueil de test"_s);

        // The engine has not started the navigation yet.
        tab->browser()->Navigate(held);
        QVERIFY(tab->browser()->Busy());
        stop->trigger();
        QVERIFY(!tab->browser()->Busy());

        m_server->releaseHeld();
        window->close();
        window.reset();
        QCOMPARE(m_platform->forms.count(), 0);
    }

    // A page setting its title thousands of times in a row: the tab shows
    // the last title, in its caption, its panel and its address box as for
    // any title, without writing each of them; so its work ends with the
    // page's instead of replaying every title long after.
    void titleStormLeavesNoBacklog()
    {
        constexpr int Titles = 20000;
        m_server->addPage(u"/tempete"_s,
                          "<!doctype html><title>Calme</title><script>onload = () => "
                          "setTimeout(() => { for (let i = 1; i <= "
                              + QByteArray::number(Titles)
                              + "; i++) document.title = 'Titre ' + i; new Image().src = "
                                "'/fini'; }, 0);</script>");
        m_server->addPage(u"/fini"_s, QByteArray(), "image/gif");
        auto window = startMainWindow();
        frmBrowser *tab = window->LastTab();
        QVERIFY(tab);
        QVERIFY(waitForStartPage(tab));

        // When the engine told the program of the first and the last title.
        QElapsedTimer clock;
        clock.start();
        int titles = 0;
        qint64 firstAt = -1;
        qint64 lastAt = -1;
        connect(engineOf(tab)->page(), &QWebEnginePage::titleChanged, this,
                [&](const QString &title) {
                    if (!title.startsWith(u"Titre "))
                        return;
                    ++titles;
                    lastAt = clock.elapsed();
                    if (firstAt < 0)
                        firstAt = lastAt;
                });
        const CaptionChanges captions(tab);

        const QString address = m_server->url(u"/tempete"_s).toString();
        tab->browser()->Navigate(address);
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount(u"/fini"_s) >= 1, Timeout);
        const QString last = u"Titre %1"_s.arg(Titles);
        QTRY_COMPARE_WITH_TIMEOUT(tab->caption(), last, Timeout);
        QVERIFY(!tab->browser()->Busy());
        const Panel *panel = window->Bar()->panel(1);
        QVERIFY(panel);
        QCOMPARE(panel->text(), u"1 - "_s + last);
        auto *box = tab->findChild<QComboBox *>(u"cboAddress"_s);
        QVERIFY(box);
        QCOMPARE(box->currentText(), address);

        // The storm reached the program as thousands of titles; the tab
        // read the first at once, then the latest at most once an interval
        // while they came (the timer may end up to 5 % early), and once
        // after the last.
        QVERIFY2(titles > Titles / 2, qPrintable(QString::number(titles)));
        const int most = int(double(lastAt - firstAt) / (LoadTracker::TitleInterval * 0.95)) + 3;
        QVERIFY2(captions.count <= most,
                 qPrintable(u"%1 captions for %2 titles over %3 ms"_s.arg(captions.count)
                                .arg(titles)
                                .arg(lastAt - firstAt)));

        window->close();
        window.reset();
        QCOMPARE(m_platform->forms.count(), 0);
    }
};

CORVANE_ENGINE_TEST_MAIN(TestTabs)
#include "tst_tabs.moc"

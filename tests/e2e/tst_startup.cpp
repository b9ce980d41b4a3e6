#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

#include "app/frmCV.h"
#include "engine/WebEngineBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QAction>
#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEngineProfile>

#include <memory>

using namespace Qt::StringLiterals;

// The program as it starts, with the real engine: the first tab reads the
// start address from the settings file in the program's folder and really
// loads that page.
class TestStartup : public QObject, public EngineFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { m_profile = EngineTest::offTheRecordProfile(this); }
    void init()
    {
        startTest();
        m_server->addPage(u"/accueil"_s, page("Accueil de test", "Bonjour"));
    }
    void cleanup() { endTest(); }

    void firstTabLoadsTheStartAddress()
    {
        const QUrl start = m_server->url(u"/accueil"_s);
        m_platform->folder.write(u"Corvane.ini"_s, start.toString().toUtf8() + "\r\n3\r\n");
        QSignalSpy requests(m_server.get(), &HttpServer::requested);

        {
            frmCV window(enginePlatform());
            window.Show();
            frmBrowser *tab = window.LastTab();
            QVERIFY(tab);
            QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount(u"/accueil"_s) >= 1, 20000);
            QTRY_COMPARE_WITH_TIMEOUT(tab->browser()->LocationName(), u"Accueil de test"_s, 20000);
            QCOMPARE(tab->browser()->LocationURL(), start.toString());
            // The busy timer, started by the load, ends with the page's title.
            QTRY_COMPARE_WITH_TIMEOUT(tab->caption(), u"Accueil de test"_s, 20000);
            QVERIFY(!tab->browser()->Busy());
            QCOMPARE(window.Bar()->panel(1)->key(), u"1"_s);

            // The engine got the page's French language preference.
            QVERIFY(
                m_server->requestHeaders(u"/accueil"_s).value("accept-language").startsWith("fr"));

            window.close();
            QVERIFY(m_platform->forms.of<frmBrowser>().isEmpty());
        }
        QCOMPARE(m_platform->forms.count(), 0);
    }

    // "Quitter" ends the event loop at once; the window and its tab then go
    // with the program, pages before their profile, without a warning.
    void quitEndsWithoutCloseSteps()
    {
        m_platform->folder.write(u"Corvane.ini"_s,
                                 m_server->url(u"/accueil"_s).toString().toUtf8() + "\r\n3\r\n");
        auto window = std::make_unique<frmCV>(enginePlatform());
        window->Show();
        QTRY_VERIFY_WITH_TIMEOUT(m_server->requestCount(u"/accueil"_s) >= 1, 20000);
        QEventLoop loop;
        QTimer::singleShot(0, window->findChild<QAction *>(u"mQuit"_s), &QAction::trigger);
        QTimer::singleShot(20000, &loop, [&loop] { loop.exit(99); });
        QCOMPARE(loop.exec(), 0);
        // No close step ran: the tab is still there with its panel.
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 1);
        QCOMPARE(window->Bar()->count(), 1);
        window.reset();
        QCOMPARE(m_platform->forms.count(), 0);
    }
};

CORVANE_ENGINE_TEST_MAIN(TestStartup)
#include "tst_startup.moc"

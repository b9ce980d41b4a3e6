#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/TestPlatform.h"

#include "engine/WebEngineBrowser.h"
#include "engine/WebEngineBrowserFactory.h"

#include <QPointer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Timeout = 20000;

} // namespace

// The controls of new tabs, one prepared ahead of time, with the real
// engine.
class TestWebEngineBrowserFactory : public QObject
{
    Q_OBJECT

    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<HttpServer> m_server;

    static WebEngineBrowser *engine(WebBrowser *browser)
    {
        return qobject_cast<WebEngineBrowser *>(browser);
    }
    void load(WebBrowser *browser, const QString &path)
    {
        browser->Navigate(m_server->url(path).toString());
        QTRY_COMPARE_WITH_TIMEOUT(browser->LocationURL(), m_server->url(path).toString(), Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!browser->Busy(), Timeout);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_profile = EngineTest::offTheRecordProfile(this);
        m_server = std::make_unique<HttpServer>();
        QVERIFY(m_server->listen());
        for (const QString &path : {u"/un"_s, u"/deux"_s})
            m_server->addPage(path, "<!doctype html><title>" + path.toUtf8() + "</title>");
        m_server->addPage(u"/ouvrante"_s, "<!doctype html><title>/ouvrante</title>");
    }
    void init() { failOnStrayWarnings(); }
    void cleanupTestCase() { m_server.reset(); }

    void nextTabTakesThePreparedPage()
    {
        bool room = true;
        auto factory
            = std::make_unique<WebEngineBrowserFactory>(m_profile, [&room] { return room; });
        QWidget firstTab;
        WebBrowser *first = factory->create(&firstTab);
        QCOMPARE(first->widget()->parentWidget(), &firstTab);
        QVERIFY(!factory->hasPrepared());
        load(first, u"/un"_s);
        // Prepared once the first tab has its page, in a renderer of its own.
        QTRY_VERIFY_WITH_TIMEOUT(factory->hasPrepared(), Timeout);

        QWidget secondTab;
        WebBrowser *second = factory->create(&secondTab);
        QVERIFY(!factory->hasPrepared());
        QCOMPARE(second->parent(), &secondTab);
        QCOMPARE(second->widget()->parentWidget(), &secondTab);
        QVERIFY(second != first);
        load(second, u"/deux"_s);
        // Its about:blank is no page to go back to.
        QCOMPARE(engine(second)->page()->history()->count(), 1);
        QVERIFY(!engine(second)->page()->history()->canGoBack());
        QCOMPARE(second->LocationName(), u"/deux"_s);

        // With no room for another tab, nothing is prepared; the factory
        // takes a prepared page with it when it goes.
        QTRY_VERIFY_WITH_TIMEOUT(factory->hasPrepared(), Timeout);
        room = false;
        QWidget thirdTab;
        WebBrowser *third = factory->create(&thirdTab);
        load(third, u"/un"_s);
        QTest::qWait(200);
        QVERIFY(!factory->hasPrepared());
        room = true;
        QWidget fourthTab;
        load(factory->create(&fourthTab), u"/deux"_s);
        QTRY_VERIFY_WITH_TIMEOUT(factory->hasPrepared(), Timeout);
        factory.reset();
        // Every page goes before the profile.
        delete first;
        delete second;
        delete third;
    }

    // A page's new window opens in a control whose page has never loaded:
    // the prepared one, with its renderer, would be thrown away as the
    // window's content replaced it, during the very load the user waits for.
    // It stays for the next tab, whether the window's tab is made in the
    // handler or ahead of the request.
    void newWindowLeavesThePreparedPage_data()
    {
        QTest::addColumn<bool>("ahead");
        QTest::newRow("made in the handler") << false;
        QTest::newRow("made ahead") << true;
    }
    void newWindowLeavesThePreparedPage()
    {
        QFETCH(bool, ahead);
        auto factory = std::make_unique<WebEngineBrowserFactory>(m_profile, [] { return true; });
        QWidget firstTab;
        WebBrowser *opener = factory->create(&firstTab);
        load(opener, u"/ouvrante"_s);
        QTRY_VERIFY_WITH_TIMEOUT(factory->hasPrepared(), Timeout);
        QWidget secondTab;
        WebBrowser *made = ahead ? factory->createForNewWindow(&secondTab) : nullptr;
        WebBrowser *popup = nullptr;
        QUrl popupPageAtFirst(u"nothing yet"_s);
        bool preparedKept = false;
        opener->setNewWindowHandler([&](NewWindowRequest &request) {
            popup = made ? made : factory->create(&secondTab);
            popupPageAtFirst = engine(popup)->page()->url();
            preparedKept = factory->hasPrepared();
            request.ppDisp = popup;
        });

        engine(opener)->page()->runJavaScript(u"window.open('/deux')"_s);
        QTRY_VERIFY_WITH_TIMEOUT(popup, Timeout);
        QCOMPARE(popupPageAtFirst, QUrl());
        QVERIFY(preparedKept);
        QTRY_COMPARE_WITH_TIMEOUT(popup->LocationURL(), m_server->url(u"/deux"_s).toString(),
                                  Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!popup->Busy(), Timeout);
        QCOMPARE(popup->LocationName(), u"/deux"_s);
        QVERIFY(factory->hasPrepared());

        // The next tab takes it, outside a new window's handler.
        QWidget thirdTab;
        WebBrowser *third = factory->create(&thirdTab);
        QCOMPARE(engine(third)->page()->url(), QUrl(u"about:blank"_s));
        QVERIFY(!factory->hasPrepared());
        load(third, u"/un"_s);
        factory.reset();
        delete opener;
        delete popup;
        delete third;
    }
};

CORVANE_ENGINE_TEST_MAIN(TestWebEngineBrowserFactory)
#include "tst_webenginebrowserfactory.moc"

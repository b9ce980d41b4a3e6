#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "engine/WebEngineBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QDeadlineTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// No single wait of the real engine may take longer than this.
constexpr int Timeout = 20000;

enum class Opening { Script, LinkClicked };
enum class Closing { OpenerTab, MainWindow };

WebEngineBrowser *engineOf(const frmBrowser *tab)
{
    return qobject_cast<WebEngineBrowser *>(tab->browser());
}

// Waits in whole rounds of events: QTest::qWaitFor sleeps between its short
// rounds, which holds the engine back tenfold on a page that opens windows.
template<class Predicate> [[nodiscard]] bool waitUntil(Predicate predicate)
{
    const QDeadlineTimer deadline(Timeout);
    while (!predicate()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(20);
    }
    return true;
}

// The page that opens popups, drawn when its title says so: a button that
// opens one from a script, and a link aimed at a new window that keeps its
// opener.
const QByteArray Opener = "<!doctype html><title>Ouvreuse</title><body style='margin:0'>"
                          "<button style='display:block;width:200px;height:100px'"
                          " onclick=\"window.open('/popup.html')\">Ouvrir</button>"
                          "<a href='/popup.html' target='_blank' rel='opener' style='display:block;"
                          "width:200px;height:100px'>Lien</a>"
                          "<script>@</script>"
                          "<script>requestAnimationFrame(() => requestAnimationFrame(() => {"
                          " document.title = 'Prête'; }));</script>";

} // namespace

Q_DECLARE_METATYPE(Opening)
Q_DECLARE_METATYPE(Closing)

// Popups with the real engine in a real main window: the page asks, the
// popup mode and the tab limit decide, and a popup that opens does so in a
// tab of its own, which the engine fills with the popup's content.
class TestPopups : public QObject
{
    Q_OBJECT

    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<HttpServer> m_server;
    std::unique_ptr<frmCV> m_window;

    Forms &forms() const { return m_platform->forms; }
    MessageBoxAnswerer &messageBox() const { return m_platform->messageBox; }

    // The main window on its start page, with the popup mode given in the
    // settings, which every tab reads as it loads.
    // The settings every tab reads as it loads.
    void writeSettings(const QString &startPage, const QByteArray &mode)
    {
        m_platform->folder.write(u"Corvane.ini"_s,
                                 m_server->url(startPage).toString().toUtf8() + "\r\n" + mode
                                     + "\r\n");
    }
    frmBrowser *startMainWindow(const QByteArray &mode)
    {
        writeSettings(u"/accueil"_s, mode);
        m_window
            = std::make_unique<frmCV>(EngineTest::withEngine(m_platform->platform(), m_profile));
        m_window->Show();
        m_window->activateWindow();
        return m_window->LastTab();
    }
    // Loads the page in the tab and waits until it has been drawn.
    [[nodiscard]] bool showPage(frmBrowser *tab, const QString &path)
    {
        tab->browser()->Navigate(m_server->url(path).toString());
        return waitUntil(
            [&] { return tab->browser()->LocationName() == u"Prête" && !tab->browser()->Busy(); });
    }
    void click(frmBrowser *tab, QPoint at)
    {
        QWidget *surface = engineOf(tab)->view()->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
    }
    // Every popup tab has loaded its content: nothing is on its way.
    [[nodiscard]] bool popupsLoaded(const QString &title)
    {
        return waitUntil([&] {
            const QList<frmBrowser *> tabs = forms().of<frmBrowser>();
            return std::all_of(tabs.begin() + 1, tabs.end(), [&](const frmBrowser *tab) {
                return tab->browser()->LocationName() == title && !tab->browser()->Busy();
            });
        });
    }
    qint16 tabCount() const { return Module1::CountTabs(forms()); }

private Q_SLOTS:
    void initTestCase() { m_profile = EngineTest::offTheRecordProfile(this); }
    void init()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
        m_server = std::make_unique<HttpServer>();
        QVERIFY(m_server->listen());
        m_server->addPage(u"/accueil"_s, "<!doctype html><title>Accueil de test</title>");
        m_server->addPage(u"/depart"_s, "<!doctype html><title>Départ</title>");
        m_server->addPage(u"/ouvre"_s, QByteArray(Opener).replace("@", ""));
        m_server->addPage(u"/rafale"_s,
                          QByteArray(Opener).replace(
                              "@",
                              "for (let i = 0; i < 100; ++i) window.open('/popup.html?' + i);"
                              " document.title = 'Fini';"));
        // The popup says in its title which page opened it.
        m_server->addPage(u"/popup.html"_s,
                          "<!doctype html><title>Surgissante</title><script>"
                          "if (window.opener) document.title += ' de '"
                          " + window.opener.location.pathname;</script>");
    }
    void cleanup()
    {
        if (m_window)
            m_window->close();
        m_window.reset();
        QCOMPARE(forms().count(), 0);
        m_server.reset();
        m_platform.reset();
    }

    void popupOpensInANewTab_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<Opening>("opening");
        QTest::newRow("window.open, allow") << QByteArray("3") << Opening::Script;
        QTest::newRow("link clicked, allow") << QByteArray("3") << Opening::LinkClicked;
        QTest::newRow("window.open, block") << QByteArray("1") << Opening::Script;
        QTest::newRow("link clicked, block") << QByteArray("1") << Opening::LinkClicked;
    }
    void popupOpensInANewTab()
    {
        QFETCH(QByteArray, mode);
        QFETCH(Opening, opening);

        frmBrowser *opener = startMainWindow(mode);
        QVERIFY(showPage(opener, u"/ouvre"_s));
        // A popup's tab reads its start page as it loads; the popup's
        // content takes its place before it is ever fetched.
        writeSettings(u"/depart"_s, mode);

        if (opening == Opening::Script)
            engineOf(opener)->page()->runJavaScript(u"window.open('/popup.html');"_s);
        else
            click(opener, QPoint(20, 120));

        if (mode == "1") {
            // Whatever the page asked for came before the page loaded next.
            QVERIFY(showPage(opener, u"/ouvre"_s));
            QCOMPARE(m_server->requestCount(u"/popup.html"_s), 0);
            QCOMPARE(tabCount(), qint16(1));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(tabCount(), qint16(2), Timeout);
            frmBrowser *popup = forms().of<frmBrowser>().last();
            QCOMPARE(popup->getID(), qint16(2));
            QTRY_COMPARE_WITH_TIMEOUT(m_window->Bar()->panel(2)->text(),
                                      u"2 - Surgissante de /ouvre"_s, Timeout);
            QCOMPARE(popup->browser()->LocationURL(), m_server->url(u"/popup.html"_s).toString());
            QCOMPARE(m_server->requestCount(u"/popup.html"_s), 1);
            QCOMPARE(m_server->requestCount(u"/depart"_s), 0);
            QCOMPARE(m_window->mdiArea()->activeSubWindow(), popup->subWindow());
            QCOMPARE(m_window->LastTab(), opener);
        }
        QCOMPARE(messageBox().count(), 0);
        // No page has a window of its own: every view is in the main window.
        for (QWebEngineView *view : m_window->findChildren<QWebEngineView *>())
            QCOMPARE(view->window(), m_window.get());
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY(!window->isVisible() || window == m_window.get());
    }

    // A page that opens a hundred popups as it loads raises one message box
    // at most.
    void burstRaisesOneBox_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("box");
        QTest::addColumn<int>("tabs");
        const QString limit = u"Le nombre maximal de Tabs est atteint, désolé !"_s;
        const QString question = u"Popup intercepté, l'afficher ?"_s;
        QTest::newRow("block") << QByteArray("1") << int(MessageBox::Ok) << QString() << 1;
        QTest::newRow("allow") << QByteArray("3") << int(MessageBox::Ok) << limit << 16;
        QTest::newRow("ask, Non") << QByteArray("2") << int(MessageBox::No) << question << 1;
        QTest::newRow("ask, Oui") << QByteArray("2") << int(MessageBox::Yes) << question << 16;
    }
    void burstRaisesOneBox()
    {
        QFETCH(QByteArray, mode);
        QFETCH(int, answer);
        QFETCH(QString, box);
        QFETCH(int, tabs);

        frmBrowser *opener = startMainWindow(mode);
        writeSettings(u"/depart"_s, mode);
        messageBox().queueAnswer(MessageBox::Answer(answer));
        // The popups' tabs cover the opener, whose hidden page draws nothing:
        // its script has run to its end when it has given its title.
        opener->browser()->Navigate(m_server->url(u"/rafale"_s).toString());
        QVERIFY(waitUntil([&] {
            const QString title = opener->browser()->LocationName();
            return (title == u"Fini" || title == u"Prête") && !opener->browser()->Busy();
        }));
        QTRY_COMPARE_WITH_TIMEOUT(tabCount(), qint16(tabs), Timeout);
        QVERIFY(popupsLoaded(u"Surgissante de /rafale"_s));

        QCOMPARE(tabCount(), qint16(tabs));
        QCOMPARE(m_server->requestCount(u"/popup.html"_s), tabs - 1);
        QCOMPARE(m_server->requestCount(u"/depart"_s), 0);
        QStringList texts;
        for (const MessageBox::Request &request : messageBox().requests())
            texts.append(request.text);
        QCOMPARE(texts, box.isEmpty() ? QStringList() : QStringList {box});
        QStringList keys;
        for (const Panel *panel : m_window->Bar()->panels())
            keys.append(panel->key());
        QCOMPARE(keys.size(), tabs);
        QCOMPARE(keys.last(), QString::number(tabs));
    }

    // The user's click on the page after a refused burst is a new start.
    void clickAfterRefusedBurstAsksAgain()
    {
        frmBrowser *opener = startMainWindow("2");
        messageBox().queueAnswer(MessageBox::No);
        messageBox().queueAnswer(MessageBox::Yes);
        QVERIFY(showPage(opener, u"/rafale"_s));
        QCOMPARE(messageBox().count(), 1);
        QCOMPARE(tabCount(), qint16(1));

        click(opener, QPoint(20, 20));
        QTRY_COMPARE_WITH_TIMEOUT(tabCount(), qint16(2), Timeout);
        QVERIFY(popupsLoaded(u"Surgissante de /rafale"_s));
        QCOMPARE(messageBox().count(), 2);
        QCOMPARE(messageBox().requests().last().text, u"Popup intercepté, l'afficher ?"_s);
        QCOMPARE(m_server->requestCount(u"/popup.html"_s), 1);
    }

    // The question waits while the user may still close the tab, or the
    // main window, behind it.
    void closedWhileAsking_data()
    {
        QTest::addColumn<Closing>("closing");
        QTest::newRow("opener tab") << Closing::OpenerTab;
        QTest::newRow("main window") << Closing::MainWindow;
    }
    void closedWhileAsking()
    {
        QFETCH(Closing, closing);

        frmBrowser *other = startMainWindow("2");
        m_window->mNew_Click();
        QPointer<frmBrowser> opener = m_window->LastTab();
        QVERIFY(opener && opener != other);
        QVERIFY(showPage(opener, u"/ouvre"_s));
        QPointer<QWebEnginePage> page = engineOf(opener)->page();
        bool closedMeanwhile = false;
        messageBox().setWhileOpen([&](const MessageBox::Request &) {
            if (closing == Closing::OpenerTab)
                opener->Unload();
            else
                m_window->close();
            // As the box's own event loop would.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            closedMeanwhile = !opener;
        });

        engineOf(opener)->page()->runJavaScript(u"window.open('/popup.html');"_s);
        QTRY_COMPARE_WITH_TIMEOUT(messageBox().count(), 1, Timeout);
        QVERIFY(closedMeanwhile);
        QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), Timeout);

        QCOMPARE(tabCount(), qint16(closing == Closing::OpenerTab ? 1 : 0));
        if (closing == Closing::OpenerTab) {
            // The tab left works on.
            QVERIFY(showPage(other, u"/ouvre"_s));
            QCOMPARE(forms().of<frmBrowser>(), QList<frmBrowser *> {other});
        }
        QCOMPARE(m_server->requestCount(u"/popup.html"_s), 0);
    }
};

CORVANE_ENGINE_TEST_MAIN(TestPopups)
#include "tst_popups.moc"

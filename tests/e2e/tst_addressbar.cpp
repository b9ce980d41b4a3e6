#include "support/EngineFixture.h"
#include "support/TestPlatform.h"
#include "support/UserInput.h"

#include "app/frmCV.h"
#include "engine/WebEngineBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QWebEngineProfile>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// No single wait of the real engine may take longer than this.
constexpr int Timeout = 20000;

} // namespace

// An address typed into the first tab of the main window and confirmed with
// Enter, on the real engine: the page loads, the tab shows it everywhere it
// should, and the history records the address.
class TestAddressBarEngine : public QObject, public EngineFixture
{
    Q_OBJECT

    // Types the address into the tab's box and presses Enter, as a user does.
    static void enter(frmBrowser *tab, const QUrl &address)
    {
        UserInput::replaceText(tab->findChild<QComboBox *>(u"cboAddress"_s), address.toString());
        UserInput::press(Qt::Key_Return);
    }

    // Waits until the tab has shown the page of that title at that address
    // to its end.
    [[nodiscard]] static bool waitForPage(frmBrowser *tab, const QUrl &address,
                                          const QString &title)
    {
        QPointer<frmBrowser> guard(tab);
        auto *status = tab->findChild<PanelBar *>(u"StatusBar"_s);
        return QTest::qWaitFor(
                   [&] {
                       return !guard
                           || (guard->browser()->LocationURL() == address.toString()
                               && guard->browser()->LocationName() == title
                               && !guard->browser()->Busy() && guard->caption() == title
                               && status->panel(2)->text() == u"Terminé");
                   },
                   Timeout)
            && guard;
    }

private Q_SLOTS:
    void initTestCase() { m_profile = EngineTest::offTheRecordProfile(this); }
    void init()
    {
        startTest();
        m_server->addPage(u"/accueil"_s, page("Accueil de test"));
        m_server->addPage(u"/premiere"_s, page("Première page"));
        m_server->addPage(u"/lente"_s, page("Page lente"));
        m_server->addPage(u"/seconde"_s, page("Seconde page"));
        m_platform->folder.write(u"Corvane.ini"_s,
                                 m_server->url(u"/accueil"_s).toString().toUtf8() + "\r\n3\r\n");
    }
    void cleanup() { endTest(); }

    void enterLoadsThePageAndRecordsIt()
    {
        frmCV window(enginePlatform());
        window.Show();
        frmBrowser *tab = window.LastTab();
        QVERIFY(tab);
        QVERIFY(waitForPage(tab, m_server->url(u"/accueil"_s), u"Accueil de test"_s));

        const QUrl first = m_server->url(u"/premiere"_s);
        enter(tab, first);
        QVERIFY(waitForPage(tab, first, u"Première page"_s));
        QTRY_COMPARE_WITH_TIMEOUT(window.Bar()->panel(1)->text(), u"1 - Première page"_s, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(tab->findChild<ProgressBar *>(u"ProgressBar1"_s)->value(), 100.f,
                                  Timeout);
        QCOMPARE(m_server->requestCount(u"/premiere"_s), 1);
        QCOMPARE(m_platform->folder.read(u"Visited.MRU"_s), first.toString().toUtf8() + "\r\n");

        // A second address while the first one is still loading: the tab
        // ends on the second.
        m_server->holdPage(u"/lente"_s);
        const QUrl slow = m_server->url(u"/lente"_s);
        enter(tab, slow);
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requestCount(u"/lente"_s), 1, Timeout);
        QVERIFY(tab->browser()->Busy());
        const QUrl second = m_server->url(u"/seconde"_s);
        enter(tab, second);
        QVERIFY(waitForPage(tab, second, u"Seconde page"_s));
        m_server->releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(window.Bar()->panel(1)->text(), u"1 - Seconde page"_s, Timeout);
        QCOMPARE(m_platform->folder.read(u"Visited.MRU"_s),
                 first.toString().toUtf8() + "\r\n" + slow.toString().toUtf8() + "\r\n"
                     + second.toString().toUtf8() + "\r\n");
        window.close();
        QVERIFY(m_platform->forms.of<frmBrowser>().isEmpty());
    }
};

CORVANE_ENGINE_TEST_MAIN(TestAddressBarEngine)
#include "tst_addressbar.moc"

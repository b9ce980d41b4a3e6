#include "engine/EngineProfile.h"
#include "engine/WebEngineBrowser.h"
#include "support/EngineTest.h"
#include "support/HttpServer.h"

#include <QAccessible>
#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>
#include <optional>

#include <signal.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Timeout = 15000;

// A browser in a window of its own, shown.
struct Shown
{
    explicit Shown(QWebEngineProfile *profile)
        : window(std::make_unique<QWidget>())
    {
        browser = new WebEngineBrowser(profile, window.get());
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins({});
        layout->addWidget(browser->widget());
        window->resize(480, 360);
        window->show();
    }
    std::unique_ptr<QWidget> window;
    WebEngineBrowser *browser = nullptr;
};

enum class Reload { Refresh, Button };

} // namespace

Q_DECLARE_METATYPE(Reload)

// What the control does by itself around the pages: the pages it shows in
// place of one it cannot show, its French menu, local files, and the profile
// that outlives the program.
class TestEnginePages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void badAddressShowsErrorPage_data();
    void badAddressShowsErrorPage();
    void failedNavigationShowsErrorPage_data();
    void failedNavigationShowsErrorPage();
    void crashedRendererShowsErrorPage_data();
    void crashedRendererShowsErrorPage();
    void localFileReadsNothingElse_data();
    void localFileReadsNothingElse();
    void everyActionHasFrenchText();
    void contextMenuIsFrench_data();
    void contextMenuIsFrench();
    void persistentProfileKeepsCookiesOnDisk();

private:
    QString address(const QString &path) const { return m_server.url(path).toString(); }
    [[nodiscard]] bool load(WebBrowser *browser, const QString &text);
    [[nodiscard]] QString evaluate(WebEngineBrowser *browser, const QString &script);

    HttpServer m_server;
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<Shown> m_shown;
};

void TestEnginePages::initTestCase()
{
    QVERIFY(m_server.listen());
    m_server.addPage(u"/un"_s, "<!DOCTYPE html><title>Un</title><p>Un</p>");
    m_server.addPage(u"/deux"_s, "<!DOCTYPE html><title>Deux</title>");
    m_server.addPage(u"/lent"_s, "<!DOCTYPE html><title>Enfin</title>");
    m_server.addPage(u"/menu"_s,
                     "<!DOCTYPE html><title>Menu</title><body style='margin:0'>"
                     "<a href='/un' style='display:block;width:200px;height:60px'>Lien</a>"
                     "<input style='display:block;width:200px;height:40px'>"
                     "<div style='height:200px'></div>"
                     "<script>requestAnimationFrame(() => requestAnimationFrame(() => {"
                     " document.title = 'Prête'; }));</script>");
    m_server.addPage(u"/donne"_s, "<!DOCTYPE html><title>Donne</title>");
    m_server.addHeader(u"/donne"_s, "Set-Cookie", "jeton=abc123; Max-Age=86400; Path=/");
    m_server.addPage(u"/script"_s,
                     "<!DOCTYPE html><title>Script</title><script>document.cookie = "
                     "'page=xyz; max-age=86400; path=/';</script>");
    m_server.addPage(u"/lit"_s, "<!DOCTYPE html><title>Lit</title>");
    m_server.addPage(u"/absente"_s, "<!DOCTYPE html><title>Absente du serveur</title>",
                     "text/html; charset=utf-8", 404);
    m_profile = EngineTest::offTheRecordProfile(this);
}

void TestEnginePages::init()
{
    QTest::failOnWarning(QRegularExpression(u"^QObject::|WebEngineBrowser"_s));
    m_shown = std::make_unique<Shown>(m_profile);
    QVERIFY(QTest::qWaitForWindowExposed(m_shown->window.get()));
}

void TestEnginePages::cleanup()
{
    m_shown.reset();
    m_server.releaseHeld();
}

void TestEnginePages::cleanupTestCase()
{
    delete m_profile;
    m_profile = nullptr;
}

bool TestEnginePages::load(WebBrowser *browser, const QString &text)
{
    QSignalSpy complete(browser, &WebBrowser::DownloadComplete);
    browser->Navigate(text);
    return complete.wait(Timeout) && !browser->Busy();
}

QString TestEnginePages::evaluate(WebEngineBrowser *browser, const QString &script)
{
    const auto answer = std::make_shared<std::optional<QString>>();
    browser->page()->runJavaScript(script,
                                   [answer](const QVariant &value) { *answer = value.toString(); });
    const QDeadlineTimer deadline(Timeout);
    while (!*answer && !deadline.hasExpired())
        QTest::qWait(20);
    return answer->value_or(u"(no answer)"_s);
}

void TestEnginePages::badAddressShowsErrorPage_data()
{
    QTest::addColumn<QString>("text");
    // What the page shows of the text.
    QTest::addColumn<QString>("shown");

    QTest::newRow("words with spaces") << u"mon site web test"_s << u"mon site web test"_s;
    QTest::newRow("percent signs") << u"%%%"_s << u"%%%"_s;
    QTest::newRow("broken IPv6 address") << u"[::1"_s << u"[::1"_s;
    QTest::newRow("web address without host") << u"http://"_s << u"http://"_s;
    QTest::newRow("secure address without host") << u"https:///chemin"_s << u"https:///chemin"_s;
    QTest::newRow("NUL inside") << QString(u"exemple"_s + QChar(0) + u".fr"_s)
                                << QString(u"exemple"_s + QChar(QChar::ReplacementCharacter)
                                           + u".fr"_s);
    QTest::newRow("markup and script")
        << u"<script>document.title='pris'</script> <b>gras</b> & \"x\""_s
        << u"<script>document.title='pris'</script> <b>gras</b> & \"x\""_s;
    const QString longText = u"a b "_s.repeated(5000) + u"c"_s;
    QTest::newRow("very long") << longText << QString(longText.left(300) + QChar(0x2026));
}

void TestEnginePages::badAddressShowsErrorPage()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    WebEngineBrowser *browser = m_shown->browser;
    QVERIFY(load(browser, address(u"/un"_s)));

    QTest::qWait(100);
    const qsizetype requests = m_server.requestedPaths().size();
    QSignalSpy complete(browser, &WebBrowser::DownloadComplete);
    browser->Navigate(text);
    QVERIFY(browser->Busy());
    QVERIFY(complete.wait(Timeout));
    QVERIFY(!browser->Busy());
    QCOMPARE(browser->LocationName(), u"Adresse incorrecte"_s);
    // The address box gets the text back to correct it.
    QCOMPARE(browser->LocationURL(), text);
    QCOMPARE(evaluate(browser, u"document.getElementById('adresse').textContent"_s), shown);
    QVERIFY(evaluate(browser, u"document.body.textContent"_s).contains(u"Adresse incorrecte : "_s));
    // The text stayed text: no element of it made it into the page.
    QCOMPARE(evaluate(browser, u"String(document.querySelectorAll('script, b').length)"_s), u"0"_s);
    QStringList asked = m_server.requestedPaths().mid(requests);
    asked.removeAll(u"/favicon.ico"_s);
    QCOMPARE(asked, QStringList());
    QTest::qWait(100);
    QCOMPARE(complete.size(), 1);

    // The next address is itself again.
    QVERIFY(load(browser, address(u"/deux"_s)));
    QCOMPARE(browser->LocationURL(), address(u"/deux"_s));
    QCOMPARE(browser->LocationName(), u"Deux"_s);
}

void TestEnginePages::failedNavigationShowsErrorPage_data()
{
    QTest::addColumn<QString>("target");
    // The page's name once the navigation is over.
    QTest::addColumn<QString>("title");

    // A port that was just free on this machine: nothing listens there.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString refused = u"http://127.0.0.1:%1/rien"_s.arg(closed.serverPort());
    closed.close();
    QTest::newRow("connection refused") << refused << u"Page inaccessible"_s;
    QTest::newRow("server's own error page") << address(u"/absente"_s) << u"Absente du serveur"_s;
}

// A navigation that fails shows the program's French page, which names no
// menu of another program and offers to try again; an error the server
// answers with a page of its own shows that page.
void TestEnginePages::failedNavigationShowsErrorPage()
{
    QFETCH(QString, target);
    QFETCH(QString, title);
    WebEngineBrowser *browser = m_shown->browser;
    QVERIFY(load(browser, address(u"/un"_s)));

    QSignalSpy statusText(browser, &WebBrowser::StatusTextChange);
    QVERIFY(load(browser, target));
    // The error page has its title before its own load ends.
    QTRY_COMPARE_WITH_TIMEOUT(browser->LocationName(), title, Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!browser->Busy(), Timeout);
    // The address box keeps the address, to be corrected or tried again.
    QCOMPARE(browser->LocationURL(), target);
    if (title == u"Page inaccessible"_s) {
        const QString text = evaluate(browser, u"document.body.innerText"_s);
        QVERIFY2(text.contains(u"ne répond pas"_s), qPrintable(text));
        QVERIFY2(!text.contains(u"Chrom"_s, Qt::CaseInsensitive), qPrintable(text));
        QCOMPARE(evaluate(browser, u"document.getElementById('adresse').textContent"_s), target);
        QTRY_VERIFY_WITH_TIMEOUT(!statusText.isEmpty()
                                     && statusText.last().first() == u"Le site ne répond pas."_s,
                                 Timeout);

        // Trying again loads the address again, and fails again.
        QSignalSpy complete(browser, &WebBrowser::DownloadComplete);
        browser->Refresh();
        QVERIFY(browser->Busy());
        QTRY_VERIFY_WITH_TIMEOUT(!complete.isEmpty() && !browser->Busy(), Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(browser->LocationName(), title, Timeout);
        QCOMPARE(browser->LocationURL(), target);
    }

    // Back goes to the page before, not to another copy of the error.
    browser->GoBack();
    QTRY_COMPARE_WITH_TIMEOUT(browser->LocationURL(), address(u"/un"_s), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(browser->LocationName(), u"Un"_s, Timeout);
}

void TestEnginePages::crashedRendererShowsErrorPage_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("whileLoading");
    QTest::addColumn<Reload>("reload");

    const QString killed = u"Le processus de la page a été arrêté : rechargez-la."_s;
    const QString crashed = u"Le processus de la page s'est arrêté brutalement : rechargez-la."_s;
    QTest::newRow("killed, Refresh") << int(SIGKILL) << killed << false << Reload::Refresh;
    QTest::newRow("crashed, button") << int(SIGSEGV) << crashed << false << Reload::Button;
    QTest::newRow("killed while loading") << int(SIGKILL) << killed << true << Reload::Refresh;
}

void TestEnginePages::crashedRendererShowsErrorPage()
{
    QFETCH(int, signal);
    QFETCH(QString, status);
    QFETCH(bool, whileLoading);
    QFETCH(Reload, reload);

    // Three browsers, each on a site of its own so that each has its own
    // renderer; the middle one's renderer goes.
    Shown second(m_profile);
    Shown third(m_profile);
    const QList<WebEngineBrowser *> browsers = {m_shown->browser, second.browser, third.browser};
    const QString hosts[] = {u"127.0.0.1"_s, u"localhost"_s, u"127.0.0.1"_s};
    QString addresses[3];
    for (int i = 0; i < 3; ++i) {
        QUrl url = m_server.url(u"/un"_s);
        url.setHost(hosts[i]);
        url.setQuery(u"n=%1"_s.arg(i));
        addresses[i] = url.toString();
        QVERIFY(load(browsers[i], addresses[i]));
    }
    WebEngineBrowser *victim = browsers[1];
    const qint64 pid = victim->page()->renderProcessPid();
    QVERIFY(pid > 0);
    QVERIFY(pid != browsers[0]->page()->renderProcessPid());
    QVERIFY(pid != browsers[2]->page()->renderProcessPid());

    QSignalSpy complete(victim, &WebBrowser::DownloadComplete);
    QSignalSpy statusText(victim, &WebBrowser::StatusTextChange);
    QString crashedAddress = addresses[1];
    if (whileLoading) {
        m_server.holdPage(u"/lent"_s);
        QUrl url = m_server.url(u"/lent"_s);
        url.setHost(hosts[1]);
        victim->Navigate(url.toString());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(u"/lent"_s) >= 1, Timeout);
        QVERIFY(victim->Busy());
    }
    QCOMPARE(::kill(pid_t(pid), signal), 0);

    QTRY_VERIFY_WITH_TIMEOUT(!statusText.isEmpty() && statusText.last().first() == status, Timeout);
    QVERIFY(!victim->Busy());
    // A load under way ends, and the error page's own load ends after it.
    QCOMPARE(complete.size(), whileLoading ? 2 : 1);
    QCOMPARE(victim->LocationName(), u"Page arrêtée"_s);
    const QString shownAddress = victim->LocationURL();
    QVERIFY2(shownAddress == crashedAddress || shownAddress.contains(u"/lent"_s),
             qPrintable(shownAddress));

    // The other two go on.
    QCOMPARE(evaluate(browsers[0], u"document.title + 1"_s), u"Un1"_s);
    QCOMPARE(evaluate(browsers[2], u"document.title + 2"_s), u"Un2"_s);

    if (whileLoading)
        m_server.releaseHeld();
    complete.clear();
    if (reload == Reload::Refresh) {
        victim->Refresh();
        QVERIFY(victim->Busy());
    } else {
        victim->page()->runJavaScript(u"document.getElementById('recharger').click()"_s);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!complete.isEmpty() && !victim->Busy(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(victim->LocationName(),
                              shownAddress.contains(u"/lent"_s) ? u"Enfin"_s : u"Un"_s, Timeout);
    QCOMPARE(victim->LocationURL(), shownAddress);
    QVERIFY(victim->page()->renderProcessPid() > 0);
    QVERIFY(victim->page()->renderProcessPid() != pid);
    QCOMPARE(evaluate(victim, u"document.title"_s), victim->LocationName());
}

void TestEnginePages::localFileReadsNothingElse_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("another local file") << u"secret.txt"_s;
    QTest::newRow("a web page") << address(u"/un"_s);
}

void TestEnginePages::localFileReadsNothingElse()
{
    QFETCH(QString, target);
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QFile secret(folder.filePath(u"secret.txt"_s));
    QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
    secret.close();
    QFile page(folder.filePath(u"page.html"_s));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write(QStringLiteral("<!DOCTYPE html><title>Attente</title><script>"
                              "const r = new XMLHttpRequest();"
                              "r.onload = () => { document.title = 'lu:' + r.responseText; };"
                              "r.onerror = () => { document.title = 'refusé'; };"
                              "try { r.open('GET', '%1'); r.send(); }"
                              " catch (e) { document.title = 'refusé'; }"
                              "</script>")
                   .arg(target)
                   .toUtf8());
    page.close();
    const qsizetype requests = m_server.requestedPaths().size();

    WebEngineBrowser *browser = m_shown->browser;
    QVERIFY(load(browser, QUrl::fromLocalFile(page.fileName()).toString()));
    QTRY_VERIFY_WITH_TIMEOUT(browser->page()->title() != u"Attente"_s, Timeout);
    QCOMPARE(browser->page()->title(), u"refusé"_s);
    QCOMPARE(m_server.requestedPaths().size(), requests);
}

void TestEnginePages::everyActionHasFrenchText()
{
    // A page of its own, whose actions keep the engine's texts.
    QWebEnginePage english(m_profile);
    QWebEnginePage *french = m_shown->browser->page();
    for (int i = 0; i < QWebEnginePage::WebActionCount; ++i) {
        const auto action = QWebEnginePage::WebAction(i);
        QAction *mine = french->action(action);
        const QString engineText = english.action(action)->text();
        if (!mine->isVisible())
            continue;
        QVERIFY2(!mine->text().isEmpty() && mine->text() != engineText,
                 qPrintable(u"%1: %2"_s.arg(i).arg(mine->text())));
    }
    for (const auto hidden : {QWebEnginePage::ViewSource, QWebEnginePage::InspectElement,
                              QWebEnginePage::OpenLinkInNewWindow})
        QVERIFY(!french->action(hidden)->isVisible());
}

void TestEnginePages::contextMenuIsFrench_data()
{
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<QWebEnginePage::WebAction>("expected");
    QTest::newRow("link") << QPoint(20, 20) << QWebEnginePage::OpenLinkInNewTab;
    QTest::newRow("text field") << QPoint(20, 80) << QWebEnginePage::Paste;
    QTest::newRow("page") << QPoint(20, 200) << QWebEnginePage::Reload;
}

void TestEnginePages::contextMenuIsFrench()
{
    QFETCH(QPoint, where);
    QFETCH(QWebEnginePage::WebAction, expected);
    WebEngineBrowser *browser = m_shown->browser;
    QVERIFY(load(browser, address(u"/menu"_s)));
    QTRY_COMPARE_WITH_TIMEOUT(browser->page()->title(), u"Prête"_s, Timeout);

    QWebEnginePage english(m_profile);
    QWidget *view = browser->view()->focusProxy();
    QVERIFY(view);
    QTest::mouseClick(view, Qt::RightButton, {}, where);
    QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu *>(QApplication::activePopupWidget()), Timeout);
    QPointer<QMenu> menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    auto closeMenu = qScopeGuard([&] {
        if (menu)
            menu->close();
    });

    // The actions the program hides are not in the menu at all: a screen
    // reader lists every entry a menu holds, shown or not.
    const QList<QWebEnginePage::WebAction> hidden {QWebEnginePage::ViewSource,
                                                   QWebEnginePage::InspectElement,
                                                   QWebEnginePage::OpenLinkInNewWindow};
    for (const auto action : hidden)
        QVERIFY2(!menu->actions().contains(browser->page()->action(action)),
                 qPrintable(english.action(action)->text()));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(menu.data());
    QVERIFY(accessible);
    for (int i = 0; i < accessible->childCount(); ++i) {
        const QString name = accessible->child(i)->text(QAccessible::Name);
        for (const auto action : hidden)
            QVERIFY2(name != english.action(action)->text(), qPrintable(name));
    }

    QStringList shown;
    bool expectedShown = false;
    for (QAction *entry : menu->actions()) {
        if (entry->isSeparator() || !entry->isVisible())
            continue;
        shown.append(entry->text());
        int which = -1;
        for (int i = 0; i < QWebEnginePage::WebActionCount && which < 0; ++i) {
            if (browser->page()->action(QWebEnginePage::WebAction(i)) == entry)
                which = i;
        }
        // Every entry is one of the page's actions, in French.
        QVERIFY2(which >= 0, qPrintable(entry->text()));
        QVERIFY2(entry->text() != english.action(QWebEnginePage::WebAction(which))->text(),
                 qPrintable(entry->text()));
        QVERIFY2(which != QWebEnginePage::ViewSource && which != QWebEnginePage::InspectElement,
                 qPrintable(entry->text()));
        expectedShown |= which == expected;
    }
    QVERIFY2(expectedShown, qPrintable(shown.join(u", "_s)));
}

void TestEnginePages::persistentProfileKeepsCookiesOnDisk()
{
    // The program's kind of profile, in folders of the test's own.
    QTemporaryDir folders;
    QVERIFY(folders.isValid());
    const QString storage = folders.filePath(u"donnees/profil"_s);
    const QString cache = folders.filePath(u"cache/cache"_s);
    std::unique_ptr<QWebEngineProfile> profile(EngineProfile::createPersistent(storage, cache));
    QVERIFY(!profile->isOffTheRecord());
    QCOMPARE(profile->persistentStoragePath(), storage);
    QCOMPARE(profile->cachePath(), cache);
    QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::AllowPersistentCookies);
    {
        Shown shown(profile.get());
        QVERIFY(load(shown.browser, address(u"/donne"_s)));
        QVERIFY(load(shown.browser, address(u"/lit"_s)));
        QVERIFY(m_server.requestHeaders(u"/lit"_s).value("cookie").contains("jeton=abc123"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(storage).filePath(u"Cookies"_s)), Timeout);
    }
    // The pages go before their profile.
    QTest::qWait(50);
}

CORVANE_ENGINE_TEST_MAIN(TestEnginePages)

#include "tst_enginepages.moc"

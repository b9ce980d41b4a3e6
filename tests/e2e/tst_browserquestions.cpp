#include "app/frmCV.h"
#include "engine/DialogBrowserPrompter.h"
#include "engine/WebEngineBrowser.h"
#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/PrompterAnswerer.h"
#include "support/TestPlatform.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// No single wait of the real engine may take longer than this.
constexpr int Timeout = 15000;

// One page over HTTPS on 127.0.0.1, with a self-signed certificate that no
// browser trusts.
class HttpsServer : public QObject
{
public:
    // name: the certificate and key in data/, name.crt and name.key.
    bool listen(const QString &name = u"selfsigned"_s)
    {
        QFile certificate(QFINDTESTDATA(u"data/"_s + name + u".crt"_s));
        QFile key(QFINDTESTDATA(u"data/"_s + name + u".key"_s));
        if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return false;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(certificate.readAll()));
        configuration.setPrivateKey(QSslKey(key.readAll(), QSsl::Rsa));
        m_server.setSslConfiguration(configuration);
        connect(&m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (auto *socket = qobject_cast<QSslSocket *>(m_server.nextPendingConnection())) {
                connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QSslSocket::readyRead, socket, [this, socket] {
                    m_buffer[socket] += socket->readAll();
                    if (!m_buffer[socket].contains("\r\n\r\n"))
                        return;
                    ++requests;
                    m_buffer.remove(socket);
                    const QByteArray body = "<!DOCTYPE html><title>Sécurisé</title>";
                    socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                                  "Content-Length: "
                                  + QByteArray::number(body.size())
                                  + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
        return m_server.listen(QHostAddress::LocalHost, 0);
    }
    QString url(const QString &path = u"/"_s) const
    {
        return u"https://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path);
    }

    int requests = 0;

private:
    QSslServer m_server;
    QHash<QSslSocket *, QByteArray> m_buffer;
};

enum class Question { Alert, Confirm, Credentials, Permission, Certificate };

} // namespace

Q_DECLARE_METATYPE(Question)
Q_DECLARE_METATYPE(BrowserPrompter::ScriptDialogKind)

class TestBrowserQuestions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void credentials_data();
    void credentials();
    void certificate_data();
    void certificate();
    void certificateHeldToItself_data();
    void certificateHeldToItself();
    void subresourceCertificatesRefusedUnasked();
    void burstAsksOnce_data();
    void burstAsksOnce();
    void permission_data();
    void permission();
    void scriptAnswers_data();
    void scriptAnswers();
    void dialogLoop_data();
    void dialogLoop();
    void browserGoneWhileAsked_data();
    void browserGoneWhileAsked();

    void realDialogsNotModalAndDismissedMeansNo_data();
    void realDialogsNotModalAndDismissedMeansNo();
    // Last: they run and end the application's event loop.
    void quitWhileAlertUp_data();
    void quitWhileAlertUp();

private:
    [[nodiscard]] bool load(const QString &address);
    [[nodiscard]] QString evaluate(const QString &script);
    void ask(Question question);

    HttpServer m_server;
    HttpsServer m_https;
    // The same host on other ports: the same certificate, and another one.
    HttpsServer m_sameCertificate;
    HttpsServer m_attacker;
    // Each test has a profile of its own: the decisions it remembers are
    // the profile's.
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<PrompterAnswerer> m_answerer;
    std::unique_ptr<QWidget> m_window;
    WebEngineBrowser *m_browser = nullptr;
};

void TestBrowserQuestions::initTestCase()
{
    QVERIFY(m_server.listen());
    QVERIFY(m_https.listen());
    QVERIFY(m_sameCertificate.listen());
    QVERIFY(m_attacker.listen(u"attacker"_s));
    m_server.addPage(u"/vide"_s, "<!DOCTYPE html><title>Vide</title>");
    // Protected by user "marie", password "s3cret": the page follows the
    // request's credentials.
    m_server.addHeader(u"/prive"_s, "WWW-Authenticate", "Basic realm=\"Coffre\"");
    connect(&m_server, &HttpServer::requested, this, [this](const QString &target) {
        if (target != "/prive"_L1)
            return;
        const bool allowed = m_server.requestHeaders(u"/prive"_s).value("authorization")
            == "Basic " + QByteArray("marie:s3cret").toBase64();
        if (allowed)
            m_server.addPage(u"/prive"_s, "<!DOCTYPE html><title>Privé</title>");
        else
            m_server.addPage(u"/prive"_s, "<!DOCTYPE html><title>Refusé</title>",
                             "text/html; charset=utf-8", 401);
    });
    // Whether the permission was granted, in the title. Granted, the
    // position may still be unavailable here: that error is no refusal.
    // Without a position source the engine may never answer a granted
    // request at all: its own time limit answers it then.
    m_server.addPage(u"/position"_s,
                     "<!DOCTYPE html><title>Attente</title><script>"
                     "navigator.geolocation.getCurrentPosition(() => { document.title = "
                     "'granted'; }, e => { document.title = e.code === e.PERMISSION_DENIED ? "
                     "'denied' : 'granted'; }, { timeout: 2000 });</script>");
    // Thirty pictures and frames from the self-signed server, and thirty
    // pictures that each ask for a sign-in.
    QByteArray mixed = "<!DOCTYPE html><title>Mixte</title>";
    QByteArray locked = "<!DOCTYPE html><title>Verrous</title>";
    for (int i = 0; i < 15; ++i) {
        const QByteArray n = QByteArray::number(i);
        mixed += "<img src=\"" + m_https.url(u"/image"_s).toUtf8() + n + "\"><iframe src=\""
            + m_https.url(u"/cadre"_s).toUtf8() + n + "\"></iframe>";
    }
    for (int i = 0; i < 30; ++i)
        locked += "<img src=\"/verrou/" + QByteArray::number(i) + "\">";
    m_server.addPage(u"/mixte"_s, mixed);
    m_server.addPage(u"/verrous"_s, locked);
    for (int i = 0; i < 30; ++i) {
        const QString path = u"/verrou/%1"_s.arg(i);
        m_server.addPage(path, "refusé", "text/plain", 401);
        m_server.addHeader(path, "WWW-Authenticate",
                           "Basic realm=\"Verrou " + QByteArray::number(i) + "\"");
    }
    m_server.addPage(u"/alertes"_s,
                     "<!DOCTYPE html><title>Attente</title><script>"
                     "for (let i = 0; i < 20; ++i) alert('Alerte ' + i);"
                     "document.title = 'Fini';</script>");
    m_server.addPage(u"/boucle"_s,
                     "<!DOCTYPE html><title>Boucle</title><script>"
                     "setTimeout(() => { for (;;) alert('Encore'); }, 0);"
                     "</script>");
}

void TestBrowserQuestions::init()
{
    m_profile = EngineTest::offTheRecordProfile(nullptr);
    m_answerer = std::make_unique<PrompterAnswerer>();
    m_window = std::make_unique<QWidget>();
    m_browser = new WebEngineBrowser(m_profile, m_window.get(), m_answerer.get());
    auto *layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins({});
    layout->addWidget(m_browser->widget());
    m_window->resize(640, 480);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestBrowserQuestions::cleanup()
{
    m_window.reset();
    m_browser = nullptr;
    // A page left to a wait goes once the wait is over.
    QTest::qWait(50);
    delete m_profile;
    m_profile = nullptr;
    m_answerer.reset();
}

bool TestBrowserQuestions::load(const QString &address)
{
    QSignalSpy complete(m_browser, &WebBrowser::DownloadComplete);
    m_browser->Navigate(address);
    return complete.wait(Timeout);
}

QString TestBrowserQuestions::evaluate(const QString &script)
{
    const auto answer = std::make_shared<std::optional<QString>>();
    m_browser->page()->runJavaScript(
        script, [answer](const QVariant &value) { *answer = value.toString(); });
    const QDeadlineTimer deadline(Timeout);
    while (!*answer && !deadline.hasExpired())
        QTest::qWait(20);
    return answer->value_or(u"(no answer)"_s);
}

void TestBrowserQuestions::credentials_data()
{
    QTest::addColumn<bool>("given");
    QTest::addColumn<QString>("title");
    QTest::newRow("given") << true << u"Privé"_s;
    QTest::newRow("cancelled") << false << u"Refusé"_s;
}

void TestBrowserQuestions::credentials()
{
    QFETCH(bool, given);
    QFETCH(QString, title);
    if (given)
        m_answerer->credentialsAnswer = BrowserPrompter::Credentials {u"marie"_s, u"s3cret"_s};

    QVERIFY(load(m_server.url(u"/prive"_s).toString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), title, Timeout);
    QCOMPARE(m_answerer->credentialsAsked.size(), 1);
    QCOMPARE(m_answerer->credentialsAsked.first().realm, u"Coffre"_s);
    QCOMPARE(m_answerer->credentialsAsked.first().site.host(), u"127.0.0.1"_s);
    QVERIFY(!m_answerer->credentialsAsked.first().proxy);
}

void TestBrowserQuestions::certificate_data()
{
    QTest::addColumn<bool>("goOn");
    QTest::newRow("refused") << false;
    QTest::newRow("accepted") << true;
}

void TestBrowserQuestions::certificate()
{
    QFETCH(bool, goOn);
    m_answerer->certificateAnswer = goOn;
    const int requests = m_https.requests;

    QVERIFY(load(m_https.url()));
    QCOMPARE(m_answerer->certificatesAsked.size(), 1);
    QCOMPARE(m_answerer->certificatesAsked.first().host, u"127.0.0.1"_s);
    QVERIFY(!m_answerer->certificatesAsked.first().error.isEmpty());
    QCOMPARE(m_browser->LocationName() == u"Sécurisé"_s, goOn);
    QCOMPARE(m_https.requests > requests, goOn);

    // Going on holds for the host in every browser of the profile; a refusal
    // is asked again.
    QWidget elsewhere;
    auto *other = new WebEngineBrowser(m_profile, &elsewhere, m_answerer.get());
    QSignalSpy complete(other, &WebBrowser::DownloadComplete);
    other->Navigate(m_https.url());
    QVERIFY(complete.wait(Timeout));
    QCOMPARE(m_answerer->certificatesAsked.size(), goOn ? 1 : 2);
    QCOMPARE(other->LocationName() == u"Sécurisé"_s, goOn);
}

// An accepted certificate holds for that host, that certificate and that
// error: another certificate of the same host is asked about again.
void TestBrowserQuestions::certificateHeldToItself_data()
{
    QTest::addColumn<bool>("sameCertificate");
    QTest::newRow("same certificate, another port") << true;
    QTest::newRow("another certificate of the host") << false;
}

void TestBrowserQuestions::certificateHeldToItself()
{
    QFETCH(bool, sameCertificate);
    m_answerer->certificateAnswer = true;
    QVERIFY(load(m_https.url()));
    QCOMPARE(m_browser->LocationName(), u"Sécurisé"_s);

    // As the user going to another address.
    m_answerer->certificateAnswer = false;
    m_browser->userActed();
    HttpsServer &other = sameCertificate ? m_sameCertificate : m_attacker;
    const int requests = other.requests;
    QVERIFY(load(other.url()));
    QCOMPARE(m_answerer->certificatesAsked.size(), sameCertificate ? 1 : 2);
    QCOMPARE(other.requests > requests, sameCertificate);
}

// What a page loads from a server whose certificate is not valid is refused
// without a question, unless that certificate was accepted for a page.
void TestBrowserQuestions::subresourceCertificatesRefusedUnasked()
{
    const int requests = m_https.requests;
    QVERIFY(load(m_server.url(u"/mixte"_s).toString()));
    QCOMPARE(m_browser->LocationName(), u"Mixte"_s);
    QVERIFY(m_answerer->certificatesAsked.isEmpty());
    QCOMPARE(m_https.requests, requests);

    // Reloading asks nothing either.
    m_browser->userActed();
    m_browser->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser->Busy(), Timeout);
    QVERIFY(m_answerer->certificatesAsked.isEmpty());

    m_answerer->certificateAnswer = true;
    m_browser->userActed();
    QVERIFY(load(m_https.url()));
    QCOMPARE(m_answerer->certificatesAsked.size(), 1);
    m_browser->userActed();
    QVERIFY(load(m_server.url(u"/mixte"_s).toString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_https.requests >= requests + 30, Timeout);
    QCOMPARE(m_answerer->certificatesAsked.size(), 1);
}

// A page's requests that would each raise a question raise one at most
// until the user acts in the tab again.
void TestBrowserQuestions::burstAsksOnce_data()
{
    QTest::addColumn<bool>("given");
    QTest::newRow("credentials given") << true;
    QTest::newRow("cancelled") << false;
}

void TestBrowserQuestions::burstAsksOnce()
{
    QFETCH(bool, given);
    if (given)
        m_answerer->credentialsAnswer = BrowserPrompter::Credentials {u"marie"_s, u"faux"_s};
    const int before = m_server.requestCount(u"/verrou/29"_s);
    QVERIFY(load(m_server.url(u"/verrous"_s).toString()));
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(u"/verrou/29"_s) > before, Timeout);
    QTest::qWait(300);
    QCOMPARE(m_answerer->credentialsAsked.size(), 1);

    // The user reloads: a burst of its own, which asks once again.
    m_browser->userActed();
    m_browser->Refresh();
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->credentialsAsked.size(), 2, Timeout);
    QTRY_VERIFY_WITH_TIMEOUT(!m_browser->Busy(), Timeout);
    QTest::qWait(300);
    QCOMPARE(m_answerer->credentialsAsked.size(), 2);
}

void TestBrowserQuestions::permission_data()
{
    QTest::addColumn<bool>("grant");
    QTest::addColumn<QString>("title");
    QTest::newRow("denied") << false << u"denied"_s;
    QTest::newRow("granted") << true << u"granted"_s;
}

void TestBrowserQuestions::permission()
{
    QFETCH(bool, grant);
    QFETCH(QString, title);
    m_answerer->permissionAnswer = grant;

    QVERIFY(load(m_server.url(u"/position"_s).toString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), title, Timeout);
    QCOMPARE(m_answerer->permissionsAsked.size(), 1);
    QCOMPARE(m_answerer->permissionsAsked.first().permission,
             BrowserPrompter::Permission::Location);
    QCOMPARE(m_answerer->permissionsAsked.first().site.host(), u"127.0.0.1"_s);

    // The answer holds for the site, whatever the test answers now.
    m_answerer->permissionAnswer = !grant;
    QVERIFY(load(m_server.url(u"/vide"_s).toString()));
    QVERIFY(load(m_server.url(u"/position"_s).toString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), title, Timeout);
    QCOMPARE(m_answerer->permissionsAsked.size(), 1);
}

void TestBrowserQuestions::scriptAnswers_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<BrowserPrompter::ScriptDialogKind>("kind");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("result");
    using Kind = BrowserPrompter::ScriptDialogKind;
    QTest::newRow("confirm, OK") << u"String(confirm('Sûr ?'))"_s << Kind::Confirm << true
                                 << QString() << u"true"_s;
    QTest::newRow("confirm, cancelled")
        << u"String(confirm('Sûr ?'))"_s << Kind::Confirm << false << QString() << u"false"_s;
    QTest::newRow("prompt, text entered") << u"String(prompt('Nom ?', 'Paul'))"_s << Kind::Prompt
                                          << true << u"Zoé & co"_s << u"Zoé & co"_s;
    QTest::newRow("prompt, cancelled") << u"String(prompt('Nom ?', 'Paul'))"_s << Kind::Prompt
                                       << false << u"ignoré"_s << u"null"_s;
    QTest::newRow("alert") << u"String(alert('Sûr ?'))"_s << Kind::Alert << true << QString()
                           << u"undefined"_s;
}

void TestBrowserQuestions::scriptAnswers()
{
    QFETCH(QString, script);
    QFETCH(BrowserPrompter::ScriptDialogKind, kind);
    QFETCH(bool, accepted);
    QFETCH(QString, value);
    QFETCH(QString, result);
    m_answerer->scriptAnswer = [&](const BrowserPrompter::ScriptDialog &) {
        return BrowserPrompter::ScriptAnswer {accepted, value, false};
    };

    QVERIFY(load(m_server.url(u"/vide"_s).toString()));
    QCOMPARE(evaluate(script), result);
    QCOMPARE(m_answerer->scriptDialogs.size(), 1);
    const BrowserPrompter::ScriptDialog &asked = m_answerer->scriptDialogs.first();
    QCOMPARE(asked.kind, kind);
    QCOMPARE(asked.text,
             kind == BrowserPrompter::ScriptDialogKind::Prompt ? u"Nom ?"_s : u"Sûr ?"_s);
    QCOMPARE(asked.defaultValue,
             kind == BrowserPrompter::ScriptDialogKind::Prompt ? u"Paul"_s : QString());
    QCOMPARE(asked.site.host(), u"127.0.0.1"_s);
    QVERIFY(!asked.offerToStop);
}

void TestBrowserQuestions::dialogLoop_data()
{
    QTest::addColumn<bool>("stop");
    QTest::addColumn<int>("shown");
    QTest::newRow("stopped when offered") << true << 3;
    QTest::newRow("never stopped") << false << 20;
}

// A page that shows dialogs one after the other: the third offers to stop
// them; once stopped, the page's later ones are answered at once, until it
// loads a new document.
void TestBrowserQuestions::dialogLoop()
{
    QFETCH(bool, stop);
    QFETCH(int, shown);
    m_answerer->scriptAnswer = [&](const BrowserPrompter::ScriptDialog &dialog) {
        return BrowserPrompter::ScriptAnswer {true, QString(), stop && dialog.offerToStop};
    };

    QVERIFY(load(m_server.url(u"/alertes"_s).toString()));
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), u"Fini"_s, Timeout);
    QCOMPARE(m_answerer->scriptDialogs.size(), shown);
    for (int i = 0; i < shown; ++i)
        QCOMPARE(m_answerer->scriptDialogs.at(i).offerToStop, i >= 2);

    // A new document may show dialogs again (asked at once after the last
    // answer, its first ones may still belong to the row).
    m_answerer->scriptDialogs.clear();
    m_browser->Refresh();
    QTRY_VERIFY_WITH_TIMEOUT(!m_answerer->scriptDialogs.isEmpty(), Timeout);
    QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), u"Fini"_s, Timeout);
    if (stop)
        QVERIFY(m_answerer->scriptDialogs.size() <= shown);
    else
        QCOMPARE(m_answerer->scriptDialogs.size(), shown);
}

void TestBrowserQuestions::ask(Question question)
{
    switch (question) {
    case Question::Alert:
        m_browser->page()->runJavaScript(u"alert('Attendez')"_s);
        break;
    case Question::Confirm:
        m_browser->page()->runJavaScript(u"confirm('Attendez ?')"_s);
        break;
    case Question::Credentials:
        m_browser->Navigate(m_server.url(u"/prive"_s).toString());
        break;
    case Question::Permission:
        m_browser->Navigate(m_server.url(u"/position"_s).toString());
        break;
    case Question::Certificate:
        m_browser->Navigate(m_https.url());
        break;
    }
}

void TestBrowserQuestions::browserGoneWhileAsked_data()
{
    QTest::addColumn<Question>("question");
    QTest::newRow("alert") << Question::Alert;
    QTest::newRow("confirm") << Question::Confirm;
    QTest::newRow("credentials") << Question::Credentials;
    QTest::newRow("permission") << Question::Permission;
    QTest::newRow("certificate") << Question::Certificate;
}

// The tab, or the main window, may close while a question waits: the page
// outlives the engine's call, then goes, and nothing else is asked of it.
void TestBrowserQuestions::browserGoneWhileAsked()
{
    QFETCH(Question, question);
    QVERIFY(load(m_server.url(u"/vide"_s).toString()));
    QPointer<QWebEnginePage> page = m_browser->page();
    bool pageDuringWait = false;
    int asked = 0;
    m_answerer->credentialsAnswer = BrowserPrompter::Credentials {u"marie"_s, u"s3cret"_s};
    m_answerer->certificateAnswer = true;
    m_answerer->permissionAnswer = true;
    m_answerer->duringQuestion = [&] {
        ++asked;
        // As a question's own event loop would, with the window closed in it.
        m_window.release()->deleteLater();
        m_browser = nullptr;
        QTest::qWait(200);
        pageDuringWait = !page.isNull();
    };

    ask(question);
    QTRY_COMPARE_WITH_TIMEOUT(asked, 1, Timeout);
    QVERIFY(pageDuringWait);
    QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), Timeout);
    QCOMPARE(asked, 1);

    // Another browser of the profile still works.
    QWidget elsewhere;
    auto *other = new WebEngineBrowser(m_profile, &elsewhere, m_answerer.get());
    QSignalSpy complete(other, &WebBrowser::DownloadComplete);
    other->Navigate(m_server.url(u"/vide"_s).toString());
    QVERIFY(complete.wait(Timeout));
    QCOMPARE(other->LocationName(), u"Vide"_s);
}

void TestBrowserQuestions::realDialogsNotModalAndDismissedMeansNo_data()
{
    QTest::addColumn<Question>("question");
    QTest::addColumn<bool>("byEscape");
    for (bool escape : {false, true}) {
        const char *how = escape ? "Escape" : "closed";
        QTest::addRow("alert, %s", how) << Question::Alert << escape;
        QTest::addRow("confirm, %s", how) << Question::Confirm << escape;
        QTest::addRow("credentials, %s", how) << Question::Credentials << escape;
        QTest::addRow("permission, %s", how) << Question::Permission << escape;
        QTest::addRow("certificate, %s", how) << Question::Certificate << escape;
    }
}

// The real dialogs block no other window, and one dismissed says no.
void TestBrowserQuestions::realDialogsNotModalAndDismissedMeansNo()
{
    QFETCH(Question, question);
    QFETCH(bool, byEscape);
    DialogBrowserPrompter prompter;
    QPointer<QDialog> shown;
    bool modal = true;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(shown = m_window->findChild<QDialog *>(u"browserQuestion"_s),
                                 Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(shown->isVisible(), Timeout);
        modal = shown->isModal() || QApplication::activeModalWidget();
        // The user types something, then dismisses the dialog.
        if (auto *field = shown->findChild<QLineEdit *>())
            field->setText(u"saisi"_s);
        if (byEscape)
            QTest::keyClick(shown, Qt::Key_Escape);
        else
            shown->close();
    });

    bool yes = true;
    switch (question) {
    case Question::Alert:
    case Question::Confirm: {
        BrowserPrompter::ScriptDialog dialog;
        dialog.kind = question == Question::Alert ? BrowserPrompter::ScriptDialogKind::Alert
                                                  : BrowserPrompter::ScriptDialogKind::Confirm;
        dialog.text = u"Texte"_s;
        dialog.offerToStop = true;
        const BrowserPrompter::ScriptAnswer answer
            = prompter.scriptDialog(m_browser->view(), dialog);
        yes = answer.accepted || answer.stopDialogs;
        break;
    }
    case Question::Credentials:
        yes = prompter.credentials(m_browser->view(), {QUrl(u"http://exemple.fr"_s), u"Zone"_s})
                  .has_value();
        break;
    case Question::Permission:
        yes = prompter.permission(m_browser->view(), {QUrl(u"http://exemple.fr"_s)});
        break;
    case Question::Certificate:
        yes = prompter.certificateError(m_browser->view(), {u"exemple.fr"_s, u"Périmé"_s});
        break;
    }
    QVERIFY(shown.isNull() || !shown->isVisible());
    QVERIFY(!modal);
    QVERIFY(!yes);
}

void TestBrowserQuestions::quitWhileAlertUp_data()
{
    QTest::addColumn<bool>("fromDialog");
    QTest::newRow("from the main window") << false;
    QTest::newRow("from the dialog") << true;
}

// Ctrl+Q, in the main window or in the dialog, ends the program while a
// page's alerts follow one another in their dialogs over its tab.
void TestBrowserQuestions::quitWhileAlertUp()
{
    QFETCH(bool, fromDialog);
    DialogBrowserPrompter prompter;
    TestPlatform test;
    Platform platform = test.platform();
    platform.createBrowser = [this, &prompter](QWidget *parent) -> WebBrowser * {
        return new WebEngineBrowser(m_profile, parent, &prompter);
    };
    test.folder.write(u"Corvane.ini"_s,
                      m_server.url(u"/boucle"_s).toString().toUtf8() + "\r\n3\r\n");
    frmCV window(platform);
    window.Show();

    int dialogsSeen = 0;
    bool quitAsked = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = window.findChild<QDialog *>(u"browserQuestion"_s);
        if (!dialog || !dialog->isVisible())
            return;
        // The second one proves the first was answered; then the user goes
        // back to the main window and quits.
        if (dialogsSeen < 2) {
            ++dialogsSeen;
            if (dialogsSeen == 1)
                dialog->accept();
            return;
        }
        QWidget *target = fromDialog ? static_cast<QWidget *>(dialog) : &window;
        if (QApplication::activeWindow() != target) {
            target->activateWindow();
            return;
        }
        poll.stop();
        quitAsked = true;
        QTest::keyClick(target->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    });
    poll.start(50);
    // Should the program not end, this ends the wait with another code.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, this, [] { QCoreApplication::exit(99); });
    watchdog.start(30000);

    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(dialogsSeen, 2);
    QVERIFY(quitAsked);
}

CORVANE_ENGINE_TEST_MAIN(TestBrowserQuestions)

#include "tst_browserquestions.moc"

#include "engine/WebEngineBrowser.h"

// The browser's questions to the user: sign-in, certificates, permissions and
// the page's script dialogs, each put to the prompter, and the answers the
// user gave for the rest of the run.

#include "engine/DownloadKeeper.h"
#include "engine/EnginePage.h"

#include <QAuthenticator>
#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QSslCertificate>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineView>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#elif QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#include <QWebEngineQuotaRequest>
#endif

#include <functional>
#include <optional>

namespace {

// An invalid certificate the user chose to go on with: it holds for that
// host, that certificate and that error only.
struct CertificateException
{
    QString host;
    QByteArray fingerprint;
    int error = 0;

    friend bool operator==(const CertificateException &, const CertificateException &) = default;
};

size_t qHash(const CertificateException &exception, size_t seed = 0)
{
    return qHashMulti(seed, exception.host, exception.fingerprint, exception.error);
}

CertificateException exceptionFor(const QWebEngineCertificateError &error)
{
    const QList<QSslCertificate> chain = error.certificateChain();
    // Without a certificate there is nothing to hold the exception to: an
    // empty fingerprint matches no other error's.
    return {error.url().host(),
            chain.isEmpty() ? QByteArray() : chain.first().digest(QCryptographicHash::Sha256),
            int(error.type())};
}

// What the user decided for the browsers of a profile, until it goes.
struct Decisions
{
    QSet<CertificateException> certificateExceptions;
    QHash<QPair<QString, int>, bool> permissions; // (origin, permission) -> granted
};

Decisions &decisionsOf(QWebEngineProfile *profile)
{
    static QHash<const QWebEngineProfile *, Decisions> all;
    if (!all.contains(profile))
        QObject::connect(profile, &QObject::destroyed, profile, [profile] { all.remove(profile); });
    return all[profile];
}

// While the engine's call into a page waits for a question's answer, the
// browser may be deleted: its page stays (see the destructor) until the last
// such call is over, then goes.
class PageKept
{
public:
    PageKept(WebEngineBrowser *browser, QWebEnginePage *page, std::shared_ptr<int> underWay)
        : m_browser(browser)
        , m_page(page)
        , m_underWay(std::move(underWay))
    {
        ++*m_underWay;
    }
    ~PageKept()
    {
        --*m_underWay;
        if (!m_browser && *m_underWay == 0 && m_page) {
            if (!DownloadKeeper::letGo(m_page))
                m_page->deleteLater();
        }
    }
    PageKept(const PageKept &) = delete;
    PageKept &operator=(const PageKept &) = delete;

    bool browserGone() const { return m_browser.isNull(); }

private:
    QPointer<WebEngineBrowser> m_browser;
    QPointer<QWebEnginePage> m_page;
    std::shared_ptr<int> m_underWay;
};

// Three dialogs in a row, each asked within a second of the end of the one
// before, and the third offers to stop the page's dialogs.
constexpr int DialogsBeforeStopOffered = 3;
constexpr qint64 DialogRowGapMs = 1000;

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
std::optional<BrowserPrompter::Permission> permissionOf(QWebEnginePage::Feature feature)
{
    switch (feature) {
    case QWebEnginePage::Notifications:
        return BrowserPrompter::Permission::Notifications;
    case QWebEnginePage::Geolocation:
        return BrowserPrompter::Permission::Location;
    case QWebEnginePage::MediaAudioCapture:
        return BrowserPrompter::Permission::Microphone;
    case QWebEnginePage::MediaVideoCapture:
        return BrowserPrompter::Permission::Camera;
    case QWebEnginePage::MediaAudioVideoCapture:
        return BrowserPrompter::Permission::CameraAndMicrophone;
    case QWebEnginePage::MouseLock:
        return BrowserPrompter::Permission::MouseLock;
    case QWebEnginePage::DesktopVideoCapture:
    case QWebEnginePage::DesktopAudioVideoCapture:
        return BrowserPrompter::Permission::ScreenSharing;
    }
    return std::nullopt;
}
#endif

} // namespace

QWebEnginePage *WebEngineBrowser::createPage(QWebEngineProfile *profile, QObject *parent)
{
    return new EnginePage(
        profile, parent,
        [self = QPointer<WebEngineBrowser>(this)](const BrowserPrompter::ScriptDialog &dialog) {
            // A page left to the engine's wait asks nothing more.
            return self ? self->scriptDialog(dialog) : BrowserPrompter::ScriptAnswer();
        });
}

// Every request is answered, by the prompter or at once: one left pending
// would leave the page waiting for ever.
void WebEngineBrowser::answerRequests()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(m_page, &QWebEnginePage::permissionRequested, this,
            [this](QWebEnginePermission request) {
                std::optional<BrowserPrompter::Permission> permission;
                switch (request.permissionType()) {
                case QWebEnginePermission::PermissionType::Geolocation:
                    permission = BrowserPrompter::Permission::Location;
                    break;
                case QWebEnginePermission::PermissionType::MediaAudioCapture:
                    permission = BrowserPrompter::Permission::Microphone;
                    break;
                case QWebEnginePermission::PermissionType::MediaVideoCapture:
                    permission = BrowserPrompter::Permission::Camera;
                    break;
                case QWebEnginePermission::PermissionType::MediaAudioVideoCapture:
                    permission = BrowserPrompter::Permission::CameraAndMicrophone;
                    break;
                case QWebEnginePermission::PermissionType::DesktopVideoCapture:
                case QWebEnginePermission::PermissionType::DesktopAudioVideoCapture:
                    permission = BrowserPrompter::Permission::ScreenSharing;
                    break;
                case QWebEnginePermission::PermissionType::MouseLock:
                    permission = BrowserPrompter::Permission::MouseLock;
                    break;
                case QWebEnginePermission::PermissionType::Notifications:
                    permission = BrowserPrompter::Permission::Notifications;
                    break;
                case QWebEnginePermission::PermissionType::ClipboardReadWrite:
                    permission = BrowserPrompter::Permission::Clipboard;
                    break;
                default:
                    break;
                }
                const std::optional<bool> granted
                    = permission ? permissionGranted(request.origin(), *permission) : false;
                if (granted && *granted)
                    request.grant();
                else
                    request.deny();
            });
#else
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                const std::optional<BrowserPrompter::Permission> permission = permissionOf(feature);
                const std::optional<bool> granted
                    = permission ? permissionGranted(origin, *permission) : false;
                // A browser gone meanwhile has no page to answer for.
                if (!granted.has_value())
                    return;
                m_page->setFeaturePermission(origin, feature,
                                             *granted ? QWebEnginePage::PermissionGrantedByUser
                                                      : QWebEnginePage::PermissionDeniedByUser);
            });
#endif
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    connect(m_page, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    connect(m_page, &QWebEnginePage::certificateError, this, &WebEngineBrowser::askCertificate);
    connect(m_page, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &site, QAuthenticator *authenticator) {
                askCredentials(site, authenticator, false);
            });
    connect(m_page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                QUrl proxy;
                proxy.setHost(proxyHost);
                askCredentials(proxy, authenticator, true);
            });
    // A page that starts loading another document may show dialogs again.
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo &info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
                    m_dialogsStopped = false;
            });
    connect(m_page, &QWebEnginePage::fullScreenRequested, this,
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(m_page, &QWebEnginePage::registerProtocolHandlerRequested, this,
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(m_page, &QWebEnginePage::fileSystemAccessRequested, this,
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(m_page, &QWebEnginePage::selectClientCertificate, this,
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
}

void WebEngineBrowser::askCredentials(const QUrl &site, QAuthenticator *authenticator, bool proxy)
{
    const BrowserPrompter::CredentialsRequest request {site, authenticator->realm(), proxy};
    // An empty authenticator cancels the request: the page shows what the
    // server sent with its refusal.
    *authenticator = QAuthenticator();
    if (!m_prompter || !m_signInBurst.mayAsk())
        return;
    std::optional<BrowserPrompter::Credentials> answer;
    m_signInBurst.asking();
    {
        const PageKept kept(this, m_page, m_newWindowsUnderWay);
        answer = m_prompter->credentials(m_view, request);
        if (kept.browserGone())
            return;
    }
    m_signInBurst.answered();
    if (answer) {
        authenticator->setUser(answer->user);
        authenticator->setPassword(answer->password);
    }
}

void WebEngineBrowser::askCertificate(const QWebEngineCertificateError &engineError)
{
    QWebEngineCertificateError error(engineError);
    if (!error.isOverridable() || !m_prompter) {
        error.rejectCertificate();
        return;
    }
    QWebEngineProfile *profile = m_page->profile();
    const CertificateException exception = exceptionFor(error);
    if (!exception.fingerprint.isEmpty()
        && decisionsOf(profile).certificateExceptions.contains(exception)) {
        error.acceptCertificate();
        return;
    }
    // The user is asked for the page they go to, once a burst; what the
    // page loads from elsewhere is refused, as its frames' pages are.
    if (!static_cast<EnginePage *>(m_page.data())->isMainFrame(error)
        || !m_certificateBurst.mayAsk()) {
        error.rejectCertificate();
        return;
    }
    bool goOn = false;
    m_certificateBurst.asking();
    {
        const PageKept kept(this, m_page, m_newWindowsUnderWay);
        goOn = m_prompter->certificateError(m_view, {exception.host, error.description()});
        if (kept.browserGone()) {
            error.rejectCertificate();
            return;
        }
    }
    m_certificateBurst.answered();
    // Going on holds for this certificate; a refusal is asked again next time.
    if (goOn && !exception.fingerprint.isEmpty()) {
        decisionsOf(profile).certificateExceptions.insert(exception);
        error.acceptCertificate();
    } else {
        error.rejectCertificate();
    }
}

std::shared_ptr<void> WebEngineBrowser::keepPageWhileAsking()
{
    return std::make_shared<PageKept>(this, m_page, m_newWindowsUnderWay);
}

void WebEngineBrowser::userActed()
{
    m_signInBurst.userActed();
    m_certificateBurst.userActed();
    if (!m_page)
        return;
    if (DownloadKeeper *downloads = DownloadKeeper::of(m_page->profile()))
        downloads->userActed(m_page);
}

std::optional<bool> WebEngineBrowser::permissionGranted(const QUrl &site,
                                                        BrowserPrompter::Permission permission)
{
    if (!m_prompter)
        return false;
    QWebEngineProfile *profile = m_page->profile();
    const QPair<QString, int> key(site.adjusted(QUrl::RemovePath | QUrl::RemoveQuery
                                                | QUrl::RemoveFragment | QUrl::RemoveUserInfo)
                                      .toString(),
                                  int(permission));
    const auto known = decisionsOf(profile).permissions.constFind(key);
    if (known != decisionsOf(profile).permissions.cend())
        return *known;
    bool granted = false;
    {
        const PageKept kept(this, m_page, m_newWindowsUnderWay);
        granted = m_prompter->permission(m_view, {site, permission});
        if (kept.browserGone())
            return std::nullopt;
    }
    decisionsOf(profile).permissions.insert(key, granted);
    return granted;
}

BrowserPrompter::ScriptAnswer WebEngineBrowser::scriptDialog(BrowserPrompter::ScriptDialog dialog)
{
    // Unasked, an alert shows nothing, a confirm or a prompt is cancelled,
    // and the page may be left.
    BrowserPrompter::ScriptAnswer unasked;
    unasked.accepted = dialog.kind == BrowserPrompter::ScriptDialogKind::BeforeUnload;
    if (!m_prompter || m_dialogsStopped)
        return unasked;

    if (m_sinceLastDialog.isValid() && m_sinceLastDialog.elapsed() < DialogRowGapMs)
        ++m_dialogsInARow;
    else
        m_dialogsInARow = 1;
    dialog.offerToStop = m_dialogsInARow >= DialogsBeforeStopOffered;
    BrowserPrompter::ScriptAnswer answer;
    {
        const PageKept kept(this, m_page, m_newWindowsUnderWay);
        answer = m_prompter->scriptDialog(m_view, dialog);
        if (kept.browserGone())
            return unasked;
    }
    m_sinceLastDialog.start();
    if (answer.stopDialogs && dialog.offerToStop)
        m_dialogsStopped = true;
    return answer;
}

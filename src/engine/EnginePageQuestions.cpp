#include "engine/EnginePage.h"

// The page's requests: sign-in, certificates and permissions, each put to
// the prompter, and the rest refused.

#include "engine/ProfileDecisions.h"

#include <QAuthenticator>
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

#include <optional>

namespace {

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

// Every request is answered, by the prompter or at once: one left pending
// would leave the page waiting for ever.
void EnginePage::answerRequests()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, m_answering.get(),
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
    connect(this, &QWebEnginePage::featurePermissionRequested, m_answering.get(),
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                const std::optional<BrowserPrompter::Permission> permission = permissionOf(feature);
                const std::optional<bool> granted
                    = permission ? permissionGranted(origin, *permission) : false;
                // A page whose browser went meanwhile is answered by no one.
                if (!granted.has_value())
                    return;
                setFeaturePermission(origin, feature,
                                     *granted ? QWebEnginePage::PermissionGrantedByUser
                                              : QWebEnginePage::PermissionDeniedByUser);
            });
#endif
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    connect(this, &QWebEnginePage::quotaRequested, m_answering.get(),
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    connect(this, &QWebEnginePage::certificateError, m_answering.get(),
            [this](const QWebEngineCertificateError &error) { askCertificate(error); });
    connect(this, &QWebEnginePage::authenticationRequired, m_answering.get(),
            [this](const QUrl &site, QAuthenticator *authenticator) {
                askCredentials(site, authenticator, false);
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, m_answering.get(),
            [this](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                QUrl proxy;
                proxy.setHost(proxyHost);
                askCredentials(proxy, authenticator, true);
            });
    // A page that starts loading another document may show dialogs again.
    connect(this, &QWebEnginePage::loadingChanged, m_answering.get(),
            [this](const QWebEngineLoadingInfo &info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
                    m_dialogsStopped = false;
            });
    connect(this, &QWebEnginePage::fullScreenRequested, m_answering.get(),
            [](QWebEngineFullScreenRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::registerProtocolHandlerRequested, m_answering.get(),
            [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::fileSystemAccessRequested, m_answering.get(),
            [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    connect(this, &QWebEnginePage::selectClientCertificate, m_answering.get(),
            [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
}

void EnginePage::askCredentials(const QUrl &site, QAuthenticator *authenticator, bool proxy)
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
        const Kept kept(this);
        answer = m_prompter->credentials(m_view, request);
        if (kept.gone())
            return;
    }
    m_signInBurst.answered();
    if (answer) {
        authenticator->setUser(answer->user);
        authenticator->setPassword(answer->password);
    }
}

void EnginePage::askCertificate(const QWebEngineCertificateError &engineError)
{
    QWebEngineCertificateError error(engineError);
    if (!error.isOverridable() || !m_prompter) {
        error.rejectCertificate();
        return;
    }
    ProfileDecisions &decisions = ProfileDecisions::of(profile());
    const ProfileDecisions::Certificate certificate = ProfileDecisions::certificateOf(error);
    if (decisions.accepted(certificate)) {
        error.acceptCertificate();
        return;
    }
    // The user is asked for the page they go to, once a burst; what the
    // page loads from elsewhere is refused, as its frames' pages are.
    if (!isMainFrame(error) || !m_certificateBurst.mayAsk()) {
        error.rejectCertificate();
        return;
    }
    bool goOn = false;
    m_certificateBurst.asking();
    {
        const Kept kept(this);
        goOn = m_prompter->certificateError(m_view, {certificate.host, error.description()});
        if (kept.gone()) {
            error.rejectCertificate();
            return;
        }
    }
    m_certificateBurst.answered();
    // Going on holds for this certificate; a refusal is asked again next time.
    if (goOn && !certificate.fingerprint.isEmpty()) {
        decisions.accept(certificate);
        error.acceptCertificate();
    } else {
        error.rejectCertificate();
    }
}

std::optional<bool> EnginePage::permissionGranted(const QUrl &site,
                                                  BrowserPrompter::Permission permission)
{
    if (!m_prompter)
        return false;
    ProfileDecisions &decisions = ProfileDecisions::of(profile());
    if (const std::optional<bool> known = decisions.permission(site, permission))
        return known;
    bool granted = false;
    {
        const Kept kept(this);
        granted = m_prompter->permission(m_view, {site, permission});
        if (kept.gone())
            return std::nullopt;
    }
    decisions.decide(site, permission, granted);
    return granted;
}

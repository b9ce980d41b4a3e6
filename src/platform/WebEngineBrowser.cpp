#include "platform/WebEngineBrowser.h"

#include <QAuthenticator>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineView>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#elif QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
#include <QWebEngineQuotaRequest>
#endif

#include <utility>
#include <vector>

namespace {

// The browsers asked to navigate while a new window's handler runs. The
// handler makes the tab that takes the window, and that tab's load asks for
// its start address, which the window's content is about to replace: held
// until the handler returns, such a navigation is dropped in the browser that
// takes the window and made in any other.
std::vector<QPointer<WebEngineBrowser>> *t_heldNavigations = nullptr;

// New windows reach the browser through newWindowRequested only; nothing may
// open a top-level window of its own.
class Page : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }
};

} // namespace

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile *profile, QWidget *parentWidget)
    : WebBrowser(parentWidget)
    , m_view(new QWebEngineView(parentWidget))
    , m_page(new Page(profile, m_view))
    , m_loadStartTimeout(new QTimer(this))
{
    m_view->setPage(m_page);
    // The engine reports a load within milliseconds of being asked, or never:
    // it drops some navigations (a javascript: address) without a word.
    m_loadStartTimeout->setSingleShot(true);
    m_loadStartTimeout->setInterval(2000);
    // While it runs, a navigation has been asked for and has not started.
    connect(m_loadStartTimeout, &QTimer::timeout, this, &WebBrowser::DownloadComplete);
    connectLoadEvents();
    answerRequestsAtOnce();

    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            &WebEngineBrowser::newWindowRequested);
}

void WebEngineBrowser::newWindowRequested(QWebEngineNewWindowRequest &engineRequest)
{
    NewWindowRequest request;
    request.url = engineRequest.requestedUrl();
    request.userInitiated = engineRequest.isUserInitiated();

    // The handler may wait in a question, and this browser, its tab or the
    // main window may close meanwhile. The engine is still inside the call
    // that raised the request, so the page must outlive it: a browser
    // deleted now leaves its page to the last such call under way (see the
    // destructor), which deletes it once it is over.
    const QPointer<WebEngineBrowser> self(this);
    const QPointer<QWebEnginePage> page(m_page);
    const std::shared_ptr<int> underWay = m_newWindowsUnderWay;
    ++*underWay;
    std::vector<QPointer<WebEngineBrowser>> held;
    std::vector<QPointer<WebEngineBrowser>> *outerHeld = std::exchange(t_heldNavigations, &held);
    raiseNewWindow2(request);
    t_heldNavigations = outerHeld;
    --*underWay;
    auto *target = self ? qobject_cast<WebEngineBrowser *>(request.ppDisp) : nullptr;
    const bool adopt = target && !request.Cancel && target != this && target->m_page && m_page
        && target->m_page->profile() == m_page->profile();
    for (const QPointer<WebEngineBrowser> &browser : held) {
        if (browser && !(adopt && browser == target))
            browser->loadHeldNavigation();
        else if (browser)
            browser->m_heldNavigation.clear();
    }
    if (!self) {
        if (*underWay == 0 && page)
            page->deleteLater();
        return;
    }

    // A window the handler neither cancels nor places is dropped, as is one
    // it places in this very browser.
    if (!adopt) {
        if (target && !request.Cancel && target != this && target->m_page && m_page)
            qWarning("WebEngineBrowser: a new window cannot open in a browser of another profile");
        return;
    }
    engineRequest.openIn(target->m_page);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // While a new window of this page waits for its answer, the page stays,
    // without its view, until that wait is over.
    if (*m_newWindowsUnderWay > 0 && m_page)
        m_page->setParent(nullptr);
    delete m_view;
}

void WebEngineBrowser::configureProfile(QWebEngineProfile *profile)
{
    profile->setHttpAcceptLanguage(QStringLiteral("fr-FR,fr;q=0.9,en;q=0.5"));
    // Nothing offers to save a download yet: each one is cancelled before it
    // writes anything.
    connect(profile, &QWebEngineProfile::downloadRequested, profile,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });
}

QWidget *WebEngineBrowser::widget()
{
    return m_view;
}

QWebEngineView *WebEngineBrowser::view() const
{
    return m_view;
}

QWebEnginePage *WebEngineBrowser::page() const
{
    return m_page;
}

void WebEngineBrowser::connectLoadEvents()
{
    // loadingChanged rather than loadStarted, because it tells which address
    // is being loaded while url() still gives the previous one.
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo &info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
                    loadStarted(info.url());
                else
                    loadFinished();
            });
    connect(m_page, &QWebEnginePage::loadProgress, this, &WebEngineBrowser::loadProgress);
    // The engine also reports "no link" each time a document comes in; only
    // the pointer leaving a link clears the status text.
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
        if (url == m_hoveredLink)
            return;
        m_hoveredLink = url;
        Q_EMIT StatusTextChange(url);
    });
    connect(m_page, &QWebEnginePage::titleChanged, this, &WebEngineBrowser::titleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBrowser::urlChanged);
}

// Until the program asks the user about these, each is answered at once:
// a request left pending would leave the page waiting for ever.
void WebEngineBrowser::answerRequestsAtOnce()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(m_page, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(m_page, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                m_page->setFeaturePermission(origin, feature,
                                             QWebEnginePage::PermissionDeniedByUser);
            });
#endif
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    connect(m_page, &QWebEnginePage::quotaRequested, this,
            [](QWebEngineQuotaRequest request) { request.reject(); });
#endif
    connect(m_page, &QWebEnginePage::certificateError, this,
            [](const QWebEngineCertificateError &error) {
                QWebEngineCertificateError rejected(error);
                rejected.rejectCertificate();
            });
    // An empty authenticator cancels the request: the page shows what the
    // server sent with its refusal.
    connect(m_page, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
    connect(m_page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                *authenticator = QAuthenticator();
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

void WebEngineBrowser::Navigate(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    if (!m_page || url.isEmpty() || !url.isValid())
        return;
    // The engine ignores a web address without a host.
    const QString scheme = url.scheme();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && url.host().isEmpty())
        return;
    navigationAsked();
    if (t_heldNavigations) {
        if (m_heldNavigation.isEmpty())
            t_heldNavigations->push_back(this);
        m_heldNavigation = url;
        return;
    }
    m_page->load(url);
}

void WebEngineBrowser::loadHeldNavigation()
{
    if (m_page && !m_heldNavigation.isEmpty())
        m_page->load(std::exchange(m_heldNavigation, QUrl()));
}

void WebEngineBrowser::GoBack()
{
    if (!m_page || !m_page->history()->canGoBack())
        return;
    navigationAsked();
    m_page->triggerAction(QWebEnginePage::Back);
}

void WebEngineBrowser::GoForward()
{
    if (!m_page || !m_page->history()->canGoForward())
        return;
    navigationAsked();
    m_page->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBrowser::Refresh()
{
    if (!m_page)
        return;
    navigationAsked();
    m_page->triggerAction(QWebEnginePage::Reload);
}

void WebEngineBrowser::Stop()
{
    if (!m_page)
        return;
    // Busy ends at once, also for a navigation the engine has not begun:
    // the load it had reported so far ends here, and its own end, when it
    // comes, finds nothing left to end.
    m_loadStartTimeout->stop();
    m_heldNavigation.clear();
    m_page->triggerAction(QWebEnginePage::Stop);
    loadFinished();
}

void WebEngineBrowser::FindText(const QString &text, bool backward, FindResult result)
{
    if (!m_page)
        return;
    const QWebEnginePage::FindFlags flags
        = backward ? QWebEnginePage::FindBackward : QWebEnginePage::FindFlags();
    m_page->findText(text, flags, [result](const QWebEngineFindTextResult &found) {
        if (result)
            result(found.activeMatch(), found.numberOfMatches());
    });
}

qreal WebEngineBrowser::ZoomFactor() const
{
    return m_page ? m_page->zoomFactor() : 1;
}

void WebEngineBrowser::SetZoomFactor(qreal factor)
{
    if (m_page)
        m_page->setZoomFactor(factor);
}

QString WebEngineBrowser::LocationName() const
{
    if (!m_page)
        return {};
    // title() stands in the address, shortened, for a page without a title;
    // the history entry holds the title as the page gave it.
    const QString title = m_page->history()->currentItem().title();
    return title.isEmpty() ? LocationURL() : title;
}

QString WebEngineBrowser::LocationURL() const
{
    return m_page ? m_page->url().toString() : QString();
}

bool WebEngineBrowser::Busy() const
{
    return m_loading || m_loadStartTimeout->isActive();
}

void WebEngineBrowser::navigationAsked()
{
    // The last navigation asked for wins over one still held.
    m_heldNavigation.clear();
    if (!m_loading)
        m_loadStartTimeout->start();
}

void WebEngineBrowser::loadStarted(const QUrl &url)
{
    m_loadStartTimeout->stop();
    // A navigation started while another is loading continues the same load.
    if (m_loading)
        return;
    m_loading = true;
    m_lastProgress = 0;
    Q_EMIT StatusTextChange(url.toString());
    Q_EMIT ProgressChange(0, 100);
}

void WebEngineBrowser::loadProgress(int progress)
{
    if (!m_loading || progress == m_lastProgress)
        return;
    m_lastProgress = progress;
    Q_EMIT ProgressChange(progress, 100);
}

void WebEngineBrowser::loadFinished()
{
    if (!m_loading)
        return;
    m_loading = false;
    m_loadStartTimeout->stop();
    if (m_lastProgress != 100)
        Q_EMIT ProgressChange(100, 100);
    m_lastProgress = -1;
    Q_EMIT DownloadComplete();
    Q_EMIT ProgressChange(-1, 100);
    Q_EMIT StatusTextChange(QString());
}

void WebEngineBrowser::titleChanged()
{
    if (!Busy())
        Q_EMIT DownloadComplete();
}

void WebEngineBrowser::urlChanged(const QUrl &url)
{
    const QUrl previous = std::exchange(m_shownUrl, url);
    if (m_loading)
        return;
    // The address of a navigation asked for may show before the engine
    // reports its load (it does when the navigation follows Stop at once):
    // when that is another document, its load is coming and ends it.
    if (m_loadStartTimeout->isActive()
        && previous.adjusted(QUrl::RemoveFragment) != url.adjusted(QUrl::RemoveFragment))
        return;
    // Outside a load, the address changes within the page; that ends a
    // navigation asked for, which will load nothing.
    m_loadStartTimeout->stop();
    Q_EMIT DownloadComplete();
}

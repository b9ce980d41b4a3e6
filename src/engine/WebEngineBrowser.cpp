#include "engine/WebEngineBrowser.h"

#include "engine/DownloadKeeper.h"
#include "engine/EnginePage.h"
#include "engine/HeldNavigations.h"
#include "engine/LoadTracker.h"
#include "engine/PageActions.h"

#include <QTimer>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <optional>

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile *profile, QWidget *parentWidget,
                                   BrowserPrompter *prompter)
    : WebBrowser(parentWidget)
    , m_view(new QWebEngineView(parentWidget))
    , m_page(new EnginePage(profile, m_view, prompter))
    , m_load(new LoadTracker(this))
    , m_heldNavigations(HeldNavigations::of(profile))
{
    m_view->setPage(m_page);
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    connectLoadEvents();
    PageActions::apply(m_page);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            &WebEngineBrowser::renderProcessTerminated);
    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            &WebEngineBrowser::newWindowRequested);
    if (DownloadKeeper *downloads = DownloadKeeper::of(profile))
        downloads->adopt(m_page, this, prompter);
}

WebEngineBrowser::~WebEngineBrowser()
{
    if (m_page)
        m_page->browserGone();
    delete m_view;
}

void WebEngineBrowser::configureProfile(QWebEngineProfile *profile, const QString &downloadRecord)
{
    // Each download goes to the browser whose page asked for it.
    new DownloadKeeper(profile, downloadRecord);
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
    connect(m_load, &LoadTracker::StatusTextChange, this, &WebBrowser::StatusTextChange);
    connect(m_load, &LoadTracker::ProgressChange, this, &WebBrowser::ProgressChange);
    connect(m_load, &LoadTracker::DownloadComplete, this, &WebBrowser::DownloadComplete);
    // loadingChanged rather than loadStarted, because it tells which address
    // is being loaded while url() still gives the previous one.
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::loadingChanged);
    connect(m_page, &QWebEnginePage::loadProgress, m_load, &LoadTracker::progressed);
    connect(m_page, &QWebEnginePage::linkHovered, this, &WebEngineBrowser::linkHovered);
    connect(m_page, &QWebEnginePage::titleChanged, m_load, &LoadTracker::titleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBrowser::urlChanged);
}

void WebEngineBrowser::loadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_errors.loadStarted(info.url());
        m_load->started(m_errors.statusAddress(info.url()));
        return;
    }
    // The status line tells why once the error page is there.
    const QString failed = info.status() == QWebEngineLoadingInfo::LoadFailedStatus
        ? m_errors.loadFailed(info.url(), info.errorDomain(), info.errorCode(), info.errorString())
        : QString();
    endLoad();
    if (!failed.isEmpty())
        m_errors.setStatusAfterLoad(failed);
    if (m_errors.hasPage())
        QTimer::singleShot(0, this, &WebEngineBrowser::showErrorPage);
}

void WebEngineBrowser::linkHovered(const QString &url)
{
    // The engine also reports "no link" each time a document comes in; only
    // the pointer leaving a link clears the status text. It focuses the
    // error page's own button as the page comes in, and names its address
    // as if it were pointed at: the status line keeps why the page is there.
    if (url == m_hoveredLink || (showingErrorPage() && QUrl(url) == m_errors.failedAddress()))
        return;
    m_hoveredLink = url;
    Q_EMIT StatusTextChange(url);
}

void WebEngineBrowser::urlChanged(const QUrl &url)
{
    m_errors.urlChanged(url);
    m_load->urlChanged(url);
}

void WebEngineBrowser::Navigate(const QString &address)
{
    const QString text = address.trimmed();
    if (!m_page || text.isEmpty())
        return;
    const QUrl url = usableUrl(text);
    if (url.isEmpty()) {
        showBadAddress(text);
        return;
    }
    navigationAsked();
    if (!holdNavigation(url))
        m_page->load(url);
}

void WebEngineBrowser::GoBack()
{
    if (!m_page || !m_page->history()->canGoBack())
        return;
    navigationAsked();
    // Each try of an address that fails again leaves another copy of its
    // error page behind: Back goes past them all, to the page before.
    QWebEngineHistory *history = m_page->history();
    if (showingErrorPage()) {
        const QUrl shown = history->currentItem().url();
        const QList<QWebEngineHistoryItem> back = history->backItems(history->currentItemIndex());
        for (auto item = back.crbegin(); item != back.crend(); ++item) {
            if (item->url() != shown) {
                history->goToItem(*item);
                return;
            }
        }
    }
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
    // Reloading an error page would show it again: the address comes back
    // instead (in a new renderer, after a crash).
    if (showingErrorPage()) {
        navigationAsked();
        m_page->load(m_errors.failedAddress());
        return;
    }
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
    // With no navigation under way, Stop is the user's way to end the
    // page's downloads.
    if (!Busy()) {
        if (DownloadKeeper *downloads = DownloadKeeper::of(m_page->profile()))
            downloads->cancelFor(m_page);
    }
    m_load->forgetAsked();
    m_heldNavigation.clear();
    m_page->triggerAction(QWebEnginePage::Stop);
    endLoad();
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
    if (!m_page)
        return {};
    if (const std::optional<QString> shown = m_errors.location(m_page->url()))
        return *shown;
    // Before its first document comes in, a page has no address of its own:
    // while it loads, it stands for the one it is loading.
    const QUrl url = m_page->url();
    return (url.isEmpty() && Busy() ? m_page->requestedUrl() : url).toString();
}

QUrl WebEngineBrowser::usableUrl(const QString &text)
{
    if (text.contains(QChar::Null))
        return {};
    const QUrl url = QUrl::fromUserInput(text);
    if (url.isEmpty() || !url.isValid())
        return {};
    // The engine would ignore a web address without a host.
    const QString scheme = url.scheme();
    if ((scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        && url.host().isEmpty())
        return {};
    return url;
}

void WebEngineBrowser::showBadAddress(const QString &text)
{
    const QString page = m_errors.badAddress(text);
    navigationAsked();
    m_page->setHtml(page);
}

void WebEngineBrowser::renderProcessTerminated(int status)
{
    // The load the renderer took with it ends here, before the engine says.
    const bool loading = Busy();
    endLoad();
    const QUrl address = showingErrorPage() ? m_errors.failedAddress()
        : m_page->url().isEmpty()           ? m_page->requestedUrl()
                                            : m_page->url();
    m_errors.crashed(address,
                     status == QWebEnginePage::KilledTerminationStatus
                         ? ErrorPages::Ending::Killed
                         : ErrorPages::Ending::Crashed);
    navigationAsked();
    // The engine drops a page set while it still ends the navigation the
    // renderer took with it: when one was under way, the page waits for
    // that end, or for a second at most.
    QTimer::singleShot(loading ? 1000 : 0, this, &WebEngineBrowser::showErrorPage);
}

void WebEngineBrowser::showErrorPage()
{
    if (!m_page || !m_errors.hasPage())
        return;
    // A navigation the renderer's end left pending would drop the page.
    m_page->triggerAction(QWebEnginePage::Stop);
    // The page gets no base address (its button holds the whole address):
    // with sites isolated, Qt WebEngine 6.4 ends the whole program when a
    // page is set with a web address as its base.
    m_page->setHtml(m_errors.takePage());
}

bool WebEngineBrowser::showingErrorPage() const
{
    return m_errors.showing(m_page->url());
}

bool WebEngineBrowser::Busy() const
{
    return m_load->busy();
}

void WebEngineBrowser::navigationAsked()
{
    // The last navigation asked for wins over one still held.
    m_heldNavigation.clear();
    m_load->asked();
}

void WebEngineBrowser::endLoad()
{
    if (!m_load->finished())
        return;
    const QString status = m_errors.takeStatusAfterLoad();
    if (!status.isEmpty())
        Q_EMIT StatusTextChange(status);
}

std::shared_ptr<void> WebEngineBrowser::keepPageWhileAsking()
{
    return m_page ? m_page->keepWhileAsking() : nullptr;
}

void WebEngineBrowser::userActed()
{
    if (!m_page)
        return;
    m_page->userActed();
    if (DownloadKeeper *downloads = DownloadKeeper::of(m_page->profile()))
        downloads->userActed(m_page);
}

#include "engine/WebEngineBrowser.h"

#include "engine/DownloadKeeper.h"
#include "engine/ErrorPages.h"
#include "engine/PageActions.h"

#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFindTextResult>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <utility>

WebEngineBrowser::WebEngineBrowser(QWebEngineProfile *profile, QWidget *parentWidget,
                                   BrowserPrompter *prompter)
    : WebBrowser(parentWidget)
    , m_view(new QWebEngineView(parentWidget))
    , m_page(createPage(profile, m_view))
    , m_loadStartTimeout(new QTimer(this))
    , m_titleTimer(new QTimer(this))
    , m_prompter(prompter)
{
    m_view->setPage(m_page);
    m_page->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // The engine reports a load within milliseconds of being asked, or never:
    // it drops some navigations (a javascript: address) without a word.
    m_loadStartTimeout->setSingleShot(true);
    m_loadStartTimeout->setInterval(2000);
    // While it runs, a navigation has been asked for and has not started.
    connect(m_loadStartTimeout, &QTimer::timeout, this, &WebBrowser::DownloadComplete);
    connectLoadEvents();
    PageActions::apply(m_page);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            &WebEngineBrowser::renderProcessTerminated);
    answerRequests();

    connect(m_page, &QWebEnginePage::newWindowRequested, this,
            &WebEngineBrowser::newWindowRequested);
    if (DownloadKeeper *downloads = DownloadKeeper::of(profile))
        downloads->adopt(m_page, this, m_prompter);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // While a new window of this page waits for its answer, the page stays,
    // without its view, until that wait is over.
    if (*m_newWindowsUnderWay > 0 && m_page)
        m_page->setParent(nullptr);
    else
        DownloadKeeper::letGo(m_page);
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
    // loadingChanged rather than loadStarted, because it tells which address
    // is being loaded while url() still gives the previous one.
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo &info) {
                if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
                    loadStarted(info.url());
                } else {
                    // The status line tells why once the error page is there.
                    const QString failed = info.status() == QWebEngineLoadingInfo::LoadFailedStatus
                        ? loadFailed(info)
                        : QString();
                    loadFinished();
                    if (!failed.isEmpty())
                        m_statusAfterLoad = failed;
                    if (!m_errorPage.isEmpty())
                        QTimer::singleShot(0, this, &WebEngineBrowser::showErrorPage);
                }
            });
    connect(m_page, &QWebEnginePage::loadProgress, this, &WebEngineBrowser::loadProgress);
    // The engine also reports "no link" each time a document comes in; only
    // the pointer leaving a link clears the status text.
    connect(m_page, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
        // The engine focuses the error page's own button as the page comes
        // in, and names its address as if it were pointed at: the status
        // line keeps why the page is there.
        if (url == m_hoveredLink || (showingErrorPage() && QUrl(url) == m_errorUrl))
            return;
        m_hoveredLink = url;
        Q_EMIT StatusTextChange(url);
    });
    m_titleTimer->setSingleShot(true);
    m_titleTimer->setInterval(TitleInterval);
    connect(m_titleTimer, &QTimer::timeout, this, &WebEngineBrowser::titleIntervalOver);
    // Whatever tells the tab to read the page again tells it the latest title.
    connect(this, &WebBrowser::DownloadComplete, this, [this] { m_titlePending = false; });
    connect(m_page, &QWebEnginePage::titleChanged, this, &WebEngineBrowser::titleChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &WebEngineBrowser::urlChanged);
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
        m_page->load(m_errorUrl);
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
    if (!m_page)
        return {};
    // The bad-address page stands for the text typed, which the address box
    // shows again to be corrected.
    if (!m_badAddressPage.isEmpty() && m_page->url() == m_badAddressPage)
        return m_badAddress;
    // An error page stands for the address that failed.
    if (showingErrorPage())
        return m_errorUrl.toString();
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
    m_badAddress = text;
    m_badAddressPage.clear();
    m_showingBadAddress = true;
    navigationAsked();
    m_page->setHtml(ErrorPages::badAddress(text));
}

void WebEngineBrowser::renderProcessTerminated(int status)
{
    // The load the renderer took with it ends here, before the engine says.
    const bool loading = m_loading || m_loadStartTimeout->isActive();
    loadFinished();
    const QUrl address = showingErrorPage() ? m_errorUrl
        : m_page->url().isEmpty()           ? m_page->requestedUrl()
                                            : m_page->url();
    const ErrorPages::Ending ending = status == QWebEnginePage::KilledTerminationStatus
        ? ErrorPages::Ending::Killed
        : ErrorPages::Ending::Crashed;
    m_errorUrl = address;
    m_statusAfterLoad = ErrorPages::crashedStatus(ending);
    m_errorPage = ErrorPages::crashed(address, ending);
    navigationAsked();
    // The engine drops a page set while it still ends the navigation the
    // renderer took with it: when one was under way, the page waits for
    // that end, or for a second at most.
    QTimer::singleShot(loading ? 1000 : 0, this, &WebEngineBrowser::showErrorPage);
}

QString WebEngineBrowser::loadFailed(const QWebEngineLoadingInfo &info)
{
    // The engine's own error page is off (its advice names menus this
    // program does not have); the program's takes its place.
    const std::optional<ErrorPages::Failure> failure
        = ErrorPages::failureOf(info.errorDomain(), info.errorCode());
    if (!failure || info.url().scheme() == QLatin1String("data"))
        return {};
    m_errorUrl = info.url();
    m_errorPage = ErrorPages::failed(info.url(), *failure, info.errorString());
    return ErrorPages::failedStatus(*failure);
}

void WebEngineBrowser::showErrorPage()
{
    if (!m_page || m_errorPage.isEmpty())
        return;
    // A navigation the renderer's end left pending would drop the page.
    m_page->triggerAction(QWebEnginePage::Stop);
    // The page gets no base address (its button holds the whole address):
    // with sites isolated, Qt WebEngine 6.4 ends the whole program when a
    // page is set with a web address as its base.
    m_errorPageUrl.clear();
    m_showingErrorPage = true;
    m_page->setHtml(std::exchange(m_errorPage, QString()));
}

bool WebEngineBrowser::showingErrorPage() const
{
    return !m_errorUrl.isEmpty() && !m_errorPageUrl.isEmpty() && m_page->url() == m_errorPageUrl;
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
    // The error page's address, the same for every try of an address that
    // fails the same way, so that the engine may report no change of it.
    if (m_showingErrorPage && url.scheme() == QLatin1String("data")) {
        m_showingErrorPage = false;
        m_errorPageUrl = url;
    }
    // The error pages load as data; any other load leaves them behind.
    if (url.scheme() != QLatin1String("data")) {
        m_errorUrl.clear();
        m_errorPageUrl.clear();
        m_statusAfterLoad.clear();
        m_showingBadAddress = false;
        m_showingErrorPage = false;
    }
    // A navigation started while another is loading continues the same load.
    if (m_loading)
        return;
    m_loading = true;
    m_lastProgress = 0;
    Q_EMIT StatusTextChange(url == m_errorPageUrl ? m_errorUrl.toString() : url.toString());
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
    if (!m_statusAfterLoad.isEmpty())
        Q_EMIT StatusTextChange(std::exchange(m_statusAfterLoad, QString()));
}

void WebEngineBrowser::titleChanged()
{
    // A page may set its title thousands of times a second, and the engine
    // reports every one. The first title after a quiet interval reaches the
    // tab at once; those that follow within the interval wait for its end,
    // when the tab reads the latest. Each reading repaints the window, which
    // costs far more than a title: one per title left the program replaying
    // titles long after the page had stopped. During a load, its end tells
    // the tab.
    if (Busy())
        return;
    if (m_titleTimer->isActive()) {
        m_titlePending = true;
        return;
    }
    m_titleTimer->start();
    Q_EMIT DownloadComplete();
}

void WebEngineBrowser::titleIntervalOver()
{
    if (!std::exchange(m_titlePending, false) || Busy())
        return;
    m_titleTimer->start();
    Q_EMIT DownloadComplete();
}

void WebEngineBrowser::urlChanged(const QUrl &url)
{
    const QUrl previous = std::exchange(m_shownUrl, url);
    if (m_showingBadAddress && url.scheme() == QLatin1String("data")) {
        m_showingBadAddress = false;
        m_badAddressPage = url;
    }
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

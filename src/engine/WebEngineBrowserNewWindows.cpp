#include "engine/WebEngineBrowser.h"

#include "engine/DownloadKeeper.h"

// The browser's new windows: a page's request for one goes to the handler of
// NewWindow2, and the window's content opens in the browser the handler
// names. Navigations asked for while the handler runs are held until it
// returns.

#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <utility>
#include <vector>

namespace {

// The browsers asked to navigate while a new window's handler runs. The
// handler makes the tab that takes the window, and that tab's load asks for
// its start address, which the window's content is about to replace: held
// until the handler returns, such a navigation is dropped in the browser that
// takes the window and made in any other.
std::vector<QPointer<WebEngineBrowser>> *t_heldNavigations = nullptr;

} // namespace

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
    const bool placedElsewhere
        = target && !request.Cancel && target != this && target->m_page && m_page;
    const bool adopt = placedElsewhere && target->m_page->profile() == m_page->profile();
    for (const QPointer<WebEngineBrowser> &browser : held) {
        if (browser && !(adopt && browser == target))
            browser->loadHeldNavigation();
        else if (browser)
            browser->m_heldNavigation.clear();
    }
    if (!self) {
        if (*underWay == 0 && page) {
            if (!DownloadKeeper::letGo(page))
                page->deleteLater();
        }
        return;
    }

    // A window the handler neither cancels nor places is dropped, as is one
    // it places in this very browser.
    if (!adopt) {
        if (placedElsewhere)
            qWarning("WebEngineBrowser: a new window cannot open in a browser of another profile");
        return;
    }
    engineRequest.openIn(target->m_page);
}

void WebEngineBrowser::loadHeldNavigation()
{
    if (m_page && !m_heldNavigation.isEmpty())
        m_page->load(std::exchange(m_heldNavigation, QUrl()));
}

bool WebEngineBrowser::holdNavigation(const QUrl &url)
{
    if (!t_heldNavigations)
        return false;
    if (m_heldNavigation.isEmpty())
        t_heldNavigations->push_back(this);
    m_heldNavigation = url;
    return true;
}

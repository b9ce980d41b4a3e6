#include "engine/WebEngineBrowser.h"

#include "engine/EnginePage.h"
#include "engine/HeldNavigations.h"

// The browser's new windows: a page's request for one goes to the handler of
// NewWindow2, and the window's content opens in the browser the handler
// names. Navigations asked for while the handler runs are held until it
// returns.

#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <utility>

void WebEngineBrowser::newWindowRequested(QWebEngineNewWindowRequest &engineRequest)
{
    NewWindowRequest request;
    request.url = engineRequest.requestedUrl();
    request.userInitiated = engineRequest.isUserInitiated();

    // The handler may wait in a question, and this browser, its tab or the
    // main window may close meanwhile. The engine is still inside the call
    // that raised the request, so the page must outlive it.
    const QPointer<WebEngineBrowser> self(this);
    const QPointer<HeldNavigations> holds = m_heldNavigations;
    QList<QPointer<WebEngineBrowser>> held;
    {
        const std::shared_ptr<void> kept = m_page->keepWhileAsking();
        if (holds)
            holds->open();
        raiseNewWindow2(request);
        if (holds)
            held = holds->close();
    }
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
    if (!self)
        return;

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
    if (!m_heldNavigations || !m_heldNavigations->holding())
        return false;
    if (m_heldNavigation.isEmpty())
        m_heldNavigations->hold(this);
    m_heldNavigation = url;
    return true;
}

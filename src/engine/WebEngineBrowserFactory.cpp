#include "WebEngineBrowserFactory.h"

#include "engine/HeldNavigations.h"
#include "engine/WebEngineBrowser.h"

#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const QUrl Blank(QStringLiteral("about:blank"));

// Once the page shows something else than its prepared about:blank, that
// entry leaves its history.
void forgetBlankOnceLeft(QWebEnginePage *page)
{
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(page, &QWebEnginePage::urlChanged, page,
                                   [page, connection](const QUrl &url) {
                                       if (url == Blank)
                                           return;
                                       QObject::disconnect(*connection);
                                       page->history()->clear();
                                   });
}

} // namespace

WebEngineBrowserFactory::WebEngineBrowserFactory(QWebEngineProfile *profile,
                                                 std::function<bool()> roomForAnotherTab,
                                                 BrowserPrompter *prompter)
    : m_profile(profile)
    , m_prompter(prompter)
    , m_roomForAnotherTab(std::move(roomForAnotherTab))
{
}

// The prepared control, if any, goes with its holder.
WebEngineBrowserFactory::~WebEngineBrowserFactory() = default;

bool WebEngineBrowserFactory::hasPrepared() const
{
    // The page's address is about:blank from the moment it is asked for,
    // before its load has even begun; its history has it once it is there.
    return m_prepared && !m_prepared->Busy() && m_prepared->page()
        && m_prepared->page()->history()->currentItem().url() == Blank;
}

WebBrowser *WebEngineBrowserFactory::create(QWidget *parent)
{
    // A tab made while a page's new window is being placed takes that
    // window's content.
    if (HeldNavigations::of(m_profile)->holding())
        return createForNewWindow(parent);
    WebEngineBrowser *browser = nullptr;
    if (hasPrepared()) {
        browser = m_prepared;
        m_prepared = nullptr;
        browser->setParent(parent);
        browser->view()->setParent(parent);
        forgetBlankOnceLeft(browser->page());
    } else {
        // One still loading its about:blank is of no use to this tab.
        delete m_prepared;
        browser = new WebEngineBrowser(m_profile, parent, m_prompter);
    }
    prepareAfterLoad(browser);
    return browser;
}

WebBrowser *WebEngineBrowserFactory::createForNewWindow(QWidget *parent)
{
    auto *browser = new WebEngineBrowser(m_profile, parent, m_prompter);
    prepareAfterLoad(browser);
    return browser;
}

void WebEngineBrowserFactory::prepareAfterLoad(WebBrowser *browser)
{
    // The next one is prepared once this one has its page, so that the
    // two do not compete for the machine.
    connect(browser, &WebBrowser::DownloadComplete, this, &WebEngineBrowserFactory::prepare,
            Qt::SingleShotConnection);
}

void WebEngineBrowserFactory::prepare()
{
    if (m_prepared || !m_roomForAnotherTab())
        return;
    m_prepared = new WebEngineBrowser(m_profile, &m_holder, m_prompter);
    m_prepared->page()->setUrl(Blank);
}

#include "NewWindowTabs.h"

#include "platform/WebBrowser.h"
#include "tab/frmBrowser.h"

#include <QWidget>

NewWindowTabs::NewWindowTabs(QWidget *window, std::function<frmBrowser *()> makeTab,
                             std::function<bool()> roomForAnotherTab)
    : m_window(window)
    , m_makeTab(std::move(makeTab))
    , m_roomForAnotherTab(std::move(roomForAnotherTab))
{
    m_hold.setSingleShot(true);
    m_hold.setInterval(HoldMs);
    connect(&m_hold, &QTimer::timeout, this, &NewWindowTabs::release);
}

// A tab still waiting goes with the window, before the profile its page
// belongs to.
NewWindowTabs::~NewWindowTabs() = default;

frmBrowser *NewWindowTabs::take()
{
    frmBrowser *tab = m_ahead ? m_ahead.release() : m_makeTab();
    // A burst of windows keeps the first one's limit.
    if (!holding()) {
        m_window->setUpdatesEnabled(false);
        m_hold.start();
    }
    connect(tab->browser(), &WebBrowser::DownloadComplete, this, &NewWindowTabs::release,
            Qt::SingleShotConnection);
    return tab;
}

void NewWindowTabs::prepare()
{
    if (!m_roomForAnotherTab()) {
        m_ahead.reset();
        return;
    }
    if (!m_ahead)
        m_ahead.reset(m_makeTab());
}

bool NewWindowTabs::holding() const
{
    return !m_window->updatesEnabled();
}

void NewWindowTabs::release()
{
    m_hold.stop();
    m_window->setUpdatesEnabled(true);
}

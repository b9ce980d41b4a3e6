#include "engine/LoadTracker.h"

#include <QTimer>

#include <utility>

LoadTracker::LoadTracker(QObject *parent)
    : QObject(parent)
    , m_startTimeout(new QTimer(this))
    , m_titleTimer(new QTimer(this))
{
    m_startTimeout->setSingleShot(true);
    m_startTimeout->setInterval(LoadStartTimeout);
    connect(m_startTimeout, &QTimer::timeout, this, &LoadTracker::complete);
    m_titleTimer->setSingleShot(true);
    m_titleTimer->setInterval(TitleInterval);
    connect(m_titleTimer, &QTimer::timeout, this, &LoadTracker::titleIntervalOver);
}

bool LoadTracker::busy() const
{
    return m_loading || m_startTimeout->isActive();
}

void LoadTracker::asked()
{
    if (!m_loading)
        m_startTimeout->start();
}

void LoadTracker::forgetAsked()
{
    m_startTimeout->stop();
}

void LoadTracker::started(const QUrl &address)
{
    m_startTimeout->stop();
    if (m_loading)
        return;
    m_loading = true;
    m_lastProgress = 0;
    Q_EMIT StatusTextChange(address.toString());
    Q_EMIT ProgressChange(0, 100);
}

void LoadTracker::progressed(int progress)
{
    if (!m_loading || progress == m_lastProgress)
        return;
    m_lastProgress = progress;
    Q_EMIT ProgressChange(progress, 100);
}

bool LoadTracker::finished()
{
    if (!m_loading)
        return false;
    m_loading = false;
    m_startTimeout->stop();
    if (m_lastProgress != 100)
        Q_EMIT ProgressChange(100, 100);
    m_lastProgress = -1;
    complete();
    Q_EMIT ProgressChange(-1, 100);
    Q_EMIT StatusTextChange(QString());
    return true;
}

// Whatever tells the tab to read the page again tells it the latest title.
void LoadTracker::complete()
{
    m_titlePending = false;
    Q_EMIT DownloadComplete();
}

void LoadTracker::titleChanged()
{
    // A page may set its title thousands of times a second, and the engine
    // reports every one. The first title after a quiet interval reaches the
    // tab at once; those that follow within the interval wait for its end,
    // when the tab reads the latest. Each reading repaints the window, which
    // costs far more than a title: one per title left the program replaying
    // titles long after the page had stopped. During a load, its end tells
    // the tab.
    if (busy())
        return;
    if (m_titleTimer->isActive()) {
        m_titlePending = true;
        return;
    }
    m_titleTimer->start();
    complete();
}

void LoadTracker::titleIntervalOver()
{
    if (!std::exchange(m_titlePending, false) || busy())
        return;
    m_titleTimer->start();
    complete();
}

void LoadTracker::urlChanged(const QUrl &url)
{
    const QUrl previous = std::exchange(m_shownUrl, url);
    if (m_loading)
        return;
    // The address of a navigation asked for may show before the engine
    // reports its load (it does when the navigation follows Stop at once):
    // when that is another document, its load is coming and ends it.
    if (m_startTimeout->isActive()
        && previous.adjusted(QUrl::RemoveFragment) != url.adjusted(QUrl::RemoveFragment))
        return;
    // Outside a load, the address changes within the page; that ends a
    // navigation asked for, which will load nothing.
    m_startTimeout->stop();
    complete();
}

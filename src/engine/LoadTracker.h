#pragma once

#include <QObject>
#include <QUrl>

class QTimer;

// The control's load events (WebBrowser's StatusTextChange, ProgressChange,
// DownloadComplete) from the engine's, which the browser passes on:
//   started(address)
//       -> StatusTextChange(address), ProgressChange(0, 100)
//   progressed(p)
//       -> ProgressChange(p, 100), unless p was the last value sent
//   finished() (succeeded, failed or stopped)
//       -> ProgressChange(100, 100) unless already sent for this load,
//          DownloadComplete(), ProgressChange(-1, 100), StatusTextChange("")
//   titleChanged() or urlChanged() while not busy (a script sets the title,
//   the page changes its address without loading)
//       -> DownloadComplete(), so that the tab reads title and address again
//   urlChanged() to another document while a navigation asked for has not
//   begun loading (the engine shows its address first)
//       -> nothing: that navigation's load ends it
//
// busy() is true as soon as a navigation is asked for, before the engine
// reports its load, and false again before DownloadComplete(). A navigation
// asked for while a load runs joins that load: the engine reports one end,
// and so does the tracker. One that stays within the page ends with its
// urlChanged; one the engine drops without a word (a javascript: address)
// ends after LoadStartTimeout.
class LoadTracker : public QObject
{
    Q_OBJECT

public:
    // How often, at most, the page's new titles reach the tab.
    static constexpr int TitleInterval = 100; // ms
    // The engine reports a load within milliseconds of being asked, or never.
    static constexpr int LoadStartTimeout = 2000; // ms

    explicit LoadTracker(QObject *parent = nullptr);

    bool busy() const;

    void asked();
    // A navigation asked for will not start: stop() does not wait for it.
    void forgetAsked();
    void started(const QUrl &address);
    void progressed(int progress);
    // False when no load was under way.
    bool finished();
    void titleChanged();
    void urlChanged(const QUrl &url);

Q_SIGNALS:
    void StatusTextChange(const QString &text);
    void ProgressChange(qint32 progress, qint32 progressMax);
    void DownloadComplete();

private:
    void complete();
    void titleIntervalOver();

    // While it runs, a navigation has been asked for and has not started.
    QTimer *m_startTimeout;
    // Runs for an interval after the tab was told of a title; whether a
    // newer one came since, that the tab has not been told of.
    QTimer *m_titleTimer;
    bool m_titlePending = false;
    bool m_loading = false;
    int m_lastProgress = -1;
    QUrl m_shownUrl;
};

#pragma once

#include "platform/WebBrowser.h"

#include <QStringList>
#include <QWidget>

#include <utility>

// A web browser control for tests: it records what the tab asks of it and
// lets the test raise each of its events and set what it reports.
class FakeBrowser : public WebBrowser
{
    Q_OBJECT

public:
    explicit FakeBrowser(QWidget *parent);
    ~FakeBrowser() override;

    QWidget *widget() override { return m_widget; }
    void Navigate(const QString &address) override;
    void GoBack() override { m_calls.append(QStringLiteral("GoBack")); }
    void GoForward() override { m_calls.append(QStringLiteral("GoForward")); }
    void Refresh() override { m_calls.append(QStringLiteral("Refresh")); }
    void Stop() override { m_calls.append(QStringLiteral("Stop")); }
    bool Busy() const override { return m_busy; }
    QString LocationName() const override { return m_locationName; }
    QString LocationURL() const override { return m_locationUrl; }
    void FindText(const QString &text, bool backward, FindResult result) override;
    qreal ZoomFactor() const override { return m_zoom; }
    void SetZoomFactor(qreal factor) override { m_zoom = factor; }
    void setRegisterAsBrowser(bool registered) override { m_registered = registered; }
    bool RegisterAsBrowser() const override { return m_registered; }
    void userActed() override { ++m_userActions; }

    // Every call in order: "Navigate <address>", "GoBack", ...
    QStringList calls() const { return m_calls; }
    // The addresses given to Navigate, in order.
    QStringList navigations() const;
    // How many times the tab said the user acted in it.
    int userActions() const { return m_userActions; }

    void setBusy(bool busy) { m_busy = busy; }
    // What FindText answers: the match shown and the number of matches.
    void setFindAnswer(int active, int matches) { m_findAnswer = {active, matches}; }
    void setLocation(const QString &name, const QString &url);

    // Raise the control's events as the engine would.
    void raiseStatusTextChange(const QString &text) { Q_EMIT StatusTextChange(text); }
    void raiseProgressChange(qint32 progress, qint32 max) { Q_EMIT ProgressChange(progress, max); }
    void raiseDownloadComplete() { Q_EMIT DownloadComplete(); }
    void raiseDownloadChange(const DownloadReport &report) { Q_EMIT DownloadChange(report); }
    // Through the tab's handler; the request as the handler left it.
    NewWindowRequest raiseNewWindow2(const QUrl &url, bool userInitiated);

private:
    QWidget *m_widget;
    QStringList m_calls;
    bool m_busy = false;
    bool m_registered = false;
    int m_userActions = 0;
    qreal m_zoom = 1;
    std::pair<int, int> m_findAnswer {0, 0};
    QString m_locationName;
    QString m_locationUrl;
};

// Every FakeBrowser made through browserFactory(), in creation order.
QList<FakeBrowser *> &fakeBrowsers();

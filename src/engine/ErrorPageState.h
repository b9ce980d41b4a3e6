#pragma once

#include "engine/ErrorPages.h"

#include <QString>
#include <QUrl>
#include <QWebEngineLoadingInfo>

#include <optional>

// Which of the program's error pages (ErrorPages) a browser's page shows, and
// what it stands for: the text typed, for the bad-address page; the address
// that failed or whose renderer ended, for the others. Each loads as data,
// and has an address of its own only once the engine gives it one; any other
// load leaves it behind. The browser tells it the engine's events and the
// page's address, and sets the pages it hands out.
class ErrorPageState
{
public:
    // The page to set for a text Navigate cannot use.
    QString badAddress(const QString &text);
    // A navigation failed: the status line's text once its error page shows,
    // that page then waiting in takePage(); empty when none is to show.
    QString loadFailed(const QUrl &url, QWebEngineLoadingInfo::ErrorDomain domain, int code,
                       const QString &errorName);
    // The renderer ended while the page stood for address.
    void crashed(const QUrl &address, ErrorPages::Ending ending);

    bool hasPage() const { return !m_errorPage.isEmpty(); }
    // The error page to set now.
    QString takePage();

    void loadStarted(const QUrl &url);
    void urlChanged(const QUrl &url);

    // Whether the page, at address current, is an error page, and the address
    // that failed.
    bool showing(const QUrl &current) const;
    QUrl failedAddress() const { return m_errorUrl; }
    // What the page at address current stands for, when it is one of these.
    std::optional<QString> location(const QUrl &current) const;
    // What the status line names for a load of url.
    QUrl statusAddress(const QUrl &url) const;

    // What the status line says once the load under way has ended.
    void setStatusAfterLoad(const QString &status) { m_statusAfterLoad = status; }
    QString takeStatusAfterLoad();

private:
    // The text whose bad-address page was set, and that page's address once
    // the engine gave it one.
    QString m_badAddress;
    QUrl m_badAddressPage;
    bool m_badAddressComing = false;
    QUrl m_errorUrl;
    QUrl m_errorPageUrl;
    bool m_errorPageComing = false;
    // The error page, until it is set on the page.
    QString m_errorPage;
    QString m_statusAfterLoad;
};

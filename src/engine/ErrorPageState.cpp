#include "engine/ErrorPageState.h"

#include <utility>

namespace {

bool isData(const QUrl &url)
{
    return url.scheme() == QLatin1String("data");
}

} // namespace

QString ErrorPageState::badAddress(const QString &text)
{
    m_badAddress = text;
    m_badAddressPage.clear();
    m_badAddressComing = true;
    return ErrorPages::badAddress(text);
}

QString ErrorPageState::loadFailed(const QUrl &url, QWebEngineLoadingInfo::ErrorDomain domain,
                                   int code, const QString &errorName)
{
    // The engine's own error page is off (its advice names menus this
    // program does not have); the program's takes its place.
    const std::optional<ErrorPages::Failure> failure = ErrorPages::failureOf(domain, code);
    if (!failure || isData(url))
        return {};
    m_errorUrl = url;
    m_errorPage = ErrorPages::failed(url, *failure, errorName);
    return ErrorPages::failedStatus(*failure);
}

void ErrorPageState::crashed(const QUrl &address, ErrorPages::Ending ending)
{
    m_errorUrl = address;
    m_statusAfterLoad = ErrorPages::crashedStatus(ending);
    m_errorPage = ErrorPages::crashed(address, ending);
}

QString ErrorPageState::takePage()
{
    m_errorPageUrl.clear();
    m_errorPageComing = true;
    return std::exchange(m_errorPage, QString());
}

void ErrorPageState::loadStarted(const QUrl &url)
{
    // The error page's address is the same for every try of an address that
    // fails the same way, so that the engine may report no change of it.
    if (m_errorPageComing && isData(url)) {
        m_errorPageComing = false;
        m_errorPageUrl = url;
    }
    if (!isData(url)) {
        m_errorUrl.clear();
        m_errorPageUrl.clear();
        m_statusAfterLoad.clear();
        m_badAddressComing = false;
        m_errorPageComing = false;
    }
}

void ErrorPageState::urlChanged(const QUrl &url)
{
    if (m_badAddressComing && isData(url)) {
        m_badAddressComing = false;
        m_badAddressPage = url;
    }
}

bool ErrorPageState::showing(const QUrl &current) const
{
    return !m_errorUrl.isEmpty() && !m_errorPageUrl.isEmpty() && current == m_errorPageUrl;
}

std::optional<QString> ErrorPageState::location(const QUrl &current) const
{
    // The bad-address page stands for the text typed, which the address box
    // shows again to be corrected.
    if (!m_badAddressPage.isEmpty() && current == m_badAddressPage)
        return m_badAddress;
    if (showing(current))
        return m_errorUrl.toString();
    return std::nullopt;
}

QUrl ErrorPageState::statusAddress(const QUrl &url) const
{
    return url == m_errorPageUrl ? m_errorUrl : url;
}

QString ErrorPageState::takeStatusAfterLoad()
{
    return std::exchange(m_statusAfterLoad, QString());
}

#include "FakeBrowser.h"

FakeBrowser::FakeBrowser(QWidget *parent)
    : WebBrowser(parent)
    , m_widget(new QWidget(parent))
{
    // Like the engine's view, the control takes the focus.
    m_widget->setFocusPolicy(Qt::StrongFocus);
    fakeBrowsers().append(this);
}

FakeBrowser::~FakeBrowser()
{
    fakeBrowsers().removeAll(this);
}

void FakeBrowser::Navigate(const QString &address)
{
    m_calls.append(QStringLiteral("Navigate ") + address);
}

// Recorded as "FindText <text>" or "FindText back <text>".
void FakeBrowser::FindText(const QString &text, bool backward, FindResult result)
{
    m_calls.append(QStringLiteral("FindText ") + (backward ? QStringLiteral("back ") : QString())
                   + text);
    if (result)
        result(m_findAnswer.first, m_findAnswer.second);
}

QStringList FakeBrowser::navigations() const
{
    QStringList result;
    const QString prefix = QStringLiteral("Navigate ");
    for (const QString &call : m_calls) {
        if (call.startsWith(prefix))
            result.append(call.mid(prefix.size()));
    }
    return result;
}

void FakeBrowser::setLocation(const QString &name, const QString &url)
{
    m_locationName = name;
    m_locationUrl = url;
}

NewWindowRequest FakeBrowser::raiseNewWindow2(const QUrl &url, bool userInitiated)
{
    NewWindowRequest request;
    request.url = url;
    request.userInitiated = userInitiated;
    // The fake may be deleted while the handler runs: nothing of it is
    // touched once the handler has returned.
    WebBrowser::raiseNewWindow2(request);
    return request;
}

QList<FakeBrowser *> &fakeBrowsers()
{
    static QList<FakeBrowser *> browsers;
    return browsers;
}

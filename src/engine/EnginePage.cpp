#include "engine/EnginePage.h"

#include <QCoreApplication>
#include <QWebEngineCertificateError>

EnginePage::EnginePage(QWebEngineProfile *profile, QObject *parent, ScriptDialogs dialogs)
    : QWebEnginePage(profile, parent)
    , m_dialogs(std::move(dialogs))
{
}

bool EnginePage::isMainFrame(const QWebEngineCertificateError &error) const
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    return error.isMainFrame();
#else
    // The engine does not say before Qt 6.8: the page's own error is the
    // one for the address its main frame is going to, redirects included.
    return !m_mainFrameTarget.isEmpty()
        && error.url().adjusted(QUrl::RemoveFragment) == m_mainFrameTarget;
#endif
}

QWebEnginePage *EnginePage::createWindow(WebWindowType)
{
    return nullptr;
}

#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
bool EnginePage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame)
        m_mainFrameTarget = url.adjusted(QUrl::RemoveFragment);
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}
#endif

void EnginePage::javaScriptAlert(const QUrl &origin, const QString &text)
{
    ask(BrowserPrompter::ScriptDialogKind::Alert, origin, text);
}

bool EnginePage::javaScriptConfirm(const QUrl &origin, const QString &text)
{
    // The engine asks whether a page that wants to be asked first may be
    // left through this same call, with a text of its own.
    const bool leaving = text
        == QCoreApplication::translate("QWebEnginePage",
                                       "Are you sure you want to leave this page? Changes "
                                       "that you made may not be saved.");
    return ask(leaving ? BrowserPrompter::ScriptDialogKind::BeforeUnload
                       : BrowserPrompter::ScriptDialogKind::Confirm,
               origin, leaving ? QString() : text)
        .accepted;
}

bool EnginePage::javaScriptPrompt(const QUrl &origin, const QString &text,
                                  const QString &defaultValue, QString *result)
{
    const BrowserPrompter::ScriptAnswer answer
        = ask(BrowserPrompter::ScriptDialogKind::Prompt, origin, text, defaultValue);
    if (answer.accepted && result)
        *result = answer.value;
    return answer.accepted;
}

BrowserPrompter::ScriptAnswer EnginePage::ask(BrowserPrompter::ScriptDialogKind kind,
                                              const QUrl &origin, const QString &text,
                                              const QString &defaultValue)
{
    BrowserPrompter::ScriptDialog dialog;
    dialog.kind = kind;
    dialog.site = origin;
    dialog.text = text;
    dialog.defaultValue = defaultValue;
    return m_dialogs(dialog);
}

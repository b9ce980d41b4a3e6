#pragma once

#include "platform/BrowserPrompter.h"

#include <QWebEnginePage>

#include <functional>

class QWebEngineCertificateError;

// The page of every browser of the program. New windows reach the browser
// through newWindowRequested only: nothing may open a top-level window of
// its own. The script's dialogs go to the browser, through the function it
// gives. It also tells a certificate error of its own from one of what it
// loads.
class EnginePage : public QWebEnginePage
{
public:
    using ScriptDialogs
        = std::function<BrowserPrompter::ScriptAnswer(const BrowserPrompter::ScriptDialog &)>;

    EnginePage(QWebEngineProfile *profile, QObject *parent, ScriptDialogs dialogs);

    // Whether a certificate error is the page's own (its main frame's) or
    // a subresource's or a frame's.
    bool isMainFrame(const QWebEngineCertificateError &error) const;

protected:
    QWebEnginePage *createWindow(WebWindowType) override;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
#endif
    void javaScriptAlert(const QUrl &origin, const QString &text) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &text) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &text, const QString &defaultValue,
                          QString *result) override;

private:
    BrowserPrompter::ScriptAnswer ask(BrowserPrompter::ScriptDialogKind kind, const QUrl &origin,
                                      const QString &text, const QString &defaultValue = {});

    ScriptDialogs m_dialogs;
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Where the main frame is going, redirects included.
    QUrl m_mainFrameTarget;
#endif
};

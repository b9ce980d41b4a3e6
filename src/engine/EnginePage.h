#pragma once

#include "engine/QuestionBurst.h"
#include "platform/BrowserPrompter.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWebEnginePage>

#include <memory>
#include <optional>

class QAuthenticator;
class QWebEngineCertificateError;
class QWebEngineView;

// The page of every browser of the program, and what it asks of the user.
// New windows reach the browser through newWindowRequested only: nothing may
// open a top-level window of its own.
//
// Its questions (credentials, an invalid certificate, a permission, a
// script's dialogs) go to the prompter, over the view; without one, each is
// answered "no" at once (an alert shows nothing; leaving a page that asks
// first is allowed). Every request is answered, by the prompter or at once:
// one left pending would leave the page waiting for ever. A certificate is
// asked about only for the page itself (its main frame): a subresource's or a
// frame's is refused unless that very certificate was accepted. Accepted
// certificates and permissions hold for the whole profile (ProfileDecisions).
// Sign-ins and certificates go by bursts (QuestionBurst). After three script
// dialogs in a row, each within a second of the previous one's end, the
// dialog offers to stop the page's dialogs; once stopped, they are answered
// at once until the page starts loading another document.
//
// The page is a child of its view and goes with it, unless the engine waits
// in one of its calls into the page (a question, a new window's handler)
// when its browser goes: then it stays, without its view, until the last
// such call is over. A page that asked for downloads may stay a moment
// longer, with the profile's DownloadKeeper.
class EnginePage : public QWebEnginePage
{
    Q_OBJECT

public:
    // The prompter, if any, must outlive the page.
    EnginePage(QWebEngineProfile *profile, QWebEngineView *view, BrowserPrompter *prompter);

    // While the token lives, the engine waits in a call into this page.
    std::shared_ptr<void> keepWhileAsking();
    // Its browser goes; the page goes with its view unless a call waits.
    void browserGone();

    void userActed();

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
    // One call of the engine into the page that waits for an answer.
    class Kept
    {
    public:
        explicit Kept(EnginePage *page);
        ~Kept();
        Kept(const Kept &) = delete;
        Kept &operator=(const Kept &) = delete;

        // Whether the page's browser went while the call waited.
        bool gone() const { return !m_page || m_page->m_browserGone; }

    private:
        QPointer<EnginePage> m_page;
    };

    void answerRequests();
    void askCredentials(const QUrl &site, QAuthenticator *authenticator, bool proxy);
    void askCertificate(const QWebEngineCertificateError &engineError);
    // Whether a certificate error is the page's own (its main frame's) or
    // a subresource's or a frame's.
    bool isMainFrame(const QWebEngineCertificateError &error) const;
    // Empty when the browser went while the question waited.
    std::optional<bool> permissionGranted(const QUrl &site, BrowserPrompter::Permission permission);
    BrowserPrompter::ScriptAnswer ask(BrowserPrompter::ScriptDialogKind kind, const QUrl &origin,
                                      const QString &text, const QString &defaultValue = {});

    QPointer<QWebEngineView> m_view;
    BrowserPrompter *m_prompter;
    QuestionBurst m_signInBurst;
    QuestionBurst m_certificateBurst;
    // The page's script dialogs: how many came in a row, since when the
    // last one is over, whether the user stopped them.
    int m_dialogsInARow = 0;
    QElapsedTimer m_sinceLastDialog;
    bool m_dialogsStopped = false;
    // How many of the engine's calls into this page wait for an answer, and
    // whether its browser went meanwhile.
    int m_callsUnderWay = 0;
    bool m_browserGone = false;
    // The context of the connections that answer the page's requests, which
    // go with its browser.
    std::unique_ptr<QObject> m_answering = std::make_unique<QObject>();
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Where the main frame is going, redirects included.
    QUrl m_mainFrameTarget;
#endif
};

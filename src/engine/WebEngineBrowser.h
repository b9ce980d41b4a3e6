#pragma once

#include "engine/QuestionBurst.h"
#include "platform/BrowserPrompter.h"
#include "platform/WebBrowser.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>

class QAuthenticator;
class QTimer;
class QWebEngineCertificateError;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// The web browser control of the program, over Qt WebEngine.
//
// How the engine's signals become the control's events:
//   load started (loadingChanged, which carries the address)
//       -> StatusTextChange(address being loaded), ProgressChange(0, 100)
//   loadProgress(p)
//       -> ProgressChange(p, 100), unless p was the last value sent
//   load ended (loadingChanged: succeeded, failed or stopped)
//       -> ProgressChange(100, 100) unless already sent for this load,
//          DownloadComplete(), ProgressChange(-1, 100), StatusTextChange("")
//   linkHovered(url)
//       -> StatusTextChange(url); empty when the pointer leaves a link
//   titleChanged or urlChanged while not busy (a script sets the title, the
//   page changes its address without loading)
//       -> DownloadComplete(), so that the tab reads title and address again;
//          for titles, at once for the first after a quiet TitleInterval,
//          then once at the end of each interval in which more came;
//   urlChanged to another document while a navigation asked for has not
//   begun loading (the engine shows its address first)
//       -> nothing: that navigation's load ends it
//   a text Navigate cannot use (no address comes of it, it holds a NUL, a
//   web address without a host)
//       -> a French error page naming the text, loaded as any page; while it
//          shows, LocationURL() is the text
//   renderProcessTerminated (the page's renderer crashed or was killed)
//       -> the load under way, if any, ends; a French error page with a
//          button that loads the address again, then StatusTextChange(what
//          happened); Refresh() loads the address again in a new renderer
//   newWindowRequested (a script's window.open, with or without a click; a
//   link or form aimed at _blank or at a window name no page has; a middle
//   or Ctrl+click on a link; the context menu's new tab or window)
//       -> NewWindow2; the window opens in the browser the handler puts in
//          ppDisp, through the engine's own adoption, so that the new page
//          has its opener and its first navigation as a browser gives them;
//          it is dropped otherwise. No window of its own is ever made.
//
// Busy() is true as soon as Navigate, GoBack, GoForward or Refresh returns,
// before the engine reports the load, and false again before DownloadComplete().
// A navigation asked for while a load runs joins that load: the engine
// reports one end, for the last address, and so does the browser. Stop ends
// Busy at once; a navigation asked for right after it is a load of its own.
// A navigation that stays within the page ends with its urlChanged; one the
// engine drops without a word (a javascript: address) ends after two seconds.
//
// The control's questions (credentials, an invalid certificate, a
// permission, a script's dialogs) go to the prompter, over the view; without
// one, each is answered "no" at once (a script's alert shows nothing; leaving
// a page that asks first is allowed). A certificate is asked about only for
// the page itself (the main frame): a subresource's or a frame's is refused
// unless that very certificate was accepted. An accepted certificate holds
// for its host, its fingerprint and its error, and a permission granted or
// refused to a site, for every browser of the profile until the profile
// goes. Sign-ins and certificates go by bursts (QuestionBurst): a run of
// them without a user action in the tab between asks once. After three script dialogs in a row
// (each asked within a second of the previous one's end) the dialog offers to stop the page's
// dialogs; once stopped, they are answered at once until the page starts loading another document.
// They are answered in WebEngineBrowserQuestions.cpp.
//
// The browser is a child of the parent widget, as its view is: deleting the
// browser deletes the view and its page; the profile must outlive both.
// While the engine waits in a question of this page, a deleted browser
// leaves its page to that wait, which deletes it once it is over.
class WebEngineBrowser : public WebBrowser
{
    Q_OBJECT

public:
    // The prompter, if any, must outlive the browser.
    WebEngineBrowser(QWebEngineProfile *profile, QWidget *parentWidget,
                     BrowserPrompter *prompter = nullptr);
    ~WebEngineBrowser() override;

    // What a profile does with downloads; EngineProfile::configure, which
    // sets up every profile the program's browsers use, calls it.
    static void configureProfile(QWebEngineProfile *profile, const QString &downloadRecord = {});

    // How often, at most, the page's new titles reach the tab.
    static constexpr int TitleInterval = 100; // ms

    QWidget *widget() override;
    QWebEngineView *view() const;
    QWebEnginePage *page() const;

    void Navigate(const QString &address) override;
    void GoBack() override;
    void GoForward() override;
    void Refresh() override;
    void Stop() override;

    void FindText(const QString &text, bool backward, FindResult result) override;
    qreal ZoomFactor() const override;
    void SetZoomFactor(qreal factor) override;

    bool Busy() const override;
    QString LocationName() const override;
    QString LocationURL() const override;

    void userActed() override;

    // While the token lives, a question about this page waits: a browser
    // deleted meanwhile leaves its page to the wait, which deletes it once
    // the last token goes. The engine may go on reporting to the page (its
    // other downloads) while the question waits.
    std::shared_ptr<void> keepPageWhileAsking();

    void setRegisterAsBrowser(bool registered) override { m_registeredAsBrowser = registered; }
    bool RegisterAsBrowser() const override { return m_registeredAsBrowser; }

private:
    // The page, whose script dialogs come to this browser.
    QWebEnginePage *createPage(QWebEngineProfile *profile, QObject *parent);
    void connectLoadEvents();
    void answerRequests();
    void askCredentials(const QUrl &site, QAuthenticator *authenticator, bool proxy);
    void askCertificate(const QWebEngineCertificateError &engineError);
    // Empty when the browser went while the question waited.
    std::optional<bool> permissionGranted(const QUrl &site, BrowserPrompter::Permission permission);
    BrowserPrompter::ScriptAnswer scriptDialog(BrowserPrompter::ScriptDialog dialog);
    void loadStarted(const QUrl &url);
    void loadProgress(int progress);
    void loadFinished();
    // The status line's text for a failed navigation whose error page is
    // to show; empty when none is.
    QString loadFailed(const QWebEngineLoadingInfo &info);
    void navigationAsked();
    void titleChanged();
    void titleIntervalOver();
    void urlChanged(const QUrl &url);
    // The address a text stands for, or an empty one when the engine could
    // not use it.
    static QUrl usableUrl(const QString &text);
    void showBadAddress(const QString &text);
    void renderProcessTerminated(int status);
    void showErrorPage();
    bool showingErrorPage() const;
    void newWindowRequested(QWebEngineNewWindowRequest &engineRequest);
    // Whether the navigation waits for a new window's handler to return.
    bool holdNavigation(const QUrl &url);
    void loadHeldNavigation();

    QPointer<QWebEngineView> m_view;
    QPointer<QWebEnginePage> m_page;
    QTimer *m_loadStartTimeout;
    // Runs for an interval after the tab was told of a title; whether a
    // newer one came since, that the tab has not been told of.
    QTimer *m_titleTimer;
    bool m_titlePending = false;
    bool m_loading = false;
    bool m_registeredAsBrowser = false;
    int m_lastProgress = -1;
    QString m_hoveredLink;
    QUrl m_shownUrl;
    // The text whose bad-address page loads or shows, and that page's
    // address once the engine gave it one.
    QString m_badAddress;
    QUrl m_badAddressPage;
    bool m_showingBadAddress = false;
    // The address an error page stands for (its renderer ended, or its
    // navigation failed), while that page loads or shows, and that page's
    // own address once the engine gave it one.
    QUrl m_errorUrl;
    QUrl m_errorPageUrl;
    bool m_showingErrorPage = false;
    // The error page, until it is set on the page.
    QString m_errorPage;
    // What the status line says once the load under way has ended.
    QString m_statusAfterLoad;
    // A navigation asked for while a new window's handler ran, not yet made.
    QUrl m_heldNavigation;
    BrowserPrompter *m_prompter;
    QuestionBurst m_signInBurst;
    QuestionBurst m_certificateBurst;
    // The page's script dialogs: how many came in a row, since when the
    // last one is over, whether the user stopped them.
    int m_dialogsInARow = 0;
    QElapsedTimer m_sinceLastDialog;
    bool m_dialogsStopped = false;
    // How many of the engine's calls into this page wait for an answer (a
    // new window's handler, a question); shared with those waits, which may
    // outlive the browser.
    std::shared_ptr<int> m_newWindowsUnderWay = std::make_shared<int>(0);
};

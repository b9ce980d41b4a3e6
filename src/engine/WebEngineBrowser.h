#pragma once

#include "engine/ErrorPageState.h"
#include "platform/WebBrowser.h"

#include <QPointer>

#include <memory>

class BrowserPrompter;
class EnginePage;
class HeldNavigations;
class LoadTracker;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// The web browser control of the program, over Qt WebEngine: a view, its page
// (EnginePage, which also asks the user what the page asks), the load events
// the tab listens to (LoadTracker), and the pages shown in place of one that
// could not show (ErrorPageState):
//   a text Navigate cannot use (no address comes of it, it holds a NUL, a
//   web address without a host)
//       -> a French error page naming the text, loaded as any page; while it
//          shows, LocationURL() is the text
//   a navigation that fails
//       -> the program's error page for it, once the failed load has ended;
//          while it shows, LocationURL() is the address that failed
//   renderProcessTerminated (the page's renderer crashed or was killed)
//       -> the load under way, if any, ends; a French error page with a
//          button that loads the address again, then StatusTextChange(what
//          happened); Refresh() loads the address again in a new renderer
//   linkHovered(url)
//       -> StatusTextChange(url); empty when the pointer leaves a link
//   newWindowRequested (a script's window.open, with or without a click; a
//   link or form aimed at _blank or at a window name no page has; a middle
//   or Ctrl+click on a link; the context menu's new tab or window)
//       -> NewWindow2; the window opens in the browser the handler puts in
//          ppDisp, through the engine's own adoption, so that the new page
//          has its opener and its first navigation as a browser gives them;
//          it is dropped otherwise. No window of its own is ever made.
//          Navigations asked for while the handler runs wait for it to
//          return (HeldNavigations).
// Stop ends Busy at once; a navigation asked for right after it is a load
// of its own.
//
// The browser is a child of the parent widget, as its view is: deleting the
// browser deletes the view and its page (unless the engine still waits on
// the page: see EnginePage); the profile must outlive both.
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
    void connectLoadEvents();
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void linkHovered(const QString &url);
    void urlChanged(const QUrl &url);
    void navigationAsked();
    // Ends the load under way, if any, and tells why an error page comes.
    void endLoad();
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
    QPointer<EnginePage> m_page;
    LoadTracker *m_load;
    ErrorPageState m_errors;
    QString m_hoveredLink;
    // A navigation asked for while a new window's handler ran, not yet made.
    QUrl m_heldNavigation;
    QPointer<HeldNavigations> m_heldNavigations;
    bool m_registeredAsBrowser = false;
};

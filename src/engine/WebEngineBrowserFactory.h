#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class BrowserPrompter;
class QWebEngineProfile;
class WebBrowser;
class WebEngineBrowser;

// Makes the web browser controls of new tabs, one ahead of time. Once the
// control it made last has loaded its first page, and while another tab may
// still open, it prepares the next one: a page that has loaded about:blank,
// and so has a renderer process of its own already. A new tab then starts
// its page without waiting for the engine to start a process. The prepared
// page's about:blank leaves its history as soon as the tab's first page is
// there, so Back never returns to it.
//
// A tab made for a page's new window gets a page that has never loaded: the
// window's content replaces the page's own, and the engine would throw the
// prepared page's contents and renderer away during the very load the user
// waits for. The prepared one stays for the next tab.
class WebEngineBrowserFactory : public QObject
{
    Q_OBJECT

public:
    // roomForAnotherTab tells whether a tab could still open; none is
    // prepared while it says no. The controls put their questions to the
    // prompter, which outlives them.
    WebEngineBrowserFactory(QWebEngineProfile *profile, std::function<bool()> roomForAnotherTab,
                            BrowserPrompter *prompter = nullptr);
    ~WebEngineBrowserFactory() override;

    // A control for the tab, as a child of parent: the prepared one if it is
    // ready and no new window's handler is under way, else a new one.
    WebBrowser *create(QWidget *parent);
    // A control for a tab made for a page's new window, as a child of
    // parent: always a new one, whose page has never loaded.
    WebBrowser *createForNewWindow(QWidget *parent);

    // Whether a prepared control waits for the next tab.
    bool hasPrepared() const;

private:
    void prepareAfterLoad(WebBrowser *browser);
    void prepare();

    QWebEngineProfile *m_profile;
    BrowserPrompter *m_prompter;
    std::function<bool()> m_roomForAnotherTab;
    // The hidden parent of the prepared control until a tab takes it.
    QWidget m_holder;
    QPointer<WebEngineBrowser> m_prepared;
};

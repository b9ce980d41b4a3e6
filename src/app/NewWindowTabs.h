#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QWidget;
class frmBrowser;

// The tabs that pages' new windows open in. The engine starts a window's
// page only once the new-window handler has returned, and on the thread
// that makes and draws the tab; both are kept out of its way.
//
// A tab is made ahead: once a page has loaded, and while another tab could
// still open, a tab with its controls and a browser control whose page has
// never loaded (the window's content replaces it) waits, neither loaded nor
// shown, for the next window. The handler then only loads and shows it.
//
// The main window keeps the image it has while the window's page comes in,
// HoldMs at most, and then draws the new tab once, with its page, instead
// of drawing it while the engine waits to start that page.
class NewWindowTabs : public QObject
{
public:
    static constexpr int HoldMs = 50;

    // makeTab makes a tab for a new window; roomForAnotherTab tells whether
    // another tab could still open. The window is the one whose image is
    // held; it outlives this.
    NewWindowTabs(QWidget *window, std::function<frmBrowser *()> makeTab,
                  std::function<bool()> roomForAnotherTab);
    ~NewWindowTabs() override;

    // The tab made ahead, or a new one when none waits. From now until that
    // tab's page has loaded, HoldMs at most, the window keeps its image.
    frmBrowser *take();
    // Makes a tab ahead unless one waits; when no other tab could open,
    // the waiting one goes.
    void prepare();

    // The tab waiting for a new window; null when none does.
    const frmBrowser *waiting() const { return m_ahead.get(); }
    // Whether the window's image is held.
    bool holding() const;

private:
    void release();

    QWidget *m_window;
    std::function<frmBrowser *()> m_makeTab;
    std::function<bool()> m_roomForAnotherTab;
    std::unique_ptr<frmBrowser> m_ahead;
    QTimer m_hold;
};

#pragma once

#include "tab/AddressBar.h"
#include "tab/PageKeys.h"
#include "tab/PageStatus.h"
#include "tab/PopupInterceptor.h"
#include "tab/SearchBar.h"
#include "tab/TabControls.h"
#include "tab/TabHost.h"
#include "tab/ToolBarCommands.h"

#include <QWidget>

class QMdiSubWindow;
class WebBrowser;

// One browser tab: a child window of the main window wrapping a web browser
// control, with a toolbar, an address row, a search row, a progress bar and a
// status bar of its own.
//
// Creating a tab neither shows nor loads it. A tab made for a page's new
// window gets a browser control whose page has never loaded, since the
// window's content replaces it. Its creator gives it its ID with
// setID() and then calls Show(), whose first run loads the tab: the settings
// are read, the first page is requested and the address history fills the
// address list, all before Show() returns.
//
// The tab holds its designed controls and its parts, each part given the
// controls it works on when the tab is made.
class frmBrowser : public QWidget
{
    Q_OBJECT

public:
    enum class Purpose { Tab, NewWindow };

    explicit frmBrowser(const TabHost &host, Purpose purpose = Purpose::Tab);
    ~frmBrowser() override;

    qint16 getID() const { return m_id; }
    void setID(const qint16 &newID) { m_id = newID; }

    // Loads the tab unless it is loaded already, then shows it maximized in
    // the main window.
    void Show();
    // The tab's load; runs once. Its first step shows the tab.
    void Load();
    bool isLoaded() const { return m_loaded; }
    // Closes the tab: its Close button and Ctrl+W come here. The tab strip
    // and the main window's closing walk unload it through the loaded
    // windows, and its child window's close box closes it; all of them run
    // its close steps once, in runCloseSteps().
    void Unload();

    // Brings the tab in front of the others and gives it the focus,
    // restoring it if it is minimized; a tab the user restored or tiled
    // keeps its size and place.
    void bringForward();
    // The tab became the active child window: its panel is drawn inset.
    void Activate();
    // A page that cannot be seen (behind a maximized tab) is hidden, so that
    // the engine neither draws nor keeps it as a shown page.
    void setPageShown(bool shown);

    // The tab's part of closing: its panel leaves the tab strip.
    void Sortie();

    QString StartingAddress() const { return m_startingAddress; }

    // The busy timer keeps the caption up to date until the page is done.
    void startBusyTimer();

    QString caption() const { return windowTitle(); }
    void setCaption(const QString &caption);

    WebBrowser *browser() const { return m_controls.brwWebbrowser; }
    QMdiSubWindow *subWindow() const { return m_subWindow; }
    // Where the tab lives, for the tabs it opens.
    const TabHost &host() const { return m_host; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void layOut();
    void leaveKeysToTheTab();
    void readSettings();
    void placeAddressBox();
    void requestFirstPage();
    void runCloseSteps();

    TabHost m_host;
    qint16 m_id = 0;
    QString m_startingAddress;
    bool m_loaded = false;
    QMdiSubWindow *m_subWindow = nullptr;
    TabControls m_controls;
    // The parts, made in this order once the controls are.
    ToolBarCommands m_commands;
    PageKeys m_keys;
    AddressBar m_addressBar;
    SearchBar m_searchBar;
    PageStatus m_pageStatus;
    PopupInterceptor m_popups;
};

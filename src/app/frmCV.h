#pragma once

#include "app/MainWindowOperations.h"
#include "app/NewWindowTabs.h"
#include "platform/Platform.h"

#include <QMainWindow>
#include <QPointer>

class Panel;
class PanelBar;
class QMdiArea;
class QMdiSubWindow;
class frmAbout;
class frmBrowser;
class frmOptions;

// The main window: a frame of child windows, one per tab, with the menus
// and, along its bottom edge, the tab strip: the panels of its status bar
// Bar, one per open tab.
class frmCV : public QMainWindow, public MainWindowOperations
{
    Q_OBJECT

public:
    explicit frmCV(const Platform &platform, QWidget *parent = nullptr);
    ~frmCV() override;

    // Start-up on the first call (the first tab opens), then shows the
    // window.
    void Show();

    void mNew_Click() override;
    void Resizz() override;
    void mOptions_Click() override;
    frmBrowser *tabForNewWindow() override;

    PanelBar *Bar() const { return m_bar; }
    QMdiArea *mdiArea() const { return m_area; }
    // The tab opened last by start-up or mNew_Click; null once it has
    // closed.
    frmBrowser *LastTab() const;
    qint16 LastTabID() const { return m_lastTabID; }
    // The two dialogs, each made at its first opening; null until then.
    frmOptions *Options() const { return m_options; }
    frmAbout *About() const { return m_about; }
    const NewWindowTabs &newWindowTabs() const { return m_newWindowTabs; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void placeOnScreen();
    void Load();
    void mQuit_Click();
    void mOptInt_Click();
    void mAbout_Click();
    void Bar_PanelClick(Panel *panel);
    void Bar_PanelDblClick(Panel *panel);
    void tabActivated(QMdiSubWindow *window);
    void watchLoads(const frmBrowser *tab);
    void showUncoveredPages();
    float outerWidth() const;

    Platform m_platform;
    QMdiArea *m_area;
    PanelBar *m_bar;
    QPointer<frmBrowser> m_lastTab;
    qint16 m_lastTabID = 0;
    bool m_loaded = false;
    frmOptions *m_options = nullptr;
    frmAbout *m_about = nullptr;
    NewWindowTabs m_newWindowTabs;
};

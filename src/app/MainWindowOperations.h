#pragma once

class frmBrowser;

// The main window's public operations that a tab calls: its toolbar opens a
// new tab or the Options dialog, a closing tab has the tab strip re-laid,
// and a page's new window asks for the tab it opens in.
class MainWindowOperations
{
public:
    virtual void mNew_Click() = 0;
    virtual void Resizz() = 0;
    virtual void mOptions_Click() = 0;
    // A tab for a page's new window, neither loaded nor shown yet; null
    // when the main window makes none.
    virtual frmBrowser *tabForNewWindow() = 0;

protected:
    ~MainWindowOperations() = default;
};

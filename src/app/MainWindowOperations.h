#pragma once

// The main window's public operations that a tab calls: its toolbar opens a
// new tab or the Options dialog, and a closing tab has the tab strip re-laid.
class MainWindowOperations
{
public:
    virtual void mNew_Click() = 0;
    virtual void Resizz() = 0;
    virtual void mOptions_Click() = 0;

protected:
    ~MainWindowOperations() = default;
};

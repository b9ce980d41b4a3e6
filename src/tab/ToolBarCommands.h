#pragma once

#include <QObject>

class MainWindowOperations;
class QTimer;
class QToolBar;
class frmBrowser;

// The toolbar of one tab and its busy timer. Every button carries a key;
// one handler carries out the command of the clicked button's key, and
// starts the busy timer first. While the tab's browser is busy, the timer
// keeps the tab's caption saying so; once it is idle, the caption shows the
// page's name and the timer stops.
class ToolBarCommands : public QObject
{
    Q_OBJECT

public:
    // The buttons' keys act wherever the focus is in the tab.
    ToolBarCommands(frmBrowser &tab, QToolBar *toolBar, QTimer *timer, MainWindowOperations *main);

    // The command of a button key. Keys compare exactly, letter case
    // included; a key that names no command (the separator's "none") only
    // starts the timer.
    void ButtonClick(const QString &key);

    // Starting a timer that runs already changes nothing.
    void startBusyTimer();
    void stopBusyTimer();

private:
    void timTimer_Timer();

    frmBrowser *m_tab;
    QTimer *m_timer;
    MainWindowOperations *m_main;
};

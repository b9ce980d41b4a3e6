#pragma once

#include <QObject>

class QTimer;
class frmBrowser;

// The busy timer of one tab: while the tab's browser is busy, the tab's
// caption says so; once it is idle, the caption shows the page's name and
// the timer stops.
class ToolBarCommands : public QObject
{
    Q_OBJECT

public:
    ToolBarCommands(frmBrowser *tab, QTimer *timer);

    // Starting a timer that runs already changes nothing.
    void startBusyTimer();
    void stopBusyTimer();

private:
    void timTimer_Timer();

    frmBrowser *m_tab;
    QTimer *m_timer;
};

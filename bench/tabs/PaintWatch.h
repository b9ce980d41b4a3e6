#pragma once

#include "Clock.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

// Time stamps of paint events once another tab is brought to the front:
// the first one inside the tab (the browser's child window, the floor's
// view), the first and last ones of its page's view, and the end of the
// main window's repaint that drew the tab, once its backing store has gone
// to the screen. (A view the window composes from a texture, as on a
// display with OpenGL, gets no paint event of its own.)
class PaintWatch : public QObject
{
public:
    // Installed on the application; watches while armed.
    void arm(QWidget *mainWindow, QWidget *tabWindow, QWidget *pageView)
    {
        m_mainWindow = mainWindow;
        m_surface = mainWindow->windowHandle();
        m_tabWindow = tabWindow;
        m_pageView = pageView;
        firstInTab = firstOfView = lastOfView = windowDrawn = 0;
        viewPaints = 0;
    }
    void disarm() { m_tabWindow = m_pageView = nullptr; }

    qint64 firstInTab = 0;
    qint64 firstOfView = 0;
    qint64 lastOfView = 0;
    qint64 windowDrawn = 0;
    int viewPaints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!m_tabWindow)
            return false;
        // Widgets ask for the repaint on the top-level widget or its window.
        if (event->type() == QEvent::UpdateRequest
            && (watched == m_surface || watched == m_mainWindow) && !windowDrawn) {
            // The repaint runs here rather than after the filter, so that
            // its end can be read.
            watched->event(event);
            if (firstInTab)
                windowDrawn = monotonicNs();
            return true;
        }
        if (event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        const qint64 now = monotonicNs();
        auto *widget = static_cast<QWidget *>(watched);
        if (widget == m_pageView) {
            if (!firstOfView)
                firstOfView = now;
            lastOfView = now;
            ++viewPaints;
        }
        if (!firstInTab && (widget == m_tabWindow || m_tabWindow->isAncestorOf(widget)))
            firstInTab = now;
        return false;
    }

private:
    QPointer<QWidget> m_mainWindow;
    QPointer<QWindow> m_surface;
    QPointer<QWidget> m_tabWindow;
    QPointer<QWidget> m_pageView;
};

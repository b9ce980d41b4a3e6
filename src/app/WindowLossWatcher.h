#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QPointer>

class QWidget;

// Tells when the native window of a top-level widget is destroyed from
// outside the program: by a window manager that crashed, or a tool that
// destroys windows on the X server. Qt goes on as if the window were still
// there, so without this the program would run on with nothing to show.
class WindowLossWatcher : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Installs itself on the application for as long as it lives.
    explicit WindowLossWatcher(QWidget *window, QObject *parent = nullptr);
    ~WindowLossWatcher() override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The X event the server sends when a window is destroyed, as its bytes
    // stand: true when it tells of the destruction of the given window.
    static bool isDestroyNotifyOf(const void *event, quintptr window);

Q_SIGNALS:
    // Emitted once, from the event loop, after the window was lost.
    void lost();

private:
    QPointer<QWidget> m_window;
    bool m_lost = false;
};

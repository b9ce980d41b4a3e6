#include "WindowLossWatcher.h"

#include <QCoreApplication>
#include <QWidget>

#include <cstring>

namespace {

// The parts of the X protocol's DestroyNotify event that matter here: its
// code in the low seven bits of the first byte (the high bit marks an event
// sent by another client), and the destroyed window at byte 8.
constexpr quint8 DestroyNotify = 17;
constexpr int WindowOffset = 8;

} // namespace

WindowLossWatcher::WindowLossWatcher(QWidget *window, QObject *parent)
    : QObject(parent)
    , m_window(window)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowLossWatcher::~WindowLossWatcher()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool WindowLossWatcher::isDestroyNotifyOf(const void *event, quintptr window)
{
    const auto *bytes = static_cast<const unsigned char *>(event);
    if ((bytes[0] & 0x7F) != DestroyNotify)
        return false;
    quint32 destroyed = 0;
    std::memcpy(&destroyed, bytes + WindowOffset, sizeof destroyed);
    return window != 0 && destroyed == window;
}

bool WindowLossWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (m_lost || !m_window || eventType != "xcb_generic_event_t")
        return false;
    // The window's identifier as it stands now: Qt may have replaced the
    // native window itself, and the end of the old one is no loss.
    if (!isDestroyNotifyOf(message, quintptr(m_window->internalWinId())))
        return false;
    m_lost = true;
    QMetaObject::invokeMethod(this, &WindowLossWatcher::lost, Qt::QueuedConnection);
    return false;
}

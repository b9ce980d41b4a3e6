#include "UserActions.h"

#include "tab/PopupInterceptor.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

UserActions::UserActions()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
}

UserActions::~UserActions()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

void UserActions::watch(const QWidget *tab, PopupInterceptor *interceptor)
{
    m_tabs.insert(tab, interceptor);
}

void UserActions::forget(const PopupInterceptor *interceptor)
{
    m_tabs.removeIf([interceptor](const auto &entry) { return entry.value() == interceptor; });
}

bool UserActions::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        if (!watched->isWidgetType())
            break;
        // Within the window the event is in: a dialog of the tab's is not
        // the tab.
        for (const QWidget *widget = static_cast<QWidget *>(watched); widget;
             widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
            if (PopupInterceptor *interceptor = m_tabs.value(widget)) {
                interceptor->userActed();
                break;
            }
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

#pragma once

#include <QHash>
#include <QObject>

class PopupInterceptor;
class QWidget;

// Tells each tab of its user's clicks and keys, which end the burst of
// requests its page has been making. One filter on the application, for
// every tab, sees the mouse and keys on their way to whichever widget gets
// them: the engine's view takes them in a child widget of its own, made and
// replaced as pages come and go, which no filter set once on the view would
// see. The program's set-up keeps one for its whole run; it must outlive
// every tab.
class UserActions : public QObject
{
public:
    // Filters the application's events from now on; needs the application.
    UserActions();
    ~UserActions() override;

    // The interceptor is told of the actions in the tab until it forgets.
    void watch(const QWidget *tab, PopupInterceptor *interceptor);
    void forget(const PopupInterceptor *interceptor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QHash<const QWidget *, PopupInterceptor *> m_tabs;
};

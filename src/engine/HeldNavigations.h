#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWebEngineProfile;
class WebEngineBrowser;

// The browsers of a profile asked to navigate while a new window's handler
// runs. The handler makes the tab that takes the window, and that tab's load
// asks for its start address, which the window's content is about to
// replace: held until the handler returns, such a navigation is dropped in
// the browser that takes the window and made in any other. A window opens
// only in a browser of its own profile, so the profile holds them: a child
// of it, made the first time one of its browsers needs it.
//
// Handlers nest when one waits in a question and another page asks for a
// window meanwhile: a navigation belongs to the innermost.
class HeldNavigations : public QObject
{
    Q_OBJECT

public:
    static HeldNavigations *of(QWebEngineProfile *profile);

    // A handler starts; close() ends it, with the browsers that asked to
    // navigate while it was the innermost.
    void open();
    QList<QPointer<WebEngineBrowser>> close();

    bool holding() const { return !m_handlers.isEmpty(); }
    void hold(WebEngineBrowser *browser);

private:
    explicit HeldNavigations(QWebEngineProfile *profile);

    QList<QList<QPointer<WebEngineBrowser>>> m_handlers;
};

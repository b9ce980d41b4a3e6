#include "engine/HeldNavigations.h"

#include "engine/WebEngineBrowser.h"

#include <QWebEngineProfile>

HeldNavigations::HeldNavigations(QWebEngineProfile *profile)
    : QObject(profile)
{
}

HeldNavigations *HeldNavigations::of(QWebEngineProfile *profile)
{
    auto *held = profile->findChild<HeldNavigations *>(QString(), Qt::FindDirectChildrenOnly);
    return held ? held : new HeldNavigations(profile);
}

void HeldNavigations::open()
{
    m_handlers.emplaceBack();
}

QList<QPointer<WebEngineBrowser>> HeldNavigations::close()
{
    return m_handlers.takeLast();
}

void HeldNavigations::hold(WebEngineBrowser *browser)
{
    m_handlers.last().append(browser);
}

#pragma once

#include <QString>
#include <QWebEnginePage>

// The page's standard actions (its context menu, its editing commands) as the
// program gives them: French texts, since the engine has no French
// translation of its own, and hidden when they would open a window of the
// engine's own or nothing at all.
namespace PageActions {

struct Entry
{
    QString text; // shown on the action; empty for one that is hidden
    bool visible = true;
};

// What the program makes of the action. Every action of the engine has an
// entry; one the program does not know of keeps the engine's text.
Entry entry(QWebEnginePage::WebAction action);

// Gives every action of the page its entry, and leaves the hidden ones out
// of the context menus of the page's view (the page is in its view).
void apply(QWebEnginePage *page);

} // namespace PageActions

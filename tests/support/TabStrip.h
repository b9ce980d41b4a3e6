#pragma once

#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QList>
#include <QStringList>

// What the tests read of the open tabs and of a strip of panels.
namespace TabStrip {

// The open tab with that ID, or nullptr.
inline frmBrowser *tab(const Forms &forms, qint16 id)
{
    for (frmBrowser *tab : forms.of<frmBrowser>()) {
        if (tab->getID() == id)
            return tab;
    }
    return nullptr;
}

// The open tabs' IDs, in load order.
inline QList<qint16> ids(const Forms &forms)
{
    QList<qint16> ids;
    for (const frmBrowser *tab : forms.of<frmBrowser>())
        ids.append(tab->getID());
    return ids;
}

inline QStringList keys(const PanelBar *bar)
{
    QStringList keys;
    for (const Panel *panel : bar->panels())
        keys.append(panel->key());
    return keys;
}

inline QList<Panel::Bevel> bevels(const PanelBar *bar)
{
    QList<Panel::Bevel> bevels;
    for (const Panel *panel : bar->panels())
        bevels.append(panel->bevel());
    return bevels;
}

} // namespace TabStrip

#include "Module1.h"

#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <limits>

namespace Module1 {

QString PopupMode;
qint16 PanelCount = 0;

namespace {

PanelBar *tabStrip(const Forms &forms)
{
    const QList<frmCV *> mainWindows = forms.of<frmCV>();
    return mainWindows.isEmpty() ? nullptr : mainWindows.first()->Bar();
}

} // namespace

Panel *GetTabPanel(const Forms &forms, const QString &key)
{
    PanelBar *bar = tabStrip(forms);
    if (!bar)
        return nullptr;
    Panel *found = nullptr;
    for (Panel *panel : bar->panels()) {
        if (panel->key() == key)
            found = panel;
    }
    return found;
}

void RemoveTabPanel(const Forms &forms, const QString &key)
{
    if (Panel *panel = GetTabPanel(forms, key))
        tabStrip(forms)->remove(panel->index());
}

void UnloadTabByID(Forms &forms, qint16 id)
{
    frmBrowser *target = nullptr;
    for (frmBrowser *tab : forms.of<frmBrowser>()) {
        if (tab->getID() == id)
            target = tab;
    }
    if (target)
        forms.unload(target);
}

void SelectTabPanel(const Forms &forms, const QString &key)
{
    PanelBar *bar = tabStrip(forms);
    if (!bar)
        return;
    for (int index = 1; index <= bar->count(); ++index)
        bar->panel(index)->setBevel(Panel::Bevel::Raised);
    for (Panel *panel : bar->panels()) {
        if (panel->key() == key)
            panel->setBevel(Panel::Bevel::Inset);
    }
}

qint16 MaxTabID(const Forms &forms)
{
    qint16 largest = 0;
    for (const frmBrowser *tab : forms.of<frmBrowser>())
        largest = std::max(largest, tab->getID());
    return largest;
}

qint16 CountTabs(const Forms &forms)
{
    return qint16(forms.of<frmBrowser>().size());
}

qint16 NextTabID(const Forms &forms)
{
    const qint16 largest = MaxTabID(forms);
    if (largest < std::numeric_limits<qint16>::max())
        return qint16(largest + 1);
    const QList<frmBrowser *> tabs = forms.of<frmBrowser>();
    for (qint16 id = 1; id < std::numeric_limits<qint16>::max(); ++id) {
        const bool taken = std::any_of(tabs.begin(), tabs.end(),
                                       [id](const frmBrowser *tab) { return tab->getID() == id; });
        if (!taken)
            return id;
    }
    return std::numeric_limits<qint16>::max();
}

} // namespace Module1

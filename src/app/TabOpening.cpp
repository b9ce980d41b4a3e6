#include "TabOpening.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

namespace TabOpening {

void addToStrip(Forms &forms, frmBrowser &tab)
{
    tab.setCaption(QString::number(forms.count() - 1));
    const QList<frmCV *> mainWindows = forms.of<frmCV>();
    if (mainWindows.isEmpty())
        return;
    frmCV *main = mainWindows.first();
    PanelBar *bar = main->Bar();
    bar->add(bar->count() + 1);
    Panel *panel = bar->panel(bar->count());
    panel->setKey(QString::number(tab.getID()));
    Module1::SelectTabPanel(forms, panel->key());
    panel->setText(panel->text() + tab.caption());
    panel->setAlignment(Panel::Alignment::Center);
    main->Resizz();
}

} // namespace TabOpening

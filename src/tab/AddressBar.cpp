#include "AddressBar.h"

#include "platform/Platform.h"
#include "tab/TabControls.h"
#include "tab/frmBrowser.h"

AddressBar::AddressBar(frmBrowser *tab, const TabControls &controls, const Platform &platform)
    : QObject(tab)
{
    Q_UNUSED(controls);
    Q_UNUSED(platform);
}

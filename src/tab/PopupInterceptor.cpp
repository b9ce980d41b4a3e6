#include "PopupInterceptor.h"

#include "platform/Platform.h"
#include "tab/TabControls.h"
#include "tab/frmBrowser.h"

PopupInterceptor::PopupInterceptor(frmBrowser *tab, const TabControls &controls, const Platform &platform)
    : QObject(tab)
{
    Q_UNUSED(controls);
    Q_UNUSED(platform);
}

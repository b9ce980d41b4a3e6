#include "SharedIconStyle.h"

bool SharedIconStyle::shares(StandardPixmap standardIcon)
{
    switch (standardIcon) {
    case SP_TitleBarMenuButton:
    case SP_TitleBarMinButton:
    case SP_TitleBarMaxButton:
    case SP_TitleBarCloseButton:
    case SP_TitleBarNormalButton:
    case SP_TitleBarShadeButton:
    case SP_TitleBarUnshadeButton:
    case SP_TitleBarContextHelpButton:
        return true;
    default:
        return false;
    }
}

QIcon SharedIconStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                    const QWidget *widget) const
{
    if (!shares(standardIcon))
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    auto found = m_icons.constFind(standardIcon);
    if (found == m_icons.cend())
        found
            = m_icons.insert(standardIcon, QProxyStyle::standardIcon(standardIcon, option, widget));
    return *found;
}

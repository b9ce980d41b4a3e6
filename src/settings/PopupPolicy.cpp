#include "PopupPolicy.h"

PopupPolicy popupPolicy(const QString &popupMode)
{
    bool isNumber = false;
    const double value = popupMode.trimmed().toDouble(&isNumber);
    if (isNumber && value == 1)
        return PopupPolicy::Block;
    if (isNumber && value == 2)
        return PopupPolicy::Ask;
    return PopupPolicy::Allow;
}

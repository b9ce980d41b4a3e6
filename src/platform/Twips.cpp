#include "Twips.h"

#include <QWidget>

#include <cmath>

namespace Twips {

double perPixel(const QWidget *widget)
{
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

int toPixels(double twips, double twipsPerPixel)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

int fromPixels(int pixels, double twipsPerPixel)
{
    return static_cast<int>(std::lround(pixels * twipsPerPixel));
}

} // namespace Twips

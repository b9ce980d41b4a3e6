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

Placer::Placer(const QWidget *window)
    : m_perPixel(perPixel(window))
{
}

void Placer::place(QWidget *widget, const Geometry &g) const
{
    widget->setGeometry(px(g.left), px(g.top), px(g.width), px(g.height));
}

void Placer::setLeft(QWidget *widget, float left) const
{
    widget->move(px(left), widget->y());
}

void Placer::setTop(QWidget *widget, float top) const
{
    widget->move(widget->x(), px(top));
}

void Placer::setWidth(QWidget *widget, float width) const
{
    widget->resize(px(width), widget->height());
}

void Placer::setHeight(QWidget *widget, float height) const
{
    widget->resize(widget->width(), px(height));
}

} // namespace Twips

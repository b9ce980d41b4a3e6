#pragma once

class QWidget;

// The program places its controls in twips (1/1440 inch), as it was designed;
// widgets are placed in logical pixels. The conversion happens only here, at
// the widget boundary.
namespace Twips {

// Twips per logical pixel for the screen the widget is on: 15 at 96 DPI.
double perPixel(const QWidget *widget);

int toPixels(double twips, double twipsPerPixel);
int fromPixels(int pixels, double twipsPerPixel);

// A rectangle in twips: left, top, width, height.
struct Geometry
{
    float left, top, width, height;
};

// Places and measures the widgets of one window in twips, at that window's
// resolution.
class Placer
{
public:
    explicit Placer(const QWidget *window);

    int px(float twips) const { return toPixels(twips, m_perPixel); }
    float twips(int pixels) const { return float(fromPixels(pixels, m_perPixel)); }

    void place(QWidget *widget, const Geometry &geometry) const;
    void setLeft(QWidget *widget, float left) const;
    void setTop(QWidget *widget, float top) const;
    void setWidth(QWidget *widget, float width) const;
    void setHeight(QWidget *widget, float height) const;

private:
    double m_perPixel;
};

} // namespace Twips

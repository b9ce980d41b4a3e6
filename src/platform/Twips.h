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

} // namespace Twips

#pragma once

#include <QRect>

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

    // Puts the widget at its designed place. A captioned widget whose text
    // needs more room than designed (see captionSize) grows from the
    // designed top-left corner. The designed place stays with the widget
    // for fit().
    void place(QWidget *widget, const Geometry &geometry) const;
    // A window of a fixed designed inner size, which fit() may grow.
    void setFixedClientSize(QWidget *window, float width, float height) const;
    void setLeft(QWidget *widget, float left) const;
    void setTop(QWidget *widget, float top) const;
    void setWidth(QWidget *widget, float width) const;
    void setHeight(QWidget *widget, float height) const;

private:
    double m_perPixel;
};

// What Placer::place does, with the designed place in pixels: for a widget
// designed in pixels (a line drawn one pixel thick).
void placeDesigned(QWidget *widget, const QRect &pixels);

// The size a captioned widget needs to show its text whole: its size hint
// (a label, a button, a check box, an option button), its minimum size hint
// (a frame with a title), the designed width and the height the text takes
// at that width (a label that wraps its words), or the width of all its
// captions (a tab control). Empty for any other widget.
QSize captionSize(const QWidget *widget, const QSize &designed);

// Lays out the designed controls of a window again, for the texts and the
// font they have now:
// - every placed widget starts from its designed place; a captioned one
//   grows to its caption size, a container to what its own controls need;
// - a control that overlaps one to its right (in its designed row) more
//   than it did as designed pushes it right by as much as its own right
//   edge moved, and every control of the same designed left edge moves
//   with it, so columns stay aligned;
// - then, in the same way, a control pushes down the ones below it that it
//   now overlaps (in their present columns), and rows of the same designed
//   top move together;
// - each container grows so that its controls keep the designed margins to
//   its right and bottom edges. A window of fixed size keeps a fixed size.
// Nothing moves or grows where every text fits.
void fit(QWidget *window);

} // namespace Twips

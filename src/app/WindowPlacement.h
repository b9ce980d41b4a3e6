#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

// Where the main window goes on a screen too small for it.
namespace WindowPlacement {

// The window's client geometry (its frame excluded, as QWidget::setGeometry
// takes it) for a window designed with the given client size and framed by
// the given margins, on a screen whose available area, in device-independent
// pixels, is the given rectangle. Empty when the framed window fits that
// area: the window keeps its designed size and the window system places it.
// Otherwise each side too long for the area is cut to what the area leaves
// once the frame is drawn, and the framed window is centred in the area.
std::optional<QRect> clamp(QSize designedClient, QMargins frame, QRect available);

} // namespace WindowPlacement

#pragma once

#include <QIcon>
#include <QStringView>

// The program's images, drawn as SVG so that they are sharp at any scale
// factor. Each is read once, on first use, and shared by every window that
// shows it: a QIcon of its own would parse the file and render its pixmaps
// again for every tab.
namespace Icons {

// The program's own icon.
QIcon program();
// The icon of a tab's window.
QIcon tab();
// A toolbar button's image, by name: back, forward, stop, refresh, home,
// options, newtab, close.
QIcon tool(QStringView name);

} // namespace Icons

#pragma once

#include <QHash>
#include <QIcon>
#include <QStringView>

// The program's images, drawn as SVG so that they are sharp at any scale
// factor. Each is read once, on first use, and shared by every window that
// shows it: a QIcon of its own would parse the file and render its pixmaps
// again for every tab. The program's set-up keeps one Icons for its whole
// run and hands it to its windows.
class Icons
{
public:
    // The program's own icon.
    QIcon program();
    // The icon of a tab's window.
    QIcon tab();
    // A toolbar button's image, by name: back, forward, stop, refresh, home,
    // options, newtab, close.
    QIcon tool(QStringView name);

private:
    QIcon shared(const QString &name);

    QHash<QString, QIcon> m_icons;
};

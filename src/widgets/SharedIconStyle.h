#pragma once

#include <QHash>
#include <QIcon>
#include <QProxyStyle>

// The desktop's style, with its child-window icons made once. Qt's styles
// make a new icon, a new image, every time one of those is asked for, and
// the maximized child window's buttons ask each time they are painted; the
// images cached for each of those icons stay in Qt's shared image cache
// after the window has closed, until the cache is full. With the icons
// made once, every tab draws from the same cached images.
class SharedIconStyle : public QProxyStyle
{
    Q_OBJECT

public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;

    // Whether the style keeps one icon for this image: the buttons and
    // menu of a child window's title bar, which look the same wherever
    // they are drawn.
    static bool shares(StandardPixmap standardIcon);

private:
    mutable QHash<StandardPixmap, QIcon> m_icons;
};

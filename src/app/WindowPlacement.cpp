#include "WindowPlacement.h"

#include <algorithm>

namespace WindowPlacement {

std::optional<QRect> clamp(QSize designedClient, QMargins frame, QRect available)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    if (designedClient.width() + frameWidth <= available.width()
        && designedClient.height() + frameHeight <= available.height())
        return std::nullopt;

    // A window never shrinks below one pixel, even on an area smaller than
    // its frame.
    const QSize client(
        std::max(1, std::min(designedClient.width(), available.width() - frameWidth)),
        std::max(1, std::min(designedClient.height(), available.height() - frameHeight)));
    const int outerWidth = client.width() + frameWidth;
    const int outerHeight = client.height() + frameHeight;
    const QPoint outerTopLeft(available.left() + (available.width() - outerWidth) / 2,
                              available.top() + (available.height() - outerHeight) / 2);
    return QRect(outerTopLeft + QPoint(frame.left(), frame.top()), client);
}

} // namespace WindowPlacement

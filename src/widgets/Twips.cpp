#include "Twips.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <optional>

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

namespace {

// Where the designed place of a widget is kept, in pixels.
constexpr char DesignedProperty[] = "designedGeometry";

std::optional<QRect> designedPlace(const QWidget *widget)
{
    const QVariant value = widget->property(DesignedProperty);
    if (!value.isValid())
        return std::nullopt;
    return value.toRect();
}

QList<QWidget *> placedChildren(const QWidget *container)
{
    QList<QWidget *> placed;
    for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (designedPlace(child))
            placed.append(child);
    }
    return placed;
}

struct Control
{
    QWidget *widget;
    QRect designed;
    QRect rect;
};

// How far two designed rectangles overlap along one axis, none when they do
// not meet: as much overlap as the design has is no reason to push.
int designedOverlap(const QRect &a, const QRect &b, Qt::Orientation along)
{
    const QRect both = a.intersected(b);
    if (both.isEmpty())
        return 0;
    return along == Qt::Horizontal ? both.width() : both.height();
}

// One pass along an axis: each control that now overlaps a later one more
// than designed pushes it on by as much as its own far edge moved. Controls
// that share a designed near edge move together.
void push(QList<Control> &controls, Qt::Orientation along)
{
    const bool across = along == Qt::Horizontal;
    const auto nearEdge = [across](const QRect &r) {
        return across ? r.left() : r.top();
    };
    const auto farEdge = [across](const QRect &r) {
        return across ? r.right() : r.bottom();
    };
    // Whether two controls share a row (or a column, going down). Going
    // right, rows are the designed ones; going down, the columns are where
    // the controls now stand.
    const auto sameLine = [across](const Control &a, const Control &b) {
        if (across)
            return a.designed.top() <= b.designed.bottom()
                && b.designed.top() <= a.designed.bottom();
        return a.rect.left() <= b.rect.right() && b.rect.left() <= a.rect.right();
    };

    std::stable_sort(controls.begin(), controls.end(), [&](const Control &a, const Control &b) {
        return nearEdge(a.designed) < nearEdge(b.designed);
    });
    for (qsizetype first = 0; first < controls.size();) {
        qsizetype end = first;
        while (end < controls.size()
               && nearEdge(controls.at(end).designed) == nearEdge(controls.at(first).designed))
            ++end;
        int shift = 0;
        for (bool grew = true; grew;) {
            grew = false;
            for (qsizetype b = first; b < end; ++b) {
                const Control &pushed = controls.at(b);
                for (qsizetype a = 0; a < first; ++a) {
                    const Control &pusher = controls.at(a);
                    if (!sameLine(pusher, pushed))
                        continue;
                    const int overlap = farEdge(pusher.rect) + 1 - (nearEdge(pushed.rect) + shift);
                    const int moved = farEdge(pusher.rect) - farEdge(pusher.designed);
                    if (overlap > designedOverlap(pusher.designed, pushed.designed, along)
                        && moved > shift) {
                        shift = moved;
                        grew = true;
                    }
                }
            }
        }
        for (qsizetype b = first; b < end; ++b)
            controls[b].rect.translate(across ? shift : 0, across ? 0 : shift);
        first = end;
    }
}

// Lays out the placed controls of the container and tells the size it
// needs for them, its designed size at least.
QSize fitContainer(QWidget *container, const QSize &designedSize)
{
    QList<Control> controls;
    for (QWidget *widget : placedChildren(container)) {
        const QRect designed = *designedPlace(widget);
        QSize size = designed.size().expandedTo(captionSize(widget, designed.size()));
        if (!placedChildren(widget).isEmpty())
            size = size.expandedTo(fitContainer(widget, designed.size()));
        controls.append({widget, designed, QRect(designed.topLeft(), size)});
    }
    if (controls.isEmpty())
        return designedSize;
    push(controls, Qt::Horizontal);
    push(controls, Qt::Vertical);

    QRect designedBounds, bounds;
    for (const Control &control : controls) {
        designedBounds |= control.designed;
        bounds |= control.rect;
        if (control.widget->geometry() != control.rect)
            control.widget->setGeometry(control.rect);
    }
    const int rightMargin = designedSize.width() - (designedBounds.right() + 1);
    const int bottomMargin = designedSize.height() - (designedBounds.bottom() + 1);
    return designedSize.expandedTo(
        QSize(bounds.right() + 1 + rightMargin, bounds.bottom() + 1 + bottomMargin));
}

} // namespace

Placer::Placer(const QWidget *window)
    : m_perPixel(perPixel(window))
{
}

void Placer::place(QWidget *widget, const Geometry &g) const
{
    placeDesigned(widget, QRect(px(g.left), px(g.top), px(g.width), px(g.height)));
}

void Placer::setFixedClientSize(QWidget *window, float width, float height) const
{
    const QSize size(px(width), px(height));
    window->setProperty(DesignedProperty, QRect(QPoint(), size));
    window->setFixedSize(size);
}

void placeDesigned(QWidget *widget, const QRect &pixels)
{
    widget->setProperty(DesignedProperty, pixels);
    widget->setGeometry(
        QRect(pixels.topLeft(), pixels.size().expandedTo(captionSize(widget, pixels.size()))));
}

QSize captionSize(const QWidget *widget, const QSize &designed)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->text().isEmpty())
            return {};
        if (label->wordWrap())
            return {designed.width(), label->heightForWidth(designed.width())};
        return label->sizeHint();
    }
    if (qobject_cast<const QGroupBox *>(widget))
        return widget->minimumSizeHint();
    if (qobject_cast<const QAbstractButton *>(widget))
        return widget->sizeHint();
    if (const auto *tabs = qobject_cast<const QTabWidget *>(widget))
        return {tabs->tabBar()->sizeHint().width(), 0};
    return {};
}

void fit(QWidget *window)
{
    // A window placed by no Placer takes its present size as its design.
    if (!designedPlace(window))
        window->setProperty(DesignedProperty, QRect(QPoint(), window->size()));
    const QSize size = fitContainer(window, designedPlace(window)->size());
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(size);
    else
        window->resize(size);
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

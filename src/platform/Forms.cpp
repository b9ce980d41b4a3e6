#include "Forms.h"

#include <QPointer>
#include <QWidget>

namespace {

QList<QPointer<QWidget>> &loaded()
{
    static QList<QPointer<QWidget>> windows;
    return windows;
}

void dropDestroyed()
{
    loaded().removeIf([](const QPointer<QWidget> &window) { return window.isNull(); });
}

} // namespace

void Forms::load(QWidget *window)
{
    if (window && !isLoaded(window))
        loaded().append(window);
}

void Forms::unload(QWidget *window)
{
    loaded().removeIf([window](const QPointer<QWidget> &w) { return w.isNull() || w == window; });
}

QList<QWidget *> Forms::all()
{
    dropDestroyed();
    QList<QWidget *> result;
    result.reserve(loaded().size());
    for (const QPointer<QWidget> &window : std::as_const(loaded()))
        result.append(window.data());
    return result;
}

qsizetype Forms::count()
{
    dropDestroyed();
    return loaded().size();
}

bool Forms::isLoaded(const QWidget *window)
{
    return window && loaded().contains(window);
}

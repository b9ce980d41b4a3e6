#pragma once

#include <QList>
#include <QPointer>

#include <functional>

class QWidget;

// The program's loaded windows, in the order they were loaded: the main
// window, the tabs and the dialogs. A window joins when its load runs and
// leaves when it unloads (or is destroyed, whichever comes first). The
// registry routines walk this collection afresh on every call.
//
// Each window joins with its unload entry: what unloading it does. Whoever
// unloads a window (the main window's closing walk, the tab strip, the
// window itself) goes through unload(), so the entry runs once.
class Forms
{
public:
    using UnloadEntry = std::function<void()>;

    // Nothing when the window is loaded already.
    void load(QWidget *window, UnloadEntry unload = {});
    // The window leaves the collection, then its unload entry runs. Nothing
    // when it is not loaded.
    void unload(QWidget *window);
    QList<QWidget *> all() const;
    qsizetype count() const;
    bool isLoaded(const QWidget *window) const;

    // Every window of the given class, in load order.
    template<class T> QList<T *> of() const
    {
        QList<T *> result;
        for (QWidget *window : all()) {
            if (auto *typed = qobject_cast<T *>(window))
                result.append(typed);
        }
        return result;
    }

private:
    struct Entry
    {
        QPointer<QWidget> window;
        UnloadEntry unload;
    };
    QList<Entry> m_loaded;
};

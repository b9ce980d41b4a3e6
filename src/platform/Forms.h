#pragma once

#include <QList>

class QWidget;

// The program's loaded windows, in the order they were loaded: the main
// window, the tabs and the dialogs. A window joins when its load runs and
// leaves when it unloads (or is destroyed, whichever comes first). The
// registry routines walk this collection afresh on every call.
class Forms
{
public:
    static void load(QWidget *window);
    static void unload(QWidget *window);

    static QList<QWidget *> all();
    static qsizetype count();
    static bool isLoaded(const QWidget *window);

    // Every window of the given class, in load order.
    template<class T> static QList<T *> of()
    {
        QList<T *> result;
        for (QWidget *window : all()) {
            if (auto *typed = qobject_cast<T *>(window))
                result.append(typed);
        }
        return result;
    }
};

#include "Forms.h"

#include <QWidget>

void Forms::load(QWidget *window, UnloadEntry unload)
{
    // Windows destroyed without unloading leave no entry behind.
    m_loaded.removeIf([](const Entry &e) { return e.window.isNull(); });
    if (window && !isLoaded(window))
        m_loaded.append({window, std::move(unload)});
}

void Forms::unload(QWidget *window)
{
    if (!window)
        return;
    for (qsizetype i = 0; i < m_loaded.size(); ++i) {
        if (m_loaded.at(i).window == window) {
            const UnloadEntry entry = m_loaded.takeAt(i).unload;
            if (entry)
                entry();
            return;
        }
    }
}

QList<QWidget *> Forms::all() const
{
    QList<QWidget *> result;
    result.reserve(m_loaded.size());
    for (const Entry &entry : m_loaded) {
        // A window destroyed without unloading has left.
        if (!entry.window.isNull())
            result.append(entry.window.data());
    }
    return result;
}

qsizetype Forms::count() const
{
    return all().size();
}

bool Forms::isLoaded(const QWidget *window) const
{
    return window && all().contains(window);
}

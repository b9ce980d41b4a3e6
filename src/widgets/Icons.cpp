#include "Icons.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>

namespace Icons {

namespace {

// Goes with the application, before the pixmaps it holds would outlive it.
struct Cache : QObject
{
    QHash<QString, QIcon> icons;
};

QIcon shared(const QString &name)
{
    static QPointer<Cache> cache;
    if (!cache) {
        cache = new Cache;
        cache->setParent(QCoreApplication::instance());
    }
    auto found = cache->icons.constFind(name);
    if (found == cache->icons.cend())
        found = cache->icons.insert(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
    return *found;
}

} // namespace

QIcon program()
{
    return shared(QStringLiteral("corvane"));
}

QIcon tab()
{
    return shared(QStringLiteral("tab"));
}

QIcon tool(QStringView name)
{
    return shared(name.toString());
}

} // namespace Icons

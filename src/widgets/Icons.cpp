#include "Icons.h"

QIcon Icons::shared(const QString &name)
{
    auto found = m_icons.constFind(name);
    if (found == m_icons.cend())
        found = m_icons.insert(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name)));
    return *found;
}

QIcon Icons::program()
{
    return shared(QStringLiteral("corvane"));
}

QIcon Icons::tab()
{
    return shared(QStringLiteral("tab"));
}

QIcon Icons::tool(QStringView name)
{
    return shared(name.toString());
}

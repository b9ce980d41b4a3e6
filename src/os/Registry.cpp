#include "Registry.h"

#include <QFileInfo>
#include <QList>
#include <QStringList>

#include <cstring>

namespace {
// The key whose value "PATH" names the system-information tool.
constexpr QByteArrayView ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr QByteArrayView ToolValue = "PATH";
} // namespace

SystemRegistry::SystemRegistry()
    : SystemRegistry(defaultToolLocations())
{
}

SystemRegistry::SystemRegistry(QStringList toolLocations)
    : m_toolLocations(std::move(toolLocations))
{
}

QStringList SystemRegistry::defaultToolLocations()
{
    QStringList locations;
    for (const QString &folder : {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")}) {
        for (const QString &tool : {QStringLiteral("kinfocenter"), QStringLiteral("hardinfo2"),
                                    QStringLiteral("hardinfo")})
            locations.append(folder + u'/' + tool);
    }
    return locations;
}

long SystemRegistry::RegOpenKeyExA(Key root, const QByteArray &keyName, std::uint32_t,
                                   std::uint32_t, Key *result)
{
    if (!result)
        return ERROR_INVALID_HANDLE;
    *result = 0;
    if (root != HKEY_LOCAL_MACHINE || keyName.compare(ToolKey, Qt::CaseInsensitive) != 0)
        return ERROR_FILE_NOT_FOUND;
    *result = m_nextKey++;
    m_open.append(*result);
    return ERROR_SUCCESS;
}

long SystemRegistry::RegQueryValueExA(Key key, const QByteArray &valueName, std::uint32_t *type,
                                      char *data, std::uint32_t *size)
{
    if (!m_open.contains(key) || !size)
        return ERROR_INVALID_HANDLE;
    if (valueName.compare(ToolValue, Qt::CaseInsensitive) != 0)
        return ERROR_FILE_NOT_FOUND;
    QString found;
    for (const QString &location : m_toolLocations) {
        const QFileInfo tool(location);
        if (tool.isFile() && tool.isExecutable()) {
            found = location;
            break;
        }
    }
    if (found.isEmpty())
        return ERROR_FILE_NOT_FOUND;
    // A string value: its bytes and the closing NUL.
    const QByteArray bytes = found.toLocal8Bit() + '\0';
    if (std::uint32_t(bytes.size()) > *size || !data)
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    *size = std::uint32_t(bytes.size());
    if (type)
        *type = REG_SZ;
    return ERROR_SUCCESS;
}

long SystemRegistry::RegCloseKey(Key key)
{
    return m_open.removeOne(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

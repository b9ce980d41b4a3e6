#pragma once

#include "os/Registry.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <cstring>

// A registry of scripted values that records every call made of it.
class FakeRegistry : public Registry
{
public:
    struct Value
    {
        std::uint32_t type = REG_SZ;
        QByteArray data;
    };

    // Keys and value names compare without regard to letter case.
    void set(const QByteArray &keyName, const QByteArray &valueName, const Value &value)
    {
        m_values[keyName.toLower()][valueName.toLower()] = value;
    }
    // The key exists but cannot be opened with the rights asked for.
    void denyOpening(const QByteArray &keyName) { m_denied.append(keyName.toLower()); }

    long RegOpenKeyExA(Key root, const QByteArray &keyName, std::uint32_t, std::uint32_t samDesired,
                       Key *result) override
    {
        opened.append(keyName);
        rights.append(samDesired);
        *result = 0;
        if (root != HKEY_LOCAL_MACHINE || !m_values.contains(keyName.toLower()))
            return ERROR_FILE_NOT_FOUND;
        if (m_denied.contains(keyName.toLower()))
            return ERROR_ACCESS_DENIED;
        *result = ++m_lastKey;
        m_keys[*result] = keyName.toLower();
        return ERROR_SUCCESS;
    }
    long RegQueryValueExA(Key key, const QByteArray &valueName, std::uint32_t *type, char *data,
                          std::uint32_t *size) override
    {
        bufferSizes.append(*size);
        if (!m_keys.contains(key))
            return ERROR_INVALID_HANDLE;
        const auto values = m_values.value(m_keys.value(key));
        if (!values.contains(valueName.toLower()))
            return ERROR_FILE_NOT_FOUND;
        const Value value = values.value(valueName.toLower());
        if (std::uint32_t(value.data.size()) > *size)
            return ERROR_MORE_DATA;
        std::memcpy(data, value.data.constData(), size_t(value.data.size()));
        *size = std::uint32_t(value.data.size());
        *type = value.type;
        return ERROR_SUCCESS;
    }
    long RegCloseKey(Key key) override
    {
        closed.append(key);
        return m_keys.remove(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    }

    // Keys open now.
    qsizetype openKeys() const { return m_keys.size(); }

    QList<QByteArray> opened;
    QList<std::uint32_t> rights;
    QList<std::uint32_t> bufferSizes;
    QList<Key> closed;

private:
    QHash<QByteArray, QHash<QByteArray, Value>> m_values;
    QList<QByteArray> m_denied;
    QHash<Key, QByteArray> m_keys;
    Key m_lastKey = 0;
};

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

// The three registry calls the About dialog makes to find the
// system-information tool, with their classic semantics: keys are opened
// under a root handle with a rights mask, a value is read into a buffer the
// caller gives, and every handle opened is closed again. Results are the
// classic error codes, 0 meaning success.
class Registry
{
public:
    using Key = std::uintptr_t;

    static constexpr Key HKEY_LOCAL_MACHINE = 0x80000002u;

    static constexpr long ERROR_SUCCESS = 0;
    static constexpr long ERROR_FILE_NOT_FOUND = 2;
    static constexpr long ERROR_ACCESS_DENIED = 5;
    static constexpr long ERROR_INVALID_HANDLE = 6;
    static constexpr long ERROR_MORE_DATA = 234;

    // Value types.
    static constexpr std::uint32_t REG_SZ = 1;
    static constexpr std::uint32_t REG_DWORD = 4;

    virtual ~Registry() = default;

    // Opens the key keyName (its parts separated by backslashes, letter case
    // aside) under root with the rights asked for.
    virtual long RegOpenKeyExA(Key root, const QByteArray &keyName, std::uint32_t options,
                               std::uint32_t samDesired, Key *result)
        = 0;
    // Reads the value into data, which holds *size bytes. On success *size
    // is the number of bytes given and *type the value's type; a value
    // larger than the buffer gives ERROR_MORE_DATA and nothing.
    virtual long RegQueryValueExA(Key key, const QByteArray &valueName, std::uint32_t *type,
                                  char *data, std::uint32_t *size)
        = 0;
    virtual long RegCloseKey(Key key) = 0;
};

// This machine's registry. Where there is no system registry, it holds the
// one value the About dialog needs: the path of the system-information tool
// installed here, looked up at fixed install locations; with no tool
// installed the value is missing.
class SystemRegistry : public Registry
{
public:
    SystemRegistry();
    // For a machine whose tools are elsewhere (tests).
    explicit SystemRegistry(QStringList toolLocations);

    long RegOpenKeyExA(Key root, const QByteArray &keyName, std::uint32_t options,
                       std::uint32_t samDesired, Key *result) override;
    long RegQueryValueExA(Key key, const QByteArray &valueName, std::uint32_t *type, char *data,
                          std::uint32_t *size) override;
    long RegCloseKey(Key key) override;

    // Where the system-information tools of the desktops are installed, in
    // the order they are tried.
    static QStringList defaultToolLocations();

private:
    QStringList m_toolLocations;
    Key m_nextKey = 1;
    QList<Key> m_open;
};

#pragma once

#include "os/Registry.h"
#include "platform/Platform.h"
#include "widgets/FormDialog.h"

#include <exception>
#include <optional>

// The About dialog: the program's title, version and description, and the
// system-information tool.
class frmAbout : public FormDialog
{
    Q_OBJECT

public:
    // A value read as zero bytes: GetKeyValue gives no result, and
    // StartSysInfo says that the tool is not available.
    struct EmptyValue : std::exception
    {
        const char *what() const noexcept override { return "registry value of zero length"; }
    };

    static constexpr std::uint32_t OpenRights = 0x2003F;

    explicit frmAbout(const Platform &platform, QWidget *parent = nullptr);
    ~frmAbout() override;

    // Starts the system-information tool, or says that it is not available.
    void StartSysInfo();
    // Reads the value SubKeyRef of the key KeyName under KeyRoot into
    // KeyVal; false, with KeyVal empty, when it cannot. Throws EmptyValue
    // for a value of zero length.
    bool GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

private:
    void Load() override;
    // The path of the system-information tool, as the registry gives it.
    std::optional<QString> systemInfoTool();

    Platform m_platform;
};

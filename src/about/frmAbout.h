#pragma once

#include "os/Registry.h"
#include "platform/Platform.h"

#include <QDialog>

#include <exception>
#include <optional>

// The About dialog: the program's title, version and description, and the
// system-information tool. One object serves the whole run; it is not
// modal.
class frmAbout : public QDialog
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

    // Loads the dialog when it is not loaded, then shows it in front.
    void Show();
    // Hides the window and leaves the loaded windows.
    void Unload();

    // Starts the system-information tool, or says that it is not available.
    void StartSysInfo();
    // Reads the value SubKeyRef of the key KeyName under KeyRoot into
    // KeyVal; false, with KeyVal empty, when it cannot. Throws EmptyValue
    // for a value of zero length.
    bool GetKeyValue(Registry::Key KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                     QString &KeyVal);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void Load();
    // The path of the system-information tool, as the registry gives it.
    std::optional<QString> systemInfoTool();

    Platform m_platform;
};

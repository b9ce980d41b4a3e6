#include "Launcher.h"

#include "widgets/MessageBox.h"

#include <QProcess>
#include <QStandardPaths>

Launcher::Command
Launcher::internetOptions(const std::function<QString(const QString &)> &findExecutable)
{
#ifdef Q_OS_WIN
    Q_UNUSED(findExecutable);
    return {QStringLiteral("Rundll32.exe"),
            {QStringLiteral("shell32.dll,Control_RunDLL"), QStringLiteral("inetcpl.cpl,,0")}};
#else
    // The desktops' own panels first, then the desktop-neutral tools.
    struct Candidate
    {
        const char *program;
        QStringList arguments;
    };
    const Candidate candidates[] = {
        {"gnome-control-center", {QStringLiteral("network")}},
        {"systemsettings", {QStringLiteral("kcm_proxy")}},
        {"kcmshell6", {QStringLiteral("kcm_proxy")}},
        {"kcmshell5", {QStringLiteral("proxy")}},
        {"xfce4-settings-manager", {}},
        {"cinnamon-settings", {QStringLiteral("network")}},
        {"mate-network-properties", {}},
        {"nm-connection-editor", {}},
    };
    for (const Candidate &candidate : candidates) {
        const QString path = findExecutable(QString::fromLatin1(candidate.program));
        if (!path.isEmpty())
            return {path, candidate.arguments};
    }
    return {};
#endif
}

bool ProcessLauncher::start(const Command &command, WindowStyle style)
{
    // Window styles only mean something to the Windows shell; elsewhere the
    // started program places its own window.
    Q_UNUSED(style);
    if (command.isEmpty())
        return false;
    return QProcess::startDetached(command.program, command.arguments);
}

void Launcher::showInternetOptions(Launcher *launcher, MessageBox *messageBox)
{
    const Command command
        = internetOptions([](const QString &name) { return QStandardPaths::findExecutable(name); });
    if (!command.isEmpty() && launcher && launcher->start(command, WindowStyle::MinimizedWithFocus))
        return;
    if (messageBox)
        messageBox->show(
            {QStringLiteral("Les options Internet ne sont pas disponibles sur ce système."),
             QStringLiteral("Options Internet"), MessageBox::Icon::Information,
             MessageBox::Buttons::Ok});
}

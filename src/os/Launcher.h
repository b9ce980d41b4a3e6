#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class MessageBox;

// Starts other programs without waiting for them.
class Launcher
{
public:
    enum class WindowStyle { Normal, MinimizedWithFocus };

    struct Command
    {
        QString program;
        QStringList arguments;
        bool isEmpty() const { return program.isEmpty(); }
    };

    virtual ~Launcher() = default;
    // True when the program was started.
    virtual bool start(const Command &command, WindowStyle style) = 0;

    // The desktop's Internet options: on Windows the classic control panel
    // command line; elsewhere the first network or proxy settings tool that
    // findExecutable finds; empty when there is none.
    static Command internetOptions(const std::function<QString(const QString &)> &findExecutable);

    // Starts the desktop's Internet options, minimized with the focus, as
    // found on the PATH; when there are none or they do not start, says so
    // in a French message box. Either may be null.
    static void showInternetOptions(Launcher *launcher, MessageBox *messageBox);
};

class ProcessLauncher : public Launcher
{
public:
    bool start(const Command &command, WindowStyle style) override;
};

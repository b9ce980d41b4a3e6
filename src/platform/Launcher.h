#pragma once

#include <QString>
#include <QStringList>

#include <functional>

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
};

class ProcessLauncher : public Launcher
{
public:
    bool start(const Command &command, WindowStyle style) override;
};

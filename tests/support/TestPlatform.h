#pragma once

#include "support/FakeBrowser.h"
#include "support/FakeRegistry.h"
#include "support/MessageBoxAnswerer.h"
#include "support/TempProgramFolder.h"

#include "os/Launcher.h"
#include "platform/Platform.h"
#include "tab/UserActions.h"
#include "tab/VisitedHistory.h"
#include "widgets/Forms.h"
#include "widgets/Icons.h"

#include <QRegularExpression>
#include <QTest>

// Records the programs the code under test would start.
class FakeLauncher : public Launcher
{
public:
    bool start(const Command &command, WindowStyle style) override
    {
        started.append(command);
        styles.append(style);
        return succeeds;
    }

    QList<Command> started;
    QList<WindowStyle> styles;
    bool succeeds = true;
};

// Everything a window under test needs instead of the machine: a temporary
// program folder, fake browsers, a message-box answerer, a fake launcher,
// a fake registry; and what the program's windows share for a run, made
// afresh for each test.
class TestPlatform
{
public:
    Platform platform()
    {
        return Platform {
            .folder = folder.folder(),
            .createBrowser
            = [](QWidget *parent) -> WebBrowser * { return new FakeBrowser(parent); },
            .forms = &forms,
            .messageBox = &messageBox,
            .launcher = &launcher,
            .registry = &registry,
            .icons = &icons,
            .history = &history,
            .userActions = &userActions,
        };
    }

    TempProgramFolder folder;
    Forms forms;
    MessageBoxAnswerer messageBox;
    FakeLauncher launcher;
    FakeRegistry registry;
    Icons icons;
    VisitedHistory history;
    UserActions userActions;
};

// Makes any warning the code under test prints fail the running test, but
// for the offscreen platform's notices that it sizes no window frames,
// stacks no windows and grabs no keyboard (a menu opened asks it to), and
// the engine's notice that it has no GPU there, which
// its threads print whenever they get to it (under the sanitizers, well into
// the first test).
inline void failOnStrayWarnings()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(
        "^(?!This plugin does not support (propagateSizeHints\\(\\)|raise\\(\\)|grabbing the "
        "keyboard)|"
        "No suitable graphics backend found)")));
}

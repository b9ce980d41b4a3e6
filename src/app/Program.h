#pragma once

#include "app/WindowLossWatcher.h"
#include "app/frmCV.h"
#include "engine/DialogBrowserPrompter.h"
#include "engine/WebEngineBrowserFactory.h"
#include "os/Launcher.h"
#include "os/Registry.h"
#include "os/TerminationSignals.h"
#include "storage/ProgramFolder.h"
#include "tab/UserActions.h"
#include "tab/VisitedHistory.h"
#include "widgets/Forms.h"
#include "widgets/Icons.h"
#include "widgets/MessageBox.h"

#include <QByteArrayList>

#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QWebEngineProfile;

// The program as it runs: the real main window on the real engine, with the
// platform's real pieces (the browser factory, the dialogs, the launcher,
// the registry), and the same clean end when the main window is destroyed
// from outside or the program is asked to end by a signal. main() makes one
// on the user's profile; the benchmarks make one the same way on a profile
// that keeps nothing.
class Program
{
public:
    struct Options
    {
        // Where the pages keep their data; it outlives the program.
        QWebEngineProfile *profile = nullptr;
        // The pages' questions in the program's dialogs; without them, each
        // is answered "no" at once.
        bool askQuestions = true;
        // Told just before and just after each browser control is made.
        std::function<void()> beforeCreate;
        std::function<void()> afterCreate;
    };

    // The argument vector the QApplication is made with. It lives as long
    // as the application, which keeps referring to it.
    class Arguments
    {
    public:
        explicit Arguments(const QByteArrayList &arguments);
        Arguments(const Arguments &) = delete;
        Arguments &operator=(const Arguments &) = delete;

        int &count() { return m_count; }
        char **values() { return m_pointers.data(); }
        const QByteArrayList &list() const { return m_arguments; }

    private:
        QByteArrayList m_arguments;
        std::vector<char *> m_pointers;
        int m_count;
    };

    // The arguments Qt gets: the program's name, then, after Qt WebEngine's
    // marker, the engine's switches. The program reads no command line of its
    // own, so nothing the user types reaches either. The one switch of the
    // program's own isolates sites: every site's pages and frames run in
    // renderers of their own, so that a renderer taken over by one site (the
    // engine is years behind on security patches) reads no other site's
    // pages; Qt WebEngine leaves this off unless asked. The test and bench
    // harnesses add switches of their own after it. Qt WebEngine reads none
    // of these when QTWEBENGINE_CHROMIUM_FLAGS is set: that variable's switches
    // replace them all.
    static Arguments applicationArguments(const char *programName,
                                          const QByteArrayList &moreEngineSwitches = {});
    // What has to be set before the QApplication is made.
    static void prepareApplication();
    // What the application needs before its first window and its engine
    // profile: its names and style, French for Qt's own texts, and the
    // engine's configuration dump left out of the terminal.
    static void setUpApplication();
    // Starts, on a thread of its own, what the main window's first paint
    // needs and the engine's start does not: the list of the system's fonts
    // and Qt's image readers (the toolbar's and the menu bar's images). The
    // engine starts on the main thread meanwhile, instead of after them.
    // Called once the application exists; the returned thread is kept
    // until before the application goes (destroying it waits for the work).
    [[nodiscard]] static std::jthread loadAheadOfWindow();

    // Shows the main window, with the program's icon as the application's.
    // The folder is where the program's two files are.
    Program(const ProgramFolder &folder, const Options &options);
    ~Program();

    frmCV &window() { return *m_window; }
    Forms &forms() { return m_forms; }

private:
    // What the windows share for the whole run; each outlives the window
    // and its tabs.
    Forms m_forms;
    Icons m_icons;
    VisitedHistory m_history;
    UserActions m_userActions;
    DialogBrowserPrompter m_prompter;
    std::unique_ptr<WebEngineBrowserFactory> m_browsers;
    DialogMessageBox m_messageBox;
    ProcessLauncher m_launcher;
    SystemRegistry m_registry;
    std::unique_ptr<frmCV> m_window;
    std::unique_ptr<WindowLossWatcher> m_lossWatcher;
    TerminationSignals m_termination;
};

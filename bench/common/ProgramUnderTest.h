#pragma once

#include "app/WindowLossWatcher.h"
#include "app/frmCV.h"
#include "platform/DialogBrowserPrompter.h"
#include "platform/Forms.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/TerminationSignals.h"
#include "platform/WebEngineBrowserFactory.h"

#include <QString>
#include <QTranslator>

#include <functional>
#include <memory>

class QWebEngineProfile;

// The browser in a bench's child process, set up as the program's main()
// sets it up: the same application attribute, names, locale and Qt
// translation, the real main window on the real engine with the real
// browser factory, message boxes and launcher, and the same ends on a lost
// window or a signal. Only the profile differs: one that keeps nothing, so
// that no run finds what an earlier one left.
class ProgramUnderTest
{
public:
    struct Options
    {
        // The program's folder, where it reads its Corvane.ini.
        QString folder;
        // The pages' questions in the program's own dialogs; without them,
        // each is answered "no" at once.
        bool askQuestions = false;
        // Run just before and just after each browser control is made.
        std::function<void()> beforeCreate;
        std::function<void()> afterCreate;
    };

    // What has to be set before the QApplication is made.
    static void prepareApplication();

    // Needs the QApplication; shows the main window.
    explicit ProgramUnderTest(const Options &options);
    ~ProgramUnderTest();

    frmCV &window() { return *m_window; }
    Forms &forms() { return m_forms; }

private:
    QTranslator m_qtTranslator;
    std::unique_ptr<QWebEngineProfile> m_profile;
    Forms m_forms;
    DialogBrowserPrompter m_prompter;
    std::unique_ptr<WebEngineBrowserFactory> m_browsers;
    DialogMessageBox m_messageBox;
    ProcessLauncher m_launcher;
    SystemRegistry m_registry;
    std::unique_ptr<frmCV> m_window;
    std::unique_ptr<WindowLossWatcher> m_lossWatcher;
    TerminationSignals m_termination;
};

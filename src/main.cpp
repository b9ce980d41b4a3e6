#include "app/Module1.h"
#include "app/WindowLossWatcher.h"
#include "app/frmCV.h"
#include "platform/DialogBrowserPrompter.h"
#include "platform/EngineProfile.h"
#include "platform/Forms.h"
#include "platform/Icons.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Registry.h"
#include "platform/TerminationSignals.h"
#include "platform/WebEngineBrowser.h"
#include "platform/WebEngineBrowserFactory.h"
#include "settings/SettingsFile.h"
#include "tab/VisitedHistory.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QTranslator>
#include <QWebEngineProfile>

#include <memory>

int main(int argc, char *argv[])
{
    // The program reads no command line: Qt sees the program's name only.
    Q_UNUSED(argc);
    int qtArgc = 1;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(qtArgc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(CORVANE_VERSION_MAJOR)
                                                .arg(CORVANE_VERSION_MINOR)
                                                .arg(CORVANE_VERSION_PATCH));
    QApplication::setWindowIcon(Icons::program());
    // The desktop entry the installed program comes with: docks show its
    // name and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));

    // Qt's own texts (standard buttons, context menus) in French.
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    QTranslator qtTranslator;
    if (qtTranslator.load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslator);

    // The engine lists its whole graphics configuration at start-up when it
    // has no OpenGL; that is no warning. QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    // Cookies, site data and the cache outlive the program, in the user's
    // data and cache folders, as a browser keeps them; the program's own
    // folder still holds its two files only. Made before the window, so
    // every page is gone before its profile.
    const std::unique_ptr<QWebEngineProfile> profile(EngineProfile::createForUser());
    Forms forms;
    // The pages' questions to the user, in dialogs over their tabs.
    DialogBrowserPrompter prompter;
    // A new tab finds its page prepared while there is room for one more.
    WebEngineBrowserFactory browsers(
        profile.get(), [&forms] { return Module1::CountTabs(forms) < Module1::TabLimit; },
        &prompter);
    DialogMessageBox messageBox;
    ProcessLauncher launcher;
    SystemRegistry registry;

    const Platform platform {
        .folder = ProgramFolder::forProgram(
            QCoreApplication::applicationDirPath(), ProgramFolder::userFolder(),
            {SettingsFile::FileName.toString(), VisitedHistory::FileName.toString()}),
        .createBrowser = [&browsers](QWidget *parent) { return browsers.create(parent); },
        .forms = &forms,
        .messageBox = &messageBox,
        .launcher = &launcher,
        .registry = &registry,
    };
    frmCV window(platform);
    messageBox.setParentWindow(&window);
    window.Show();
    // A main window destroyed from outside ends the program as closing it
    // would, instead of leaving it running with nothing on screen.
    WindowLossWatcher watcher(&window);
    const auto end = [&window] {
        window.close();
        QCoreApplication::exit(0);
    };
    QObject::connect(&watcher, &WindowLossWatcher::lost, &window, end);
    // So does a request to end from outside (a session logging out, kill).
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &window, end);
    return app.exec();
}

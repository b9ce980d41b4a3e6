#include "Program.h"

#include "app/Module1.h"
#include "platform/Platform.h"
#include "widgets/SharedIconStyle.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QStyle>
#include <QTranslator>

Program::Arguments::Arguments(const QByteArrayList &arguments)
    : m_arguments(arguments)
    , m_count(int(arguments.size()))
{
    for (QByteArray &argument : m_arguments)
        m_pointers.push_back(argument.data());
    m_pointers.push_back(nullptr);
}

Program::Arguments Program::applicationArguments(const char *programName,
                                                 const QByteArrayList &moreEngineSwitches)
{
    return Arguments(QByteArrayList {programName, "--webEngineArgs", "--site-per-process"}
                     + moreEngineSwitches);
}

void Program::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

void Program::setUpApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(CORVANE_VERSION_MAJOR)
                                                .arg(CORVANE_VERSION_MINOR)
                                                .arg(CORVANE_VERSION_PATCH));
    // The style Qt chose (the desktop's, or the one QT_STYLE_OVERRIDE
    // names), with the child windows' icons made once for all tabs.
    QApplication::setStyle(new SharedIconStyle(QApplication::style()->name()));
    // The desktop entry the installed program comes with: docks show its
    // name and icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.corvane.Corvane"));

    // Qt's own texts (standard buttons, context menus) in French.
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    auto *qtTranslator = new QTranslator(QCoreApplication::instance());
    if (qtTranslator->load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);

    // The engine lists its whole graphics configuration at start-up when it
    // has no OpenGL; that is no warning. QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

std::jthread Program::loadAheadOfWindow()
{
    // Both are made once per process, behind Qt's own locks, so the main
    // thread, when it comes to them, waits for what is left or finds them
    // done. The image plug-ins' objects belong to the main thread whichever
    // thread loads them.
    return std::jthread([] {
        QFontDatabase::families();
        QImageReader::supportedImageFormats();
    });
}

Program::Program(const ProgramFolder &folder, const Options &options)
{
    // A new tab finds its page prepared while there is room for one more.
    m_browsers = std::make_unique<WebEngineBrowserFactory>(
        options.profile, [this] { return Module1::CountTabs(m_forms) < Module1::TabLimit; },
        options.askQuestions ? &m_prompter : nullptr);
    // Each control made, for a tab or for a page's new window, is told to
    // whoever asked to be.
    const auto stamped = [options](auto create) {
        return [options, create](QWidget *parent) -> WebBrowser * {
            if (options.beforeCreate)
                options.beforeCreate();
            WebBrowser *browser = create(parent);
            if (options.afterCreate)
                options.afterCreate();
            return browser;
        };
    };
    const Platform platform {
        .folder = folder,
        .createBrowser = stamped([this](QWidget *parent) { return m_browsers->create(parent); }),
        .createWindowBrowser
        = stamped([this](QWidget *parent) { return m_browsers->createForNewWindow(parent); }),
        .forms = &m_forms,
        .messageBox = &m_messageBox,
        .launcher = &m_launcher,
        .registry = &m_registry,
        .icons = &m_icons,
        .history = &m_history,
        .userActions = &m_userActions,
    };
    QApplication::setWindowIcon(m_icons.program());
    m_window = std::make_unique<frmCV>(platform);
    m_messageBox.setParentWindow(m_window.get());
    m_window->Show();

    // A main window destroyed from outside ends the program as closing it
    // would, instead of leaving it running with nothing on screen; so does a
    // request to end from outside (a session logging out, kill).
    m_lossWatcher = std::make_unique<WindowLossWatcher>(m_window.get());
    const auto end = [this] {
        m_window->close();
        QCoreApplication::exit(0);
    };
    QObject::connect(m_lossWatcher.get(), &WindowLossWatcher::lost, m_window.get(), end);
    QObject::connect(&m_termination, &TerminationSignals::received, m_window.get(), end);
}

Program::~Program()
{
    // Every page goes before the factory that made it, and the profile
    // after them all.
    m_lossWatcher.reset();
    m_window.reset();
    m_browsers.reset();
}

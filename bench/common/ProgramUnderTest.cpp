#include "ProgramUnderTest.h"

#include "app/Module1.h"
#include "platform/EngineProfile.h"
#include "platform/Platform.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QWebEngineProfile>

void ProgramUnderTest::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

ProgramUnderTest::ProgramUnderTest(const Options &options)
    : m_profile(EngineProfile::createOffTheRecord())
{
    QCoreApplication::setApplicationName(QStringLiteral("Corvane"));
    const QLocale french(QLocale::French, QLocale::France);
    QLocale::setDefault(french);
    if (m_qtTranslator.load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtTranslator);
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));

    m_browsers = std::make_unique<WebEngineBrowserFactory>(
        m_profile.get(), [this] { return Module1::CountTabs(m_forms) < Module1::TabLimit; },
        options.askQuestions ? &m_prompter : nullptr);
    const Platform platform {
        .folder = ProgramFolder(options.folder),
        .createBrowser = [this, options](QWidget *parent) -> WebBrowser * {
            if (options.beforeCreate)
                options.beforeCreate();
            WebBrowser *browser = m_browsers->create(parent);
            if (options.afterCreate)
                options.afterCreate();
            return browser;
        },
        .forms = &m_forms,
        .messageBox = &m_messageBox,
        .launcher = &m_launcher,
        .registry = &m_registry,
    };
    m_window = std::make_unique<frmCV>(platform);
    m_messageBox.setParentWindow(m_window.get());
    m_window->Show();
    m_lossWatcher = std::make_unique<WindowLossWatcher>(m_window.get());
    const auto end = [this] {
        m_window->close();
        QCoreApplication::exit(0);
    };
    QObject::connect(m_lossWatcher.get(), &WindowLossWatcher::lost, m_window.get(), end);
    QObject::connect(&m_termination, &TerminationSignals::received, m_window.get(), end);
}

ProgramUnderTest::~ProgramUnderTest()
{
    // Every page goes before the factory that made it and the profile.
    m_lossWatcher.reset();
    m_window.reset();
    m_browsers.reset();
}

#include "app/Program.h"
#include "engine/EngineProfile.h"
#include "settings/SettingsFile.h"
#include "storage/ProgramFolder.h"
#include "tab/VisitedHistory.h"

#include <QApplication>
#include <QWebEngineProfile>

#include <memory>
#include <thread>

int main(int argc, char *argv[])
{
    // The program reads no command line: Qt sees the program's name and the
    // engine's switches the program sets itself.
    Q_UNUSED(argc);
    Program::Arguments arguments = Program::applicationArguments(argv[0]);
    Program::prepareApplication();
    QApplication app(arguments.count(), arguments.values());
    Program::setUpApplication();
    const std::jthread ahead = Program::loadAheadOfWindow();

    // Cookies, site data and the cache outlive the program, in the user's
    // data and cache folders, as a browser keeps them; the program's own
    // folder still holds its two files only. Made before the window, so
    // every page is gone before its profile.
    const std::unique_ptr<QWebEngineProfile> profile(EngineProfile::createForUser());
    Program::Options options;
    options.profile = profile.get();
    Program program(ProgramFolder::forProgram(
                        QCoreApplication::applicationDirPath(), ProgramFolder::userFolder(),
                        {SettingsFile::FileName.toString(), VisitedHistory::FileName.toString()}),
                    options);
    return app.exec();
}

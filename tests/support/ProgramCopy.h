#pragma once

#include "support/HttpServer.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QProcessEnvironment>

#include <unistd.h>

// The built program as a user starts it: a copy in a folder of its own,
// whose settings start it on a local page that tells when it has loaded, and
// a home folder of its own. Check isValid() before use.
class ProgramCopy
{
public:
    explicit ProgramCopy(const QString &builtProgram)
    {
        using namespace Qt::StringLiterals;
        if (!server.listen() || !folder.isValid() || !home.isValid()
            || !QFile::copy(builtProgram, program()))
            return;
        server.addPage(u"/accueil"_s,
                       "<!doctype html><html><head><title>Accueil</title></head>"
                       "<body onload=\"new Image().src='/loaded'\">Bonjour</body></html>");
        server.addPage(u"/loaded"_s, QByteArray(), "image/gif");
        settings = server.url(u"/accueil"_s).toString().toUtf8() + "\r\n3\r\n";
        folder.write(u"Corvane.ini"_s, settings);
        m_valid = true;
    }

    bool isValid() const { return m_valid; }
    QString program() const { return folder.filePath(QStringLiteral("corvane")); }

    // The environment to start it in, on the given Qt platform: the home
    // folder its own, the desktop's folders left to their defaults under it.
    QProcessEnvironment environment(const QString &platform) const
    {
        QProcessEnvironment result = QProcessEnvironment::systemEnvironment();
        result.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        result.insert(QStringLiteral("HOME"), home.path());
        for (const char *name :
             {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            result.remove(QString::fromLatin1(name));
        // The engine refuses to run as root with its sandbox; the program
        // never turns it off itself.
        if (geteuid() == 0)
            result.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        return result;
    }

    HttpServer server;
    TempProgramFolder folder;
    TempProgramFolder home;
    QByteArray settings; // the settings file it starts with
private:
    bool m_valid = false;
};

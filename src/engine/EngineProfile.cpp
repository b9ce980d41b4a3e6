#include "engine/EngineProfile.h"

#include "engine/WebEngineBrowser.h"

#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace EngineProfile {

QString storagePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("profil"));
}

QString cachePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
        .filePath(QStringLiteral("cache"));
}

QWebEngineProfile *createPersistent(const QString &storage, const QString &cache, QObject *parent)
{
    auto *profile = new QWebEngineProfile(QString::fromUtf16(Name), parent);
    // Both are set before the first page exists: the engine reads them once.
    profile->setPersistentStoragePath(storage);
    profile->setCachePath(cache);
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    configure(profile);
    return profile;
}

QWebEngineProfile *createForUser(QObject *parent)
{
    return createPersistent(storagePath(), cachePath(), parent);
}

QWebEngineProfile *createOffTheRecord(QObject *parent)
{
    auto *profile = new QWebEngineProfile(parent);
    configure(profile);
    return profile;
}

void configure(QWebEngineProfile *profile)
{
    profile->setHttpAcceptLanguage(QStringLiteral("fr-FR,fr;q=0.9,en;q=0.5"));
    // A local file shows itself only: it reads neither other local files
    // nor anything of the web.
    QWebEngineSettings *settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    WebEngineBrowser::configureProfile(profile);
}

} // namespace EngineProfile

#include "engine/EngineProfile.h"

#include "engine/DownloadKeeper.h"
#include "engine/WebEngineBrowser.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// Every page goes before its profile, also those the downloads keeper holds
// a moment longer than their tabs.
class Profile final : public QWebEngineProfile
{
public:
    using QWebEngineProfile::QWebEngineProfile;
    ~Profile() override
    {
        if (DownloadKeeper *downloads = DownloadKeeper::of(this))
            downloads->releaseKept();
    }
};

} // namespace

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
    auto *profile = new Profile(QString::fromUtf16(Name), parent);
    // Both are set before the first page exists: the engine reads them once.
    profile->setPersistentStoragePath(storage);
    profile->setCachePath(cache);
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
    configure(profile, downloadRecordPath(storage));
    return profile;
}

QWebEngineProfile *createForUser(QObject *parent)
{
    return createPersistent(storagePath(), cachePath(), parent);
}

QWebEngineProfile *createOffTheRecord(QObject *parent)
{
    auto *profile = new Profile(parent);
    configure(profile);
    return profile;
}

QString downloadRecordPath(const QString &storage)
{
    return QFileInfo(storage).dir().filePath(QStringLiteral("downloads-in-progress"));
}

void configure(QWebEngineProfile *profile, const QString &downloadRecord)
{
    profile->setHttpAcceptLanguage(QStringLiteral("fr-FR,fr;q=0.9,en;q=0.5"));
    // A local file shows itself only: it reads neither other local files
    // nor anything of the web.
    QWebEngineSettings *settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    WebEngineBrowser::configureProfile(profile, downloadRecord);
}

} // namespace EngineProfile

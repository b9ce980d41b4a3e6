#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QString>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>
#include <cstring>
#include <memory>

// One view, one page, nothing else: whatever a browser on this engine adds to
// its startup time is measured against this program. With --persistent the
// page's profile is named and kept on disk in the user's data and cache
// folders, as a browser that keeps its sessions does; without it, the
// engine's default profile, which keeps everything in memory.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool persistent = argc == 3 && std::strcmp(argv[1], "--persistent") == 0;
    if (argc < 2 || (argc == 3 && !persistent) || argc > 3) {
        std::fprintf(stderr, "usage: %s [--persistent] URL\n", argv[0]);
        return 2;
    }
    const QUrl url(QString::fromLocal8Bit(argv[argc - 1]));
    std::unique_ptr<QWebEngineProfile> profile;
    if (persistent) {
        profile = std::make_unique<QWebEngineProfile>(QStringLiteral("floor"));
        profile->setPersistentStoragePath(
            QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
                .filePath(QStringLiteral("profil")));
        profile->setCachePath(QDir(QStandardPaths::writableLocation(QStandardPaths::CacheLocation))
                                  .filePath(QStringLiteral("cache")));
    }
    QWebEngineView view;
    if (profile)
        view.setPage(new QWebEnginePage(profile.get(), &view));
    view.resize(1024, 768);
    view.load(url);
    view.show();
    // The view, declared after the profile, goes with its page before it.
    return app.exec();
}

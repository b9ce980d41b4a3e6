#pragma once

#include <QString>

class QObject;
class QWebEngineProfile;

// The engine profiles of the program, made and set up in one place.
//
// The program's own profile is named for it and keeps cookies, site data
// and the cache between runs, as a browser does: its storage in the user's
// data folder, its cache in the user's cache folder (with the
// application's name, e.g. ~/.local/share/Corvane/profil and
// ~/.cache/Corvane/cache). Tests and benches use profiles that keep nothing.
// Every page made on a profile must be deleted before it.
namespace EngineProfile {

inline constexpr char16_t Name[] = u"Corvane";

// Where the program's profile keeps its data and its cache, read from the
// user's folders for the application's name as it is set now.
QString storagePath();
QString cachePath();

// The program's profile on disk, in the given folders.
QWebEngineProfile *createPersistent(const QString &storage, const QString &cache,
                                    QObject *parent = nullptr);
// The program's profile in the user's folders.
QWebEngineProfile *createForUser(QObject *parent = nullptr);
// A profile that keeps nothing on disk, set up as the program's.
QWebEngineProfile *createOffTheRecord(QObject *parent = nullptr);

// The settings of every profile the program's browsers use: French first,
// local files kept from each other and from the web, downloads. A profile
// kept on disk records its unfinished downloads in downloadRecord.
void configure(QWebEngineProfile *profile, const QString &downloadRecord = {});

// Where the program's profile with this storage folder records its
// unfinished downloads: beside that folder, in the program's data folder.
QString downloadRecordPath(const QString &storage);

} // namespace EngineProfile

#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

// Where a download goes on disk, worked out without the engine.
namespace DownloadFiles {

// Tells whether a path is in use (on disk, or by another download).
using Taken = std::function<bool(const QString &path)>;

// The path the save dialog proposes: the engine's suggested name in folder.
// A name that is empty, or that would leave the folder, becomes
// "téléchargement".
QString proposedPath(const QString &folder, const QString &suggestedName);

// What the engine writes under while the body comes in, beside the name it
// was given.
inline constexpr QStringView EngineSuffix = u".download";

// The name a download is written under until it is whole, next to its final
// name: "nom.ext.part", else "nom.ext.2.part", "nom.ext.3.part"...
QString partialPath(const QString &finalPath, const Taken &taken);

// finalPath when it is free, else the first free one of "nom (2).ext",
// "nom (3).ext"... (the number goes before the last extension).
QString freePath(const QString &finalPath, const Taken &taken);

// The record of the program's unfinished downloads, kept in its data folder
// so that a program killed mid-download can remove its partial files at the
// next start: one line a partial file, the process that writes it, a blank
// and the path, percent-encoded.
struct Unfinished
{
    qint64 pid = 0;
    QString partialPath;

    friend bool operator==(const Unfinished &, const Unfinished &) = default;
};
QList<Unfinished> readRecord(const QString &recordPath);
bool writeRecord(const QString &recordPath, const QList<Unfinished> &entries);

// Removes a partial file and the engine's file beside it.
void removePartial(const QString &partialPath);

// Removes the partial files of the recorded downloads whose process no longer
// runs, and drops them from the record. Only what the program writes is ever
// removed: a regular file whose name ends in ".part", and the engine's file
// beside it; whatever else a garbled record names is left alone.
void removeAbandoned(const QString &recordPath, const std::function<bool(qint64 pid)> &running);

} // namespace DownloadFiles

#include "engine/DownloadFiles.h"

#include "storage/LineWriter.h"
#include "storage/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace DownloadFiles {

QString proposedPath(const QString &folder, const QString &suggestedName)
{
    QString name = suggestedName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.remove(QChar(0));
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("téléchargement");
    return QDir(folder).filePath(name);
}

QString partialPath(const QString &finalPath, const Taken &taken)
{
    QString candidate = finalPath + QStringLiteral(".part");
    for (int n = 2; taken(candidate) || taken(candidate + EngineSuffix.toString()); ++n)
        candidate = finalPath + QStringLiteral(".%1.part").arg(n);
    return candidate;
}

QString freePath(const QString &finalPath, const Taken &taken)
{
    if (!taken(finalPath))
        return finalPath;
    const QFileInfo info(finalPath);
    const QString name = info.fileName();
    // A leading dot starts a hidden name, not an extension.
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        dot = name.size();
    const QString stem = name.left(dot);
    const QString extension = name.mid(dot);
    const QDir folder = info.dir();
    QString candidate;
    for (int n = 2;; ++n) {
        candidate = folder.filePath(stem + QStringLiteral(" (%1)").arg(n) + extension);
        if (!taken(candidate))
            return candidate;
    }
}

void removePartial(const QString &partialPath)
{
    if (partialPath.isEmpty())
        return;
    QFile::remove(partialPath);
    QFile::remove(partialPath + EngineSuffix.toString());
}

QList<Unfinished> readRecord(const QString &recordPath)
{
    QList<Unfinished> entries;
    QFile file;
    if (!RegularFile::open(file, recordPath, RegularFile::Access::Read))
        return entries;
    // A record is a few lines; anything larger is not the program's.
    const QByteArray bytes = file.read(1 << 20);
    for (const QByteArray &line : bytes.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        const qsizetype blank = trimmed.indexOf(' ');
        if (blank <= 0)
            continue;
        bool number = false;
        const qint64 pid = trimmed.left(blank).toLongLong(&number);
        const QString path = QUrl::fromPercentEncoding(trimmed.mid(blank + 1));
        if (number && pid > 0 && QFileInfo(path).isAbsolute())
            entries.append({pid, path});
    }
    return entries;
}

bool writeRecord(const QString &recordPath, const QList<Unfinished> &entries)
{
    QStringList lines;
    for (const Unfinished &entry : entries)
        lines.append(QString::number(entry.pid) + u' '
                     + QString::fromLatin1(QUrl::toPercentEncoding(entry.partialPath, "/")));
    // It names the user's downloads: the user's alone to read.
    return LineWriter::replace(recordPath, lines)
        && QFile::setPermissions(recordPath, QFile::ReadOwner | QFile::WriteOwner);
}

void removeAbandoned(const QString &recordPath, const std::function<bool(qint64 pid)> &running)
{
    const QList<Unfinished> entries = readRecord(recordPath);
    QList<Unfinished> kept;
    for (const Unfinished &entry : entries) {
        if (running(entry.pid)) {
            kept.append(entry);
            continue;
        }
        if (!entry.partialPath.endsWith(QLatin1String(".part")))
            continue;
        for (const QString &path :
             {entry.partialPath, entry.partialPath + EngineSuffix.toString()}) {
            const QFileInfo info(path);
            if (info.isFile() && !info.isSymLink())
                QFile::remove(path);
        }
    }
    if (kept.size() != entries.size())
        writeRecord(recordPath, kept);
}

} // namespace DownloadFiles

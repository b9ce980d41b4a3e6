#include "ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

ProgramFolder::ProgramFolder(QString folder)
    : m_folder(std::move(folder))
{
}

QString ProgramFolder::file(const QString &name) const
{
    QString plain = name;
    if (plain.startsWith(u'\\') || plain.startsWith(u'/'))
        plain.remove(0, 1);
    const QDir folder(m_folder);
    if (plain.isEmpty())
        return folder.filePath(plain);

    QString best;
    QByteArray bestBytes;
    QDirIterator entries(m_folder, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        const QString candidate = entries.fileName();
        if (candidate.compare(plain, Qt::CaseInsensitive) != 0 || !entries.fileInfo().isFile())
            continue;
        const QByteArray bytes = QFile::encodeName(candidate);
        if (best.isNull() || bytes < bestBytes) {
            best = candidate;
            bestBytes = bytes;
        }
    }
    return folder.filePath(best.isNull() ? plain : best);
}

#include "ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "storage/RegularFile.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

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

namespace {

// Copies a regular file of the program's folder into the user's folder under
// the same name, readable by this user only: the copy may be the user's
// history. A copy cut short by a full disk leaves no file.
void seed(const QString &from, const QString &to)
{
    QFile source;
    if (!RegularFile::open(source, from, RegularFile::Access::Read))
        return;
    QSaveFile copy(to);
    if (!copy.open(QIODevice::WriteOnly))
        return;
    copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    char buffer[64 * 1024];
    for (;;) {
        const qint64 read = source.read(buffer, sizeof buffer);
        if (read < 0) {
            copy.cancelWriting();
            break;
        }
        if (read == 0 || copy.write(buffer, read) != read)
            break;
    }
    copy.commit();
}

} // namespace

bool ProgramFolder::isWritable(const QString &folder)
{
    if (folder.isEmpty())
        return false;
#ifdef Q_OS_UNIX
    // Asked for the effective user, who is the one that writes; the check
    // also sees a folder on a read-only mount.
    return ::faccessat(AT_FDCWD, QFile::encodeName(folder).constData(), W_OK | X_OK, AT_EACCESS)
        == 0;
#else
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
#endif
}

QString ProgramFolder::userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

ProgramFolder ProgramFolder::forProgram(const QString &programFolder, const QString &userFolder,
                                        const QStringList &names)
{
    if (isWritable(programFolder) || userFolder.isEmpty() || !QDir().mkpath(userFolder)
        || !isWritable(userFolder))
        return ProgramFolder(programFolder);

    const ProgramFolder program(programFolder);
    ProgramFolder user(userFolder);
    for (const QString &name : names) {
        const QString kept = user.file(name);
        const QString shipped = program.file(name);
        if (!QFileInfo::exists(kept) && QFileInfo(shipped).isFile())
            seed(shipped, QDir(userFolder).filePath(QFileInfo(shipped).fileName()));
    }
    return user;
}

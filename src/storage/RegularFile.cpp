#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RegularFile {

bool open(QFile &file, const QString &path, Access access)
{
    const bool append = access == Access::Append;
    const QIODevice::OpenMode mode = QIODevice::Unbuffered
        | (append ? QIODevice::WriteOnly | QIODevice::Append : QIODevice::ReadOnly);
#ifdef Q_OS_UNIX
    const int flags = (append ? O_WRONLY | O_APPEND | O_CREAT : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0600);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    const QFileInfo info(path);
    if (!append)
        return info.isFile() && file.open(mode);
    if (info.exists() && !info.isFile())
        return false;
    return file.open(mode, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

} // namespace RegularFile

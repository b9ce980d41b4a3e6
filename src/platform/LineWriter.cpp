#include "LineWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QByteArray lineEnd = QByteArrayLiteral("\r\n");

bool needsQuotes(const QString &value)
{
    if (value.isEmpty())
        return false;
    // A byte-order mark at the start of the file would be taken for one.
    const QChar first = value.front();
    if (first == u' ' || first == u'\t' || first == QChar(0xFEFF))
        return true;
    for (const QChar c : value) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

// Opens path for appending, creating it for its owner only, when it is (or
// becomes) a regular file. Checked on the opened descriptor, and opened
// without blocking: a FIFO of that name with no reader would otherwise hold
// the program up, and a device would swallow the line.
bool openForAppending(QFile &file, const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)
        || !file.open(fd, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                      QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
#else
    file.setFileName(path);
    if (QFileInfo(path).exists() && !QFileInfo(path).isFile())
        return false;
    return file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered,
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner);
#endif
}

} // namespace

bool LineWriter::replace(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + lineEnd;

    QSaveFile file(path);
    // Unbuffered, so that a disk that fills up shows in write(): commit()
    // would rename a file cut short by a failed flush of its buffer.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool LineWriter::append(const QString &path, const QString &line)
{
    QFile file;
    if (!openForAppending(file, path))
        return false;
    const QByteArray bytes = line.toUtf8() + lineEnd;
    const qint64 before = file.size();
    const qint64 written = file.write(bytes);
    if (written == bytes.size())
        return true;
    // A line cut short by a full disk would run into the next one. It is
    // taken back, unless another program has added to the file meanwhile.
    if (written > 0 && file.size() == before + written)
        file.resize(before);
    return false;
}

QString LineWriter::quoted(const QString &value)
{
    if (!needsQuotes(value))
        return value;
    QString text = value;
    text.replace(u'"', QStringLiteral("%22"));
    return u'"' + text + u'"';
}

#include "LineWriter.h"

#include "storage/RegularFile.h"
#include "storage/TextDecoding.h"

#include <QFile>
#include <QSaveFile>

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

// How a file that is there already is written. A file saved as UTF-16 by
// another editor gets its lines in UTF-16: UTF-8 bytes would read back as
// garbage, and converting the file would mean rewriting a file that other
// running programs append to.
TextDecoding::FileEncoding encodingOf(const QString &path)
{
    QFile file;
    if (!RegularFile::open(file, path, RegularFile::Access::Read))
        return TextDecoding::FileEncoding::Bytes;
    return TextDecoding::fileEncoding(file.read(4));
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
    const TextDecoding::FileEncoding encoding = encodingOf(path);
    QFile file;
    if (!RegularFile::open(file, path, RegularFile::Access::Append))
        return false;
    QByteArray bytes = TextDecoding::encode(QString(line + QStringLiteral("\r\n")), encoding);
    const qint64 before = file.size();
    // A UTF-16 file cut in the middle of a character (a full disk, a crash)
    // would put every line added after it out of step: the character is
    // completed and its line ended first, so that the new line reads whole.
    if (TextDecoding::isUtf16(encoding) && before % 2 != 0)
        bytes.prepend(QByteArray(1, '\0') + TextDecoding::encode(u"\r\n", encoding));
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

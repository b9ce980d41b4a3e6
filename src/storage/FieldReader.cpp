#include "FieldReader.h"

#include "storage/RegularFile.h"
#include "storage/TextDecoding.h"

#include <QFile>

#include <algorithm>

namespace {

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

bool isDelimiter(char c)
{
    return c == ',' || isLineEnd(c);
}

bool hasBom(const QByteArray &data)
{
    return data.startsWith("\xEF\xBB\xBF");
}

// Where reading starts in the last bytes of a file: after the line end that
// closes the line cut by the window's start. `before` is the byte just before
// the window.
qsizetype tailStart(const QByteArray &window, char before)
{
    if (window.isEmpty() || before == '\n')
        return 0;
    if (before == '\r')
        return window.front() == '\n' ? 1 : 0;
    for (qsizetype i = 0; i < window.size(); ++i) {
        if (window.at(i) == '\n')
            return i + 1;
        if (window.at(i) == '\r')
            return (i + 1 < window.size() && window.at(i + 1) == '\n') ? i + 2 : i + 1;
    }
    return window.size();
}

} // namespace

FieldReader::FieldReader(QByteArray data)
    : FieldReader(std::move(data), 0)
{
    const TextDecoding::FileEncoding encoding = TextDecoding::fileEncoding(m_data);
    if (TextDecoding::isUtf16(encoding))
        m_data = TextDecoding::utf16ToUtf8(QByteArrayView(m_data).sliced(2), encoding);
    else if (hasBom(m_data))
        m_pos = 3;
}

FieldReader::FieldReader(QByteArray data, qsizetype start)
    : m_data(std::move(data))
    , m_pos(start)
{
}

std::optional<FieldReader> FieldReader::open(const QString &path, qint64 maxBytes, Window window)
{
    QFile file;
    if (!RegularFile::open(file, path, RegularFile::Access::Read))
        return std::nullopt;
    maxBytes = std::max<qint64>(maxBytes, 0);

    const qint64 size = file.size();
    const bool cut = window == Window::Tail && !file.isSequential() && size > maxBytes;
    if (cut) {
        const QByteArray head = file.read(2);
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        const TextDecoding::FileEncoding encoding = TextDecoding::fileEncoding(head);
        if (TextDecoding::isUtf16(encoding))
            return openUtf16Tail(file, size, maxBytes, encoding);
    }
    char before = '\n';
    if (cut && (!file.seek(size - maxBytes - 1) || !file.getChar(&before)))
        return std::nullopt;

    // A regular file is read in a buffer of its own size at most; a device
    // that cannot tell its size is read up to the limit.
    qint64 length = maxBytes;
    if (!file.isSequential())
        length = std::min(maxBytes, std::max<qint64>(size - file.pos(), 0));
    QByteArray data = file.read(length);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;

    if (!cut)
        return FieldReader(std::move(data));
    const qsizetype start = tailStart(data, before);
    return FieldReader(std::move(data), start);
}

// The last bytes of a UTF-16 file, from a whole code unit on, read as UTF-8
// so that fields are cut as in any other file. The UTF-8 text can be half as
// long again as the bytes read.
std::optional<FieldReader> FieldReader::openUtf16Tail(QFile &file, qint64 size, qint64 maxBytes,
                                                      TextDecoding::FileEncoding encoding)
{
    // Code units start at even offsets, the mark's included.
    const qint64 start = (size - maxBytes + 1) & ~qint64(1);
    if (start <= 2) {
        if (!file.seek(0))
            return std::nullopt;
        QByteArray data = file.read(size);
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        return FieldReader(std::move(data));
    }
    if (!file.seek(start - 2))
        return std::nullopt;
    const QByteArray unitBefore = file.read(2);
    const QByteArray window = file.read(std::max<qint64>(size - start, 0));
    if (file.error() != QFileDevice::NoError || unitBefore.size() != 2)
        return std::nullopt;
    const QByteArray decodedBefore = TextDecoding::utf16ToUtf8(unitBefore, encoding);
    const char before = decodedBefore.size() == 1 ? decodedBefore.front() : 'x';
    QByteArray data = TextDecoding::utf16ToUtf8(window, encoding);
    const qsizetype begin = tailStart(data, before);
    return FieldReader(std::move(data), begin);
}

std::optional<QString> FieldReader::next()
{
    const std::optional<QByteArrayView> bytes = nextBytes();
    if (!bytes)
        return std::nullopt;
    return TextDecoding::decode(*bytes);
}

std::optional<QByteArrayView> FieldReader::nextBytes()
{
    if (atEnd())
        return std::nullopt;
    const qsizetype size = m_data.size();
    const char *data = m_data.constData();
    while (m_pos < size && (data[m_pos] == ' ' || data[m_pos] == '\t'))
        ++m_pos;
    // Blanks alone after the last line end still make an (empty) field.
    if (m_pos >= size)
        return QByteArrayView(data + size, qsizetype(0));

    qsizetype begin = m_pos;
    qsizetype end;
    if (data[m_pos] == '"') {
        ++begin;
        end = m_data.indexOf('"', begin);
        if (end < 0) {
            // A quote that nothing closes ends with its line, so that one
            // stray quote does not swallow every later line.
            m_pos = begin;
            while (m_pos < size && !isLineEnd(data[m_pos]))
                ++m_pos;
            end = m_pos;
            skipDelimiter();
        } else {
            m_pos = end + 1;
            while (m_pos < size && !isDelimiter(data[m_pos]))
                ++m_pos;
            skipDelimiter();
        }
    } else {
        while (m_pos < size && !isDelimiter(data[m_pos]))
            ++m_pos;
        end = m_pos;
        skipDelimiter();
    }
    return QByteArrayView(data + begin, end - begin);
}

void FieldReader::skipDelimiter()
{
    if (m_pos >= m_data.size())
        return;
    const char c = m_data.at(m_pos++);
    if (c == '\r' && m_pos < m_data.size() && m_data.at(m_pos) == '\n')
        ++m_pos;
}

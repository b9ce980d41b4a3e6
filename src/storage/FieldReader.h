#pragma once

#include "storage/TextDecoding.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QFile;

// Reads the program's text files field by field. A field ends at a comma or
// at the end of a line (CR LF, LF or a lone CR); blanks before it are skipped,
// blanks after it are kept. A field that begins with a double quote runs to
// the next double quote, commas and line ends included, and whatever follows
// the closing quote up to the next comma or line end is dropped; when no
// double quote follows, it ends at the end of its line. Each field is
// decoded on its own, so UTF-8 and Windows-1252 lines can share a file. Data
// that begins with a UTF-16 byte-order mark is read as UTF-16 instead.
class FieldReader
{
public:
    enum class Window { Head, Tail };

    explicit FieldReader(QByteArray data);

    // Reads at most maxBytes of the file: its first ones (Head), or its last
    // ones starting at a line start (Tail), so that a huge file costs no more
    // than maxBytes. Nothing when the file cannot be opened or read, or is
    // not a regular file: a FIFO, device or socket of that name (or a link
    // to one) is never opened in a way that could wait on it.
    static std::optional<FieldReader> open(const QString &path, qint64 maxBytes,
                                           Window window = Window::Head);

    // True exactly when next() has nothing left to return.
    bool atEnd() const { return m_pos >= m_data.size(); }
    std::optional<QString> next();
    // The next field as it stands in the file, not decoded: for a caller that
    // looks at a field before paying for its text. The bytes stay valid as
    // long as the reader.
    std::optional<QByteArrayView> nextBytes();
    // The bytes that next() has still to go through.
    QByteArrayView remaining() const { return QByteArrayView(m_data).sliced(m_pos); }

private:
    FieldReader(QByteArray data, qsizetype start);
    static std::optional<FieldReader> openUtf16Tail(QFile &file, qint64 size, qint64 maxBytes,
                                                    TextDecoding::FileEncoding encoding);

    void skipDelimiter();

    QByteArray m_data;
    qsizetype m_pos = 0;
};

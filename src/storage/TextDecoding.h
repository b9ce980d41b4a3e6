#pragma once

#include <QByteArrayView>
#include <QString>

// The program's files are written in UTF-8, but older versions wrote them in
// Windows-1252, so a text that is not valid UTF-8 is read as Windows-1252.
namespace TextDecoding {
QString decode(QByteArrayView bytes);

// How a whole file is written, as its first bytes tell: a UTF-16 byte-order
// mark (what some editors save as "Unicode") makes it UTF-16; anything else
// is read field by field as above.
enum class FileEncoding { Bytes, Utf16LittleEndian, Utf16BigEndian };
FileEncoding fileEncoding(QByteArrayView head);
inline bool isUtf16(FileEncoding encoding)
{
    return encoding != FileEncoding::Bytes;
}

// UTF-16 text of the given byte order (the bytes after the byte-order mark)
// as UTF-8. What is not whole UTF-16, a lone surrogate or a final odd byte,
// comes out as U+FFFD.
QByteArray utf16ToUtf8(QByteArrayView bytes, FileEncoding encoding);
// Text in the given encoding (UTF-8 for Bytes), without a byte-order mark.
QByteArray encode(QStringView text, FileEncoding encoding);
} // namespace TextDecoding

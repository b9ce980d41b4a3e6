#include "TextDecoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. The five bytes the
// code page leaves undefined keep the C1 code point of the same value.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 0x98
};

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(windows1252High[byte - 0x80])
                                               : QChar(char16_t(byte));
    }
    return text;
}

} // namespace

QString TextDecoding::decode(QByteArrayView bytes)
{
    // Most fields are plain ASCII addresses; they need no validation.
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return QString::fromLatin1(bytes);

    // Stateless, so that a sequence cut short at the end counts as an error
    // instead of waiting for more input; a byte-order mark is text here.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return decodeWindows1252(bytes);
}

TextDecoding::FileEncoding TextDecoding::fileEncoding(QByteArrayView head)
{
    // FF FE 00 00 opens a UTF-32 file; nothing the program reads.
    if (head.startsWith("\xFF\xFE") && !head.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return FileEncoding::Utf16LittleEndian;
    if (head.startsWith("\xFE\xFF"))
        return FileEncoding::Utf16BigEndian;
    return FileEncoding::Bytes;
}

QByteArray TextDecoding::utf16ToUtf8(QByteArrayView bytes, FileEncoding encoding)
{
    QStringDecoder utf16(encoding == FileEncoding::Utf16BigEndian ? QStringDecoder::Utf16BE
                                                                  : QStringDecoder::Utf16LE,
                         QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf16.decode(bytes);
    // The decoder lets a lone surrogate through, and UTF-8 has no form for it.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text.toUtf8();
}

QByteArray TextDecoding::encode(QStringView text, FileEncoding encoding)
{
    if (!isUtf16(encoding))
        return text.toUtf8();
    QStringEncoder utf16(encoding == FileEncoding::Utf16BigEndian ? QStringEncoder::Utf16BE
                                                                  : QStringEncoder::Utf16LE,
                         QStringEncoder::Flag::Stateless);
    return utf16.encode(text);
}

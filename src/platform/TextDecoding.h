#pragma once

#include <QByteArrayView>
#include <QString>

// The program's files are written in UTF-8, but older versions wrote them in
// Windows-1252, so a text that is not valid UTF-8 is read as Windows-1252.
namespace TextDecoding {
QString decode(QByteArrayView bytes);
} // namespace TextDecoding

#pragma once

#include "storage/ProgramFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// A program folder of the fuzzer's own, under the temporary folder and gone
// with the process: the loaders read real files, so each input is written
// there under the file's name first.
class FuzzFolder
{
public:
    ProgramFolder put(const QString &name, const uint8_t *data, size_t size)
    {
        if (!m_dir.isValid())
            std::abort();
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            std::abort();
        return ProgramFolder(m_dir.path());
    }

private:
    QTemporaryDir m_dir {QDir::tempPath() + QStringLiteral("/corvane-fuzz-XXXXXX")};
};

#include "TempProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

TempProgramFolder::TempProgramFolder() = default;

void TempProgramFolder::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(filePath(name));
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
             qPrintable(file.fileName() + u": "_qs + file.errorString()));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QByteArray TempProgramFolder::read(const QString &name) const
{
    QFile file(filePath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool TempProgramFolder::exists(const QString &name) const
{
    return QFileInfo::exists(filePath(name));
}

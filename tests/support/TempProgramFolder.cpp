#include "TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

TempProgramFolder::TempProgramFolder() = default;

void TempProgramFolder::write(const QString &name, const QByteArray &bytes) const
{
    QFile file(filePath(name));
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate),
             qPrintable(file.fileName() + u": "_s + file.errorString()));
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

void TempProgramFolder::addNotARegularFileRows()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("read");
    QTest::newRow("FIFO") << u"fifo"_s << false;
    QTest::newRow("directory") << u"directory"_s << false;
    QTest::newRow("link to a FIFO") << u"link to fifo"_s << false;
    QTest::newRow("link to a regular file") << u"link to file"_s << true;
}

bool TempProgramFolder::place(const QString &kind, const QString &name,
                              const QByteArray &bytes) const
{
    const bool link = kind.startsWith(u"link");
    const QString target = link ? filePath(u"other"_s) : filePath(name);
    bool made = false;
    if (kind == u"directory")
        made = QDir(path()).mkdir(name);
    else if (kind.endsWith(u"fifo"))
        made = ::mkfifo(QFile::encodeName(target).constData(), 0600) == 0;
    else if (kind == u"link to file") {
        QFile file(target);
        made = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    } else if (kind.startsWith(u"link to /")) {
        return QFile::link(kind.sliced(8), filePath(name));
    }
    return made && (!link || QFile::link(target, filePath(name)));
}

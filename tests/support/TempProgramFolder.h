#pragma once

#include "storage/ProgramFolder.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A program folder of its own for one test, removed with it. Names are taken
// exactly as given: a test that wants the program's letter-case lookup goes
// through folder().
class TempProgramFolder
{
public:
    TempProgramFolder();

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    ProgramFolder folder() const { return ProgramFolder(path()); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Creates or overwrites the file; a failure fails the running test.
    void write(const QString &name, const QByteArray &bytes) const;
    // The file's bytes, empty when it cannot be read.
    QByteArray read(const QString &name) const;
    bool exists(const QString &name) const;

    // What may stand under a file's name instead of a regular file, as the
    // rows of a data-driven test: the columns kind and read (whether the
    // program reads what it finds there).
    static void addNotARegularFileRows();
    // Puts that kind of thing under the name: "fifo", "directory", "link to
    // fifo", "link to file" (the regular file it leads to, "other", holds
    // the bytes) or "link to /PATH". False when it cannot be made.
    bool place(const QString &kind, const QString &name, const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
};

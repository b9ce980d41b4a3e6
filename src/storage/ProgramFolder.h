#pragma once

#include <QString>
#include <QStringList>

// The folder the program keeps its files in. The program names its files in
// one letter case, but the user may have renamed them, so a file is found
// whatever the case of its name.
class ProgramFolder
{
public:
    explicit ProgramFolder(QString folder);

    // The folder an installed program keeps its files in: the program's
    // own folder whenever this user can write to it, so that a copied
    // folder takes its files along. When it cannot be written (a packaged
    // or read-only install), the user's folder instead, created if need
    // be; each of the named files that the program's folder holds and the
    // user's folder lacks starts there as a copy of the program folder's,
    // which is never written. The program's folder is kept when the user's
    // folder cannot be made either.
    static ProgramFolder forProgram(const QString &programFolder, const QString &userFolder,
                                    const QStringList &names);
    // The user's folder for the program's files: its configuration folder,
    // named for the program (~/.config/Corvane).
    static QString userFolder();
    // Whether this user, as the program runs, may create and remove files
    // in the folder: permissions, a read-only mount and a missing folder
    // all say no.
    static bool isWritable(const QString &folder);

    QString path() const { return m_folder; }

    // The path of the folder's regular file called name, letter case aside.
    // The name may begin with one backslash or slash ("\\visited.MRU"); it
    // names a file of the folder itself, never one of a subfolder. When
    // several files match, the first in byte order of their names wins, so
    // that every caller gets the same one; when none does, the path the
    // file would have under the name as given.
    QString file(const QString &name) const;

private:
    QString m_folder;
};

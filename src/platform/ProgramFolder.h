#pragma once

#include <QString>

// The folder the program keeps its files in. The program names its files in
// one letter case, but the user may have renamed them, so a file is found
// whatever the case of its name.
class ProgramFolder
{
public:
    explicit ProgramFolder(QString folder);

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

#pragma once

#include "app/Program.h"

#include <QByteArrayList>
#include <QStringList>

// The arguments a harness on the program makes its application with: the
// program's own (app/Program), then the engine switches the bench puts in
// QTWEBENGINE_CHROMIUM_FLAGS, then those the harness was given as
// "--engine-switch SWITCH". The variable is emptied first, since Qt WebEngine
// reads it instead of the application's arguments when it is set, which
// would leave out the program's own switches. Given "--no-site-isolation",
// the program's --site-per-process is left out, for a bench to compare;
// Chromium's --disable-site-isolation-trials cannot do it, since an explicit
// --site-per-process wins over it.
inline Program::Arguments childApplicationArguments(const char *programName,
                                                    const QStringList &arguments)
{
    QByteArrayList switches;
    for (const QByteArray &flag : qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' '))
        if (!flag.isEmpty())
            switches.append(flag);
    qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
        if (arguments.at(i) == QLatin1String("--engine-switch"))
            switches.append(arguments.at(i + 1).toLocal8Bit());
    QByteArrayList list = Program::applicationArguments(programName, switches).list();
    if (arguments.contains(QLatin1String("--no-site-isolation")))
        list.removeAll("--site-per-process");
    return Program::Arguments(list);
}

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// The environment every program under test runs in: the caller's, with a
// fresh empty home for every run, so that no program finds a profile or a
// cache left by an earlier one, and the same engine settings for all.
class BenchEnvironment
{
public:
    BenchEnvironment();

    // Makes the folders a run's home needs under home; false when it cannot.
    bool prepareHome(const QString &home) const;
    QProcessEnvironment forHome(const QString &home) const;

    // Lines describing the environment, for the output.
    QStringList notes() const;
    static QString chromiumFlags();

private:
    QProcessEnvironment m_base;
    bool m_offscreen = false;
    bool m_sandboxDisabled = false;
    bool m_ownRuntimeDir = false;
};

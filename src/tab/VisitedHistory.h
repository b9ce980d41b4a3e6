#pragma once

#include "tab/AddressList.h"

#include <QString>

class ProgramFolder;

// The visited-address history that every tab shares: one file in the
// program's folder, one address per line, appended to as the user goes and
// never rewritten. The program keeps one VisitedHistory for its whole run,
// so that tabs loading an unchanged file share the entries read last.
class VisitedHistory
{
public:
    // The name the history is read under, and the name a first append
    // creates it with. Either finds the file whatever the case of its name.
    static constexpr QStringView FileName = u"\\visited.MRU";
    static constexpr QStringView CreatedName = u"\\Visited.MRU";

    // The history is read whole up to this size; beyond it, its most recent
    // part of this size, from a line start.
    static constexpr qint64 ReadLimit = 64 * 1024 * 1024;

    // The addresses of the history file, sorted for the address list. Empty
    // fields are left out, and so are entries that cannot be addresses (see
    // AddressList::isUsable). A missing, unreadable or non-regular file has
    // none. Loads of an unchanged file get the same entries, shared, for as
    // long as some tab still shows them.
    AddressList::Entries load(const ProgramFolder &folder);

    // Adds one line to the history, created readable by its owner only when
    // missing. An address that would not read back as itself is written
    // quoted. False when it cannot be written.
    static bool append(const ProgramFolder &folder, const QString &address);

private:
    // The bytes the entries last read came from, told by their size and
    // hash. The bytes, not the file's times, tell whether the history
    // changed: the times tick coarsely and can be set back.
    qsizetype m_lastSize = -1;
    size_t m_lastHash = 0;
    AddressList::Entries::Weak m_lastEntries;
};

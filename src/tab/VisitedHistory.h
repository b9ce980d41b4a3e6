#pragma once

#include <QStringList>

class ProgramFolder;

// The visited-address history that every tab shares: one file in the
// program's folder, one address per line, appended to as the user goes.
namespace VisitedHistory {

inline constexpr QStringView FileName = u"\\visited.MRU";

// The addresses of the history file, oldest first, empty ones left out.
// A missing or unreadable file has none; a huge one gives its most recent
// entries only.
QStringList load(const ProgramFolder &folder);

} // namespace VisitedHistory

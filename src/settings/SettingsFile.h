#pragma once

#include <QString>

#include <optional>

class ProgramFolder;

// The settings file "Corvane.ini" in the program's folder: the start address
// on its first line, the popup mode on its second.
namespace SettingsFile {

inline constexpr QStringView FileName = u"\\Corvane.ini";

struct Fields
{
    // A field the file did not give (missing or unreadable file, a file that
    // ends early) stays empty, and its reader keeps the value it had.
    std::optional<QString> startAddress;
    std::optional<QString> popupMode;
};

// Reads the first two fields, stopping at the first one the file does not
// give. Never reports a failure.
Fields read(const ProgramFolder &folder);

// Replaces the file with the two lines. A start address that would not read
// back whole is written quoted. False when the file could not be written;
// the old file is then left as it was.
bool write(const ProgramFolder &folder, const QString &startAddress, const QString &popupMode);

} // namespace SettingsFile

// Any bytes as the settings file, read as a tab and the Options dialog do.
#include "FuzzFolder.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzFolder folder;
    const SettingsFile::Fields fields
        = SettingsFile::read(folder.put(QStringLiteral("Corvane.ini"), data, size));
    // The popup mode is the second field: never given without the first.
    if (fields.popupMode && !fields.startAddress)
        std::abort();
    return 0;
}

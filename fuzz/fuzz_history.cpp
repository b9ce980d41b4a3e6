// Any bytes as the history file, loaded as a new tab loads it: every entry
// given must be one the address list can take.
#include "FuzzFolder.h"
#include "tab/AddressList.h"
#include "tab/VisitedHistory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static FuzzFolder folder;
    static VisitedHistory history;
    const QStringList entries
        = history.load(folder.put(QStringLiteral("visited.MRU"), data, size)).toList();
    for (const QString &entry : entries) {
        if (entry.isEmpty() || !AddressList::isUsable(entry))
            std::abort();
    }
    return 0;
}

#include "VisitedHistory.h"

#include "platform/FieldReader.h"
#include "platform/ProgramFolder.h"

namespace VisitedHistory {

namespace {

// The history is read from its end, at most this much: a huge file loads
// its most recent entries at once instead of hanging the tab.
constexpr qint64 ReadLimit = 1024 * 1024;

} // namespace

QStringList load(const ProgramFolder &folder)
{
    std::optional<FieldReader> reader
        = FieldReader::open(folder.file(FileName.toString()), ReadLimit, FieldReader::Window::Tail);
    QStringList entries;
    if (!reader)
        return entries;
    while (!reader->atEnd()) {
        const std::optional<QString> field = reader->next();
        if (!field)
            break;
        if (!field->isEmpty())
            entries.append(*field);
    }
    return entries;
}

} // namespace VisitedHistory

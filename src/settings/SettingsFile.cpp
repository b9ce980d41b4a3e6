#include "SettingsFile.h"

#include "storage/FieldReader.h"
#include "storage/LineWriter.h"
#include "storage/ProgramFolder.h"

namespace SettingsFile {

namespace {
// Far more than two settings ever need; a huge file is not read whole.
constexpr qint64 ReadLimit = 1024 * 1024;
} // namespace

Fields read(const ProgramFolder &folder)
{
    Fields fields;
    std::optional<FieldReader> reader
        = FieldReader::open(folder.file(FileName.toString()), ReadLimit);
    if (!reader)
        return fields;
    fields.startAddress = reader->next();
    if (fields.startAddress)
        fields.popupMode = reader->next();
    return fields;
}

bool write(const ProgramFolder &folder, const QString &startAddress, const QString &popupMode)
{
    return LineWriter::replace(folder.file(FileName.toString()),
                               {LineWriter::quoted(startAddress), LineWriter::quoted(popupMode)});
}

} // namespace SettingsFile

// Any bytes, read field by field as both files are: the reader must end,
// give no more fields than there are bytes (plus one), and agree with itself
// on where the end is.
#include "storage/FieldReader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FieldReader reader(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    size_t fields = 0;
    while (!reader.atEnd()) {
        if (!reader.next() || ++fields > 2 * size + 2)
            std::abort();
    }
    if (reader.next())
        std::abort();
    return 0;
}

#include "VisitedHistory.h"

#include "storage/FieldReader.h"
#include "storage/LineWriter.h"
#include "storage/ProgramFolder.h"
#include "storage/TextDecoding.h"

#include <QHashFunctions>

#include <algorithm>
#include <optional>

namespace {

bool isPlainAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte < 0x7F;
    });
}

void addField(AddressList::Entries::Builder &builder, QByteArrayView field)
{
    if (field.isEmpty())
        return;
    // Most entries are plain ASCII addresses: they go in without decoding.
    if (field.size() <= AddressList::MaxEntryLength && isPlainAscii(field)) {
        builder.appendUtf8(field);
        return;
    }
    // A field decodes to at most one character per byte, and at least one
    // per three: one far too long is dropped before it is decoded.
    if (field.size() > 3 * AddressList::MaxEntryLength)
        return;
    const QString text = TextDecoding::decode(field);
    if (AddressList::isUsable(text))
        builder.append(text);
}

} // namespace

AddressList::Entries VisitedHistory::load(const ProgramFolder &folder)
{
    const QString path = folder.file(FileName.toString());
    std::optional<FieldReader> reader
        = FieldReader::open(path, ReadLimit, FieldReader::Window::Tail);
    if (!reader)
        return {};
    const QByteArrayView bytes = reader->remaining();
    const size_t hash = qHash(bytes);
    if (m_lastSize == bytes.size() && m_lastHash == hash) {
        if (AddressList::Entries entries = m_lastEntries.lock(); !entries.isEmpty())
            return entries;
    }

    AddressList::Entries::Builder builder;
    builder.reserve(bytes.size());
    while (!reader->atEnd()) {
        const std::optional<QByteArrayView> field = reader->nextBytes();
        if (!field)
            break;
        addField(builder, *field);
    }
    AddressList::Entries entries = builder.finish();
    m_lastSize = bytes.size();
    m_lastHash = hash;
    m_lastEntries = entries.weak();
    return entries;
}

bool VisitedHistory::append(const ProgramFolder &folder, const QString &address)
{
    return LineWriter::append(folder.file(CreatedName.toString()), LineWriter::quoted(address));
}

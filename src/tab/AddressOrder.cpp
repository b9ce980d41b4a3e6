#include "AddressOrder.h"

#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <utility>

namespace AddressOrder {

namespace {

// The order is that of sort keys compared byte by byte: each character's
// weight, a 0, then (for text that is not plain ASCII) each character's
// accent. Weight 0 never stands for a character, so a text sorts before the
// longer texts it begins.
constexpr std::array<unsigned char, 128> AsciiWeights = [] {
    std::array<unsigned char, 128> weights {};
    unsigned char next = 1;
    for (int c = 0; c < 0x20; ++c)
        weights[c] = next; // control characters, all alike
    weights[0x7F] = next++;
    for (int c = 0x20; c < 0x7F; ++c) {
        const bool letterOrDigit
            = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (!letterOrDigit)
            weights[c] = next++; // blanks and punctuation, in their code order
    }
    for (int c = '0'; c <= '9'; ++c)
        weights[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) {
        weights[c] = static_cast<unsigned char>(c);
        weights[c + ('a' - 'A')] = static_cast<unsigned char>(c);
    }
    return weights;
}();

// Keys are built in a buffer on the stack, then added at once.
using KeyBuffer = QVarLengthArray<char, 512>;

// Above every ASCII weight, in code order, never 0.
void appendWide(KeyBuffer &key, char16_t c)
{
    key.append(char(0xC0 | (c >> 12)));
    key.append(char(0x80 | ((c >> 6) & 0x3F)));
    key.append(char(0x80 | (c & 0x3F)));
}

// How a character other than ASCII sorts: as one or two base characters,
// and, when it differs from them, by an accent mark.
struct Folding
{
    char16_t base[2] = {0, 0};
    char16_t mark = 0;
};

Folding computeFolding(char16_t c)
{
    Folding folding;
    switch (c) {
    case u'æ':
    case u'Æ':
        return {{u'a', u'e'}, c};
    case u'œ':
    case u'Œ':
        return {{u'o', u'e'}, c};
    case u'ß':
    case u'ẞ':
        return {{u's', u's'}, c};
    case u'ø':
    case u'Ø':
        return {{u'o', 0}, c};
    case u'đ':
    case u'Đ':
        return {{u'd', 0}, c};
    case u'ł':
    case u'Ł':
        return {{u'l', 0}, c};
    default:
        break;
    }
    char32_t base = QChar(c).toCaseFolded().unicode();
    // A letter with accents decomposes into its letter and the marks, maybe
    // in several steps (ǘ: ü and an acute accent, ü: u and a diaeresis).
    // Only alphabets write accents so; a Hangul syllable, say, decomposes
    // into letters that all count.
    const bool accented = c < 0x0500 || (c >= 0x1E00 && c < 0x2000);
    while (accented && QChar::decompositionTag(base) == QChar::Canonical) {
        const QString parts = QChar::decomposition(base);
        if (parts.size() < 2 || parts.at(0).isSurrogate())
            break;
        folding.mark = parts.at(1).unicode();
        base = QChar::toCaseFolded(parts.at(0).unicode());
    }
    folding.base[0] = char16_t(base);
    return folding;
}

Folding folding(char16_t c)
{
    // Latin letters with accents, worked out once.
    constexpr char16_t TableEnd = 0x0250;
    static const std::array<Folding, TableEnd> table = [] {
        std::array<Folding, TableEnd> t {};
        for (char16_t c = 0x80; c < TableEnd; ++c)
            t[c] = computeFolding(c);
        return t;
    }();
    return c < TableEnd ? table[c] : computeFolding(c);
}

void appendWeight(KeyBuffer &key, char16_t c)
{
    if (c < 0x80)
        key.append(char(AsciiWeights[c]));
    else
        appendWide(key, c);
}

} // namespace

void appendKey(QByteArray &out, QStringView text)
{
    KeyBuffer key;
    bool ascii = true;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            key.append(char(AsciiWeights[c]));
            continue;
        }
        ascii = false;
        const Folding f = folding(c);
        appendWeight(key, f.base[0]);
        if (f.base[1])
            appendWeight(key, f.base[1]);
    }
    key.append('\0');
    if (!ascii) {
        for (const QChar ch : text) {
            const char16_t c = ch.unicode();
            const char16_t mark = c < 0x80 ? 0 : folding(c).mark;
            if (mark)
                appendWide(key, mark);
            else
                key.append('\x01');
        }
    }
    out.append(key.constData(), key.size());
}

namespace {

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

void appendKey(QByteArray &key, QByteArrayView utf8)
{
    if (!isAscii(utf8)) {
        appendKey(key, QStringView(QString::fromUtf8(utf8)));
        return;
    }
    const qsizetype at = key.size();
    key.resize(at + utf8.size() + 1);
    char *out = key.data() + at;
    for (const char c : utf8)
        *out++ = char(AsciiWeights[static_cast<unsigned char>(c)]);
    *out = '\0';
}

QByteArray keyOf(QStringView text)
{
    QByteArray key;
    key.reserve(text.size() + 1);
    appendKey(key, text);
    return key;
}

QByteArray keyOf(QByteArrayView utf8)
{
    QByteArray key;
    key.reserve(utf8.size() + 1);
    appendKey(key, utf8);
    return key;
}

int compareKeys(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b);
}

namespace {

// Sorting a long list compares keys eight bytes at a time, held beside
// each index, instead of reaching for both keys at every comparison: most
// addresses share their first dozen bytes or more.
struct Item
{
    quint64 chunk; // the key's bytes from the depth sorted at, big-endian
    quint32 index;
};

constexpr size_t ChunkBytes = sizeof(quint64);
constexpr ptrdiff_t FewItems = 16;

quint64 chunkAt(QByteArrayView key, size_t depth)
{
    const size_t size = size_t(key.size());
    if (depth + ChunkBytes <= size)
        return qFromBigEndian<quint64>(key.data() + depth);
    quint64 chunk = 0;
    for (size_t at = depth; at < depth + ChunkBytes; ++at)
        chunk = (chunk << 8) | (at < size ? static_cast<unsigned char>(key[qsizetype(at)]) : 0u);
    return chunk;
}

// A stable sort by chunk: radix passes, one per byte, skipping the bytes
// all items share, for many items; a comparison sort for a few. The buffer
// is the radix passes' room, kept from one call to the next.
void sortByChunk(Item *first, Item *last, std::vector<Item> &buffer)
{
    const size_t count = size_t(last - first);
    if (count < 256) {
        std::stable_sort(first, last,
                         [](const Item &a, const Item &b) { return a.chunk < b.chunk; });
        return;
    }
    std::array<std::array<size_t, 256>, ChunkBytes> counts {};
    for (const Item *item = first; item != last; ++item) {
        for (size_t byte = 0; byte < ChunkBytes; ++byte)
            ++counts[byte][(item->chunk >> (8 * byte)) & 0xFF];
    }
    if (buffer.size() < count)
        buffer.resize(count);
    Item *from = first;
    Item *to = buffer.data();
    for (size_t byte = 0; byte < ChunkBytes; ++byte) {
        std::array<size_t, 256> &places = counts[byte];
        if (std::find(places.begin(), places.end(), count) != places.end())
            continue; // every item has the same byte here
        size_t total = 0;
        for (size_t &place : places)
            total += std::exchange(place, total);
        const int shift = int(8 * byte);
        for (size_t i = 0; i < count; ++i)
            to[places[(from[i].chunk >> shift) & 0xFF]++] = from[i];
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + count, first);
}

// Sorts items whose keys agree on their first depth bytes.
template<class KeyAt>
void sortFrom(Item *first, Item *last, size_t depth, const KeyAt &keyAt, std::vector<Item> &buffer)
{
    if (last - first < 2)
        return;
    if (last - first <= FewItems) {
        std::sort(first, last, [&keyAt, depth](const Item &a, const Item &b) {
            const int c = compareKeys(keyAt(a.index).sliced(qsizetype(depth)),
                                      keyAt(b.index).sliced(qsizetype(depth)));
            return c < 0 || (c == 0 && a.index < b.index);
        });
        return;
    }
    for (Item *item = first; item != last; ++item)
        item->chunk = chunkAt(keyAt(item->index), depth);
    // The items come in index order, so a stable sort by chunk orders them
    // by chunk, then index.
    sortByChunk(first, last, buffer);
    // Among items of one chunk, keys that end in it are equal (the only 0 a
    // key holds is the one that ends its letters), and they come before the
    // keys they begin; the others go on at the next chunk.
    const size_t next = depth + ChunkBytes;
    for (Item *run = first; run != last;) {
        Item *end = run + 1;
        while (end != last && end->chunk == run->chunk)
            ++end;
        if (end - run > 1) {
            Item *longer = std::stable_partition(run, end, [&keyAt, next](const Item &item) {
                return size_t(keyAt(item.index).size()) <= next;
            });
            sortFrom(longer, end, next, keyAt, buffer);
        }
        run = end;
    }
}

} // namespace

std::vector<quint32> sortedOrder(QByteArrayView keys, const std::vector<quint32> &ends)
{
    const auto keyAt = [&](quint32 i) {
        const quint32 begin = i ? ends[i - 1] : 0;
        return QByteArrayView(keys.data() + begin, ends[i] - begin);
    };
    std::vector<Item> items(ends.size());
    for (size_t i = 0; i < items.size(); ++i)
        items[i].index = quint32(i);
    std::vector<Item> buffer;
    sortFrom(items.data(), items.data() + items.size(), 0, keyAt, buffer);
    std::vector<quint32> order;
    order.reserve(items.size());
    for (const Item &item : items)
        order.push_back(item.index);
    return order;
}

bool before(QStringView a, QStringView b)
{
    return compareKeys(keyOf(a), keyOf(b)) < 0;
}

void sort(QStringList &entries)
{
    QByteArray keys;
    std::vector<quint32> ends;
    ends.reserve(size_t(entries.size()));
    for (const QString &entry : std::as_const(entries)) {
        appendKey(keys, QStringView(entry));
        ends.push_back(quint32(keys.size()));
    }
    const std::vector<quint32> order = sortedOrder(keys, ends);
    QStringList sorted;
    sorted.reserve(entries.size());
    for (const quint32 i : order)
        sorted.append(entries.at(i));
    entries = std::move(sorted);
}

qsizetype insertionIndex(const QStringList &sorted, const QString &entry)
{
    const QByteArray key = keyOf(QStringView(entry));
    return std::upper_bound(sorted.begin(), sorted.end(), key,
                            [](const QByteArray &k, const QString &item) {
                                return compareKeys(k, keyOf(QStringView(item))) < 0;
                            })
        - sorted.begin();
}

} // namespace AddressOrder

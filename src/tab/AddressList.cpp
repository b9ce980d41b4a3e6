#include "AddressList.h"

#include <QComboBox>
#include <QListView>
#include <QVarLengthArray>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>
#include <utility>

namespace AddressList {

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

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

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

template<class Text> QByteArray keyOf(Text text)
{
    QByteArray key;
    key.reserve(text.size() + 1);
    appendKey(key, text);
    return key;
}

// Byte by byte, a key that is the beginning of another first.
int compareKeys(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b);
}

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

// The order of indices that sorts the keys, equal keys in index order.
template<class KeyAt> std::vector<quint32> sortedOrder(qsizetype count, const KeyAt &keyAt)
{
    std::vector<Item> items(static_cast<size_t>(count));
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

QStringList itemsOf(const QComboBox *box)
{
    QStringList result;
    result.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        result.append(box->itemText(i));
    return result;
}

// Runs a change of the box's list, keeping the text it shows: an editable box
// that gets its first entry (or a new list) would show an entry instead.
template<class Change> void keepingText(QComboBox *box, Change change)
{
    const QString text = box->currentText();
    const int current = box->currentIndex();
    const bool reset = change();
    if ((current < 0 || reset) && box->currentIndex() >= 0)
        box->setCurrentIndex(-1);
    if (box->isEditable() && box->currentText() != text)
        box->setEditText(text);
}

} // namespace

bool isUsable(QStringView entry)
{
    if (entry.size() > MaxEntryLength)
        return false;
    return std::none_of(entry.begin(), entry.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; });
}

bool before(QStringView a, QStringView b)
{
    return compareKeys(keyOf(a), keyOf(b)) < 0;
}

void sort(QStringList &entries)
{
    std::vector<QByteArray> keys;
    keys.reserve(size_t(entries.size()));
    for (const QString &entry : std::as_const(entries))
        keys.push_back(keyOf(QStringView(entry)));
    const std::vector<quint32> order
        = sortedOrder(entries.size(), [&keys](quint32 i) { return QByteArrayView(keys[i]); });
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

// Entries

Entries Entries::sorted(const QStringList &entries)
{
    Builder builder;
    for (const QString &entry : entries)
        builder.append(entry);
    return builder.finish();
}

QByteArrayView Entries::utf8At(qsizetype index) const
{
    const Span span = m_data->spans[size_t(index)];
    return QByteArrayView(m_data->text.constData() + span.begin, span.size);
}

QString Entries::at(qsizetype index) const
{
    if (index < 0 || index >= size())
        return QString();
    return QString::fromUtf8(utf8At(index));
}

QStringList Entries::toList() const
{
    QStringList list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

template<class Less> qsizetype Entries::bound(QStringView entry, Less less) const
{
    const QByteArray key = keyOf(entry);
    qsizetype low = 0;
    qsizetype high = size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (less(compareKeys(keyOf(utf8At(middle)), key)))
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

qsizetype Entries::lowerBound(QStringView entry) const
{
    return bound(entry, [](int c) { return c < 0; });
}

qsizetype Entries::upperBound(QStringView entry) const
{
    return bound(entry, [](int c) { return c <= 0; });
}

qsizetype Entries::bytes() const
{
    if (!m_data)
        return 0;
    return m_data->text.capacity() + qsizetype(m_data->spans.capacity() * sizeof(Span));
}

Entries::Weak Entries::weak() const
{
    Weak weak;
    weak.m_data = m_data;
    return weak;
}

void Entries::Builder::reserve(qsizetype bytes)
{
    m_text.reserve(bytes);
    m_keys.reserve(bytes);
}

bool Entries::Builder::fits(qsizetype more) const
{
    // Offsets are 32 bits; a key takes at most three bytes for each byte of
    // text, and two more.
    constexpr qsizetype Limit = std::numeric_limits<quint32>::max();
    return m_text.size() + more <= Limit && m_keys.size() + 3 * more + 2 <= Limit;
}

void Entries::Builder::append(QStringView entry)
{
    // An entry is read back from UTF-8 with QString::fromUtf8, which drops a
    // byte-order mark at its start: leading marks are left out here, so that
    // an entry reads back as it was given, and one of marks alone is none.
    qsizetype marks = 0;
    while (marks < entry.size() && entry.at(marks) == QChar(0xFEFF))
        ++marks;
    if (marks > 0) {
        entry = entry.mid(marks);
        if (entry.isEmpty())
            return;
    }
    const QByteArray utf8 = entry.toUtf8();
    if (!fits(utf8.size()))
        return;
    m_text.append(utf8);
    m_ends.push_back(quint32(m_text.size()));
    appendKey(m_keys, entry);
    m_keyEnds.push_back(quint32(m_keys.size()));
}

void Entries::Builder::appendUtf8(QByteArrayView entry)
{
    if (!fits(entry.size()))
        return;
    m_text.append(entry);
    m_ends.push_back(quint32(m_text.size()));
    appendKey(m_keys, entry);
    m_keyEnds.push_back(quint32(m_keys.size()));
}

Entries Entries::Builder::finish()
{
    if (m_ends.empty())
        return Entries();
    const auto keyAt = [this](quint32 i) {
        const quint32 begin = i ? m_keyEnds[i - 1] : 0;
        return QByteArrayView(m_keys.constData() + begin, m_keyEnds[i] - begin);
    };
    const std::vector<quint32> order = sortedOrder(qsizetype(m_ends.size()), keyAt);
    m_keys.clear();
    m_keys.squeeze();
    m_keyEnds = {};

    auto data = std::make_shared<Data>();
    data->spans.reserve(m_ends.size());
    for (const quint32 i : order) {
        const quint32 begin = i ? m_ends[i - 1] : 0;
        data->spans.push_back(Span {begin, m_ends[i] - begin});
    }
    m_ends = {};
    m_text.squeeze();
    data->text = std::exchange(m_text, QByteArray());
    return Entries(std::move(data));
}

// Model

Model::Model(QObject *parent)
    : QAbstractListModel(parent)
{
}

int Model::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(m_shared.size() + m_own.size());
}

QVariant Model::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()
        || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return entry(index.row());
}

QString Model::entry(int row) const
{
    // The own entries' rows rise strictly; those at or before row come first.
    qsizetype low = 0;
    qsizetype high = m_own.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (ownRow(middle) <= row)
            low = middle + 1;
        else
            high = middle;
    }
    if (low > 0 && ownRow(low - 1) == row)
        return m_own.at(low - 1);
    return m_shared.at(row - low);
}

QStringList Model::entries() const
{
    QStringList list;
    list.reserve(rowCount());
    for (int row = 0; row < rowCount(); ++row)
        list.append(entry(row));
    return list;
}

void Model::add(const QString &entry)
{
    if (rowCount() == std::numeric_limits<int>::max())
        return;
    QByteArray key = keyOf(QStringView(entry));
    const qsizetype place = m_shared.upperBound(entry);
    const auto at = std::upper_bound(
        m_ownKeys.begin(), m_ownKeys.end(), key,
        [](const QByteArray &a, const QByteArray &b) { return compareKeys(a, b) < 0; });
    const qsizetype own = at - m_ownKeys.begin();
    const int row = int(place + own);
    beginInsertRows(QModelIndex(), row, row);
    m_own.insert(own, entry);
    m_ownKeys.insert(at, std::move(key));
    m_ownPlaces.insert(m_ownPlaces.begin() + own, place);
    endInsertRows();
}

void Model::addAll(const Entries &entries)
{
    if (entries.isEmpty())
        return;
    beginResetModel();
    if (m_shared.isEmpty()) {
        // The entries are shared as they are; the box's own ones go before
        // the equal ones among them.
        m_shared = entries;
        for (qsizetype i = 0; i < m_own.size(); ++i)
            m_ownPlaces[size_t(i)] = m_shared.lowerBound(m_own.at(i));
    } else {
        Entries::Builder builder;
        for (int row = 0; row < rowCount(); ++row)
            builder.append(entry(row));
        for (qsizetype i = 0; i < entries.size(); ++i)
            builder.append(entries.at(i));
        m_shared = builder.finish();
        m_own.clear();
        m_ownKeys.clear();
        m_ownPlaces.clear();
    }
    endResetModel();
}

// The box

Model *prepare(QComboBox *box)
{
    if (auto *model = qobject_cast<Model *>(box->model()))
        return model;
    auto *model = new Model(box);
    keepingText(box, [box, model] {
        const QStringList items = itemsOf(box);
        if (!items.isEmpty())
            model->addAll(Entries::sorted(items));
        box->setModel(model);
        return true;
    });
    // The list's rows all have the height of the first one, so that a list
    // of a million entries opens at once instead of measuring each (seconds
    // otherwise). The box's size never depends on its entries either: by
    // default it measures every one of them when asked for its size.
    if (auto *view = qobject_cast<QListView *>(box->view()))
        view->setUniformItemSizes(true);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    return model;
}

void add(QComboBox *box, const QString &entry)
{
    Model *model = prepare(box);
    keepingText(box, [model, &entry] {
        model->add(entry);
        return false;
    });
}

void addAll(QComboBox *box, const QStringList &entries)
{
    if (!entries.isEmpty())
        addAll(box, Entries::sorted(entries));
}

void addAll(QComboBox *box, const Entries &entries)
{
    if (entries.isEmpty())
        return;
    Model *model = prepare(box);
    keepingText(box, [model, &entries] {
        model->addAll(entries);
        return true;
    });
}

} // namespace AddressList

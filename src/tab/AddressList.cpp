#include "AddressList.h"

#include "tab/AddressOrder.h"

#include <QComboBox>
#include <QListView>

#include <algorithm>
#include <limits>
#include <utility>

namespace AddressList {

using AddressOrder::compareKeys;
using AddressOrder::keyOf;

namespace {

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
    AddressOrder::appendKey(m_keys, entry);
    m_keyEnds.push_back(quint32(m_keys.size()));
}

void Entries::Builder::appendUtf8(QByteArrayView entry)
{
    if (!fits(entry.size()))
        return;
    m_text.append(entry);
    m_ends.push_back(quint32(m_text.size()));
    AddressOrder::appendKey(m_keys, entry);
    m_keyEnds.push_back(quint32(m_keys.size()));
}

Entries Entries::Builder::finish()
{
    if (m_ends.empty())
        return Entries();
    const std::vector<quint32> order = AddressOrder::sortedOrder(m_keys, m_keyEnds);
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

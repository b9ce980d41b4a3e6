#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QStringList>

#include <memory>
#include <vector>

class QComboBox;

// The address box keeps its list in the order of AddressOrder: an entry
// goes to its sorted place, after the entries that compare equal to it.
namespace AddressList {

// The longest entry the list takes from the history. The engine would take
// addresses of up to 2 MiB, but an address people type or pick is far
// shorter: common web servers refuse request lines over 8 KiB, and an
// address of 4096 characters already fills the box many times over. Longer
// lines are pasted data or a garbled file, and laying out such a line is
// what makes a list slow to open.
inline constexpr qsizetype MaxEntryLength = 4096;

// Whether the entry could be an address at all: not too long, and holding
// no control character (NUL, line ends, ...), which no address holds.
bool isUsable(QStringView entry);

// A sorted, unchangeable list of entries that many address boxes can show at
// once without a copy of their own: one long history read by every tab is
// kept once. The text is held as UTF-8 in one block.
class Entries
{
public:
    class Builder;
    class Weak;

    Entries() = default;

    // The entries, sorted; entries that compare equal keep their order.
    static Entries sorted(const QStringList &entries);

    qsizetype size() const { return m_data ? qsizetype(m_data->spans.size()) : 0; }
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype index) const;
    QStringList toList() const;

    // The index of the first entry that does not sort before entry, and of
    // the first that sorts after it.
    qsizetype lowerBound(QStringView entry) const;
    qsizetype upperBound(QStringView entry) const;

    // True when both show the very same block of text.
    bool sharesWith(const Entries &other) const { return m_data && m_data == other.m_data; }
    // The bytes the entries take, their text and index.
    qsizetype bytes() const;

    Weak weak() const;

private:
    struct Span
    {
        quint32 begin;
        quint32 size;
    };
    struct Data
    {
        QByteArray text;         // the entries in the order they came
        std::vector<Span> spans; // where each is in the text, in sorted order
    };
    explicit Entries(std::shared_ptr<const Data> data)
        : m_data(std::move(data))
    {
    }
    QByteArrayView utf8At(qsizetype index) const;
    template<class Less> qsizetype bound(QStringView entry, Less less) const;

    std::shared_ptr<const Data> m_data;
};

// A hold on entries that does not keep them alive.
class Entries::Weak
{
public:
    Entries lock() const { return Entries(m_data.lock()); }

private:
    friend class Entries;
    std::weak_ptr<const Data> m_data;
};

// Collects entries in any order, then sorts them once.
class Entries::Builder
{
public:
    // Room for entries of this many bytes of text in all.
    void reserve(qsizetype bytes);
    void append(QStringView entry);
    // The same for an entry already in UTF-8.
    void appendUtf8(QByteArrayView entry);
    qsizetype size() const { return qsizetype(m_ends.size()); }
    Entries finish();

private:
    bool fits(qsizetype more) const;

    QByteArray m_text;
    std::vector<quint32> m_ends;
    QByteArray m_keys;
    std::vector<quint32> m_keyEnds;
};

// The list an address box shows: entries shared with other boxes, and the
// few this box added on its own, shown merged in sorted order. Nothing
// shared is copied when the box adds an entry.
class Model : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit Model(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    QString entry(int row) const;
    QStringList entries() const;
    // The shared part of the list.
    Entries shared() const { return m_shared; }

    // Goes after the entries that compare equal to it.
    void add(const QString &entry);
    // The entries already listed stay before the equal ones that come.
    void addAll(const Entries &entries);

private:
    int ownRow(qsizetype own) const { return int(m_ownPlaces[own] + own); }

    Entries m_shared;
    QStringList m_own;
    std::vector<QByteArray> m_ownKeys;
    // Each own entry stands just before this shared entry.
    std::vector<qsizetype> m_ownPlaces;
};

// Makes the box show its list through a Model and keeps a long list quick
// to open: rows of one height, no measuring of every entry. A box that has
// none gets one from add() and addAll() as well.
Model *prepare(QComboBox *box);

// Adds entries to the combo box's sorted list without touching the text the
// box shows.
void add(QComboBox *box, const QString &entry);
void addAll(QComboBox *box, const QStringList &entries);
void addAll(QComboBox *box, const Entries &entries);

} // namespace AddressList

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <QStringView>

#include <vector>

// The order of the address box's list: alphabetical without regard to
// letter case, duplicates included.
//
// It compares letters without their case and without their accents first
// (an accented letter sorts with its letter, before the next one), then
// accents; punctuation comes before digits, digits before letters. Each
// text has a sort key, and keys compare byte by byte: a list is sorted once
// by its keys, instead of comparing texts again and again.
namespace AddressOrder {

// True when a sorts before b; entries that compare equal are in no order.
bool before(QStringView a, QStringView b);

// Sorts in place; entries that compare equal keep their order.
void sort(QStringList &entries);
// The index at which an entry goes into an already sorted list: after the
// entries that compare equal to it.
qsizetype insertionIndex(const QStringList &sorted, const QString &entry);

// A text's sort key, appended to keys (many keys are kept one after the
// other in one block); from UTF-8 as from UTF-16.
void appendKey(QByteArray &keys, QStringView text);
void appendKey(QByteArray &keys, QByteArrayView utf8);
QByteArray keyOf(QStringView text);
QByteArray keyOf(QByteArrayView utf8);
// Below 0, 0 or above as a sorts before, with or after b.
int compareKeys(QByteArrayView a, QByteArrayView b);

// The order of indices that sorts the keys held one after the other in
// keys, key i ending at ends[i]; equal keys stay in index order.
std::vector<quint32> sortedOrder(QByteArrayView keys, const std::vector<quint32> &ends);

} // namespace AddressOrder

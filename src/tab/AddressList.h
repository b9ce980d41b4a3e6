#pragma once

#include <QStringList>

class QComboBox;

// The address box keeps its list in alphabetical order, without regard to
// letter case, duplicates included: an entry goes to its sorted place, after
// the entries that compare equal to it.
namespace AddressList {

// Sorts in place; entries that compare equal keep their order.
void sort(QStringList &entries);
// The index at which an entry goes into an already sorted list.
qsizetype insertionIndex(const QStringList &sorted, const QString &entry);

// Adds entries to the combo box's sorted list without touching the text the
// box shows.
void add(QComboBox *box, const QString &entry);
void addAll(QComboBox *box, const QStringList &entries);

} // namespace AddressList

#include "AddressList.h"

#include <QCollator>
#include <QComboBox>

#include <algorithm>

namespace AddressList {

namespace {

const QCollator &collator()
{
    static const QCollator collator = [] {
        QCollator c(QLocale(QLocale::French, QLocale::France));
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

bool before(const QString &a, const QString &b)
{
    return collator().compare(a, b) < 0;
}

QStringList items(const QComboBox *box)
{
    QStringList result;
    result.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        result.append(box->itemText(i));
    return result;
}

} // namespace

void sort(QStringList &entries)
{
    std::stable_sort(entries.begin(), entries.end(), before);
}

qsizetype insertionIndex(const QStringList &sorted, const QString &entry)
{
    return std::upper_bound(sorted.begin(), sorted.end(), entry, before) - sorted.begin();
}

void add(QComboBox *box, const QString &entry)
{
    // An editable box that gets its first item would show that item in
    // place of its text.
    const QString text = box->currentText();
    box->insertItem(int(insertionIndex(items(box), entry)), entry);
    box->setEditText(text);
}

void addAll(QComboBox *box, const QStringList &entries)
{
    if (entries.isEmpty())
        return;
    const QString text = box->currentText();
    QStringList all = items(box) + entries;
    sort(all);
    // One reset of the list instead of one insertion per entry: a long
    // history loads at once.
    box->clear();
    box->addItems(all);
    box->setEditText(text);
}

} // namespace AddressList

#include "tab/AddressList.h"

#include <QComboBox>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

class TestAddressList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Shared entries and a box's own ones show as one sorted list, whatever
    // order they came in. An own entry added before the shared ones goes
    // before the equal ones among them, one added after goes after them.
    void modelMergesInSortedOrder_data()
    {
        QTest::addColumn<QStringList>("before"); // added one by one first
        QTest::addColumn<QStringList>("shared");
        QTest::addColumn<QStringList>("after"); // added one by one then
        QTest::addColumn<QStringList>("rows");

        const QStringList abc {u"a"_s, u"b"_s, u"c"_s};
        QTest::newRow("shared only")
            << QStringList() << QStringList {u"c"_s, u"a"_s, u"b"_s} << QStringList() << abc;
        QTest::newRow("own only, in any order")
            << QStringList {u"c"_s, u"a"_s} << QStringList() << QStringList {u"b"_s} << abc;
        QTest::newRow("own ones between shared ones")
            << QStringList {u"b"_s} << QStringList {u"a"_s, u"c"_s, u"e"_s}
            << QStringList {u"f"_s, u"d"_s, u"0"_s}
            << QStringList {u"0"_s, u"a"_s, u"b"_s, u"c"_s, u"d"_s, u"e"_s, u"f"_s};
        QTest::newRow("equal entries: before, shared, after")
            << QStringList {u"B"_s} << QStringList {u"b"_s, u"a"_s, u"B"_s} << QStringList {u"b"_s}
            << QStringList {u"a"_s, u"B"_s, u"b"_s, u"B"_s, u"b"_s};
        QTest::newRow("own entries at both ends")
            << QStringList {u"zz"_s, u"0"_s} << abc << QStringList {u"zzz"_s, u"00"_s}
            << QStringList {u"0"_s, u"00"_s, u"a"_s, u"b"_s, u"c"_s, u"zz"_s, u"zzz"_s};
    }
    void modelMergesInSortedOrder()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, shared);
        QFETCH(QStringList, after);
        QFETCH(QStringList, rows);
        QComboBox box;
        box.setEditable(true);
        for (const QString &entry : std::as_const(before))
            AddressList::add(&box, entry);
        AddressList::addAll(&box, AddressList::Entries::sorted(shared));
        for (const QString &entry : std::as_const(after))
            AddressList::add(&box, entry);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items.append(box.itemText(i));
        QCOMPARE(items, rows);
    }

    // Boxes given the same entries keep one copy of them, and what one box
    // adds shows in that box only.
    void boxesShareTheirEntries()
    {
        const AddressList::Entries entries
            = AddressList::Entries::sorted({u"http://b.fr/"_s, u"http://a.fr/"_s});
        QComboBox first;
        QComboBox second;
        AddressList::addAll(&first, entries);
        AddressList::addAll(&second, entries);
        AddressList::add(&first, u"http://c.fr/"_s);
        QCOMPARE(first.count(), 3);
        QCOMPARE(second.count(), 2);
        QCOMPARE(first.itemText(2), u"http://c.fr/"_s);
        auto *firstModel = qobject_cast<AddressList::Model *>(first.model());
        auto *secondModel = qobject_cast<AddressList::Model *>(second.model());
        QVERIFY(firstModel && secondModel);
        QVERIFY(firstModel->shared().sharesWith(secondModel->shared()));
    }

    // An editable box that gets its first entry would otherwise show that
    // entry instead of the address the tab put there.
    void addingKeepsTheShownText()
    {
        QComboBox box;
        box.setEditable(true);
        box.setEditText(u"https://accueil.example/"_s);
        AddressList::addAll(&box, {u"zeta"_s, u"alpha"_s});
        QCOMPARE(box.currentText(), u"https://accueil.example/"_s);
        AddressList::add(&box, u"beta"_s);
        QCOMPARE(box.currentText(), u"https://accueil.example/"_s);
        QStringList items;
        for (int i = 0; i < box.count(); ++i)
            items.append(box.itemText(i));
        QCOMPARE(items, (QStringList {u"alpha"_s, u"beta"_s, u"zeta"_s}));
    }
};

QTEST_MAIN(TestAddressList)
#include "tst_addresslist.moc"

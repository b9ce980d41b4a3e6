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
    void sortIgnoresLetterCaseAndKeepsDuplicates_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("letter case")
            << QStringList {u"http://b.fr"_s, u"HTTP://A.FR"_s, u"http://c.fr"_s}
            << QStringList {u"HTTP://A.FR"_s, u"http://b.fr"_s, u"http://c.fr"_s};
        QTest::newRow("duplicates stay, in the order they came")
            << QStringList {u"b"_s, u"a"_s, u"B"_s, u"a"_s}
            << QStringList {u"a"_s, u"a"_s, u"b"_s, u"B"_s};
        QTest::newRow("accents sort with their letter")
            << QStringList {u"f"_s, u"été"_s, u"d"_s} << QStringList {u"d"_s, u"été"_s, u"f"_s};
        QTest::newRow("a letter before the same letter with an accent")
            << QStringList {u"éa"_s, u"ea"_s, u"Éb"_s, u"eb"_s}
            << QStringList {u"ea"_s, u"éa"_s, u"eb"_s, u"Éb"_s};
        QTest::newRow("ligatures sort as their letters")
            << QStringList {u"cœur"_s, u"coz"_s, u"cod"_s}
            << QStringList {u"cod"_s, u"cœur"_s, u"coz"_s};
        QTest::newRow("punctuation, then digits, then letters")
            << QStringList {u"a"_s, u"1"_s, u"_"_s, u"~"_s, u"Z"_s, u"/"_s}
            << QStringList {u"/"_s, u"_"_s, u"~"_s, u"1"_s, u"a"_s, u"Z"_s};
        QTest::newRow("a text before the longer ones it begins")
            << QStringList {u"http://a.fr/x"_s, u"http://a.fr/"_s, u"http://a"_s}
            << QStringList {u"http://a"_s, u"http://a.fr/"_s, u"http://a.fr/x"_s};
        QTest::newRow("other scripts after Latin letters")
            << QStringList {u"Ωmega"_s, u"zeta"_s, u"alpha"_s}
            << QStringList {u"alpha"_s, u"zeta"_s, u"Ωmega"_s};
    }
    void sortIgnoresLetterCaseAndKeepsDuplicates()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, sorted);
        AddressList::sort(entries);
        QCOMPARE(entries, sorted);
    }

    // Long lists are sorted in passes over parts of their keys; the result
    // must agree with comparing entries whole, equal ones in their order.
    void sortingManyAgreesWithComparingWhole_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("a few") << 12;
        QTest::newRow("hundreds") << 300;
        QTest::newRow("thousands") << 5000;
    }
    void sortingManyAgreesWithComparingWhole()
    {
        QFETCH(int, count);
        QRandomGenerator random(static_cast<quint32>(count));
        const QStringList pieces {
            u"http://"_s, u"https://www."_s, u"a"_s, u"A"_s, u"é"_s, u"E"_s, u"/"_s, u"."_s, u"1"_s,
            u"œ"_s,       u"example"_s,      u"Ω"_s, u""_s};
        QStringList entries;
        for (int i = 0; i < count; ++i) {
            QString entry;
            const int length = random.bounded(12);
            for (int j = 0; j < length; ++j)
                entry += pieces.at(random.bounded(int(pieces.size())));
            entries.append(entry);
        }
        // Which of the equal entries is which: their place in the input.
        QList<int> places(count);
        std::iota(places.begin(), places.end(), 0);
        QStringList sorted = entries;
        AddressList::sort(sorted);
        QCOMPARE(sorted.size(), entries.size());
        const AddressList::Entries shared = AddressList::Entries::sorted(entries);
        QCOMPARE(shared.toList(), sorted);

        QStringList expected = entries;
        std::stable_sort(places.begin(), places.end(), [&entries](int a, int b) {
            return AddressList::before(entries.at(a), entries.at(b));
        });
        for (int i = 0; i < count; ++i)
            expected[i] = entries.at(places.at(i));
        QCOMPARE(sorted, expected);
    }

    void insertionGoesAfterEqualEntries_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("index");
        QTest::newRow("first") << u"0"_s << 0;
        QTest::newRow("between") << u"bb"_s << 2;
        QTest::newRow("after an equal one") << u"B"_s << 2;
        QTest::newRow("last") << u"zz"_s << 3;
    }
    void insertionGoesAfterEqualEntries()
    {
        QFETCH(QString, entry);
        QFETCH(int, index);
        QCOMPARE(AddressList::insertionIndex({u"a"_s, u"b"_s, u"c"_s}, entry), index);
    }

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

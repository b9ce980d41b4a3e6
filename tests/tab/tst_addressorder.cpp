#include "tab/AddressList.h"
#include "tab/AddressOrder.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

using namespace Qt::StringLiterals;

// The address list's order, without any widget.
class TestAddressOrder : public QObject
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
        AddressOrder::sort(entries);
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
        AddressOrder::sort(sorted);
        QCOMPARE(sorted.size(), entries.size());
        const AddressList::Entries shared = AddressList::Entries::sorted(entries);
        QCOMPARE(shared.toList(), sorted);

        QStringList expected = entries;
        std::stable_sort(places.begin(), places.end(), [&entries](int a, int b) {
            return AddressOrder::before(entries.at(a), entries.at(b));
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
        QCOMPARE(AddressOrder::insertionIndex({u"a"_s, u"b"_s, u"c"_s}, entry), index);
    }
};

QTEST_APPLESS_MAIN(TestAddressOrder)
#include "tst_addressorder.moc"

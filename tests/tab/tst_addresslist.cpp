#include "tab/AddressList.h"

#include <QComboBox>
#include <QTest>

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
    }
    void sortIgnoresLetterCaseAndKeepsDuplicates()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, sorted);
        AddressList::sort(entries);
        QCOMPARE(entries, sorted);
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

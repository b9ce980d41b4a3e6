#include "support/TestPlatform.h"

#include "widgets/Twips.h"

#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A captioned control whose caption needs the size the test gives it.
class Captioned : public QPushButton
{
public:
    Captioned(const QSize &needs, QWidget *parent)
        : QPushButton(u"Légende"_s, parent)
        , m_needs(needs)
    {
    }
    QSize sizeHint() const override { return m_needs; }

private:
    QSize m_needs;
};

} // namespace

// How a designed window makes room for a caption that needs more than its
// designed place: A is captioned, B is right of it, C below it, D below B
// (in B's column, in C's row). The window is designed 200 x 100.
class TestTwips : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { failOnStrayWarnings(); }

    void fitMakesRoomForCaptions_data()
    {
        QTest::addColumn<QSize>("needs");
        QTest::addColumn<QRect>("a");
        QTest::addColumn<QRect>("b");
        QTest::addColumn<QRect>("c");
        QTest::addColumn<QRect>("d");
        QTest::addColumn<QSize>("window");

        QTest::newRow("the caption fits: all as designed")
            << QSize(40, 15) << QRect(10, 10, 50, 20) << QRect(70, 10, 50, 20)
            << QRect(10, 40, 50, 20) << QRect(70, 40, 50, 20) << QSize(200, 100);
        QTest::newRow("wider, short of its neighbour: nothing moves")
            << QSize(60, 20) << QRect(10, 10, 60, 20) << QRect(70, 10, 50, 20)
            << QRect(10, 40, 50, 20) << QRect(70, 40, 50, 20) << QSize(200, 100);
        QTest::newRow("wider: its row and the next column move right")
            << QSize(80, 20) << QRect(10, 10, 80, 20) << QRect(100, 10, 50, 20)
            << QRect(10, 40, 50, 20) << QRect(100, 40, 50, 20) << QSize(230, 100);
        QTest::newRow("taller: the control below and its row move down")
            << QSize(50, 40) << QRect(10, 10, 50, 40) << QRect(70, 10, 50, 20)
            << QRect(10, 60, 50, 20) << QRect(70, 60, 50, 20) << QSize(200, 120);
        QTest::newRow("wider and taller")
            << QSize(80, 40) << QRect(10, 10, 80, 40) << QRect(100, 10, 50, 20)
            << QRect(10, 60, 50, 20) << QRect(100, 60, 50, 20) << QSize(230, 120);
    }
    void fitMakesRoomForCaptions()
    {
        QFETCH(QSize, needs);
        QWidget window;
        window.resize(200, 100);
        window.setFixedSize(200, 100);
        auto *a = new Captioned(needs, &window);
        auto *b = new QWidget(&window);
        auto *c = new QWidget(&window);
        auto *d = new QWidget(&window);
        Twips::placeDesigned(a, QRect(10, 10, 50, 20));
        Twips::placeDesigned(b, QRect(70, 10, 50, 20));
        Twips::placeDesigned(c, QRect(10, 40, 50, 20));
        Twips::placeDesigned(d, QRect(70, 40, 50, 20));
        // Placing grows the caption at once.
        QTEST(a->geometry(), "a");

        Twips::fit(&window);
        QTEST(a->geometry(), "a");
        QTEST(b->geometry(), "b");
        QTEST(c->geometry(), "c");
        QTEST(d->geometry(), "d");
        QTEST(window.size(), "window");
        QCOMPARE(window.minimumSize(), window.maximumSize());
        // Laying out again changes nothing.
        Twips::fit(&window);
        QTEST(d->geometry(), "d");
        QTEST(window.size(), "window");
    }
};

QTEST_MAIN(TestTwips)

#include "tst_twips.moc"

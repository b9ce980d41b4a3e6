#include "app/WindowPlacement.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QRect>)

// The main window on small screens and at large scale factors. Screens are
// given as the available area Qt reports in device-independent pixels: a
// 1920 x 1080 screen at scale 2 is 960 x 540.
class tst_WindowPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clamp_data();
    void clamp();
};

namespace {

// The main window as designed: 845 x 656 pixels of client area at 96 DPI,
// below a menu bar of 21.
const QSize Designed(845, 677);
// A title bar of 30 and borders of 4.
const QMargins Frame(4, 30, 4, 4);

} // namespace

void tst_WindowPlacement::clamp_data()
{
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<std::optional<QRect>>("expected");

    const std::optional<QRect> fits;
    // 640 x 480 is too small at every scale: the window fills the area.
    QTest::newRow("640x480 at 1") << Frame << QRect(0, 0, 640, 480)
                                  << std::optional(QRect(4, 30, 632, 446));
    QTest::newRow("640x480 at 1.5")
        << Frame << QRect(0, 0, 426, 320) << std::optional(QRect(4, 30, 418, 286));
    QTest::newRow("640x480 at 2") << Frame << QRect(0, 0, 320, 240)
                                  << std::optional(QRect(4, 30, 312, 206));
    QTest::newRow("1024x768 at 1") << Frame << QRect(0, 0, 1024, 768) << fits;
    QTest::newRow("1024x768 at 1.5")
        << Frame << QRect(0, 0, 682, 512) << std::optional(QRect(4, 30, 674, 478));
    QTest::newRow("1024x768 at 2")
        << Frame << QRect(0, 0, 512, 384) << std::optional(QRect(4, 30, 504, 350));
    QTest::newRow("1920x1080 at 1") << Frame << QRect(0, 0, 1920, 1080) << fits;
    QTest::newRow("1920x1080 at 1.5") << Frame << QRect(0, 0, 1280, 720) << fits;
    // Only the height is cut; the width stays as designed, centred.
    QTest::newRow("1920x1080 at 2")
        << Frame << QRect(0, 0, 960, 540) << std::optional(QRect(57, 30, 845, 506));
    QTest::newRow("1920x1080 at 2, panel at the top")
        << Frame << QRect(0, 16, 960, 524) << std::optional(QRect(57, 46, 845, 490));
    QTest::newRow("second screen at 1.5")
        << Frame << QRect(1280, 0, 682, 512) << std::optional(QRect(1284, 30, 674, 478));
    QTest::newRow("exactly the framed size") << Frame << QRect(0, 0, 853, 711) << fits;
    QTest::newRow("one pixel narrower")
        << Frame << QRect(0, 0, 852, 711) << std::optional(QRect(4, 30, 844, 677));
    QTest::newRow("one pixel lower")
        << Frame << QRect(0, 0, 853, 710) << std::optional(QRect(4, 30, 845, 676));
    QTest::newRow("no frame, 640x480")
        << QMargins() << QRect(0, 0, 640, 480) << std::optional(QRect(0, 0, 640, 480));
    QTest::newRow("no frame, designed size") << QMargins() << QRect(0, 0, 845, 677) << fits;
    QTest::newRow("area smaller than the frame")
        << Frame << QRect(0, 0, 6, 20) << std::optional(QRect(3, 23, 1, 1));
}

void tst_WindowPlacement::clamp()
{
    QFETCH(QMargins, frame);
    QFETCH(QRect, available);
    QFETCH(std::optional<QRect>, expected);

    const std::optional<QRect> placed = WindowPlacement::clamp(Designed, frame, available);
    QCOMPARE(placed.has_value(), expected.has_value());
    if (!placed)
        return;
    QCOMPARE(*placed, *expected);
    const QRect framed = placed->marginsAdded(frame);
    if (framed.width() <= available.width() && framed.height() <= available.height())
        QVERIFY(available.contains(framed));
}

QTEST_APPLESS_MAIN(tst_WindowPlacement)
#include "tst_windowplacement.moc"

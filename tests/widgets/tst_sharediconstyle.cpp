#include "widgets/SharedIconStyle.h"

#include "app/Program.h"

#include <QApplication>
#include <QPalette>
#include <QPixmap>
#include <QTest>
#include <QWidget>

class TestSharedIconStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What a maximized child window's buttons and menu draw: one icon, and
    // one set of cached images, whichever window asks and however often.
    void titleBarIconsAreMadeOnce_data()
    {
        QTest::addColumn<int>("standardIcon");
        QTest::newRow("menu") << int(QStyle::SP_TitleBarMenuButton);
        QTest::newRow("minimize") << int(QStyle::SP_TitleBarMinButton);
        QTest::newRow("maximize") << int(QStyle::SP_TitleBarMaxButton);
        QTest::newRow("close") << int(QStyle::SP_TitleBarCloseButton);
        QTest::newRow("restore") << int(QStyle::SP_TitleBarNormalButton);
    }
    void titleBarIconsAreMadeOnce()
    {
        QFETCH(int, standardIcon);
        const auto pixmap = QStyle::StandardPixmap(standardIcon);
        SharedIconStyle style(QStringLiteral("Fusion"));
        QWidget first;
        QWidget second;
        const QIcon icon = style.standardIcon(pixmap, nullptr, &first);
        QVERIFY(!icon.isNull());
        QCOMPARE(style.standardIcon(pixmap, nullptr, &second).cacheKey(), icon.cacheKey());
        QCOMPARE(style.standardIcon(pixmap).pixmap(16, QIcon::Disabled).cacheKey(),
                 style.standardIcon(pixmap).pixmap(16, QIcon::Disabled).cacheKey());
    }

    // The other images are the style's own, as it makes them.
    void otherIconsAreTheStyles()
    {
        SharedIconStyle style(QStringLiteral("Fusion"));
        QVERIFY(!SharedIconStyle::shares(QStyle::SP_DialogOkButton));
        QVERIFY(!style.standardIcon(QStyle::SP_DialogOkButton).isNull());
    }

    // The program's set-up puts it over the style Qt chose (the desktop's,
    // or the one QT_STYLE_OVERRIDE names), not over a style of its own
    // choice, and the desktop's colours stay.
    void theProgramKeepsTheStyleQtChose()
    {
        const QString chosen = QApplication::style()->name();
        const QPalette colours = QApplication::palette();
        Program::setUpApplication();
        QCOMPARE(QApplication::palette(), colours);
        auto *style = qobject_cast<SharedIconStyle *>(QApplication::style());
        QVERIFY(style);
        QCOMPARE(style->baseStyle()->name(), chosen);
    }
};

QTEST_MAIN(TestSharedIconStyle)
#include "tst_sharediconstyle.moc"

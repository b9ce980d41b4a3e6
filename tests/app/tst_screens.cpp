#include "support/TestPlatform.h"

#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QComboBox>
#include <QMdiArea>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

// The main window on the screen the test runs on: CTest runs it on small and
// large offscreen screens, at scale factors 1, 1.5 and 2 (QT_SCALE_FACTOR).
class TestScreens : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<frmCV> m_window;

    frmCV *startUp()
    {
        m_window = std::make_unique<frmCV>(m_platform->platform());
        m_window->Show();
        QCoreApplication::processEvents();
        return m_window.get();
    }
    // The widget's rectangle in the main window's coordinates.
    QRect inWindow(const QWidget *widget) const
    {
        return QRect(widget->mapTo(m_window.get(), QPoint(0, 0)), widget->size());
    }

private Q_SLOTS:
    void init()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
    }
    void cleanup()
    {
        m_window.reset();
        m_platform.reset();
    }

    void theScaleFactorApplies()
    {
        const QScreen *screen = QGuiApplication::primaryScreen();
        const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
        QCOMPARE(screen->devicePixelRatio(), scale);
    }

    void windowStaysOnTheScreen()
    {
        frmCV *window = startUp();
        const QRect available = window->screen()->availableGeometry();
        const QRect frame = window->frameGeometry();
        QVERIFY2(available.contains(frame),
                 qPrintable(u"%1x%2 at %3,%4"_s.arg(frame.width())
                                .arg(frame.height())
                                .arg(frame.x())
                                .arg(frame.y())));
        // On a screen that holds it, the window keeps its designed size.
        const QSize designed(845, 656);
        if (available.width() >= 845 + 60 && available.height() >= 656 + 120)
            QCOMPARE(window->centralWidget()->size(), designed);
    }

    void controlsStayInTheWindow()
    {
        frmCV *window = startUp();
        const QRect client = window->rect();
        const QWidget *bar = window->Bar();
        QVERIFY(bar->isVisible() && bar->height() > 0);
        QVERIFY(client.contains(inWindow(bar)));
        const QList<frmBrowser *> tabs = m_platform->forms.of<frmBrowser>();
        QCOMPARE(tabs.size(), 1);
        for (const char *name : {"cboAddress", "cboSearch", "cboSearchChoix", "tbToolBar"}) {
            auto *control = tabs.first()->findChild<QWidget *>(QString::fromLatin1(name));
            QVERIFY2(control, name);
            QVERIFY2(client.contains(inWindow(control)), name);
        }
    }

    void iconsAreDrawnAtTheScreensResolution()
    {
        frmCV *window = startUp();
        const qreal ratio = window->devicePixelRatioF();
        auto *toolBar = m_platform->forms.of<frmBrowser>().first()->findChild<QToolBar *>();
        QVERIFY(toolBar);
        QList<QIcon> icons {window->windowIcon()};
        for (const QAction *action : toolBar->actions()) {
            if (!action->icon().isNull())
                icons.append(action->icon());
        }
        QVERIFY(icons.size() > 1);
        // A fixed pixmap would come out at its own size; a drawing scales.
        for (const QSize size : {toolBar->iconSize(), QSize(64, 64)}) {
            for (const QIcon &icon : std::as_const(icons)) {
                const QPixmap pixmap = icon.pixmap(size, ratio);
                QCOMPARE(pixmap.devicePixelRatio(), ratio);
                QCOMPARE(pixmap.size(), (QSizeF(size) * ratio).toSize());
            }
        }
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"

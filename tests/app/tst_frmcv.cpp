#include "support/MainWindowFixture.h"
#include "support/TestPlatform.h"

#include "about/frmAbout.h"
#include "app/Module1.h"
#include "app/frmCV.h"
#include "settings/frmOptions.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

class TestFrmCV : public QObject, public MainWindowFixture
{
    Q_OBJECT

    QAction *action(const char *name) const
    {
        auto *found = m_window->findChild<QAction *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no menu item %s", name);
        return found;
    }
    // The outer width of the main window, in twips at 96 DPI.
    float outerWidth() const { return float(m_window->frameGeometry().width() * 15); }
    // Resizes the window so that its outer width, frame included, is the
    // given number of pixels.
    void setOuterWidth(int pixels)
    {
        const int frame = m_window->frameGeometry().width() - m_window->width();
        m_window->resize(pixels - frame, 600);
        QCoreApplication::processEvents();
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void startUpOpensTheFirstTab()
    {
        frmCV *window = startUp();
        const QList<frmBrowser *> tabs = m_platform->forms.of<frmBrowser>();
        QCOMPARE(tabs.size(), 1);
        QCOMPARE(tabs.first()->getID(), qint16(1));
        QVERIFY(tabs.first()->isLoaded());
        QCOMPARE(window->LastTab(), tabs.first());
        QCOMPARE(window->LastTabID(), qint16(1));
        // The tab asked for its page during start-up.
        QCOMPARE(static_cast<FakeBrowser *>(tabs.first()->browser())->navigations().size(), 1);
        QCOMPARE(window->mdiArea()->subWindowList().size(), 1);
        QVERIFY(tabs.first()->subWindow()->isMaximized());

        // The designed panel is the first tab's, as wide as the window.
        QCOMPARE(window->Bar()->count(), 1);
        Panel *panel = window->Bar()->panel(1);
        QCOMPARE(panel->key(), u"1"_s);
        QCOMPARE(panel->text(), u"1"_s);
        QCOMPARE(panel->width(), outerWidth());
        QCOMPARE(Module1::PanelCount, qint16(1));
        QCOMPARE(m_platform->forms.all().first(), window);
    }

    void windowAsDesigned()
    {
        frmCV *window = startUp();
        QVERIFY(window->windowTitle().startsWith(u"Brennick Corvane"_s));
        QVERIFY(!window->windowIcon().isNull());
        QCOMPARE(window->mdiArea()->background().color(), QColor(224, 224, 224));
        // 12675 x 9840 twips below the menu bar, the tab strip included.
        QCOMPARE(window->centralWidget()->size(), QSize(845, 656));
        QCOMPARE(window->Bar()->height(), 25);
    }

    void menuTree()
    {
        frmCV *window = startUp();
        QStringList bar;
        for (QAction *item : window->menuBar()->actions())
            bar.append(item->text());
        QCOMPARE(bar, (QStringList {u"&Fichier"_s, u"Outils"_s, u"New Tab"_s, u"&?"_s}));
        QCOMPARE(window->menuBar()->actions().at(2), action("mNewTab"));
        QCOMPARE(action("mNewTab")->menu(), nullptr);

        const struct
        {
            const char *name;
            QString caption;
            QKeySequence shortcut;
            const char *menu;
        } items[] = {
            {"mNew", u"&Nouvel Onglet"_s, QKeySequence(Qt::Key_F12), "mFichier"},
            {"mQuit", u"&Quitter"_s, QKeySequence(Qt::CTRL | Qt::Key_Q), "mFichier"},
            {"mOptions", u"Options de Corvane"_s, QKeySequence(Qt::Key_F11), "mOutils"},
            {"mOptInt", u"Options Internet"_s, QKeySequence(Qt::Key_F9), "mOutils"},
            {"mAbout", u"A propos"_s, QKeySequence(Qt::Key_F1), "mHelp"},
        };
        for (const auto &item : items) {
            QCOMPARE(action(item.name)->text(), item.caption);
            QCOMPARE(action(item.name)->shortcut(), item.shortcut);
            auto *menu = window->findChild<QMenu *>(QString::fromLatin1(item.menu));
            QVERIFY(menu);
            QVERIFY2(menu->actions().contains(action(item.name)), item.name);
        }
        QCOMPARE(window->findChild<QMenu *>(u"mFichier"_s)->actions(),
                 (QList<QAction *> {action("mNew"), action("mQuit")}));
        QCOMPARE(window->findChild<QMenu *>(u"mOutils"_s)->actions(),
                 (QList<QAction *> {action("mOptions"), action("mOptInt")}));
    }

    // Resizz shares the window's outer width among the panels, in single
    // precision.
    void resizzDividesTheOuterWidth_data()
    {
        QTest::addColumn<int>("panels");
        QTest::addColumn<float>("width");
        QTest::newRow("one") << 1 << 12000.f;
        QTest::newRow("three") << 3 << 4000.f;
        QTest::newRow("four") << 4 << 3000.f;
        QTest::newRow("seven") << 7 << 12000.f / 7.f;
        QTest::newRow("sixteen") << 16 << 750.f;
    }
    void resizzDividesTheOuterWidth()
    {
        QFETCH(int, panels);
        QFETCH(float, width);
        frmCV *window = startUp();
        for (int i = 2; i <= panels; ++i)
            window->Bar()->add(i)->setKey(QString::number(i));
        setOuterWidth(800);
        QCOMPARE(outerWidth(), 12000.f);
        QCOMPARE(Module1::PanelCount, qint16(panels));
        for (Panel *panel : window->Bar()->panels())
            QCOMPARE(panel->width(), width);
    }

    void resizzWithoutPanelsDividesNothing()
    {
        frmCV *window = startUp();
        window->Bar()->remove(1);
        window->Resizz();
        QCOMPARE(Module1::PanelCount, qint16(0));
    }

    void everyResizeAndStateChangeRelaysTheStrip()
    {
        frmCV *window = startUp();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        Panel *panel = window->Bar()->panel(1);
        setOuterWidth(600);
        QTRY_COMPARE(panel->width(), 9000.f);

        panel->setWidth(1);
        window->showMaximized();
        QTRY_COMPARE(panel->width(), outerWidth());
        panel->setWidth(1);
        window->showMinimized();
        QTRY_COMPARE(panel->width(), outerWidth());
    }

    void closingUnloadsEveryTab()
    {
        frmCV *window = startUp();
        frmBrowser *tab = m_platform->forms.of<frmBrowser>().first();
        QPointer<QMdiSubWindow> child = tab->subWindow();
        QVERIFY(window->close());
        QVERIFY(m_platform->forms.of<frmBrowser>().isEmpty());
        // Its close steps removed its panel.
        QCOMPARE(window->Bar()->count(), 0);
        QCOMPARE(Module1::PanelCount, qint16(0));
        QTRY_VERIFY(child.isNull());
        // The main window itself is not unloaded by its closing walk.
        QVERIFY(m_platform->forms.isLoaded(window));
    }

    void quitEndsAtOnceWithoutCloseSteps()
    {
        frmCV *window = startUp();
        QEventLoop loop;
        QTimer::singleShot(0, action("mQuit"), &QAction::trigger);
        QTimer::singleShot(10000, &loop, [&loop] { loop.exit(99); });
        QCOMPARE(loop.exec(), 0);
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 1);
        QCOMPARE(window->Bar()->count(), 1);
        QVERIFY(window->isVisible());
    }

    void optionsDialogIsOneForTheRun()
    {
        frmCV *window = startUp();
        action("mOptions")->trigger();
        frmOptions *options = window->Options();
        QVERIFY(options);
        QVERIFY(options->isVisible());
        QVERIFY(!options->isModal());
        QCOMPARE(options->parentWidget(), window);
        QVERIFY(options->windowFlags() & Qt::Dialog);
        QCOMPARE(m_platform->forms.count(), 3);
        // The toolbar's options button reaches the same dialog, brought
        // forward rather than loaded again.
        frmBrowser *tab = m_platform->forms.of<frmBrowser>().first();
        tab->findChild<QToolBar *>(u"tbToolBar"_s)->findChild<QAction *>(u"kOptions"_s)->trigger();
        QCOMPARE(window->Options(), options);
        QCOMPARE(m_platform->forms.count(), 3);
        options->findChild<QPushButton *>(u"cmdCancel"_s)->click();
        QVERIFY(!options->isVisible());
        action("mOptions")->trigger();
        QCOMPARE(window->Options(), options);
        QVERIFY(options->isVisible());
    }

    void aboutDialogIsOneForTheRun()
    {
        frmCV *window = startUp();
        action("mAbout")->trigger();
        frmAbout *about = window->About();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->parentWidget(), window);
        QCOMPARE(about->windowTitle(), u"À propos de Corvane"_s);
        action("mAbout")->trigger();
        QCOMPARE(window->About(), about);
        QCOMPARE(m_platform->forms.count(), 3);
        // The closing walk unloads it.
        QVERIFY(window->close());
        QVERIFY(!m_platform->forms.isLoaded(about));
        QVERIFY(!about->isVisible());
        QCOMPARE(m_platform->forms.count(), 1);
    }

    void closingUnloadsTheOptionsDialog()
    {
        frmCV *window = startUp();
        action("mOptions")->trigger();
        QVERIFY(window->close());
        QVERIFY(!m_platform->forms.isLoaded(window->Options()));
        QVERIFY(!window->Options()->isVisible());
        QCOMPARE(m_platform->forms.count(), 1);
    }

    void applyingReachesOpenTabsPopupsAtOnceStartAddressLater()
    {
        m_platform->folder.write(u"Corvane.ini"_s, "http://a.fr/\r\n3\r\n");
        frmCV *window = startUp();
        frmBrowser *first = m_platform->forms.of<frmBrowser>().first();
        QCOMPARE(first->StartingAddress(), u"http://a.fr/"_s);
        action("mOptions")->trigger();
        frmOptions *options = window->Options();
        options->findChild<QLineEdit *>(u"txtPageDemar"_s)->setText(u"http://b.fr/"_s);
        options->findChild<QRadioButton *>(u"optPopBlok"_s)->setChecked(true);
        options->findChild<QPushButton *>(u"cmdApply"_s)->click();

        // The open tab blocks its next popup, but keeps its start address.
        const NewWindowRequest request = static_cast<FakeBrowser *>(first->browser())
                                             ->raiseNewWindow2(QUrl(u"http://127.0.0.1/p"_s), true);
        QVERIFY(request.Cancel);
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 1);
        QCOMPARE(first->StartingAddress(), u"http://a.fr/"_s);
        window->mNew_Click();
        frmBrowser *second = m_platform->forms.of<frmBrowser>().last();
        QVERIFY(second != first);
        QCOMPARE(second->StartingAddress(), u"http://b.fr/"_s);
        // The loaded dialog counts in the new tab's caption.
        QCOMPARE(second->caption(), u"3"_s);
    }

    void menuKeysDoNotActFromADialog()
    {
        frmCV *window = startUp();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(window, Qt::Key_F12);
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 2);

        action("mOptions")->trigger();
        frmOptions *options = window->Options();
        // A dialog shares its owner's activation: wait for the dialog
        // itself to be the active window.
        QTRY_COMPARE(QApplication::activeWindow(), options);
        QTest::keyClick(options->findChild<QLineEdit *>(u"txtPageDemar"_s), Qt::Key_F12);
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 2);
        QVERIFY(options->isVisible());
    }

    void internetOptionsStartTheDesktopTool()
    {
        startUp();
        const bool toolInstalled = !Launcher::internetOptions([](const QString &name) {
                                        return QStandardPaths::findExecutable(name);
                                    }).isEmpty();
        action("mOptInt")->trigger();
        if (toolInstalled) {
            QCOMPARE(m_platform->launcher.started.size(), 1);
            QCOMPARE(m_platform->launcher.styles.first(),
                     Launcher::WindowStyle::MinimizedWithFocus);
            QCOMPARE(m_platform->messageBox.count(), 0);
        } else {
            QCOMPARE(m_platform->launcher.started.size(), 0);
            QCOMPARE(m_platform->messageBox.count(), 1);
        }

        // A tool that does not start is said in French, never silently.
        m_platform->messageBox.clear();
        m_platform->launcher.succeeds = false;
        action("mOptInt")->trigger();
        QCOMPARE(m_platform->messageBox.count(), 1);
        const MessageBox::Request request = m_platform->messageBox.requests().first();
        QCOMPARE(request.text, u"Les options Internet ne sont pas disponibles sur ce système."_s);
        QCOMPARE(request.buttons, MessageBox::Buttons::Ok);
    }
};

QTEST_MAIN(TestFrmCV)
#include "tst_frmcv.moc"

#include "support/TestPlatform.h"

#include "settings/frmOptions.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString NoFile = u"<no file>"_s;

// Runs the writing of a test as an unprivileged user when the tests run as
// the superuser, whom file permissions do not stop.
class UnprivilegedScope
{
public:
    UnprivilegedScope()
        : m_dropped(geteuid() == 0 && seteuid(65534) == 0)
    {
    }
    ~UnprivilegedScope()
    {
        if (m_dropped && seteuid(0) != 0)
            qFatal("cannot take back the superuser's rights");
    }
    bool stopsWriting() const { return geteuid() != 0; }

private:
    bool m_dropped;
};

} // namespace

class TestFrmOptions : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    QString m_popupMode;
    std::unique_ptr<frmOptions> m_dialog;

    frmOptions *dialog()
    {
        if (!m_dialog)
            m_dialog = std::make_unique<frmOptions>(m_platform->platform(), m_popupMode);
        return m_dialog.get();
    }
    frmOptions *open()
    {
        dialog()->Show();
        return m_dialog.get();
    }
    template<class T = QWidget> T *control(const QString &name)
    {
        auto *found = dialog()->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    void click(const QString &name)
    {
        QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton);
    }
    QString selectedOption()
    {
        QString selected;
        for (const QString &name : {u"optPopBlok"_s, u"optPopDem"_s, u"optPopAut"_s}) {
            if (control<QRadioButton>(name)->isChecked())
                selected += name;
        }
        return selected;
    }
    QByteArray file() const { return m_platform->folder.read(u"Corvane.ini"_s); }
    bool isOpen() { return dialog()->isVisible() && m_platform->forms.isLoaded(dialog()); }

private Q_SLOTS:
    void init()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
        m_popupMode.clear();
    }
    void cleanup()
    {
        m_dialog.reset();
        QCOMPARE(m_platform->forms.count(), 0);
        m_platform.reset();
    }

    void dialogAsDesigned()
    {
        frmOptions *window = open();
        QCOMPARE(window->windowTitle(), u"Options"_s);
        QVERIFY(!window->isModal());
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags()
                  & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        auto *tabs = control<QTabWidget>(u"SSTab1"_s);
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), u"Corvane"_s);
        QCOMPARE(tabs->tabText(1), u"Internet"_s);
        QCOMPARE(tabs->tabText(2), u"Autres"_s);
        // 6150 x 4920 twips, the tab control at 120, 120, 5895, 4215: each
        // keeps its designed margins to its right and bottom edges around
        // controls that grow to their captions.
        QCOMPARE(tabs->pos(), QPoint(8, 8));
        QRect inTabs;
        for (QWidget *child : tabs->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // The tab control's own parts are named qt_...; its controls
            // are the dialog's.
            if (!child->objectName().startsWith(u"qt_"_s))
                inTabs |= child->geometry();
        }
        QCOMPARE(tabs->width(), std::max(393, inTabs.right() + 1 + 16));
        QCOMPARE(tabs->height(), std::max(281, inTabs.bottom() + 1 + 96));
        const QRect apply = control(u"cmdApply"_s)->geometry();
        QCOMPARE(window->width(),
                 std::max(410, std::max(tabs->geometry().right(), apply.right()) + 1 + 9));
        QCOMPARE(window->height(), std::max(328, apply.bottom() + 1 + 6));
        for (QPushButton *button : window->findChildren<QPushButton *>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(),
                     qPrintable(button->objectName()));
    }

    void controlsAsDesigned_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("tab"); // -1: on the dialog itself
        QTest::addColumn<QRect>("twips");
        // The control before it in its row (or column) that, grown to its
        // caption, pushes it on; it keeps its designed distance from it.
        QTest::addColumn<QString>("after");
        QTest::addColumn<QRect>("afterTwips");
        QTest::addColumn<Qt::Orientation>("direction");

        QTest::newRow("Label1") << u"Label1"_s << u"Adresse de démarrage"_s << 0
                                << QRect(360, 720, 1695, 255) << QString() << QRect()
                                << Qt::Horizontal;
        QTest::newRow("txtPageDemar")
            << u"txtPageDemar"_s << QString() << 0 << QRect(2040, 720, 3615, 285) << u"Label1"_s
            << QRect(360, 720, 1695, 255) << Qt::Horizontal;
        QTest::newRow("Label2") << u"Label2"_s << u"Popups :"_s << 0 << QRect(360, 1200, 1575, 255)
                                << QString() << QRect() << Qt::Horizontal;
        QTest::newRow("optPopBlok")
            << u"optPopBlok"_s << u"Block!"_s << 0 << QRect(1920, 1080, 1335, 375) << QString()
            << QRect() << Qt::Horizontal;
        QTest::newRow("optPopDem")
            << u"optPopDem"_s << u"Me demander"_s << 0 << QRect(1920, 1320, 1575, 375) << QString()
            << QRect() << Qt::Horizontal;
        QTest::newRow("optPopAut")
            << u"optPopAut"_s << u"Toujours autoriser"_s << 0 << QRect(1920, 1560, 1695, 375)
            << QString() << QRect() << Qt::Horizontal;
        QTest::newRow("Label3") << u"Label3"_s << u"Nouvelle page :"_s << 0
                                << QRect(360, 2040, 1335, 255) << QString() << QRect()
                                << Qt::Horizontal;
        QTest::newRow("chkNPAd") << u"chkNPAd"_s << u"Adresse"_s << 0
                                 << QRect(1920, 2040, 1215, 255) << QString() << QRect()
                                 << Qt::Horizontal;
        QTest::newRow("chkNPSe") << u"chkNPSe"_s << u"Recherche"_s << 0
                                 << QRect(1920, 2280, 1215, 255) << u"chkNPAd"_s
                                 << QRect(1920, 2040, 1215, 255) << Qt::Vertical;
        QTest::newRow("chkNPHo") << u"chkNPHo"_s << u"Home Page"_s << 0
                                 << QRect(1920, 2520, 1215, 255) << u"chkNPSe"_s
                                 << QRect(1920, 2280, 1215, 255) << Qt::Vertical;
        QTest::newRow("cmdAffOptInt")
            << u"cmdAffOptInt"_s << u"Options Internet"_s << 1 << QRect(240, 720, 5415, 615)
            << QString() << QRect() << Qt::Horizontal;
        QTest::newRow("cmdOK") << u"cmdOK"_s << u"OK"_s << -1 << QRect(2490, 4455, 1095, 375)
                               << u"SSTab1"_s << QRect(120, 120, 5895, 4215) << Qt::Vertical;
        QTest::newRow("cmdCancel")
            << u"cmdCancel"_s << u"Annuler"_s << -1 << QRect(3720, 4455, 1095, 375) << u"SSTab1"_s
            << QRect(120, 120, 5895, 4215) << Qt::Vertical;
        QTest::newRow("cmdApply") << u"cmdApply"_s << u"Appliquer"_s << -1
                                  << QRect(4920, 4455, 1095, 375) << u"SSTab1"_s
                                  << QRect(120, 120, 5895, 4215) << Qt::Vertical;
    }
    void controlsAsDesigned()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(int, tab);
        QFETCH(QRect, twips);
        QFETCH(QString, after);
        QFETCH(QRect, afterTwips);
        QFETCH(Qt::Orientation, direction);
        frmOptions *window = open();
        auto *tabs = control<QTabWidget>(u"SSTab1"_s);
        QWidget *widget = control(name);
        QWidget *origin = tab < 0 ? static_cast<QWidget *>(window) : tabs;
        const QRect pixels(widget->mapTo(origin, QPoint(0, 0)), widget->size());
        const auto px = [](int t) {
            return qRound(t / 15.0);
        };
        const QRect designed(px(twips.x()), px(twips.y()), px(twips.width()), px(twips.height()));
        // A control keeps its designed size unless its caption needs more.
        QCOMPARE(pixels.size(),
                 caption.isNull() ? designed.size()
                                  : designed.size().expandedTo(widget->sizeHint()));
        if (after.isEmpty()) {
            QCOMPARE(pixels.topLeft(), designed.topLeft());
        } else {
            // It moves on by as much as the control before it grew (or
            // moved), once that one would overlap it more than designed.
            const QRect pusher = control(after)->geometry();
            const QRect pusherDesigned(px(afterTwips.x()), px(afterTwips.y()),
                                       px(afterTwips.width()), px(afterTwips.height()));
            const auto pushed = [](int designedStart, int pusherEnd, int pusherDesignedEnd) {
                const int overlap = pusherEnd + 1 - designedStart;
                return overlap > std::max(0, pusherDesignedEnd + 1 - designedStart)
                    ? designedStart + pusherEnd - pusherDesignedEnd
                    : designedStart;
            };
            if (direction == Qt::Horizontal)
                QCOMPARE(pixels.topLeft(),
                         QPoint(pushed(designed.left(), pusher.right(), pusherDesigned.right()),
                                designed.top()));
            else
                QCOMPARE(pixels.topLeft(),
                         QPoint(designed.left(),
                                pushed(designed.top(), pusher.bottom(), pusherDesigned.bottom())));
        }
        if (!caption.isNull())
            QCOMPARE(widget->property("text").toString(), caption);
        // Each control shows on its own tab only; the first tab is in front.
        for (int index = 0; index < tabs->count(); ++index) {
            tabs->setCurrentIndex(index);
            QCOMPARE(widget->isVisible(), tab < 0 || tab == index);
        }
        window->Unload();
        window->Show();
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void loadFillsTheDialog_data()
    {
        QTest::addColumn<QString>("contents");
        QTest::addColumn<QString>("popupModeBefore");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("popupModeAfter");

        QTest::newRow("no file") << NoFile << QString() << QString() << u"optPopAut"_s << QString();
        QTest::newRow("no file, mode in memory")
            << NoFile << u"2"_s << QString() << u"optPopDem"_s << u"2"_s;
        QTest::newRow("ask") << u"http://a.fr/\r\n2\r\n"_s << QString() << u"http://a.fr/"_s
                             << u"optPopDem"_s << u"2"_s;
        QTest::newRow("not a number") << u"http://a.fr/\r\nabc\r\n"_s << u"1"_s << u"http://a.fr/"_s
                                      << u"optPopAut"_s << u"abc"_s;
        QTest::newRow("01 blocks")
            << u"x\r\n01\r\n"_s << QString() << u"x"_s << u"optPopBlok"_s << u"01"_s;
        QTest::newRow("address only")
            << u"http://b.fr/\r\n"_s << u"1"_s << u"http://b.fr/"_s << u"optPopBlok"_s << u"1"_s;
    }
    void loadFillsTheDialog()
    {
        QFETCH(QString, contents);
        QFETCH(QString, popupModeBefore);
        QFETCH(QString, address);
        QFETCH(QString, option);
        QFETCH(QString, popupModeAfter);
        if (contents != NoFile)
            m_platform->folder.write(u"Corvane.ini"_s, contents.toUtf8());
        m_popupMode = popupModeBefore;
        open();
        QCOMPARE(control<QLineEdit>(u"txtPageDemar"_s)->text(), address);
        QCOMPARE(selectedOption(), option);
        QCOMPARE(m_popupMode, popupModeAfter);
    }

    void okWithoutFileCreatesIt()
    {
        open();
        click(u"cmdOK"_s);
        QCOMPARE(file(), "\r\n3\r\n"_ba);
        QCOMPARE(m_popupMode, u"3"_s);
        QVERIFY(!isOpen());
        QCOMPARE(m_platform->messageBox.count(), 0);
    }

    void cancelChangesNothingAppliedStays()
    {
        m_platform->folder.write(u"Corvane.ini"_s, "http://a.fr/\r\n2\r\n");
        open();
        control<QRadioButton>(u"optPopBlok"_s)->setChecked(true);
        control<QLineEdit>(u"txtPageDemar"_s)->setText(u"http://b.fr/"_s);
        click(u"cmdCancel"_s);
        QVERIFY(!isOpen());
        QCOMPARE(file(), "http://a.fr/\r\n2\r\n"_ba);
        QCOMPARE(m_popupMode, u"2"_s);

        open();
        QCOMPARE(selectedOption(), u"optPopDem"_s);
        control<QRadioButton>(u"optPopBlok"_s)->setChecked(true);
        control<QLineEdit>(u"txtPageDemar"_s)->setText(u"http://b.fr/"_s);
        click(u"cmdApply"_s);
        QVERIFY(isOpen());
        QCOMPARE(file(), "http://b.fr/\r\n1\r\n"_ba);
        QCOMPARE(m_popupMode, u"1"_s);
        control<QRadioButton>(u"optPopAut"_s)->setChecked(true);
        click(u"cmdCancel"_s);
        QCOMPARE(file(), "http://b.fr/\r\n1\r\n"_ba);
        QCOMPARE(m_popupMode, u"1"_s);
    }

    // Escape and the close box unload the dialog as "Annuler" does; Enter
    // presses no button.
    void keysAndCloseBox_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<int>("key");
        QTest::newRow("Escape") << false << int(Qt::Key_Escape);
        QTest::newRow("close box") << true << 0;
    }
    void keysAndCloseBox()
    {
        QFETCH(bool, closeBox);
        QFETCH(int, key);
        m_platform->folder.write(u"Corvane.ini"_s, "a\r\n2\r\n");
        frmOptions *window = open();
        control<QRadioButton>(u"optPopBlok"_s)->setChecked(true);
        QLineEdit *address = control<QLineEdit>(u"txtPageDemar"_s);
        address->setFocus();
        QTest::keyClick(address, Qt::Key_Return);
        QVERIFY(isOpen());
        QCOMPARE(file(), "a\r\n2\r\n"_ba);
        if (closeBox)
            window->close();
        else
            QTest::keyClick(address, Qt::Key(key));
        QVERIFY(!isOpen());
        QCOMPARE(file(), "a\r\n2\r\n"_ba);
        QCOMPARE(m_popupMode, u"2"_s);
        // Unloaded, not destroyed: the next opening is the same object.
        window->Show();
        QVERIFY(isOpen());
    }

    void checkBoxesNeverReachTheFile()
    {
        open();
        control<QLineEdit>(u"txtPageDemar"_s)->setText(u"http://a.fr/"_s);
        for (const QString &name : {u"chkNPAd"_s, u"chkNPSe"_s, u"chkNPHo"_s})
            control<QCheckBox>(name)->setChecked(true);
        click(u"cmdOK"_s);
        QCOMPARE(file(), "http://a.fr/\r\n3\r\n"_ba);
        open();
        for (const QString &name : {u"chkNPAd"_s, u"chkNPSe"_s, u"chkNPHo"_s})
            QVERIFY2(!control<QCheckBox>(name)->isChecked(), qPrintable(name));
    }

    void askingWhileOpenBringsItForwardUnread()
    {
        m_platform->folder.write(u"Corvane.ini"_s, "a\r\n2\r\n");
        frmOptions *window = open();
        control<QLineEdit>(u"txtPageDemar"_s)->setText(u"typed"_s);
        m_platform->folder.write(u"Corvane.ini"_s, "b\r\n1\r\n");
        window->Show();
        QCOMPARE(control<QLineEdit>(u"txtPageDemar"_s)->text(), u"typed"_s);
        QCOMPARE(m_popupMode, u"2"_s);
        QCOMPARE(m_platform->forms.count(), 1);
        // Unloaded and asked again, it reads the file afresh.
        window->Unload();
        window->Show();
        QCOMPARE(control<QLineEdit>(u"txtPageDemar"_s)->text(), u"b"_s);
        QCOMPARE(selectedOption(), u"optPopBlok"_s);
    }

    void movedAwayComesBackCentred()
    {
        frmOptions *window = open();
        const QRect screen = window->screen()->geometry();
        const QPoint centred((screen.width() - window->frameGeometry().width()) / 2,
                             (screen.height() - window->frameGeometry().height()) / 2);
        QCOMPARE(window->frameGeometry().topLeft(), screen.topLeft() + centred);
        window->move(screen.topLeft() + QPoint(3, 5));
        QVERIFY(window->frameGeometry().topLeft() != screen.topLeft() + centred);
        click(u"cmdCancel"_s);
        open();
        QCOMPARE(window->frameGeometry().topLeft(), screen.topLeft() + centred);
    }

    void addressesReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("comma") << u"http://a.fr/?x=1,2"_s;
        QTest::newRow("leading blank") << u" http://a.fr/"_s;
        QTest::newRow("double quote") << u"http://a.fr/?q=\"x\""_s;
        QTest::newRow("accents") << u"http://a.fr/été"_s;
    }
    void addressesReadBackAsWritten()
    {
        QFETCH(QString, address);
        open();
        control<QLineEdit>(u"txtPageDemar"_s)->setText(address);
        control<QRadioButton>(u"optPopDem"_s)->setChecked(true);
        click(u"cmdOK"_s);
        // A fresh dialog reads what this one wrote.
        m_dialog.reset();
        m_popupMode.clear();
        open();
        const QString expected = QString(address).replace(u'"', u"%22"_s);
        QCOMPARE(control<QLineEdit>(u"txtPageDemar"_s)->text(), expected);
        QCOMPARE(m_popupMode, u"2"_s);
    }

    void unwritableFolderIsSaidAndKeepsTheOldFile()
    {
        m_platform->folder.write(u"Corvane.ini"_s, "http://a.fr/\r\n2\r\n");
        const QString folder = m_platform->folder.path();
        const QFile::Permissions before = QFile::permissions(folder);
        QVERIFY(QFile::setPermissions(folder,
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                          | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
        open();
        control<QRadioButton>(u"optPopBlok"_s)->setChecked(true);
        control<QLineEdit>(u"txtPageDemar"_s)->setText(u"http://b.fr/"_s);
        {
            UnprivilegedScope scope;
            if (!scope.stopsWriting()) {
                QFile::setPermissions(folder, before);
                QSKIP("file permissions do not stop this user");
            }
            click(u"cmdApply"_s);
        }
        QVERIFY(QFile::setPermissions(folder, before));
        QCOMPARE(file(), "http://a.fr/\r\n2\r\n"_ba);
        QCOMPARE(m_popupMode, u"1"_s);
        QCOMPARE(m_platform->messageBox.count(), 1);
        const MessageBox::Request request = m_platform->messageBox.requests().first();
        QVERIFY2(request.text.contains(m_platform->folder.path() + u"/Corvane.ini"_s),
                 qPrintable(request.text));
        QVERIFY(request.text.startsWith(u"Les options n'ont pas pu être enregistrées"_s));
        QCOMPARE(request.icon, MessageBox::Icon::Warning);
        QVERIFY(isOpen());
    }

    void internetOptionsButton()
    {
        open();
        control<QTabWidget>(u"SSTab1"_s)->setCurrentIndex(1);
        const bool toolInstalled = !Launcher::internetOptions([](const QString &name) {
                                        return QStandardPaths::findExecutable(name);
                                    }).isEmpty();
        click(u"cmdAffOptInt"_s);
        QCOMPARE(m_platform->launcher.started.size(), toolInstalled ? 1 : 0);
        QCOMPARE(m_platform->messageBox.count(), toolInstalled ? 0 : 1);
        if (toolInstalled)
            QCOMPARE(m_platform->launcher.styles.first(),
                     Launcher::WindowStyle::MinimizedWithFocus);
        QVERIFY(isOpen());
    }
};

QTEST_MAIN(TestFrmOptions)
#include "tst_frmoptions.moc"

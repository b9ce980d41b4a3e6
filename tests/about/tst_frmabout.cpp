#include "support/TestPlatform.h"

#include "about/frmAbout.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeRegistry::Value)

namespace {
const QByteArray ToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const QByteArray FolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const QString Unavailable = u"Les informations système ne sont pas disponibles actuellement"_s;
const QString Untouched = u"<untouched>"_s;
} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<frmAbout> m_dialog;

    frmAbout *dialog()
    {
        if (!m_dialog)
            m_dialog = std::make_unique<frmAbout>(m_platform->platform());
        return m_dialog.get();
    }
    template<class T = QWidget> T *control(const QString &name)
    {
        auto *found = dialog()->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }
    FakeRegistry &registry() { return m_platform->registry; }
    QStringList started() const
    {
        QStringList programs;
        for (const Launcher::Command &command : m_platform->launcher.started)
            programs.append(command.program);
        return programs;
    }

private Q_SLOTS:
    void init()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
    }
    void cleanup()
    {
        m_dialog.reset();
        QCOMPARE(m_platform->forms.count(), 0);
        m_platform.reset();
    }

    void dialogAsDesigned()
    {
        frmAbout *window = dialog();
        window->Show();
        QCOMPARE(window->windowTitle(), u"À propos de Corvane"_s);
        QVERIFY(!window->isModal());
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(control<QLabel>(u"lblTitle"_s)->text(), u"Corvane"_s);
        QCOMPARE(control<QLabel>(u"lblVersion"_s)->text(),
                 u"Version %1.%2.%3"_s.arg(CORVANE_VERSION_MAJOR)
                     .arg(CORVANE_VERSION_MINOR)
                     .arg(CORVANE_VERSION_PATCH));
        QCOMPARE(control<QLabel>(u"lblVersion"_s)->text(), u"Version 1.1.2"_s);
        QVERIFY(control<QLabel>(u"lblDescription"_s)
                    ->text()
                    .startsWith(u"Corvane est un navigateur très simple"_s));
        QVERIFY(control<QLabel>(u"lblDescription"_s)->text().endsWith(u"maximale ;o) "_s));
        QVERIFY(!control<QLabel>(u"picIcon"_s)->pixmap().isNull());
        QVERIFY(control<QPushButton>(u"cmdOK"_s)->isDefault());
        QCOMPARE(control<QPushButton>(u"cmdSysInfo"_s)->text(), u"&Infos système..."_s);

        // The etched separator: gray over white.
        QCOMPARE(control(u"Line1_1"_s)->geometry(), QRect(6, 163, 371, 1));
        QCOMPARE(control(u"Line1_1"_s)->palette().color(QPalette::Window), QColor(128, 128, 128));
        QCOMPARE(control(u"Line1_0"_s)->geometry(), QRect(7, 164, 370, 2));
        QCOMPARE(control(u"Line1_0"_s)->palette().color(QPalette::Window), QColor(Qt::white));
        // Each control at its designed place; one whose text needs more
        // room grows from there (the description to the height its words
        // take at its width).
        QRect all;
        for (const auto &[name, rect] : {std::pair {u"picIcon"_s, QRect(16, 16, 34, 34)},
                                         {u"lblTitle"_s, QRect(70, 16, 259, 31)},
                                         {u"lblVersion"_s, QRect(70, 52, 259, 15)},
                                         {u"lblDescription"_s, QRect(70, 75, 259, 78)},
                                         {u"cmdOK"_s, QRect(283, 175, 84, 23)},
                                         {u"cmdSysInfo"_s, QRect(284, 205, 83, 23)}}) {
            QWidget *widget = control(name);
            QSize needed;
            if (const auto *label = qobject_cast<QLabel *>(widget); label && label->wordWrap())
                needed = QSize(rect.width(), label->heightForWidth(rect.width()));
            else if (!widget->property("text").toString().isEmpty())
                needed = widget->sizeHint();
            QCOMPARE(widget->geometry(), QRect(rect.topLeft(), rect.size().expandedTo(needed)));
            all |= widget->geometry();
        }
        // 5730 x 3555 twips, or more to keep the designed margins (5 pixels
        // right of the separator, 9 below the buttons) around grown controls.
        QCOMPARE(window->size(),
                 QSize(std::max(382, all.right() + 1 + 5), std::max(237, all.bottom() + 1 + 9)));
    }

    // OK, Enter, Escape and the close box unload it; it opens again.
    void closing_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("OK") << 0;
        QTest::newRow("Enter") << 1;
        QTest::newRow("Escape") << 2;
        QTest::newRow("close box") << 3;
    }
    void closing()
    {
        QFETCH(int, how);
        frmAbout *window = dialog();
        window->Show();
        QCOMPARE(m_platform->forms.count(), 1);
        window->Show(); // asked again while open: still one
        QCOMPARE(m_platform->forms.count(), 1);
        switch (how) {
        case 0:
            control<QPushButton>(u"cmdOK"_s)->click();
            break;
        case 1:
            QTest::keyClick(window, Qt::Key_Return);
            break;
        case 2:
            QTest::keyClick(window, Qt::Key_Escape);
            break;
        default:
            window->close();
        }
        QVERIFY(!window->isVisible());
        QCOMPARE(m_platform->forms.count(), 0);
        window->Show();
        QVERIFY(window->isVisible());
        QCOMPARE(m_platform->forms.count(), 1);
        QVERIFY(m_platform->launcher.started.isEmpty());
    }

    void getKeyValue_data()
    {
        QTest::addColumn<FakeRegistry::Value>("value");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("text");

        QTest::newRow("ends in NUL")
            << FakeRegistry::Value {1, "C:\\a.exe\0"_ba} << true << u"C:\\a.exe"_s;
        QTest::newRow("two NULs lose one")
            << FakeRegistry::Value {1, "ab\0\0"_ba} << true << u"ab\0"_s;
        QTest::newRow("no NUL") << FakeRegistry::Value {1, "C:\\a.exe"_ba} << true
                                << u"C:\\a.exe"_s;
        QTest::newRow("1024 bytes")
            << FakeRegistry::Value {1, QByteArray(1024, 'x')} << true << QString(1024, u'x');
        QTest::newRow("1025 bytes")
            << FakeRegistry::Value {1, QByteArray(1025, 'x')} << false << QString();
        QTest::newRow("number") << FakeRegistry::Value {4, "\x78\x56\x34\x12"_ba} << true
                                << QString::number(0x12345678);
        QTest::newRow("other type") << FakeRegistry::Value {3, "\x01\x02"_ba} << true << Untouched;
    }
    void getKeyValue()
    {
        QFETCH(FakeRegistry::Value, value);
        QFETCH(bool, read);
        QFETCH(QString, text);
        registry().set("Key", "Name", value);
        QString keyValue = Untouched;
        QCOMPARE(dialog()->GetKeyValue(Registry::HKEY_LOCAL_MACHINE, u"Key"_s, u"Name"_s, keyValue),
                 read);
        QCOMPARE(keyValue, text);
        QCOMPARE(registry().rights, QList<std::uint32_t> {0x2003F});
        QCOMPARE(registry().bufferSizes, QList<std::uint32_t> {1024});
        QCOMPARE(registry().openKeys(), 0);
    }

    void getKeyValueMissing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("denied");
        QTest::newRow("no key") << u"Other"_s << u"Name"_s << false;
        QTest::newRow("no value") << u"Key"_s << u"Other"_s << false;
        QTest::newRow("rights refused") << u"Key"_s << u"Name"_s << true;
    }
    void getKeyValueMissing()
    {
        QFETCH(QString, key);
        QFETCH(QString, name);
        QFETCH(bool, denied);
        registry().set("Key", "Name", {1, "x"});
        if (denied)
            registry().denyOpening("Key");
        QString keyValue = u"before"_s;
        QVERIFY(!dialog()->GetKeyValue(Registry::HKEY_LOCAL_MACHINE, key, name, keyValue));
        QVERIFY(keyValue.isEmpty());
        QCOMPARE(registry().openKeys(), 0);
    }

    void emptyValueGivesNoResult()
    {
        registry().set("Key", "Name", {1, QByteArray()});
        QString keyValue;
        QVERIFY_THROWS_EXCEPTION(
            frmAbout::EmptyValue,
            dialog()->GetKeyValue(Registry::HKEY_LOCAL_MACHINE, u"Key"_s, u"Name"_s, keyValue));
        QCOMPARE(registry().closed.size(), 1);
        QCOMPARE(registry().openKeys(), 0);
    }

    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("toolPath");  // <none>: no first entry
        QTest::addColumn<QString>("folderEntry");  // <none>: no second entry
        QTest::addColumn<QString>("fileInFolder"); // empty: the folder holds no tool
        QTest::addColumn<bool>("launcherStarts");
        QTest::addColumn<QString>("expected"); // empty: the message shows
        QTest::addColumn<int>("keysOpened");

        const QString none = u"<none>"_s;
        QTest::newRow("first entry, file not checked")
            << "/nowhere/msinfo32.exe\0"_ba << u"<folder>"_s << u"MSINFO32.EXE"_s << true
            << u"/nowhere/msinfo32.exe"_s << 1;
        QTest::newRow("second entry with the tool")
            << "<none>"_ba << u"<folder>"_s << u"MSINFO32.EXE"_s << true
            << u"<folder>/MSINFO32.EXE"_s << 2;
        QTest::newRow("second entry, tool in other case")
            << "<none>"_ba << u"<folder>"_s << u"msinfo32.exe"_s << true
            << u"<folder>/msinfo32.exe"_s << 2;
        QTest::newRow("second entry without the tool")
            << "<none>"_ba << u"<folder>"_s << QString() << true << QString() << 2;
        QTest::newRow("no entry") << "<none>"_ba << none << QString() << true << QString() << 2;
        QTest::newRow("empty first value skips the second")
            << ""_ba << u"<folder>"_s << u"MSINFO32.EXE"_s << true << QString() << 1;
        QTest::newRow("tool does not start")
            << "/usr/bin/tool\0"_ba << none << QString() << false << QString() << 1;
    }
    void startSysInfo()
    {
        QFETCH(QByteArray, toolPath);
        QFETCH(QString, folderEntry);
        QFETCH(QString, fileInFolder);
        QFETCH(bool, launcherStarts);
        QFETCH(QString, expected);
        QFETCH(int, keysOpened);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        if (!fileInFolder.isEmpty()) {
            QFile tool(folder.filePath(fileInFolder));
            QVERIFY(tool.open(QIODevice::WriteOnly));
        }
        if (toolPath != "<none>")
            registry().set(ToolKey, "PATH", {1, toolPath});
        if (folderEntry == u"<folder>"_s)
            registry().set(FolderKey, "MSINFO", {1, folder.path().toLocal8Bit() + '\0'});
        m_platform->launcher.succeeds = launcherStarts;

        frmAbout *window = dialog();
        window->Show();
        QTest::mouseClick(control<QPushButton>(u"cmdSysInfo"_s), Qt::LeftButton);

        QCOMPARE(registry().opened.size(), keysOpened);
        QCOMPARE(registry().opened.first(), ToolKey);
        QCOMPARE(registry().openKeys(), 0);
        expected.replace(u"<folder>"_s, folder.path());
        if (expected.isEmpty()) {
            QCOMPARE(m_platform->messageBox.count(), 1);
            const MessageBox::Request request = m_platform->messageBox.requests().first();
            QCOMPARE(request.text, Unavailable);
            QCOMPARE(request.title, QString());
            QCOMPARE(request.icon, MessageBox::Icon::None);
            QCOMPARE(request.buttons, MessageBox::Buttons::Ok);
        } else {
            QCOMPARE(started(), QStringList {expected});
            QCOMPARE(m_platform->launcher.styles.first(), Launcher::WindowStyle::Normal);
            QCOMPARE(m_platform->messageBox.count(), 0);
        }
        QVERIFY(window->isVisible());
    }

    // The machine's own registry names an installed tool, or none.
    void systemRegistryFindsAnInstalledTool_data()
    {
        QTest::addColumn<QStringList>("tools"); // the files made, of the locations
        QTest::addColumn<int>("found");         // -1: none
        QTest::newRow("none installed") << QStringList {} << -1;
        QTest::newRow("second location") << QStringList {u"b"_s} << 1;
        QTest::newRow("first wins") << QStringList {u"a"_s, u"b"_s} << 0;
    }
    void systemRegistryFindsAnInstalledTool()
    {
        QFETCH(QStringList, tools);
        QFETCH(int, found);
        QTemporaryDir folder;
        const QStringList locations {folder.filePath(u"a"_s), folder.filePath(u"b"_s)};
        for (const QString &name : tools) {
            QFile tool(folder.filePath(name));
            QVERIFY(tool.open(QIODevice::WriteOnly));
            QVERIFY(tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        SystemRegistry system(locations);
        TestPlatform platform;
        Platform withSystem = platform.platform();
        withSystem.registry = &system;
        frmAbout window(withSystem);
        QString path;
        QCOMPARE(window.GetKeyValue(Registry::HKEY_LOCAL_MACHINE,
                                    u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s, u"PATH"_s,
                                    path),
                 found >= 0);
        QCOMPARE(path, found >= 0 ? locations.at(found) : QString());
        window.StartSysInfo();
        QCOMPARE(platform.launcher.started.size(), found >= 0 ? 1 : 0);
        QCOMPARE(platform.messageBox.count(), found >= 0 ? 0 : 1);
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"

#include "support/MainWindowFixture.h"
#include "support/TabFixture.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "platform/WebBrowser.h"
#include "tab/PageStatus.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

using PageProgress::TabTitle;
Q_DECLARE_METATYPE(TabTitle)
Q_DECLARE_METATYPE(DownloadReport::State)

namespace {

// What a tab shows before the event under test.
const QString Before = u"avant"_s;
constexpr float BarBefore = 50;
const QString PageTitle = u"Page chargée"_s;
const QString PageAddress = u"http://127.0.0.1/page"_s;

// The progress events worth telling apart, and what each comes to: panel 2
// of the tab's status bar (null: untouched), the progress bar's value (a
// negative one: untouched) and the tab's title on the strip.
void progressTable()
{
    QTest::addColumn<qint32>("progress");
    QTest::addColumn<qint32>("progressMax");
    QTest::addColumn<QString>("status");
    QTest::addColumn<float>("bar");
    QTest::addColumn<TabTitle>("title");

    const QString done = u"Terminé"_s;
    QTest::newRow("over") << -1 << 100 << done << -1.f << TabTitle::Unchanged;
    QTest::newRow("over, no total") << -1 << 0 << done << -1.f << TabTitle::Unchanged;
    QTest::newRow("no total") << 0 << 0 << QString() << -1.f << TabTitle::Unchanged;
    QTest::newRow("some, no total") << 50 << 0 << QString() << -1.f << TabTitle::Unchanged;
    QTest::newRow("nothing yet") << 0 << 200 << u"0 %"_s << 0.01f << TabTitle::Loading;
    QTest::newRow("almost") << 199 << 200 << u"99 %"_s << 99.f << TabTitle::Loading;
    QTest::newRow("exact percentage") << 29 << 100 << u"29 %"_s << 29.f << TabTitle::Loading;
    QTest::newRow("all of it") << 200 << 200 << done << 100.f << TabTitle::PageTitle;
    QTest::newRow("more than the total") << 300 << 200 << u"100 %"_s << 100.f << TabTitle::Loading;
    QTest::newRow("below zero") << -5 << 100 << u"0 %"_s << 0.01f << TabTitle::Loading;
    QTest::newRow("negative total") << 5 << -100 << u"0 %"_s << 0.01f << TabTitle::Loading;
    QTest::newRow("both negative, equal") << -7 << -7 << done << 100.f << TabTitle::PageTitle;
}

} // namespace

class TestPageStatus : public QObject, public MainWindowFixture
{
    Q_OBJECT

    std::unique_ptr<QMdiArea> m_area;

    Panel *tabPanel(qint16 id) const
    {
        return Module1::GetTabPanel(m_platform->forms, QString::number(id));
    }
    template<class T> static T *control(const frmBrowser *tab, const char *name)
    {
        T *found = tab->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    static Panel *statusPanel(const frmBrowser *tab, int index)
    {
        return control<PanelBar>(tab, "StatusBar")->panel(index);
    }
    // Fills what the page status writes with other texts, so that each
    // check sees what the event changed.
    static void showBefore(frmBrowser *tab, Panel *panel)
    {
        statusPanel(tab, 1)->setText(Before);
        statusPanel(tab, 2)->setText(Before);
        QVERIFY(control<ProgressBar>(tab, "ProgressBar1")->setValue(BarBefore));
        control<QComboBox>(tab, "cboAddress")->setEditText(Before);
        tab->setCaption(Before);
        if (panel)
            panel->setText(panel->key() + u" - "_s + Before);
        fake(tab)->setLocation(PageTitle, PageAddress);
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup()
    {
        m_area.reset();
        endTest();
    }

    void progressArithmetic_data() { progressTable(); }
    void progressArithmetic()
    {
        QFETCH(qint32, progress);
        QFETCH(qint32, progressMax);
        QFETCH(QString, status);
        QFETCH(float, bar);
        QFETCH(TabTitle, title);

        const PageProgress::Display display = PageProgress::of(progress, progressMax);
        QCOMPARE(display.status.has_value(), !status.isNull());
        QCOMPARE(display.status.value_or(QString()), status);
        QCOMPARE(display.bar.has_value(), bar >= 0);
        if (display.bar)
            QCOMPARE(*display.bar, bar);
        QCOMPARE(display.tabTitle, title);
    }

    void progressShown_data() { progressTable(); }
    void progressShown()
    {
        QFETCH(qint32, progress);
        QFETCH(qint32, progressMax);
        QFETCH(QString, status);
        QFETCH(float, bar);
        QFETCH(TabTitle, title);

        openTabs(2);
        frmBrowser *first = tab(1);
        showBefore(first, tabPanel(1));
        const QString secondPanel = tabPanel(2)->text();

        fake(first)->raiseProgressChange(progress, progressMax);

        QCOMPARE(statusPanel(first, 2)->text(), status.isNull() ? Before : status);
        QCOMPARE(control<ProgressBar>(first, "ProgressBar1")->value(), bar < 0 ? BarBefore : bar);
        const QString titles[] = {Before, u"Chargement en cours..."_s, PageTitle};
        QCOMPARE(tabPanel(1)->text(), u"1 - "_s + titles[int(title)]);
        // Nothing else changes.
        QCOMPARE(tabPanel(2)->text(), secondPanel);
        QCOMPARE(statusPanel(first, 1)->text(), Before);
        QCOMPARE(first->caption(), Before);
        QCOMPARE(control<QComboBox>(first, "cboAddress")->currentText(), Before);
    }

    // A download's reports reach the tab's status line and progress bar, and
    // nothing else: not the page's progress text, title, caption or address.
    void downloadShown_data()
    {
        QTest::addColumn<DownloadReport::State>("state");
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("status");
        QTest::addColumn<float>("bar"); // negative: untouched

        using State = DownloadReport::State;
        const QString name = u"Téléchargement de nom.ext : "_s;
        QTest::newRow("begun") << State::Running << 0LL << 1000LL << name + u"0 %"_s << 0.01f;
        QTest::newRow("truncated") << State::Running << 399LL << 1000LL << name + u"39 %"_s << 39.f;
        QTest::newRow("beyond 2 GiB")
            << State::Running << 3'000'000'000LL << 6'000'000'000LL << name + u"50 %"_s << 50.f;
        QTest::newRow("more than the total")
            << State::Running << 1500LL << 1000LL << name + u"100 %"_s << 100.f;
        QTest::newRow("no total, bytes")
            << State::Running << 1LL << -1LL << name + u"1 octet"_s << -1.f;
        QTest::newRow("no total, just under a kibibyte")
            << State::Running << 1023LL << 0LL << name + u"1023 octets"_s << -1.f;
        QTest::newRow("no total, kibibytes")
            << State::Running << 1536LL << -1LL << name + u"1,5 Ko"_s << -1.f;
        QTest::newRow("no total, never rounded up to the next unit")
            << State::Running << 1024LL * 1024 - 1 << -1LL << name + u"1023,9 Ko"_s << -1.f;
        QTest::newRow("no total, gibibytes")
            << State::Running << 5LL * 1024 * 1024 * 1024 << -1LL << name + u"5,0 Go"_s << -1.f;
        QTest::newRow("done") << State::Done << 1000LL << 1000LL
                              << u"Téléchargement terminé : /dossier/nom.ext"_s << 100.f;
        QTest::newRow("failed") << State::Failed << 10LL << 1000LL
                                << u"Échec du téléchargement de nom.ext"_s << 0.01f;
        QTest::newRow("cancelled")
            << State::Cancelled << 10LL << 1000LL << u"Téléchargement annulé : nom.ext"_s << 0.01f;
    }
    void downloadShown()
    {
        QFETCH(DownloadReport::State, state);
        QFETCH(qint64, received);
        QFETCH(qint64, total);
        QFETCH(QString, status);
        QFETCH(float, bar);

        openTabs(2);
        frmBrowser *second = tab(2);
        showBefore(second, tabPanel(2));
        const QString firstStatus = statusPanel(tab(1), 1)->text();

        DownloadReport report;
        report.fileName = u"nom.ext"_s;
        report.path = u"/dossier/nom.ext"_s;
        report.received = received;
        report.total = total;
        report.state = state;
        fake(second)->raiseDownloadChange(report);

        QCOMPARE(statusPanel(second, 1)->text(), status);
        QCOMPARE(control<ProgressBar>(second, "ProgressBar1")->value(), bar < 0 ? BarBefore : bar);
        QCOMPARE(statusPanel(second, 2)->text(), Before);
        QCOMPARE(tabPanel(2)->text(), u"2 - "_s + Before);
        QCOMPARE(second->caption(), Before);
        QCOMPARE(control<QComboBox>(second, "cboAddress")->currentText(), Before);
        QCOMPARE(statusPanel(tab(1), 1)->text(), firstStatus);
    }

    // The user is typing an address when the page reports a new status: the
    // box shows the page's address again; its list stays as it was.
    void statusTextReplacesTypedText()
    {
        openTabs(1);
        frmBrowser *first = tab(1);
        auto *address = control<QComboBox>(first, "cboAddress");
        address->addItems({u"http://127.0.0.1/a"_s, u"http://127.0.0.1/b"_s});
        const QStringList items = itemsOf(address);
        fake(first)->setLocation(PageTitle, PageAddress);
        UserInput::replaceText(address, u"127.0.0.1/tap"_s);
        QCOMPARE(address->currentText(), u"127.0.0.1/tap"_s);

        fake(first)->raiseStatusTextChange(u"Recherche de 127.0.0.1..."_s);

        QCOMPARE(statusPanel(first, 1)->text(), u"Recherche de 127.0.0.1..."_s);
        QCOMPARE(address->currentText(), PageAddress);
        QCOMPARE(itemsOf(address), items);
    }

    // Tab 12 loads a page titled Accueil, whose script later sets another
    // title: each completion shows the title in the tab's panel and caption.
    void downloadCompleteShowsTheTitle()
    {
        openTabs(12);
        frmBrowser *twelfth = tab(12);
        showBefore(twelfth, tabPanel(12));
        const QString firstPanel = tabPanel(1)->text();
        fake(twelfth)->setLocation(u"Accueil"_s, PageAddress);

        // No event loop runs in between: the busy timer writes no caption.
        fake(twelfth)->raiseDownloadComplete();
        QCOMPARE(tabPanel(12)->text(), u"12 - Accueil"_s);
        QCOMPARE(twelfth->caption(), u"Accueil"_s);
        QCOMPARE(control<QComboBox>(twelfth, "cboAddress")->currentText(), PageAddress);
        QCOMPARE(tabPanel(1)->text(), firstPanel);
        QCOMPARE(statusPanel(twelfth, 2)->text(), Before);

        fake(twelfth)->setLocation(u"Titre posé par le script"_s, PageAddress + u"#suite"_s);
        fake(twelfth)->raiseDownloadComplete();
        QCOMPARE(tabPanel(12)->text(), u"12 - Titre posé par le script"_s);
        QCOMPARE(twelfth->caption(), u"Titre posé par le script"_s);
        QCOMPARE(control<QComboBox>(twelfth, "cboAddress")->currentText(),
                 PageAddress + u"#suite"_s);
    }

    // A tab without a panel on the strip still shows its status, progress,
    // caption and address; no other tab's panel is touched.
    void withoutPanelTabStepsAreSkipped_data()
    {
        QTest::addColumn<bool>("mainWindow");
        QTest::newRow("no main window") << false;
        QTest::newRow("not on the strip") << true;
    }
    void withoutPanelTabStepsAreSkipped()
    {
        QFETCH(bool, mainWindow);

        QMdiArea *area = nullptr;
        if (mainWindow) {
            openTabs(1);
            area = m_window->mdiArea();
        } else {
            m_area = std::make_unique<QMdiArea>();
            m_area->resize(800, 600);
            m_area->show();
            area = m_area.get();
        }
        auto *loose = new frmBrowser(TabHost {m_platform->platform(), area, nullptr});
        loose->setID(5);
        loose->Show();
        QVERIFY(!tabPanel(5));
        showBefore(loose, nullptr);
        const QString firstPanel = mainWindow ? tabPanel(1)->text() : QString();

        fake(loose)->raiseStatusTextChange(u"Connexion"_s);
        fake(loose)->raiseProgressChange(30, 100);
        QCOMPARE(statusPanel(loose, 1)->text(), u"Connexion"_s);
        QCOMPARE(statusPanel(loose, 2)->text(), u"30 %"_s);
        QCOMPARE(control<ProgressBar>(loose, "ProgressBar1")->value(), 30.f);
        fake(loose)->raiseProgressChange(100, 100);
        QCOMPARE(statusPanel(loose, 2)->text(), u"Terminé"_s);
        QCOMPARE(control<ProgressBar>(loose, "ProgressBar1")->value(), 100.f);
        fake(loose)->raiseDownloadComplete();
        QCOMPARE(loose->caption(), PageTitle);
        QCOMPARE(control<QComboBox>(loose, "cboAddress")->currentText(), PageAddress);

        QVERIFY(!tabPanel(5));
        if (mainWindow) {
            QCOMPARE(m_window->Bar()->count(), 1);
            QCOMPARE(tabPanel(1)->text(), firstPanel);
        }
        loose->Unload();
    }
};

QTEST_MAIN(TestPageStatus)

#include "tst_pagestatus.moc"

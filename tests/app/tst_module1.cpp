#include "support/TabStrip.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using TabStrip::bevels;
using TabStrip::keys;

constexpr auto Inset = Panel::Bevel::Inset;
constexpr auto Raised = Panel::Bevel::Raised;

} // namespace

class TestModule1 : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<frmCV> m_window;

    // The main window after start-up (tab 1), and further tabs with the
    // given IDs, each with its panel keyed by its ID.
    void openTabs(const QList<qint16> &ids)
    {
        m_window = std::make_unique<frmCV>(m_platform->platform());
        m_window->Show();
        for (qint16 id : ids) {
            if (id == 1)
                continue;
            auto *tab = new frmBrowser(
                TabHost {m_platform->platform(), m_window->mdiArea(), m_window.get()});
            tab->setID(id);
            tab->Show();
            m_window->Bar()->add(m_window->Bar()->count() + 1)->setKey(QString::number(id));
        }
        if (!ids.contains(1))
            Module1::UnloadTabByID(forms(), 1);
    }
    PanelBar *bar() const { return m_window->Bar(); }
    Forms &forms() const { return m_platform->forms; }

private Q_SLOTS:
    void init()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
    }
    void cleanup()
    {
        m_window.reset();
        QCOMPARE(m_platform->forms.count(), 0);
        m_platform.reset();
    }

    void noMainWindowNoStrip()
    {
        QCOMPARE(Module1::GetTabPanel(forms(), u"1"_s), nullptr);
        Module1::SelectTabPanel(forms(), u"1"_s);
        Module1::RemoveTabPanel(forms(), u"1"_s);
        QCOMPARE(Module1::MaxTabID(forms()), qint16(0));
        QCOMPARE(Module1::CountTabs(forms()), qint16(0));
        QCOMPARE(Module1::NextTabID(forms()), qint16(1));
    }

    void countsAndLargestID()
    {
        openTabs({1, 2, 4});
        QCOMPARE(Module1::MaxTabID(forms()), qint16(4));
        QCOMPARE(Module1::CountTabs(forms()), qint16(3));
        QCOMPARE(Module1::NextTabID(forms()), qint16(5));
        Module1::UnloadTabByID(forms(), 4);
        QCOMPARE(Module1::NextTabID(forms()), qint16(3));
        Module1::UnloadTabByID(forms(), 1);
        Module1::UnloadTabByID(forms(), 2);
        QCOMPARE(Module1::MaxTabID(forms()), qint16(0));
        QCOMPARE(Module1::CountTabs(forms()), qint16(0));
        QCOMPARE(Module1::NextTabID(forms()), qint16(1));
        // The main window is no tab.
        QCOMPARE(m_platform->forms.count(), 1);
    }

    // Past 32767 an ID never wraps to a negative number: the smallest free
    // one is given instead.
    void nextIDNeverWraps()
    {
        openTabs({1, 2, 32767});
        QCOMPARE(Module1::NextTabID(forms()), qint16(3));
        Module1::UnloadTabByID(forms(), 1);
        QCOMPARE(Module1::NextTabID(forms()), qint16(1));
    }

    void getTabPanelComparesKeysAsText()
    {
        openTabs({1, 2});
        QCOMPARE(Module1::GetTabPanel(forms(), u"2"_s), bar()->panel(2));
        QCOMPARE(Module1::GetTabPanel(forms(), u"9"_s), nullptr);
        bar()->panel(1)->setKey(u"01"_s);
        QCOMPARE(Module1::GetTabPanel(forms(), u"1"_s), nullptr);
        QCOMPARE(Module1::GetTabPanel(forms(), u"01"_s), bar()->panel(1));
        // Of two panels with one key, the last wins.
        bar()->panel(1)->setKey(u"2"_s);
        QCOMPARE(Module1::GetTabPanel(forms(), u"2"_s), bar()->panel(2));
    }

    void removeTabPanel()
    {
        openTabs({1, 2, 3});
        Module1::RemoveTabPanel(forms(), u"2"_s);
        QCOMPARE(keys(bar()), (QStringList {u"1"_s, u"3"_s}));
        QCOMPARE(Module1::GetTabPanel(forms(), u"3"_s)->index(), 2);
        Module1::RemoveTabPanel(forms(), u"7"_s);
        QCOMPARE(keys(bar()), (QStringList {u"1"_s, u"3"_s}));
    }

    void selectTabPanel()
    {
        openTabs({1, 2, 3});
        Module1::SelectTabPanel(forms(), u"2"_s);
        QCOMPARE(bevels(bar()), (QList<Panel::Bevel> {Raised, Inset, Raised}));
        Module1::SelectTabPanel(forms(), u"9"_s);
        QCOMPARE(bevels(bar()), (QList<Panel::Bevel> {Raised, Raised, Raised}));
    }

    void unloadTabByIDRunsTheCloseSteps()
    {
        openTabs({1, 2, 3});
        Module1::UnloadTabByID(forms(), 2);
        QCOMPARE(Module1::CountTabs(forms()), qint16(2));
        QCOMPARE(keys(bar()), (QStringList {u"1"_s, u"3"_s}));
        // The close steps re-laid the strip.
        QCOMPARE(Module1::PanelCount, qint16(2));
        Module1::UnloadTabByID(forms(), 9);
        QCOMPARE(Module1::CountTabs(forms()), qint16(2));
    }

    // A closing tab other than tab 1 draws every remaining panel raised;
    // tab 1 leaves the bevels as they were.
    void closingTabOneKeepsTheBevels()
    {
        openTabs({1, 2, 3});
        Module1::SelectTabPanel(forms(), u"3"_s);
        Module1::UnloadTabByID(forms(), 1);
        QCOMPARE(bevels(bar()), (QList<Panel::Bevel> {Raised, Inset}));
        Module1::UnloadTabByID(forms(), 2);
        QCOMPARE(bevels(bar()), (QList<Panel::Bevel> {Raised}));
    }
};

QTEST_MAIN(TestModule1)
#include "tst_module1.moc"

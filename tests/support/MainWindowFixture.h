#pragma once

#include "support/FakeBrowser.h"
#include "support/TabStrip.h"
#include "support/TestPlatform.h"
#include "support/UserInput.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <memory>

// Where a person has put the keyboard focus in the front tab.
enum class Focus { Page, AddressBox, SearchBox, FindBox };
Q_DECLARE_METATYPE(Focus)

// The main window over a TestPlatform, for the tests of the main window and
// its tabs. A test class derives from it next to QObject and calls
// startTest() from its init() and endTest() from its cleanup().
class MainWindowFixture
{
protected:
    // A fresh platform; the program-wide popup mode and panel count as at
    // start-up.
    void startTest()
    {
        failOnStrayWarnings();
        Module1::PopupMode.clear();
        Module1::PanelCount = 0;
        m_platform = std::make_unique<TestPlatform>();
    }
    // Closes the main window: no window of the test's stays loaded.
    void endTest()
    {
        m_window.reset();
        const qsizetype left = m_platform->forms.count();
        m_platform.reset();
        QCOMPARE(left, 0);
    }

    // The main window after start-up, shown with its first tab.
    frmCV *startUp()
    {
        m_window = std::make_unique<frmCV>(m_platform->platform());
        m_window->Show();
        return m_window.get();
    }
    // The main window after start-up, 800 by 600, with tabs added by
    // mNew_Click until there are count of them.
    void openTabs(int count)
    {
        m_window = std::make_unique<frmCV>(m_platform->platform());
        m_window->resize(800, 600);
        m_window->Show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        while (Module1::CountTabs(m_platform->forms) < count)
            m_window->mNew_Click();
    }

    // The tab whose child window is in front.
    frmBrowser *front() const
    {
        QMdiSubWindow *window = m_window->mdiArea()->activeSubWindow();
        return window ? qobject_cast<frmBrowser *>(window->widget()) : nullptr;
    }
    // Puts the focus in the front tab as a person does: by a click, and for
    // the find box by Ctrl+F first.
    void focusIn(Focus where)
    {
        frmBrowser *tab = front();
        QVERIFY(tab);
        QWidget *target = nullptr;
        switch (where) {
        case Focus::Page:
            target = tab->browser()->widget();
            break;
        case Focus::AddressBox:
            target = tab->findChild<QComboBox *>(QStringLiteral("cboAddress"));
            break;
        case Focus::SearchBox:
            target = tab->findChild<QComboBox *>(QStringLiteral("cboSearch"));
            break;
        case Focus::FindBox:
            UserInput::click(tab->browser()->widget());
            UserInput::press(Qt::CTRL | Qt::Key_F);
            target = tab->findChild<QLineEdit *>(QStringLiteral("findText"));
            break;
        }
        QVERIFY(target && target->isVisible());
        UserInput::click(target);
        QCOMPARE(QApplication::focusWidget(), target);
    }

    Forms &forms() const { return m_platform->forms; }
    frmBrowser *tab(qint16 id) const { return TabStrip::tab(forms(), id); }
    QList<qint16> ids() const { return TabStrip::ids(forms()); }
    static FakeBrowser *fake(const frmBrowser *tab)
    {
        return static_cast<FakeBrowser *>(tab->browser());
    }

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<frmCV> m_window;
};

#pragma once

#include "support/FakeBrowser.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"

#include <QComboBox>
#include <QMdiArea>
#include <QStringList>
#include <QTest>

#include <memory>

class MainWindowOperations;

// The entries of a box's list, in order.
inline QStringList itemsOf(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

// Tabs without a main window, in a child-window area of their own (900 by
// 700, shown and active), over a TestPlatform: for the tests of a tab and
// its parts. A test class derives from it next to QObject and calls
// startTest() from its init() and endTest() from its cleanup().
class TabFixture
{
protected:
    // A fresh platform and area; the program-wide popup mode as at
    // start-up. A test that filters the warnings itself passes false.
    void startTest(bool failOnStray = true)
    {
        if (failOnStray)
            failOnStrayWarnings();
        Module1::PopupMode.clear();
        m_platform = std::make_unique<TestPlatform>();
        QVERIFY(m_platform->folder.isValid());
        m_area = std::make_unique<QMdiArea>();
        m_area->resize(900, 700);
        m_area->show();
        QVERIFY(QTest::qWaitForWindowActive(m_area.get()));
    }
    // Closes the area with its tabs: no window of the test's stays loaded.
    void endTest()
    {
        m_area.reset();
        const qsizetype left = m_platform->forms.count();
        m_platform.reset();
        QCOMPARE(left, 0);
    }

    // A tab in the area, created but not shown; main stands in for the main
    // window's operations.
    frmBrowser *newTab(MainWindowOperations *main = nullptr)
    {
        return new frmBrowser(TabHost {m_platform->platform(), m_area.get(), main});
    }
    // The same with the ID 1, shown.
    frmBrowser *openTab(MainWindowOperations *main = nullptr)
    {
        frmBrowser *tab = newTab(main);
        tab->setID(1);
        tab->Show();
        return tab;
    }
    static FakeBrowser *fake(const frmBrowser *tab)
    {
        return static_cast<FakeBrowser *>(tab->browser());
    }

    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<QMdiArea> m_area;
};

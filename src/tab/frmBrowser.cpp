#include "frmBrowser.h"

#include "app/MainWindowOperations.h"
#include "app/Module1.h"
#include "platform/WebBrowser.h"
#include "settings/SettingsFile.h"
#include "tab/AddressList.h"
#include "tab/TabLayout.h"
#include "tab/VisitedHistory.h"
#include "widgets/Forms.h"
#include "widgets/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace {

// The address box's place once the tab has loaded: under its label.
constexpr float AddressBoxLeft = 50;
constexpr float AddressBoxGap = 15;

WebBrowser *createBrowser(const Platform &platform, frmBrowser::Purpose purpose, QWidget *tab)
{
    if (purpose == frmBrowser::Purpose::NewWindow && platform.createWindowBrowser)
        return platform.createWindowBrowser(tab);
    return platform.createBrowser(tab);
}

} // namespace

frmBrowser::frmBrowser(const TabHost &host, Purpose purpose)
    : m_host(host)
    , m_controls(TabControls::create(this, createBrowser(m_host.platform, purpose, this),
                                     *m_host.platform.icons))
    , m_commands(*this, m_controls.tbToolBar, m_controls.timTimer, m_host.main)
    , m_keys(*this, m_controls.cboAddress, m_controls.cboSearch, m_controls.brwWebbrowser,
             m_commands)
    , m_addressBar(m_controls.cboAddress, m_controls.brwWebbrowser, m_commands,
                   m_host.platform.folder)
    , m_searchBar(m_controls.cboSearch, m_controls.cboSearchChoix, m_controls.brwWebbrowser,
                  m_host.platform.messageBox)
    , m_pageStatus(*this, m_controls.StatusBar, m_controls.ProgressBar1, m_controls.cboAddress,
                   m_controls.brwWebbrowser, m_host.platform.forms)
    , m_popups(*this, m_controls.brwWebbrowser, m_host)
{
}

// A tab destroyed without unloading (the program ending at once) runs no
// close steps; it leaves the collection of loaded windows by itself.
frmBrowser::~frmBrowser() = default;

void frmBrowser::Show()
{
    if (!m_loaded) {
        Load();
        return;
    }
    if (m_subWindow)
        m_subWindow->showMaximized();
    else
        show();
}

void frmBrowser::Load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_host.platform.forms->load(this, [this] { runCloseSteps(); });

    // The window shows first, inside the main window, maximized.
    if (m_host.area) {
        m_subWindow = m_host.area->addSubWindow(this);
        m_subWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_subWindow->setWindowIcon(windowIcon());
        leaveKeysToTheTab();
        m_subWindow->showMaximized();
    } else {
        show();
    }
    layOut();
    m_controls.cboSearchChoix->setCurrentIndex(
        int(TabControls::SearchCategories.indexOf(QStringLiteral("Web"))));
    // The start address comes from the settings; the history joins the list
    // after it, once the first page has been asked for.
    readSettings();
    placeAddressBox();
    requestFirstPage();
    AddressList::addAll(m_controls.cboAddress,
                        m_host.platform.history->load(m_host.platform.folder));
}

void frmBrowser::leaveKeysToTheTab()
{
    // The child window's own menu claims the desktop's keys for its
    // commands (Ctrl+W beside Ctrl+F4 for Close, here). A key the tab's own
    // commands claim too would be claimed twice, and Qt then triggers
    // neither: such a key is the tab's alone.
    QMenu *menu = m_subWindow->systemMenu();
    if (!menu)
        return;
    QList<QKeySequence> tabKeys;
    for (const QAction *action : actions())
        tabKeys += action->shortcuts();
    for (QAction *action : menu->actions()) {
        QList<QKeySequence> keys = action->shortcuts();
        if (keys.removeIf([&](const QKeySequence &key) { return tabKeys.contains(key); }) > 0)
            action->setShortcuts(keys);
    }
}

void frmBrowser::readSettings()
{
    const SettingsFile::Fields fields = SettingsFile::read(m_host.platform.folder);
    if (fields.startAddress)
        m_startingAddress = *fields.startAddress;
    if (fields.popupMode)
        Module1::PopupMode = *fields.popupMode;
}

void frmBrowser::placeAddressBox()
{
    const Twips::Placer placer(this);
    const QLabel *label = m_controls.lblAddress;
    const float top = placer.twips(label->y()) + placer.twips(label->height()) + AddressBoxGap;
    m_controls.cboAddress->move(placer.px(AddressBoxLeft), placer.px(top));
}

void frmBrowser::requestFirstPage()
{
    QComboBox *address = m_controls.cboAddress;
    if (!m_startingAddress.isEmpty()) {
        address->setEditText(m_startingAddress);
        AddressList::add(address, address->currentText());
        startBusyTimer();
        browser()->Navigate(m_startingAddress);
    } else {
        browser()->Navigate(address->currentText());
    }
}

void frmBrowser::startBusyTimer()
{
    m_commands.startBusyTimer();
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void frmBrowser::layOut()
{
    TabLayout::apply(this, m_controls, m_subWindow && m_subWindow->isMinimized());
}

void frmBrowser::setCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (m_subWindow)
        m_subWindow->setWindowTitle(caption);
}

void frmBrowser::bringForward()
{
    if (!m_subWindow) {
        activateWindow();
        setFocus();
        return;
    }
    if (m_subWindow->isMinimized())
        m_subWindow->showNormal();
    if (m_host.area)
        m_host.area->setActiveSubWindow(m_subWindow);
    setFocus();
}

void frmBrowser::Activate()
{
    Module1::SelectTabPanel(*m_host.platform.forms, QString::number(getID()));
}

void frmBrowser::setPageShown(bool shown)
{
    browser()->widget()->setVisible(shown);
}

void frmBrowser::Sortie()
{
    const Forms &forms = *m_host.platform.forms;
    const QString key = QString::number(getID());
    Module1::RemoveTabPanel(forms, key);
    if (getID() > 1)
        Module1::SelectTabPanel(forms, key);
}

void frmBrowser::Unload()
{
    Forms &forms = *m_host.platform.forms;
    if (forms.isLoaded(this)) {
        forms.unload(this);
    } else if (!m_loaded) {
        hide();
        deleteLater();
    }
}

void frmBrowser::closeEvent(QCloseEvent *event)
{
    // The child window's close box (or its Ctrl+F4) closes the tab first:
    // it then leaves the loaded windows like any other. When it has left
    // already, this is the close its unload entry asked for.
    m_host.platform.forms->unload(this);
    QWidget::closeEvent(event);
}

// The tab's unload entry, which the loaded windows run once whoever unloads
// it; the one place its close steps run.
void frmBrowser::runCloseSteps()
{
    m_commands.stopBusyTimer();
    Sortie();
    if (m_host.main)
        m_host.main->Resizz();
    // A child window that is closing already (its close box) ignores this.
    if (m_subWindow) {
        m_subWindow->close();
    } else {
        hide();
        deleteLater();
    }
}

#include "frmCV.h"

#include "about/frmAbout.h"
#include "app/Module1.h"
#include "app/TabOpening.h"
#include "app/WindowPlacement.h"
#include "os/Launcher.h"
#include "platform/WebBrowser.h"
#include "settings/frmOptions.h"
#include "tab/TabHost.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/Icons.h"
#include "widgets/MessageBox.h"
#include "widgets/PanelBar.h"
#include "widgets/Twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace {

constexpr int DesignedClientWidth = 12675;
constexpr int DesignedClientHeight = 9840;
constexpr int BarHeight = 375;

} // namespace

frmCV::frmCV(const Platform &platform, QWidget *parent)
    : QMainWindow(parent)
    , m_platform(platform)
    , m_newWindowTabs(
          this,
          [this] {
              return new frmBrowser(TabHost {m_platform, m_area, this},
                                    frmBrowser::Purpose::NewWindow);
          },
          [this] { return Module1::CountTabs(*m_platform.forms) < Module1::TabLimit; })
{
    setObjectName(QStringLiteral("frmCV"));
    setWindowTitle(QStringLiteral("Brennick Corvane"));
    setWindowIcon(m_platform.icons->program());

    auto *client = new QWidget(this);
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_area = new QMdiArea(client);
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setBackground(QColor(224, 224, 224));
    // A tab the user restored or tiled keeps its size when it comes forward.
    m_area->setOption(QMdiArea::DontMaximizeSubWindowOnActivation);
    // Closing the tab in front brings back the one used before it, and
    // Ctrl+Tab goes to the tabs most recently used first.
    m_area->setActivationOrder(QMdiArea::ActivationHistoryOrder);
    layout->addWidget(m_area, 1);

    m_bar = new PanelBar(client);
    m_bar->setObjectName(QStringLiteral("Bar"));
    m_bar->setAccessibleName(QStringLiteral("Onglets"));
    m_bar->setInsetPanelDescription(QStringLiteral("Onglet actif"));
    m_bar->setHeightTwips(BarHeight);
    // Sixteen tabs share the strip however narrow the window: a panel's
    // text is cut short rather than the strip running out of view.
    m_bar->setMinimumPanelWidth(0);
    Panel *first = m_bar->add(1);
    first->setText(QStringLiteral("1"));
    first->setAlignment(Panel::Alignment::Center);
    first->setBevel(Panel::Bevel::Inset);
    layout->addWidget(m_bar);
    setCentralWidget(client);
    connect(m_bar, &PanelBar::PanelClick, this, &frmCV::Bar_PanelClick);
    connect(m_bar, &PanelBar::PanelDblClick, this, &frmCV::Bar_PanelDblClick);
    connect(m_area, &QMdiArea::subWindowActivated, this, &frmCV::tabActivated);

    createMenus();

    const double perPixel = Twips::perPixel(this);
    resize(Twips::toPixels(DesignedClientWidth, perPixel),
           Twips::toPixels(DesignedClientHeight, perPixel) + menuBar()->sizeHint().height());
}

frmCV::~frmCV()
{
    // The tabs go with the main window, after this body: none of their
    // windows' signals may reach a main window that is no longer one.
    m_area->disconnect(this);
    m_bar->disconnect(this);
    for (QMdiSubWindow *window : m_area->subWindowList())
        window->disconnect(this);
}

frmBrowser *frmCV::LastTab() const
{
    return m_lastTab;
}

void frmCV::createMenus()
{
    const auto addAction = [this](QWidget *menu, const char *name, const QString &caption,
                                  const QKeySequence &shortcut, void (frmCV::*slot)()) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        // The main window's keys; a dialog has its own.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        menu->addAction(action);
        return action;
    };

    QMenu *mFichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    mFichier->setObjectName(QStringLiteral("mFichier"));
    addAction(mFichier, "mNew", QStringLiteral("&Nouvel Onglet"), Qt::Key_F12, &frmCV::mNew_Click);
    addAction(mFichier, "mQuit", QStringLiteral("&Quitter"), Qt::CTRL | Qt::Key_Q,
              &frmCV::mQuit_Click);

    QMenu *mOutils = menuBar()->addMenu(QStringLiteral("Outils"));
    mOutils->setObjectName(QStringLiteral("mOutils"));
    addAction(mOutils, "mOptions", QStringLiteral("Options de Corvane"), Qt::Key_F11,
              &frmCV::mOptions_Click);
    addAction(mOutils, "mOptInt", QStringLiteral("Options Internet"), Qt::Key_F9,
              &frmCV::mOptInt_Click);

    // A command on the menu bar itself: it acts when it is clicked there.
    addAction(menuBar(), "mNewTab", QStringLiteral("New Tab"), QKeySequence(), &frmCV::mNew_Click);

    QMenu *mHelp = menuBar()->addMenu(QStringLiteral("&?"));
    mHelp->setObjectName(QStringLiteral("mHelp"));
    addAction(mHelp, "mAbout", QStringLiteral("A propos"), Qt::Key_F1, &frmCV::mAbout_Click);
}

void frmCV::Show()
{
    if (!m_loaded) {
        placeOnScreen();
        Load();
    }
    show();
}

void frmCV::placeOnScreen()
{
    // A screen too small for the designed window (or a large scale factor)
    // gets the window cut to its available area and centred, so that the
    // tab strip, the search box and the close boxes stay in sight. The
    // frame is known before the window is shown on some platforms only;
    // elsewhere the window system adds its own to the size chosen here.
    QScreen *screen = this->screen();
    if (!screen)
        return;
    create();
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    if (const std::optional<QRect> placed
        = WindowPlacement::clamp(size(), frame, screen->availableGeometry()))
        setGeometry(*placed);
}

void frmCV::Load()
{
    m_loaded = true;
    m_platform.forms->load(this);

    // The first tab gets its ID before it is shown: showing it runs its
    // load, and its activation reads the ID.
    m_lastTab = new frmBrowser(TabHost {m_platform, m_area, this});
    m_lastTabID = 1;
    m_lastTab->setID(m_lastTabID);
    m_lastTab->Show();
    watchLoads(m_lastTab);

    // The designed panel is the first tab's.
    Panel *first = m_bar->panel(1);
    first->setKey(QStringLiteral("1"));
    first->setWidth(outerWidth());
    Module1::PanelCount = 1;
}

void frmCV::mNew_Click()
{
    Forms &forms = *m_platform.forms;
    if (Module1::CountTabs(forms) >= Module1::TabLimit) {
        m_platform.messageBox->show(
            {QStringLiteral("Le nombre maximal de Tabs est atteint, désolé !"),
             QStringLiteral("Attention"), MessageBox::Icon::Information, MessageBox::Buttons::Ok});
        return;
    }
    auto *tab = new frmBrowser(TabHost {m_platform, m_area, this});
    m_lastTab = tab;
    m_lastTabID = Module1::NextTabID(forms);
    tab->setID(m_lastTabID);
    tab->Show();
    TabOpening::addToStrip(forms, *tab);
    watchLoads(tab);
}

frmBrowser *frmCV::tabForNewWindow()
{
    frmBrowser *tab = m_newWindowTabs.take();
    watchLoads(tab);
    return tab;
}

void frmCV::watchLoads(const frmBrowser *tab)
{
    // Once a page has loaded, the program is idle enough to make the next
    // new window's tab ahead, and learns whether there is still room for it.
    connect(tab->browser(), &WebBrowser::DownloadComplete, &m_newWindowTabs,
            &NewWindowTabs::prepare);
}

void frmCV::Bar_PanelClick(Panel *panel)
{
    const QString key = panel->key();
    const qint16 id = key.toShort();
    for (frmBrowser *tab : m_platform.forms->of<frmBrowser>()) {
        if (tab->getID() == id)
            tab->bringForward();
    }
    Module1::SelectTabPanel(*m_platform.forms, key);
}

void frmCV::Bar_PanelDblClick(Panel *panel)
{
    // The panel leaves the strip while its tab unloads.
    const qint16 id = panel->key().toShort();
    Module1::UnloadTabByID(*m_platform.forms, id);
    Resizz();
}

void frmCV::tabActivated(QMdiSubWindow *window)
{
    // Nothing is active while another window of the program, or of another
    // program, has the focus: the tabs stay as they are.
    auto *tab = window ? qobject_cast<frmBrowser *>(window->widget()) : nullptr;
    if (!tab)
        return;
    tab->Activate();
    connect(window, &QMdiSubWindow::windowStateChanged, this, &frmCV::showUncoveredPages,
            Qt::UniqueConnection);
    showUncoveredPages();
}

void frmCV::showUncoveredPages()
{
    // Behind a maximized tab the other tabs' pages cannot be seen. Hidden,
    // they cost neither drawing nor the memory of a shown page; restored,
    // cascaded or tiled, every tab shows its page.
    QMdiSubWindow *front = m_area->currentSubWindow();
    const bool covering = front && front->isMaximized();
    for (frmBrowser *tab : m_platform.forms->of<frmBrowser>())
        tab->setPageShown(!covering || tab->subWindow() == front);
}

void frmCV::mOptions_Click()
{
    // One dialog for the whole run; it belongs to this window but leaves it
    // usable.
    if (!m_options)
        m_options = new frmOptions(m_platform, Module1::PopupMode, this);
    m_options->Show();
}

void frmCV::mAbout_Click()
{
    if (!m_about)
        m_about = new frmAbout(m_platform, this);
    m_about->Show();
}

void frmCV::Resizz()
{
    Module1::PanelCount = qint16(m_bar->count());
    for (int index = 1; index <= Module1::PanelCount; ++index)
        m_bar->panel(index)->setWidth(outerWidth() / float(Module1::PanelCount));
}

float frmCV::outerWidth() const
{
    return float(Twips::fromPixels(frameGeometry().width(), Twips::perPixel(this)));
}

void frmCV::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Resizz();
}

void frmCV::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Minimizing does not resize the window, but it re-lays the strip too.
    if (event->type() == QEvent::WindowStateChange)
        Resizz();
}

void frmCV::closeEvent(QCloseEvent *event)
{
    // Every tab and dialog unloads; each tab's panel leaves the strip on the
    // way. Closing is never refused.
    Forms &forms = *m_platform.forms;
    const QList<QWidget *> loaded = forms.all();
    for (const QPointer<QWidget> &window : QList<QPointer<QWidget>>(loaded.begin(), loaded.end())) {
        if (window && window != this)
            forms.unload(window);
    }
    event->accept();
}

void frmCV::mQuit_Click()
{
    // Ends the program at once: no window runs its close steps.
    QCoreApplication::exit(0);
}

void frmCV::mOptInt_Click()
{
    Launcher::showInternetOptions(m_platform.launcher, m_platform.messageBox);
}

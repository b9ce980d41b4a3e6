#include "frmBrowser.h"

#include "app/MainWindowOperations.h"
#include "app/Module1.h"
#include "platform/FieldReader.h"
#include "platform/Forms.h"
#include "platform/PanelBar.h"
#include "platform/ProgressBar.h"
#include "platform/Twips.h"
#include "platform/WebBrowser.h"
#include "settings/SettingsFile.h"
#include "tab/AddressList.h"
#include "tab/TabLayout.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

const QString frmBrowser::HomePage = QStringLiteral("https://www.google.fr/");

namespace {

// The history is read from its end, at most this much: a huge file loads
// its most recent entries at once instead of hanging the tab.
constexpr qint64 HistoryReadLimit = 1024 * 1024;

// The designed geometry, in twips: left, top, width, height.
struct Geometry
{
    float left, top, width, height;
};
constexpr Geometry DesignedToolBar {0, 0, 6915, 930};
constexpr Geometry DesignedAddressPanel {0, 930, 6915, 675};
constexpr Geometry DesignedAddressLabel {45, 60, 3075, 255};
constexpr Geometry DesignedAddressBox {45, 360, 3795, 315};
constexpr Geometry DesignedSearchLabel {2760, 75, 735, 255};
constexpr Geometry DesignedSearchBox {3960, 30, 1935, 285};
constexpr Geometry DesignedSearchChoice {5880, 30, 975, 285};
constexpr Geometry DesignedBrowser {45, 1200, 5055, 3375};
constexpr Geometry DesignedProgressBar {120, 5760, 6735, 135};
constexpr Geometry DesignedStatusBar {0, 6000, 6915, 255};
constexpr float StatusPanelWidth = 1440;

// The address box's designed place before the load moves it.
constexpr float AddressBoxLeft = 50;
constexpr float AddressBoxGap = 15;

struct ToolButton
{
    QStringView key;
    QStringView toolTip;
    QStringView label; // drawn beside the image when not empty
    QStringView image;
};

constexpr ToolButton ToolButtons[] = {
    {u"Back", u"Précédent", u"", u"back"},
    {u"Next", u"Suivant", u"", u"forward"},
    {u"Stop", u"Arrêter", u"", u"stop"},
    {u"Refresh", u"Actualiser", u"", u"refresh"},
    {u"Home", u"Démarrage", u"", u"home"},
    {u"kOptions", u"Cliquez ici pour définir les options", u"", u"options"},
    {u"NewTab", u"Cliquez ici pour insérer un nouvel onglet", u"Nouvel onglet", u"newtab"},
    {u"none", u"", u"", u""},
    {u"Close", u"Cliquez ici pour fermer l'onglet en cours", u"Fermer l'onglet", u"close"},
};

const QStringList SearchCategories
    = {QStringLiteral("Web"), QStringLiteral("Images"), QStringLiteral("Logiciels"),
       QStringLiteral("Jeux"), QStringLiteral("Cracks")};

// Twips <-> pixels for the widgets of one window.
class Placer
{
public:
    explicit Placer(const QWidget *window)
        : m_perPixel(Twips::perPixel(window))
    {
    }

    int px(float twips) const { return Twips::toPixels(twips, m_perPixel); }
    float twips(int pixels) const { return float(Twips::fromPixels(pixels, m_perPixel)); }

    void place(QWidget *widget, const Geometry &g) const
    {
        widget->setGeometry(px(g.left), px(g.top), px(g.width), px(g.height));
    }
    void setLeft(QWidget *widget, float left) const { widget->move(px(left), widget->y()); }
    void setTop(QWidget *widget, float top) const { widget->move(widget->x(), px(top)); }
    void setWidth(QWidget *widget, float width) const
    {
        widget->resize(px(width), widget->height());
    }
    void setHeight(QWidget *widget, float height) const
    {
        widget->resize(widget->width(), px(height));
    }

private:
    double m_perPixel;
};

} // namespace

frmBrowser::frmBrowser(const TabHost &host)
    : m_host(host)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/tab.svg")));
    createControls();
}

frmBrowser::~frmBrowser()
{
    // A tab destroyed without unloading (the program ending at once) runs no
    // close steps; it only leaves the collection of loaded windows.
    Forms::unload(this);
}

void frmBrowser::createControls()
{
    const Placer placer(this);
    resize(placer.px(6915), placer.px(6255));

    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setFloatable(false);
    tbToolBar->setIconSize(QSize(24, 24));
    for (const ToolButton &button : ToolButtons) {
        if (button.image.isEmpty()) {
            QAction *separator = tbToolBar->addSeparator();
            separator->setData(button.key.toString());
            continue;
        }
        const QIcon icon(QStringLiteral(":/icons/%1.svg").arg(button.image));
        // Image-only buttons still carry a text, for screen readers.
        QAction *action = tbToolBar->addAction(
            icon, (button.label.isEmpty() ? button.toolTip : button.label).toString());
        action->setObjectName(button.key.toString());
        action->setData(button.key.toString());
        action->setToolTip(button.toolTip.toString());
        if (!button.label.isEmpty()) {
            if (auto *widget = qobject_cast<QToolButton *>(tbToolBar->widgetForAction(action)))
                widget->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }

    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));

    lblAddress = new QLabel(QStringLiteral("&Adresse:"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    placer.place(lblAddress, DesignedAddressLabel);

    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    // Entries go to their sorted place by AddressList, never by the box.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setEditText(HomePage);
    QPalette palette = cboAddress->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::HighlightedText));
    palette.setColor(QPalette::Text, palette.color(QPalette::ButtonText));
    cboAddress->setPalette(palette);
    placer.place(cboAddress, DesignedAddressBox);
    lblAddress->setBuddy(cboAddress);

    lblSearch = new QLabel(QStringLiteral("Recherche"), picAddress);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placer.place(lblSearch, DesignedSearchLabel);

    cboSearch = new QComboBox(picAddress);
    cboSearch->setObjectName(QStringLiteral("cboSearch"));
    cboSearch->setEditable(true);
    cboSearch->setInsertPolicy(QComboBox::NoInsert);
    placer.place(cboSearch, DesignedSearchBox);
    lblSearch->setBuddy(cboSearch);

    cboSearchChoix = new QComboBox(picAddress);
    cboSearchChoix->setObjectName(QStringLiteral("cboSearchChoix"));
    cboSearchChoix->addItems(SearchCategories);
    placer.place(cboSearchChoix, DesignedSearchChoice);

    m_browser = m_host.platform.createBrowser(this);
    QWidget *browserWidget = m_browser->widget();
    browserWidget->setObjectName(QStringLiteral("brwWebbrowser"));
    placer.place(browserWidget, DesignedBrowser);

    ProgressBar1 = new ProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0.0001f, 100);
    placer.place(ProgressBar1, DesignedProgressBar);

    StatusBar = new PanelBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setMinimumPanelWidth(StatusPanelWidth);
    for (int index = 1; index <= 2; ++index)
        StatusBar->add(index)->setWidth(StatusPanelWidth);
    placer.place(StatusBar, DesignedStatusBar);

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);
    connect(timTimer, &QTimer::timeout, this, &frmBrowser::timTimer_Timer);

    placer.place(tbToolBar, DesignedToolBar);
    placer.place(picAddress, DesignedAddressPanel);
    // Where the address panel and the browser overlap (a tall toolbar), the
    // address row stays in view.
    picAddress->raise();

    // The designed focus order. The labels, the toolbar, the address panel,
    // the status bar and the progress bar take no focus, so Tab goes from
    // the address box to the search row and on to the page.
    const QList<QWidget *> focusOrder {cboAddress,   tbToolBar, picAddress,     StatusBar,
                                       ProgressBar1, cboSearch, cboSearchChoix, browserWidget};
    QWidget *previous = nullptr;
    for (QWidget *widget : focusOrder) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

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
    Forms::load(this);

    // The window shows first, inside the main window, maximized.
    if (m_host.area) {
        m_subWindow = m_host.area->addSubWindow(this);
        m_subWindow->setAttribute(Qt::WA_DeleteOnClose);
        m_subWindow->setWindowIcon(windowIcon());
        m_subWindow->installEventFilter(this);
        m_subWindow->showMaximized();
    } else {
        show();
    }
    tbToolBar->update();
    layOut();
    cboSearchChoix->setCurrentIndex(int(SearchCategories.indexOf(QStringLiteral("Web"))));
    // The start address comes from the settings; the history joins the list
    // after it, once the first page has been asked for.
    readSettings();
    placeAddressBox();
    requestFirstPage();
    loadHistory();
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
    const Placer placer(this);
    const float top
        = placer.twips(lblAddress->y()) + placer.twips(lblAddress->height()) + AddressBoxGap;
    cboAddress->move(placer.px(AddressBoxLeft), placer.px(top));
}

void frmBrowser::requestFirstPage()
{
    if (!m_startingAddress.isEmpty()) {
        cboAddress->setEditText(m_startingAddress);
        AddressList::add(cboAddress, cboAddress->currentText());
        timTimer->start();
        m_browser->Navigate(m_startingAddress);
    } else {
        m_browser->Navigate(cboAddress->currentText());
    }
}

void frmBrowser::loadHistory()
{
    std::optional<FieldReader> reader
        = FieldReader::open(m_host.platform.folder.file(HistoryFile.toString()), HistoryReadLimit,
                            FieldReader::Window::Tail);
    if (!reader)
        return;
    QStringList entries;
    while (!reader->atEnd()) {
        const std::optional<QString> field = reader->next();
        if (!field)
            break;
        if (!field->isEmpty())
            entries.append(*field);
    }
    AddressList::addAll(cboAddress, entries);
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    dockControls();
    layOut();
}

void frmBrowser::dockControls()
{
    const Placer placer(this);
    const int toolBarHeight = tbToolBar->sizeHint().height();
    tbToolBar->setGeometry(0, 0, width(), toolBarHeight);
    picAddress->setGeometry(0, toolBarHeight, width(), placer.px(DesignedAddressPanel.height));
    const int statusHeight = placer.px(DesignedStatusBar.height);
    StatusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);
}

void frmBrowser::layOut()
{
    const Placer placer(this);
    const bool minimized = m_subWindow && m_subWindow->isMinimized();
    const TabLayout::Input input {
        .width = minimized ? 0 : placer.twips(width()),
        .height = minimized ? 0 : placer.twips(height()),
        .addressTop = placer.twips(picAddress->y()),
        .addressHeight = placer.twips(picAddress->height()),
        .progressHeight = placer.twips(ProgressBar1->height()),
        .statusPanel2Width = StatusBar->panel(2)->width(),
    };
    const TabLayout::Result result = TabLayout::layOut(input);

    QWidget *browserWidget = m_browser->widget();
    if (result.addressWidth)
        placer.setWidth(cboAddress, *result.addressWidth);
    if (result.browserWidth)
        placer.setWidth(browserWidget, *result.browserWidth);
    if (result.browserHeight)
        placer.setHeight(browserWidget, *result.browserHeight);
    if (result.statusPanel1Width)
        StatusBar->panel(1)->setWidth(*result.statusPanel1Width);
    if (result.progressWidth)
        placer.setWidth(ProgressBar1, *result.progressWidth);
    if (result.progressLeft)
        placer.setLeft(ProgressBar1, *result.progressLeft);
    if (result.progressTop)
        placer.setTop(ProgressBar1, *result.progressTop);
    if (result.searchChoiceLeft)
        placer.setLeft(cboSearchChoix, *result.searchChoiceLeft);
    if (result.searchLeft)
        placer.setLeft(cboSearch, *result.searchLeft);
    if (result.searchLabelLeft) {
        // The label keeps its designed right edge, next to the search box;
        // a font wider than the designed one grows it to the left rather
        // than cutting "Recherche" short.
        const int right = placer.px(*result.searchLabelLeft + DesignedSearchLabel.width);
        const int width
            = std::max(placer.px(DesignedSearchLabel.width), lblSearch->sizeHint().width());
        lblSearch->setGeometry(right - width, lblSearch->y(), width, lblSearch->height());
    }
}

void frmBrowser::timTimer_Timer()
{
    if (!m_browser->Busy()) {
        timTimer->stop();
        setCaption(m_browser->LocationName());
    } else {
        setCaption(QStringLiteral("Traitement en cours..."));
    }
}

void frmBrowser::setCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (m_subWindow)
        m_subWindow->setWindowTitle(caption);
}

void frmBrowser::Sortie()
{
    const QString key = QString::number(getID());
    Module1::RemoveTabPanel(key);
    if (getID() > 1)
        Module1::SelectTabPanel(key);
}

void frmBrowser::runCloseSteps()
{
    if (m_unloaded || !m_loaded)
        return;
    m_unloaded = true;
    timTimer->stop();
    Sortie();
    if (m_host.main)
        m_host.main->Resizz();
    Forms::unload(this);
}

void frmBrowser::Unload()
{
    runCloseSteps();
    if (m_subWindow) {
        m_subWindow->close();
    } else {
        hide();
        deleteLater();
    }
}

bool frmBrowser::eventFilter(QObject *watched, QEvent *event)
{
    // The child window's own close button unloads the tab like any other
    // way of closing it.
    if (watched == m_subWindow && event->type() == QEvent::Close)
        runCloseSteps();
    return QWidget::eventFilter(watched, event);
}

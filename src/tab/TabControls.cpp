#include "TabControls.h"

#include "platform/WebBrowser.h"
#include "widgets/Icons.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

const QString TabControls::HomePage = QStringLiteral("https://www.google.fr/");

const QStringList TabControls::SearchCategories
    = {QStringLiteral("Web"), QStringLiteral("Images"), QStringLiteral("Logiciels"),
       QStringLiteral("Jeux"), QStringLiteral("Cracks")};

namespace {

using Twips::Geometry;

constexpr Geometry DesignedWindow {0, 0, 6915, 6255};
constexpr Geometry DesignedToolBar {0, 0, 6915, 930};
constexpr Geometry DesignedAddressLabel {45, 60, 3075, 255};
constexpr Geometry DesignedAddressBox {45, 360, 3795, 315};
constexpr Geometry DesignedSearchBox {3960, 30, 1935, 285};
constexpr Geometry DesignedSearchChoice {5880, 30, 975, 285};
constexpr Geometry DesignedBrowser {45, 1200, 5055, 3375};
constexpr Geometry DesignedProgressBar {120, 5760, 6735, 135};
constexpr float StatusPanelWidth = 1440;

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

// Every button is at least as large as designed; one with a label beside
// its image grows to show the label whole.
constexpr float ButtonWidth = 885;
constexpr float ButtonHeight = 451;

QToolBar *createToolBar(QWidget *window, Icons &icons)
{
    const Twips::Placer placer(window);
    auto *toolBar = new QToolBar(window);
    toolBar->setObjectName(QStringLiteral("tbToolBar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(24, 24));
    for (const ToolButton &button : ToolButtons) {
        if (button.image.isEmpty()) {
            QAction *separator = toolBar->addSeparator();
            separator->setData(button.key.toString());
            continue;
        }
        const QIcon icon = icons.tool(button.image);
        // Image-only buttons still carry a text, for screen readers.
        QAction *action = toolBar->addAction(
            icon, (button.label.isEmpty() ? button.toolTip : button.label).toString());
        action->setObjectName(button.key.toString());
        action->setData(button.key.toString());
        action->setToolTip(button.toolTip.toString());
        auto *widget = qobject_cast<QToolButton *>(toolBar->widgetForAction(action));
        if (!widget)
            continue;
        widget->setMinimumSize(placer.px(ButtonWidth), placer.px(ButtonHeight));
        if (!button.label.isEmpty())
            widget->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    }
    return toolBar;
}

QComboBox *createEditableBox(const char *name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    // Entries go where the program puts them, never where the box would.
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

} // namespace

TabControls TabControls::create(QWidget *window, WebBrowser *browser, Icons &icons)
{
    // The icon first: set later, it would be passed on to every control.
    window->setWindowIcon(icons.tab());
    TabControls controls;
    const Twips::Placer placer(window);
    window->resize(placer.px(DesignedWindow.width), placer.px(DesignedWindow.height));

    controls.tbToolBar = createToolBar(window, icons);

    controls.picAddress = new QWidget(window);
    controls.picAddress->setObjectName(QStringLiteral("picAddress"));

    controls.lblAddress = new QLabel(QStringLiteral("&Adresse:"), controls.picAddress);
    controls.lblAddress->setObjectName(QStringLiteral("lblAddress"));
    placer.place(controls.lblAddress, DesignedAddressLabel);

    controls.cboAddress = createEditableBox("cboAddress", controls.picAddress);
    controls.cboAddress->setEditText(HomePage);
    // The address box is drawn in the colours of highlighted text on
    // buttons. Where the desktop's colours are those already (they are in
    // Qt's own style), the box keeps the window's palette: a palette of its
    // own would give every tab's box new entries in the style's cache of
    // drawn boxes, which closed tabs leave behind until it is full.
    const QPalette shared = controls.cboAddress->palette();
    const QColor base = shared.color(QPalette::HighlightedText);
    const QColor text = shared.color(QPalette::ButtonText);
    if (shared.color(QPalette::Base) != base || shared.color(QPalette::Text) != text) {
        QPalette palette = shared;
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, text);
        controls.cboAddress->setPalette(palette);
    }
    placer.place(controls.cboAddress, DesignedAddressBox);
    controls.lblAddress->setBuddy(controls.cboAddress);

    controls.lblSearch = new QLabel(QStringLiteral("Recherche"), controls.picAddress);
    controls.lblSearch->setObjectName(QStringLiteral("lblSearch"));
    controls.lblSearch->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    placer.place(controls.lblSearch, DesignedSearchLabel);

    controls.cboSearch = createEditableBox("cboSearch", controls.picAddress);
    placer.place(controls.cboSearch, DesignedSearchBox);
    controls.lblSearch->setBuddy(controls.cboSearch);

    controls.cboSearchChoix = new QComboBox(controls.picAddress);
    controls.cboSearchChoix->setObjectName(QStringLiteral("cboSearchChoix"));
    controls.cboSearchChoix->addItems(SearchCategories);
    placer.place(controls.cboSearchChoix, DesignedSearchChoice);

    controls.brwWebbrowser = browser;
    QWidget *browserWidget = browser->widget();
    browserWidget->setObjectName(QStringLiteral("brwWebbrowser"));
    placer.place(browserWidget, DesignedBrowser);

    controls.ProgressBar1 = new ProgressBar(window);
    controls.ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    controls.ProgressBar1->setRange(0.0001f, 100);
    placer.place(controls.ProgressBar1, DesignedProgressBar);

    controls.StatusBar = new PanelBar(window);
    controls.StatusBar->setObjectName(QStringLiteral("StatusBar"));
    controls.StatusBar->setMinimumPanelWidth(StatusPanelWidth);
    for (int index = 1; index <= 2; ++index)
        controls.StatusBar->add(index)->setWidth(StatusPanelWidth);
    placer.place(controls.StatusBar, DesignedStatusBar);

    controls.timTimer = new QTimer(window);
    controls.timTimer->setObjectName(QStringLiteral("timTimer"));
    controls.timTimer->setInterval(5);

    placer.place(controls.tbToolBar, DesignedToolBar);
    placer.place(controls.picAddress, DesignedAddressPanel);
    // Where the address panel and the browser overlap (a tall toolbar), the
    // address row stays in view.
    controls.picAddress->raise();

    // The designed focus order. The labels, the toolbar, the address panel,
    // the status bar and the progress bar take no focus, so Tab goes from
    // the address box to the search row and on to the page.
    const QList<QWidget *> focusOrder {
        controls.cboAddress,   controls.tbToolBar, controls.picAddress,     controls.StatusBar,
        controls.ProgressBar1, controls.cboSearch, controls.cboSearchChoix, browserWidget};
    QWidget *previous = nullptr;
    for (QWidget *widget : focusOrder) {
        if (widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    return controls;
}

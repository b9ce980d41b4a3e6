#include "frmOptions.h"

#include "os/Launcher.h"
#include "settings/PopupPolicy.h"
#include "settings/SettingsFile.h"
#include "widgets/Forms.h"
#include "widgets/MessageBox.h"
#include "widgets/Twips.h"

#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

namespace {

using Twips::Geometry;

constexpr float ClientWidth = 6150;
constexpr float ClientHeight = 4920;
constexpr Geometry DesignedTabs {120, 120, 5895, 4215};

// Controls on the tab control, placed relative to it.
constexpr Geometry DesignedLabel1 {360, 720, 1695, 255};
constexpr Geometry DesignedAddress {2040, 720, 3615, 285};
constexpr Geometry DesignedLabel2 {360, 1200, 1575, 255};
constexpr Geometry DesignedBlock {1920, 1080, 1335, 375};
constexpr Geometry DesignedAsk {1920, 1320, 1575, 375};
constexpr Geometry DesignedAllow {1920, 1560, 1695, 375};
constexpr Geometry DesignedLabel3 {360, 2040, 1335, 255};
constexpr Geometry DesignedNewPageAddress {1920, 2040, 1215, 255};
constexpr Geometry DesignedNewPageSearch {1920, 2280, 1215, 255};
constexpr Geometry DesignedNewPageHome {1920, 2520, 1215, 255};
constexpr Geometry DesignedInternetOptions {240, 720, 5415, 615};

// Buttons, placed relative to the dialog.
constexpr Geometry DesignedOK {2490, 4455, 1095, 375};
constexpr Geometry DesignedCancel {3720, 4455, 1095, 375};
constexpr Geometry DesignedApply {4920, 4455, 1095, 375};

template<class W>
W *make(QWidget *parent, const char *name, const QString &caption, const Twips::Placer &placer,
        const Geometry &geometry)
{
    auto *widget = new W(caption, parent);
    widget->setObjectName(QString::fromLatin1(name));
    placer.place(widget, geometry);
    return widget;
}

} // namespace

frmOptions::frmOptions(const Platform &platform, QString &popupMode, QWidget *parent)
    : FormDialog(platform.forms, parent)
    , m_platform(platform)
    , m_popupMode(popupMode)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    setModal(false);
    const Twips::Placer placer(this);
    placer.setFixedClientSize(this, ClientWidth, ClientHeight);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    placer.place(m_tabs, DesignedTabs);
    for (const QString &caption :
         {QStringLiteral("Corvane"), QStringLiteral("Internet"), QStringLiteral("Autres")})
        m_tabs->addTab(new QWidget(m_tabs), caption);

    // The controls belong to the tab control itself, at their designed
    // places, and each tab shows its own.
    QWidget *tabs = m_tabs;
    QList<QWidget *> first;
    first << make<QLabel>(tabs, "Label1", QStringLiteral("Adresse de démarrage"), placer,
                          DesignedLabel1);
    m_address = new QLineEdit(tabs);
    m_address->setObjectName(QStringLiteral("txtPageDemar"));
    m_address->setAccessibleName(QStringLiteral("Adresse de démarrage"));
    placer.place(m_address, DesignedAddress);
    first << m_address;
    first << make<QLabel>(tabs, "Label2", QStringLiteral("Popups :"), placer, DesignedLabel2);
    m_block
        = make<QRadioButton>(tabs, "optPopBlok", QStringLiteral("Block!"), placer, DesignedBlock);
    m_ask
        = make<QRadioButton>(tabs, "optPopDem", QStringLiteral("Me demander"), placer, DesignedAsk);
    m_allow = make<QRadioButton>(tabs, "optPopAut", QStringLiteral("Toujours autoriser"), placer,
                                 DesignedAllow);
    first << m_block << m_ask << m_allow;
    first << make<QLabel>(tabs, "Label3", QStringLiteral("Nouvelle page :"), placer,
                          DesignedLabel3);
    m_newPage << make<QCheckBox>(tabs, "chkNPAd", QStringLiteral("Adresse"), placer,
                                 DesignedNewPageAddress)
              << make<QCheckBox>(tabs, "chkNPSe", QStringLiteral("Recherche"), placer,
                                 DesignedNewPageSearch)
              << make<QCheckBox>(tabs, "chkNPHo", QStringLiteral("Home Page"), placer,
                                 DesignedNewPageHome);
    for (QCheckBox *box : m_newPage)
        first << box;
    auto *internetOptions = make<QPushButton>(
        tabs, "cmdAffOptInt", QStringLiteral("Options Internet"), placer, DesignedInternetOptions);
    m_tabControls = {first, {internetOptions}, {}};
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmOptions::showTabControls);
    connect(internetOptions, &QPushButton::clicked, this, &frmOptions::cmdAffOptInt_Click);

    auto *ok = make<QPushButton>(this, "cmdOK", QStringLiteral("OK"), placer, DesignedOK);
    auto *cancel
        = make<QPushButton>(this, "cmdCancel", QStringLiteral("Annuler"), placer, DesignedCancel);
    auto *apply
        = make<QPushButton>(this, "cmdApply", QStringLiteral("Appliquer"), placer, DesignedApply);
    // No default button: Enter presses none of them.
    for (QPushButton *button : {internetOptions, ok, cancel, apply}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(ok, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(apply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);

    setTabOrder(m_address, m_block);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, apply);
    showTabControls(0);
}

frmOptions::~frmOptions() = default;

void frmOptions::shownLoaded()
{
    // Once shown, the window's frame is known.
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        const QSize outer = frameGeometry().size();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
}

void frmOptions::Load()
{
    m_tabs->setCurrentIndex(0);
    for (QCheckBox *box : m_newPage)
        box->setChecked(false);

    // A field the file does not give leaves the value as it was.
    const SettingsFile::Fields fields = SettingsFile::read(m_platform.folder);
    if (fields.startAddress)
        m_startAddress = *fields.startAddress;
    if (fields.popupMode)
        m_popupMode = *fields.popupMode;
    m_address->setText(m_startAddress);
    switch (popupPolicy(m_popupMode)) {
    case PopupPolicy::Block:
        m_block->setChecked(true);
        break;
    case PopupPolicy::Ask:
        m_ask->setChecked(true);
        break;
    case PopupPolicy::Allow:
        m_allow->setChecked(true);
        break;
    }
}

void frmOptions::cmdApply_Click()
{
    // The mode holds from now on, even when the file cannot be written.
    m_popupMode = m_block->isChecked() ? QStringLiteral("1")
        : m_ask->isChecked()           ? QStringLiteral("2")
                                       : QStringLiteral("3");
    if (SettingsFile::write(m_platform.folder, m_address->text(), m_popupMode))
        return;
    const QString path
        = QDir::toNativeSeparators(m_platform.folder.file(SettingsFile::FileName.toString()));
    if (m_platform.messageBox)
        m_platform.messageBox->show(
            {QStringLiteral("Les options n'ont pas pu être enregistrées dans le fichier "
                            "« %1 ». Le choix des popups reste valable jusqu'à la fermeture "
                            "de Corvane.")
                 .arg(path),
             QStringLiteral("Options"), MessageBox::Icon::Warning, MessageBox::Buttons::Ok});
}

void frmOptions::cmdOK_Click()
{
    cmdApply_Click();
    Unload();
}

void frmOptions::cmdCancel_Click()
{
    Unload();
}

void frmOptions::cmdAffOptInt_Click()
{
    Launcher::showInternetOptions(m_platform.launcher, m_platform.messageBox);
}

void frmOptions::showTabControls(int index)
{
    for (int tab = 0; tab < m_tabControls.size(); ++tab) {
        for (QWidget *control : m_tabControls.at(tab)) {
            control->setVisible(tab == index);
            if (tab == index)
                control->raise();
        }
    }
}

void frmOptions::keyPressEvent(QKeyEvent *event)
{
    // Enter presses no button: the dialog has no default one. Escape, as in
    // every dialog, unloads it like "Annuler".
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

#pragma once

#include "widgets/Twips.h"

#include <QString>
#include <QStringList>

class Icons;
class PanelBar;
class ProgressBar;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWidget;
class WebBrowser;

// The controls of a browser tab as they were designed: their names,
// captions, places in twips and focus order. A tab creates them once and
// then only moves and fills them.
struct TabControls
{
    // The address box's initial text, shown when the settings give no start
    // address.
    static const QString HomePage;
    static const QStringList SearchCategories;

    // The designed places that the layout keeps.
    static constexpr Twips::Geometry DesignedAddressPanel {0, 930, 6915, 675};
    static constexpr Twips::Geometry DesignedSearchLabel {2760, 75, 735, 255};
    static constexpr Twips::Geometry DesignedStatusBar {0, 6000, 6915, 255};

    // Creates every control as a child of the tab window, the given browser
    // control among them, at its designed place, and gives the window its
    // icon.
    static TabControls create(QWidget *window, WebBrowser *browser, Icons &icons);

    QToolBar *tbToolBar = nullptr;
    QWidget *picAddress = nullptr;
    QLabel *lblAddress = nullptr;
    QComboBox *cboAddress = nullptr;
    QLabel *lblSearch = nullptr;
    QComboBox *cboSearch = nullptr;
    QComboBox *cboSearchChoix = nullptr;
    WebBrowser *brwWebbrowser = nullptr;
    ProgressBar *ProgressBar1 = nullptr;
    PanelBar *StatusBar = nullptr;
    QTimer *timTimer = nullptr;
};

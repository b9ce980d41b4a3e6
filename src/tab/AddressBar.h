#pragma once

#include <QObject>

struct Platform;
struct TabControls;
class frmBrowser;

// The address box of one tab: Enter and a pick in its list navigate; Enter
// also records the address in the visited-address history.
class AddressBar : public QObject
{
    Q_OBJECT

public:
    AddressBar(frmBrowser *tab, const TabControls &controls, const Platform &platform);
};

#pragma once

#include <QObject>

struct Platform;
struct TabControls;
class frmBrowser;

// What becomes of the windows a tab's page asks for: never a window of
// their own; by the popup mode, nothing, a question, or a new tab.
class PopupInterceptor : public QObject
{
    Q_OBJECT

public:
    PopupInterceptor(frmBrowser *tab, const TabControls &controls, const Platform &platform);
};

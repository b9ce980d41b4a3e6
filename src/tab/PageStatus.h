#pragma once

#include <QObject>

struct Platform;
struct TabControls;
class frmBrowser;

// What one tab shows of its page's progress: its status line, its progress
// bar, its caption, its panel on the tab strip and the address box.
class PageStatus : public QObject
{
    Q_OBJECT

public:
    PageStatus(frmBrowser *tab, const TabControls &controls, const Platform &platform);
};

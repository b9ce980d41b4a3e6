#pragma once

#include <QObject>

struct Platform;
struct TabControls;
class frmBrowser;

// The search row of one tab: Enter in the query box searches the chosen
// category.
class SearchBar : public QObject
{
    Q_OBJECT

public:
    SearchBar(frmBrowser *tab, const TabControls &controls, const Platform &platform);
};

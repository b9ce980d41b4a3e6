#pragma once

class Forms;
class frmBrowser;

// The steps that give a tab, once it has its ID and has been shown, its
// place on the tab strip. The new-tab command and the popup path both end
// with them.
namespace TabOpening {

// The tab's caption becomes the number of loaded windows but the main
// window; a panel keyed with the tab's ID is appended to the strip, drawn
// as the only inset one, showing that caption, centred; the strip is then
// re-laid.
void addToStrip(Forms &forms, frmBrowser &tab);

} // namespace TabOpening

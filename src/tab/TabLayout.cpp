#include "TabLayout.h"

#include "platform/WebBrowser.h"
#include "tab/TabControls.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"
#include "widgets/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QToolBar>

namespace TabLayout {

namespace {

// Sets a size unless it is negative; tells whether the pass goes on.
bool setSize(std::optional<float> &target, float value)
{
    if (value < 0)
        return false;
    target = value;
    return true;
}

} // namespace

Result layOut(const Input &in)
{
    Result out;
    const float w = in.width;
    const float h = in.height;
    // A minimized window, or one without an inner area, keeps its layout.
    if (w <= 0)
        return out;
    if (!setSize(out.addressWidth, w - 100) || !setSize(out.browserWidth, w - 100)
        || !setSize(out.browserHeight,
                    h - (in.addressHeight + in.addressTop) - 300 - in.progressHeight)
        || !setSize(out.statusPanel1Width, w - in.statusPanel2Width - 275)
        || !setSize(out.progressWidth, w - 210))
        return out;
    // Positions may be negative: a control then runs out of view to the left.
    out.progressLeft = 0;
    out.progressTop = h - 380;
    out.searchChoiceLeft = w - 1030;
    out.searchLeft = w - 3000;
    out.searchLabelLeft = w - 3700;
    return out;
}

} // namespace TabLayout

namespace TabLayout {

void apply(QWidget *window, const TabControls &c, bool minimized)
{
    const Twips::Placer placer(window);
    const int width = window->width();
    const int toolBarHeight = c.tbToolBar->sizeHint().height();
    c.tbToolBar->setGeometry(0, 0, width, toolBarHeight);
    c.picAddress->setGeometry(0, toolBarHeight, width,
                              placer.px(TabControls::DesignedAddressPanel.height));
    const int statusHeight = placer.px(TabControls::DesignedStatusBar.height);
    c.StatusBar->setGeometry(0, window->height() - statusHeight, width, statusHeight);

    const Input input {
        .width = minimized ? 0 : placer.twips(width),
        .height = minimized ? 0 : placer.twips(window->height()),
        .addressTop = placer.twips(c.picAddress->y()),
        .addressHeight = placer.twips(c.picAddress->height()),
        .progressHeight = placer.twips(c.ProgressBar1->height()),
        .statusPanel2Width = c.StatusBar->panel(2)->width(),
    };
    const Result result = layOut(input);

    QWidget *browser = c.brwWebbrowser->widget();
    if (result.addressWidth)
        placer.setWidth(c.cboAddress, *result.addressWidth);
    if (result.browserWidth)
        placer.setWidth(browser, *result.browserWidth);
    if (result.browserHeight)
        placer.setHeight(browser, *result.browserHeight);
    if (result.statusPanel1Width)
        c.StatusBar->panel(1)->setWidth(*result.statusPanel1Width);
    if (result.progressWidth)
        placer.setWidth(c.ProgressBar1, *result.progressWidth);
    if (result.progressLeft)
        placer.setLeft(c.ProgressBar1, *result.progressLeft);
    if (result.progressTop)
        placer.setTop(c.ProgressBar1, *result.progressTop);
    if (result.searchChoiceLeft)
        placer.setLeft(c.cboSearchChoix, *result.searchChoiceLeft);
    if (result.searchLeft)
        placer.setLeft(c.cboSearch, *result.searchLeft);
    if (result.searchLabelLeft) {
        // The label keeps its designed right edge, next to the search box;
        // a font wider than the designed one grows it to the left rather
        // than cutting "Recherche" short.
        const Twips::Geometry &designed = TabControls::DesignedSearchLabel;
        const int right = placer.px(*result.searchLabelLeft + designed.width);
        const int labelWidth = std::max(placer.px(designed.width), c.lblSearch->sizeHint().width());
        c.lblSearch->setGeometry(right - labelWidth, c.lblSearch->y(), labelWidth,
                                 c.lblSearch->height());
    }
}

} // namespace TabLayout

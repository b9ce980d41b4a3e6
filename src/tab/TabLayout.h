#pragma once

#include <optional>

class QWidget;
struct TabControls;

// The layout pass of a browser tab, as a pure function of the window's inner
// size and of the docked controls' sizes. Everything is in twips, computed in
// single precision.
namespace TabLayout {

struct Input
{
    float width = 0;             // the window's inner width (W)
    float height = 0;            // and height (H), docked controls included
    float addressTop = 0;        // top of the address panel: the toolbar's height
    float addressHeight = 0;     // height of the address panel
    float progressHeight = 0;    // height of the progress bar
    float statusPanel2Width = 0; // width of the status bar's second panel
};

// What the pass sets, in the order it sets it. A size the controls would
// reject (a negative width or height) ends the pass: that value and every
// later one stay empty, and those controls keep what they had.
struct Result
{
    std::optional<float> addressWidth;
    std::optional<float> browserWidth;
    std::optional<float> browserHeight;
    std::optional<float> statusPanel1Width;
    std::optional<float> progressWidth;
    std::optional<float> progressLeft;
    std::optional<float> progressTop;
    std::optional<float> searchChoiceLeft;
    std::optional<float> searchLeft;
    std::optional<float> searchLabelLeft;
};

Result layOut(const Input &input);

// Docks the toolbar and the address panel to the top of the tab window and
// the status bar to its bottom, then places the other controls by the
// layout pass. A minimized window keeps its layout.
void apply(QWidget *window, const TabControls &controls, bool minimized);

} // namespace TabLayout

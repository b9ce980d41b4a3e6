#include "TabLayout.h"

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

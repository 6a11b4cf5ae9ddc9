// The console button's drawing arithmetic (see ButtonDrawing.h). Pure; any thread.
#include "ButtonDrawing.h"

// Halvings throughout truncate toward zero (C++ integer division), which is
// what places the arrow and the caption pixel for pixel; a shift would round
// negative values the other way.

std::optional<ArrowTriangle> ArrowPoints(const PixelRect& item, const ArrowShape& arrow, bool pressed)
{
    if (arrow.rightMargin < 0) return std::nullopt;
    const int width = item.right - item.left;
    const int height = item.bottom - item.top;
    const int shift = pressed ? 1 : 0;
    const int baseX = item.left + width - arrow.depth - arrow.rightMargin + shift;
    const int tipX = item.left + width - arrow.rightMargin + shift;
    return ArrowTriangle{{
        {baseX, item.top + (height - arrow.height) / 2 + shift},
        {tipX, item.top + height / 2 + shift},
        {baseX, item.top + (height + arrow.height) / 2 + shift},
    }};
}

namespace {

// Whether a run from `first` stepping by 2 paints `last` itself.
bool RunEndsOn(int first, int last)
{
    return first <= last && (last - first) % 2 == 0;
}

void AddRun(std::vector<PixelPoint>& dots, PixelPoint from, int last, bool horizontal)
{
    if (horizontal) {
        for (int x = from.x; x <= last; x += 2) dots.push_back({x, from.y});
    } else {
        for (int y = from.y; y <= last; y += 2) dots.push_back({from.x, y});
    }
}

}  // namespace

std::vector<PixelPoint> FocusDotPoints(const PixelRect& r)
{
    std::vector<PixelPoint> dots;
    // A run that starts on the corner another run has just painted skips one
    // pixel, so the dots alternate around the corner instead of touching.
    const bool topEndsOnCorner = RunEndsOn(r.left + 5, r.right - 5);
    const bool leftEndsOnCorner = RunEndsOn(r.top + 5, r.bottom - 5);
    AddRun(dots, {r.left + 5, r.top + 4}, r.right - 5, true);
    AddRun(dots, {r.right - 5, r.top + (topEndsOnCorner ? 6 : 5)}, r.bottom - 5, false);
    AddRun(dots, {r.left + 4, r.top + 5}, r.bottom - 5, false);
    AddRun(dots, {r.left + (leftEndsOnCorner ? 6 : 5), r.bottom - 5}, r.right - 5, true);
    return dots;
}

RgbColour DarkFrameColour(RgbColour shadow)
{
    // Unsigned 8-bit arithmetic: a channel below 60 wraps rather than clamps.
    return {static_cast<std::uint8_t>(shadow.red - 60), static_cast<std::uint8_t>(shadow.green - 60),
            static_cast<std::uint8_t>(shadow.blue - 60)};
}

PixelPoint CaptionOrigin(const PixelRect& item, int textWidth, int textHeight, bool pressed)
{
    const int shift = pressed ? 1 : 0;
    return {(item.left + item.right) / 2 - textWidth / 2 + shift,
            (item.top + item.bottom) / 2 - textHeight / 2 + shift};
}

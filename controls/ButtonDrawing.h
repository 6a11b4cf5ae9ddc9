// The console button's drawing arithmetic: where the arrow, the focus dots and
// the caption go, and the dark frame colour. No Windows header, so it builds
// and is tested natively too. Pure functions; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// Right and bottom are exclusive, as in a window rectangle.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct RgbColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const RgbColour&) const = default;
};

// The drop-down arrow: tip-to-base depth, base height, and the tip's distance
// from the control's right edge (negative: no arrow).
struct ArrowShape {
    int depth = 0;
    int height = 0;
    int rightMargin = -1;
};

using ArrowTriangle = std::array<PixelPoint, 3>;

// The right-pointing triangle (top of base, tip, bottom of base) for an item
// rectangle; pressed shifts it by one pixel right and down. None when the
// right margin is negative.
std::optional<ArrowTriangle> ArrowPoints(const PixelRect& item, const ArrowShape& arrow, bool pressed);

// The dotted focus outline: every second pixel along four runs (top, right,
// left, bottom), in that order.
std::vector<PixelPoint> FocusDotPoints(const PixelRect& rect);

// The outer frame colour of a raised button: each channel of the shadow
// colour minus 60, wrapping modulo 256.
RgbColour DarkFrameColour(RgbColour shadow);

// Top-left corner of a caption of the given extent, centred in the item;
// pressed moves it one pixel right and down.
PixelPoint CaptionOrigin(const PixelRect& item, int textWidth, int textHeight, bool pressed);

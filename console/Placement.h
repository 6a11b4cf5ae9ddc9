// The console's placement rules, as arithmetic on rectangles: it starts in
// the bottom-right corner of the primary monitor's work area and is held
// wholly inside the work area of the monitor it is on. Screen pixels; right
// and bottom edges exclusive. Windows-free.
#pragma once

#include <optional>
#include <vector>

struct PixelBox {
    int left;
    int top;
    int right;
    int bottom;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelBox&) const = default;
};

struct PixelPosition {
    int x;
    int y;
    bool operator==(const PixelPosition&) const = default;
};

// One monitor as the system reports it.
struct MonitorArea {
    PixelBox monitor;
    PixelBox work;  // less the taskbar and other bars
    bool primary = false;
};

// The monitor a window on `rect` is on, as the system decides it: the one the
// rectangle overlaps most (the first of equals). Nothing when it overlaps none.
std::optional<MonitorArea> MonitorOf(const PixelBox& rect, const std::vector<MonitorArea>& monitors);
// The primary monitor (the first one when none says so; the screen when
// there are none, for the caller to fill in).
MonitorArea PrimaryMonitor(const std::vector<MonitorArea>& monitors, const MonitorArea& fallback);
// The work area the rules hold a window on `rect` inside: its monitor's, the
// primary's when it is on none.
PixelBox WorkAreaFor(const PixelBox& rect, const std::vector<MonitorArea>& monitors, const MonitorArea& fallback);

// Where the console starts: the bottom-right corner of the (primary) work
// area, measured from its right and bottom edges, wherever the taskbar is.
PixelPosition InitialPosition(const PixelBox& window, const PixelBox& work);

// A rectangle computed by the layout, fitted into the work area keeping its
// size; one wider (taller) than the work area ends on its right (bottom) edge.
PixelBox ClampLayoutRect(const PixelBox& rect, const PixelBox& work);

// A proposed move: the position that keeps the window inside the work area,
// which grows on each side by the window's excess over it. A window being
// minimised, or moved while minimised, keeps the proposed position: the
// system parks it off screen (-32000, -32000 on Windows), and pulling it in
// would leave a title-bar stub in the work area's corner.
PixelPosition FilterProposedPosition(const PixelBox& window, const PixelBox& work, PixelPosition proposed,
                                     int proposedWidth, int proposedHeight, bool minimised);

// After a drag: the window shifted back inside the (grown) work area.
PixelBox KeepInWorkArea(const PixelBox& window, const PixelBox& work);

// After the work area changed: a window that sticks out anywhere goes to the
// bottom-right corner with the size of the last layout; one inside stays. A
// window whose monitor went away goes to the primary work area's corner.
bool SticksOut(const PixelBox& window, const PixelBox& work);
PixelBox CornerPlacement(const PixelBox& lastLayout, const PixelBox& work);

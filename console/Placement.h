// The console's placement rules, as arithmetic on rectangles: it starts near
// the bottom-right corner of the work area and is held wholly inside it.
// Screen pixels; right and bottom edges exclusive. Windows-free.
#pragma once

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

// Where the console starts: the work area's width and height less the
// window's size. With the taskbar at the left or top the console therefore
// stands that far short of the screen's edge.
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
// bottom-right corner with the size of the last layout; one inside stays.
bool SticksOut(const PixelBox& window, const PixelBox& work);
PixelBox CornerPlacement(const PixelBox& lastLayout, const PixelBox& work);

#include "Placement.h"

#include <algorithm>

namespace {

// The work area grown on each side by how much the window exceeds it.
PixelBox GrownBy(const PixelBox& work, int windowWidth, int windowHeight)
{
    const int dx = std::max(0, windowWidth - work.Width());
    const int dy = std::max(0, windowHeight - work.Height());
    return {work.left - dx, work.top - dy, work.right + dx, work.bottom + dy};
}

}  // namespace

std::optional<MonitorArea> MonitorOf(const PixelBox& rect, const std::vector<MonitorArea>& monitors)
{
    std::optional<MonitorArea> best;
    long long bestArea = 0;
    for (const MonitorArea& m : monitors) {
        const long long width = std::min(rect.right, m.monitor.right) - std::max(rect.left, m.monitor.left);
        const long long height = std::min(rect.bottom, m.monitor.bottom) - std::max(rect.top, m.monitor.top);
        if (width <= 0 || height <= 0) continue;
        if (width * height > bestArea) {
            bestArea = width * height;
            best = m;
        }
    }
    return best;
}

MonitorArea PrimaryMonitor(const std::vector<MonitorArea>& monitors, const MonitorArea& fallback)
{
    for (const MonitorArea& m : monitors)
        if (m.primary) return m;
    return monitors.empty() ? fallback : monitors.front();
}

PixelBox WorkAreaFor(const PixelBox& rect, const std::vector<MonitorArea>& monitors, const MonitorArea& fallback)
{
    if (const auto monitor = MonitorOf(rect, monitors)) return monitor->work;
    return PrimaryMonitor(monitors, fallback).work;
}

PixelPosition InitialPosition(const PixelBox& window, const PixelBox& work)
{
    return {work.right - window.Width(), work.bottom - window.Height()};
}

PixelBox ClampLayoutRect(const PixelBox& rect, const PixelBox& work)
{
    const int width = rect.Width();
    const int height = rect.Height();
    PixelBox r = rect;
    if (r.left <= work.left) r = {work.left, r.top, work.left + width, r.bottom};
    if (r.right >= work.right) r = {work.right - width, r.top, work.right, r.bottom};
    if (r.top <= work.top) r = {r.left, work.top, r.right, work.top + height};
    if (r.bottom >= work.bottom) r = {r.left, work.bottom - height, r.right, work.bottom};
    return r;
}

PixelPosition FilterProposedPosition(const PixelBox& window, const PixelBox& work, PixelPosition proposed,
                                     int proposedWidth, int proposedHeight, bool minimised)
{
    if (minimised) return proposed;
    const PixelBox area = GrownBy(work, window.Width(), window.Height());
    PixelPosition p = proposed;
    if (p.x < area.left) p.x = area.left;
    if (p.x + proposedWidth > area.right) p.x = area.right - proposedWidth;
    if (p.y < area.top) p.y = area.top;
    if (p.y + proposedHeight > area.bottom) p.y = area.bottom - proposedHeight;
    return p;
}

PixelBox KeepInWorkArea(const PixelBox& window, const PixelBox& work)
{
    const PixelBox area = GrownBy(work, window.Width(), window.Height());
    PixelBox w = window;
    auto shift = [&w](int dx, int dy) { w = {w.left + dx, w.top + dy, w.right + dx, w.bottom + dy}; };
    if (w.left < area.left) shift(area.left - w.left, 0);
    if (w.right > area.right) shift(area.right - w.right, 0);
    if (w.top < area.top) shift(0, area.top - w.top);
    if (w.bottom > area.bottom) shift(0, area.bottom - w.bottom);
    return w;
}

bool SticksOut(const PixelBox& window, const PixelBox& work)
{
    return window.left < work.left || window.right > work.right || window.top < work.top ||
           window.bottom > work.bottom;
}

PixelBox CornerPlacement(const PixelBox& lastLayout, const PixelBox& work)
{
    return {work.right - lastLayout.Width(), work.bottom - lastLayout.Height(), work.right, work.bottom};
}

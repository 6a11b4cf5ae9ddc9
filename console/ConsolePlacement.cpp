// Where the console sits: wholly inside the work area of the monitor it is
// on, starting in the primary work area's bottom-right corner, back in the
// corner when the work area changes under it, on the primary monitor when its
// own went away. The arithmetic is in Placement.cpp; this applies it to the
// window.
#include "ConsoleDlg.h"
#include "resource.h"

namespace {

PixelBox Box(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

PixelBox WindowBox(HWND hwnd)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    return Box(r);
}

void MoveTo(HWND hwnd, const PixelBox& box)
{
    MoveWindow(hwnd, box.left, box.top, box.Width(), box.Height(), TRUE);
}

// The primary monitor's work area is the system's work area, which is what a
// change of the taskbar (SPI_SETWORKAREA) changes.
PixelBox SystemWorkArea()
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return Box(work);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back(
        {Box(info.rcMonitor), primary ? SystemWorkArea() : Box(info.rcWork), primary});
    return TRUE;
}

// The monitors as they are now: read afresh for every rule; nothing caches them.
std::vector<MonitorArea> Monitors()
{
    std::vector<MonitorArea> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

MonitorArea Screen()
{
    return {{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, SystemWorkArea(), true};
}

PixelBox WorkAreaOn(const PixelBox& rect)
{
    return WorkAreaFor(rect, Monitors(), Screen());
}

}  // namespace

PixelBox CConsoleDlg::WorkArea() const
{
    return WorkAreaOn(WindowBox(GetHwnd()));
}

void CConsoleDlg::PlaceInitially()
{
    const PixelBox primary = PrimaryMonitor(Monitors(), Screen()).work;
    const PixelPosition at = InitialPosition(WindowBox(GetHwnd()), primary);
    SetWindowPos(GetHwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Every proposed move, the program's own included, stays inside the work area
// of the monitor the window is proposed on: dragged onto another monitor, it
// is held inside that one's.
void CConsoleDlg::OnWindowPosChanging(WINDOWPOS& pos)
{
    if (pos.flags & SWP_NOMOVE) return;  // no position proposed
    const PixelBox window = WindowBox(GetHwnd());
    const int width = (pos.flags & SWP_NOSIZE) ? window.Width() : pos.cx;
    const int height = (pos.flags & SWP_NOSIZE) ? window.Height() : pos.cy;
    // The minimised style is set before the system proposes the parked position.
    const bool minimised = IsIconic(GetHwnd()) != FALSE;
    const PixelBox work = WorkAreaOn({pos.x, pos.y, pos.x + width, pos.y + height});
    const PixelPosition at = FilterProposedPosition(window, work, {pos.x, pos.y}, width, height, minimised);
    pos.x = at.x;
    pos.y = at.y;
}

void CConsoleDlg::KeepInWorkArea()
{
    const PixelBox kept = ::KeepInWorkArea(WindowBox(GetHwnd()), WorkArea());
    m_lastRect = {kept.left, kept.top, kept.right, kept.bottom};
    MoveTo(GetHwnd(), kept);
}

void CConsoleDlg::FitHeightToFrame()
{
    HWND frame = GetDlgItem(IDC_FRAME);
    if (frame == nullptr) return;
    RECT box{};
    GetWindowRect(frame, &box);
    PixelBox window = WindowBox(GetHwnd());
    window.bottom = box.bottom + 13;
    MoveTo(GetHwnd(), window);
    KeepInWorkArea();
}

// The taskbar moved or changed size, or a monitor came or went: a console that
// now sticks out goes back to the corner of its monitor's work area, one whose
// monitor went away to the primary one's; one still inside stays where it is.
// A minimised console is left parked; restoring it passes the position filter.
void CConsoleDlg::OnSettingChange()
{
    if (IsIconic(GetHwnd())) return;
    const std::vector<MonitorArea> monitors = Monitors();
    const PixelBox window = WindowBox(GetHwnd());
    const auto monitor = MonitorOf(window, monitors);
    const PixelBox work = monitor ? monitor->work : PrimaryMonitor(monitors, Screen()).work;
    if (!monitor || SticksOut(window, work)) MoveTo(GetHwnd(), CornerPlacement(Box(m_lastRect), work));
    FitHeightToFrame();
}

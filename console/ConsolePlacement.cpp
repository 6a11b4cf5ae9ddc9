// Where the console sits: wholly inside the work area, starting near its
// bottom-right corner, back in the corner when the work area changes under
// it. The arithmetic is in Placement.cpp; this applies it to the window.
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

}  // namespace

// The work area is read afresh for every rule; nothing caches it.
PixelBox CConsoleDlg::WorkArea()
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return Box(work);
}

void CConsoleDlg::PlaceInitially()
{
    const PixelPosition at = InitialPosition(WindowBox(GetHwnd()), WorkArea());
    SetWindowPos(GetHwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Every proposed move, the program's own included, stays inside the work area.
void CConsoleDlg::OnWindowPosChanging(WINDOWPOS& pos)
{
    if (pos.flags & SWP_NOMOVE) return;  // no position proposed
    const PixelBox window = WindowBox(GetHwnd());
    const int width = (pos.flags & SWP_NOSIZE) ? window.Width() : pos.cx;
    const int height = (pos.flags & SWP_NOSIZE) ? window.Height() : pos.cy;
    // The minimised style is set before the system proposes the parked position.
    const bool minimised = IsIconic(GetHwnd()) != FALSE;
    const PixelPosition at = FilterProposedPosition(window, WorkArea(), {pos.x, pos.y}, width, height, minimised);
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

// The taskbar moved or changed size: a console that now sticks out goes back
// to the corner; one still inside stays where it is. A minimised console is
// left parked; restoring it passes the position filter.
void CConsoleDlg::OnSettingChange()
{
    if (IsIconic(GetHwnd())) return;
    const PixelBox work = WorkArea();
    if (SticksOut(WindowBox(GetHwnd()), work)) MoveTo(GetHwnd(), CornerPlacement(Box(m_lastRect), work));
    FitHeightToFrame();
}

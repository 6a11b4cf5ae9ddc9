// Where the console sits: wholly inside the work area, starting near its
// bottom-right corner.
#include "ConsoleDlg.h"

namespace {

RECT WorkArea()
{
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

}  // namespace

// The work area's width and height are used, not its right and bottom edges:
// with the taskbar at the left or top the console stands that far short of the
// screen's edge. The layout's remembered rectangle is left alone.
void CConsoleDlg::PlaceInitially()
{
    const RECT work = WorkArea();
    RECT window;
    GetWindowRect(GetHwnd(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(GetHwnd(), nullptr, (work.right - work.left) - width, (work.bottom - work.top) - height, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

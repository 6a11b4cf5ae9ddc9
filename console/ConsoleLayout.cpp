// The two layouts of the console's row: the buttons a layout shows, lined up
// after Power with 1-pixel gaps (7 between groups), the volume row under the
// right end, the frame and the window sized around them.
#include "BeamdeskApp.h"
#include "ConsoleDlg.h"
#include "LayoutRules.h"
#include "Placement.h"
#include "UserObjects.h"
#include "resource.h"

namespace {

// A control's window rectangle in its dialog's client coordinates.
bool ClientRect(HWND dialog, int id, RECT& rect)
{
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return false;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

int WidthOf(HWND dialog, int id)
{
    RECT r{};
    return ClientRect(dialog, id, r) ? r.right - r.left : 0;
}

int HeightOf(HWND dialog, int id)
{
    RECT r{};
    return ClientRect(dialog, id, r) ? r.bottom - r.top : 0;
}

void MoveKeepingSize(HWND control, int x, int y)
{
    SetWindowPos(control, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(control, nullptr, TRUE);
}

constexpr int kGroupGap = 6;
constexpr int kFrameMargin = 11;
constexpr int kWindowMargin = 13;

}  // namespace

void CConsoleDlg::PlaceButton(int id, bool show, int dx, int dy, bool absolute)
{
    HWND control = GetDlgItem(id);
    if (control == nullptr) return;
    if (!show) {
        ShowWindow(control, SW_HIDE);
        return;
    }
    RECT last{};
    if (!ClientRect(GetHwnd(), m_layoutLastId, last)) return;
    RECT own{};
    GetClientRect(control, &own);

    int x = last.right + 1;
    int y = last.top;
    const int group = GroupOfControl(id);
    if (group > 0 && group != m_layoutLastGroup) x += kGroupGap;
    if (absolute) {
        x = dx;
        y = dy;
    } else {
        x += dx;
        y += dy;
    }
    MoveKeepingSize(control, x, y);
    ShowWindow(control, SW_SHOW);
    m_layoutLastGroup = group;
    m_layoutLastId = id;
    m_layoutCount += 1;
}

// The layout's steps: the row after Power, the volume row under it, then the
// frame and the window sized around them.
void CConsoleDlg::LayoutButtons()
{
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app == nullptr) return;
    const AppSettings& s = app->Settings();
    PlaceRowAfterPower(s);
    PlaceVolumeRow(ShownInLayout(IDC_VOLUME_LABEL, s));
    FitFrameAndWindow();
}

// The buttons the layout shows, one after the other from Power, then the mode
// button; when nothing stands between Power and it, the mode button keeps a
// distance that depends on the screen's resolution.
void CConsoleDlg::PlaceRowAfterPower(const AppSettings& s)
{
    m_layoutLastId = IDC_POWER;
    m_layoutLastGroup = 1;
    m_layoutCount = 1;
    for (int id : {IDC_COMPUTER1, IDC_COMPUTER2, IDC_COMPUTER, IDC_QUILLAN, IDC_VIDEO, IDC_SVIDEO, IDC_AVMUTE,
                   IDC_FREEZE, IDC_CC})
        PlaceButton(id, ShownInLayout(id, s, m_link.HasCaptions()), 0, 0, false);
    const int extra = LoneModeButtonOffset(GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSX));
    PlaceButton(IDC_MODE, true, m_layoutCount == 1 ? extra : 0, 0, false);
}

// The volume label, "-" and "+": left of the mode button with their bottoms
// level with it, or, when only Power and the mode button stand in the row,
// under Power with the mode button moved to their right.
void CConsoleDlg::PlaceVolumeRow(bool shown)
{
    HWND dialog = GetHwnd();
    RECT mode{};
    ClientRect(dialog, IDC_MODE, mode);
    const int minusWidth = WidthOf(dialog, IDC_VOLUME_DOWN);
    const int labelWidth = WidthOf(dialog, IDC_VOLUME_LABEL);
    const int minusHeight = HeightOf(dialog, IDC_VOLUME_DOWN);

    if (m_layoutCount != 2) {
        PlaceButton(IDC_VOLUME_LABEL, shown, -(3 * minusWidth + labelWidth + 22),
                    (mode.bottom - mode.top) - minusHeight + 6, false);
        PlaceButton(IDC_VOLUME_DOWN, shown, 0, -6, false);
        PlaceButton(IDC_VOLUME_UP, shown, 0, 0, false);
        return;
    }
    RECT power{};
    ClientRect(dialog, IDC_POWER, power);
    const int plusHeight = HeightOf(dialog, IDC_VOLUME_UP);
    const int labelHeight = HeightOf(dialog, IDC_VOLUME_LABEL);
    const int modeHeight = mode.bottom - mode.top;
    const int centre = (plusHeight - labelHeight) / 2;
    PlaceButton(IDC_VOLUME_LABEL, shown, power.left, power.top + modeHeight - plusHeight + centre, true);
    PlaceButton(IDC_VOLUME_DOWN, shown, 0, -centre, false);
    PlaceButton(IDC_VOLUME_UP, shown, 0, 0, false);
    if (m_layoutCount == 5) {
        RECT plus{};
        ClientRect(dialog, IDC_VOLUME_UP, plus);
        const int left = std::max(power.right, plus.right) + 7;
        MoveKeepingSize(GetDlgItem(IDC_MODE), left, mode.top);
    }
}

// The frame around everything up to the mode button, and the window around
// the frame, kept inside the work area of its monitor.
void CConsoleDlg::FitFrameAndWindow()
{
    HWND dialog = GetHwnd();
    HWND frame = GetDlgItem(IDC_FRAME);
    if (frame == nullptr) return;
    RECT mode{};
    ClientRect(dialog, IDC_MODE, mode);
    RECT box{};
    ClientRect(dialog, IDC_FRAME, box);
    SetWindowPos(frame, nullptr, 0, 0, mode.right + kFrameMargin - box.left, mode.bottom + kFrameMargin - box.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(frame, SW_SHOW);

    RECT window{};
    GetWindowRect(dialog, &window);
    RECT frameOnScreen{};
    GetWindowRect(frame, &frameOnScreen);
    const PixelBox work = WorkArea();
    const int left = std::max<int>(window.left, work.left);
    const int top = std::max<int>(window.top, work.top);
    const PixelBox sized{left, top, frameOnScreen.right + kWindowMargin + (left - window.left),
                         frameOnScreen.bottom + kWindowMargin + (top - window.top)};
    const PixelBox fitted = ClampLayoutRect(sized, work);
    m_lastRect = {fitted.left, fitted.top, fitted.right, fitted.bottom};
    MoveWindow(dialog, fitted.left, fitted.top, fitted.Width(), fitted.Height(), TRUE);
}

// The mode button's menu: tick the chosen entry and lay out again when the
// mode changes. The registry learns of it at the next save.
int CConsoleDlg::LayoutMode() const
{
    const CBeamdeskApp* app = GetBeamdeskApp();
    return app != nullptr ? int{app->Settings().mode} : int{kModeSimple};
}

void CConsoleDlg::SwitchMode(std::uint8_t mode)
{
    const bool advanced = mode == kModeAdvanced;
    const UINT chosen = advanced ? ID_ADVANCED_MODE : ID_SIMPLE_MODE;
    if (!(m_modeButton.GetItemState(chosen, MF_BYCOMMAND) & MF_CHECKED)) m_modeButton.CheckItem(chosen, MF_CHECKED);
    m_modeButton.CheckItem(advanced ? ID_SIMPLE_MODE : ID_ADVANCED_MODE, MF_UNCHECKED);
    CBeamdeskApp* app = GetBeamdeskApp();
    if (app != nullptr && app->Settings().mode == (advanced ? kModeSimple : kModeAdvanced)) {
        app->SetLayoutMode(mode);
        LayoutButtons();
    }
}

void CConsoleDlg::OnAdvancedMode()
{
    SwitchMode(kModeAdvanced);
}

void CConsoleDlg::OnSimpleMode()
{
    SwitchMode(kModeSimple);
}

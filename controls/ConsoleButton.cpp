// The console's drop-down button (see ConsoleButton.h). User-interface
// thread only: the menu and the press hand-over run inside its messages.
#include "ConsoleButton.h"

#include "UserObjects.h"

#include <objbase.h>
#include <windowsx.h>

#include <memory>
#include <optional>

#include "ButtonDrawing.h"
#include "ConsoleButtonOwner.h"
#include "Gdi.h"
#include "resource.h"

namespace {

// The platform's published theme part and state values for push buttons.
constexpr int kPushButtonPart = 1;  // BP_PUSHBUTTON
constexpr int kStateNormal = 1;     // PBS_NORMAL
constexpr int kStateHot = 2;        // PBS_HOT
constexpr int kStatePressed = 3;    // PBS_PRESSED
constexpr int kStateDefaulted = 5;  // PBS_DEFAULTED

constexpr COLORREF kWhite = RGB(255, 255, 255);

PixelRect ToPixelRect(const RECT& r)
{
    return {r.left, r.top, r.right, r.bottom};
}

// Fills with a solid colour through the background colour, which then stays
// set for the caption drawn on top.
void FillSolidRect(HDC dc, const RECT& rect, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

struct TaskMemFree {
    void operator()(void* p) const { CoTaskMemFree(p); }
};

}  // namespace

CConsoleButton::CConsoleButton(const char* themeLibrary) : m_themeLib(themeLibrary) {}

CConsoleButton::~CConsoleButton()
{
    // Unbind first so no message reaches a half-destroyed object; the theme
    // handle goes before the library that made it.
    Detach();
    m_themeLib.CloseTheme(m_hTheme);
    m_hTheme = nullptr;
}

BOOL CConsoleButton::AddItem(UINT commandId, std::string text, UINT flags)
{
    const BOOL added = AppendMenuA(m_menu.get(), flags, commandId, text.c_str());
    m_hasItems |= added;
    return added;
}

DWORD CConsoleButton::CheckItem(UINT commandId, UINT check)
{
    return CheckMenuItem(m_menu.get(), commandId, check);
}

UINT CConsoleButton::GetItemState(UINT commandId, UINT flags) const
{
    return GetMenuState(m_menu.get(), commandId, flags);
}

std::string CConsoleButton::GetItemText(UINT position) const
{
    const int length = GetMenuStringA(m_menu.get(), position, nullptr, 0, MF_BYPOSITION);
    if (length < 1) return {};
    // Room for twice the length: the count may be in characters of a
    // double-byte code page.
    std::string text(2 * static_cast<std::size_t>(length) + 2, '\0');
    const int copied = GetMenuStringA(m_menu.get(), position, text.data(), static_cast<int>(text.size()), MF_BYPOSITION);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

void CConsoleButton::ShowMenu()
{
    HWND self = GetHwnd();
    RECT window{};
    GetWindowRect(self, &window);
    HWND parent = GetParent(self);
    if (parent == nullptr) return;
    // Owned by the parent, so a chosen item arrives there as a command.
    TrackPopupMenu(m_menu.get(), 0, window.right, window.top, 0, parent, nullptr);
    // The menu took the release of the press that opened it.
    m_buttonDown = FALSE;
}

void CConsoleButton::MarkLayout(int mode)
{
    const bool advanced = mode == kModeAdvanced;
    CheckItem(ID_ADVANCED_MODE, advanced ? MF_CHECKED : MF_UNCHECKED);
    CheckItem(ID_SIMPLE_MODE, advanced ? MF_UNCHECKED : MF_CHECKED);
}

void CConsoleButton::SetArrow(int depth, int height, int rightMargin)
{
    m_arrowDepth = depth;
    m_arrowHeight = height;
    m_arrowRight = rightMargin;
}

BOOL CConsoleButton::IsOverMenuButton(POINT clientPoint) const
{
    if (!m_hasItems) return FALSE;
    POINT screen = clientPoint;
    ClientToScreen(GetHwnd(), &screen);
    RECT window{};
    GetWindowRect(GetHwnd(), &window);
    return PtInRect(&window, screen);
}

ConsoleButtonOwner* CConsoleButton::Owner() const
{
    HWND parent = GetParent(GetHwnd());
    return parent != nullptr ? dynamic_cast<ConsoleButtonOwner*>(Window::FromHandle(parent)) : nullptr;
}

void CConsoleButton::NotifyClick()
{
    switch (GetDlgCtrlID(GetHwnd())) {
    case IDC_CC:
        if (ConsoleButtonOwner* owner = Owner()) owner->OnCcDropDown();
        break;
    case IDC_MODE: {
        // Without an owner (a test of the control alone) the layout counts
        // as Simple.
        const ConsoleButtonOwner* owner = Owner();
        MarkLayout(owner != nullptr ? owner->LayoutMode() : int{kModeSimple});
        ShowMenu();
        break;
    }
    default:
        break;
    }
}

bool CConsoleButton::PreTranslateMessage(MSG& msg)
{
    // Enter becomes Space before the dialog sees it, so it presses this
    // button instead of the dialog's default button.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) msg.wParam = VK_SPACE;
    return Window::PreTranslateMessage(msg);
}

LRESULT CConsoleButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        return OnLButtonDown(wParam, lParam);
    case WM_LBUTTONUP:
        m_buttonDown = FALSE;
        break;
    case WM_MOUSEMOVE:
        OnMouseMove({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        const LRESULT result = Default(msg, wParam, lParam);
        Redraw();
        return result;
    }
    case WM_CAPTURECHANGED:
        m_hot = FALSE;
        Redraw();
        break;
    case WM_KEYDOWN:
        OnKeyDown(wParam);
        break;
    case WM_KEYUP:
        // A key press has no button release of its own.
        if (wParam == VK_SPACE || wParam == VK_RETURN) m_buttonDown = FALSE;
        break;
    case WM_DESTROY:
        // The theme belongs to this window; do not keep it past the window.
        m_themeLib.CloseTheme(m_hTheme);
        m_hTheme = nullptr;
        break;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

// Called when the left button goes down on the control: the press is handed on
// at once rather than on release. Releasing the capture afterwards undoes the
// capture the default processing took, so the button does not stay pushed.
// The press counts as down before it is handed on: a menu it opens ends it.
LRESULT CConsoleButton::OnLButtonDown(WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = Default(WM_LBUTTONDOWN, wParam, lParam);
    m_buttonDown = TRUE;
    if (IsOverMenuButton({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        NotifyClick();
        ReleaseCapture();
    }
    return result;
}

// Called for every pointer move: the hot look holds the capture while the
// pointer is over the control, so that leaving it is noticed.
void CConsoleButton::OnMouseMove(POINT point)
{
    if (m_buttonDown) return;
    if (!m_hot) {
        SetCapture(GetHwnd());
        m_hot = TRUE;
        Redraw();
        return;
    }
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    if (PtInRect(&client, point)) return;
    ReleaseCapture();
    m_hot = FALSE;
    Redraw();
}

// Called for a key going down: Space and Enter press the button like the mouse
// does, at the centre of the control.
void CConsoleButton::OnKeyDown(WPARAM key)
{
    if (key != VK_SPACE && key != VK_RETURN) return;
    RECT client{};
    GetClientRect(GetHwnd(), &client);
    PostMessageA(GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((client.left + client.right) / 2, (client.top + client.bottom) / 2));
}

void CConsoleButton::Redraw()
{
    InvalidateRect(GetHwnd(), nullptr, TRUE);
}

std::string CConsoleButton::WindowText() const
{
    return WindowTextOf(GetHwnd());
}

void CConsoleButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    const RECT rect = item.rcItem;
    const UINT state = item.itemState;
    // A theme handle is opened for every draw (the style may have changed);
    // the previous one is closed so that repainting does not leak handles.
    m_themeLib.CloseTheme(m_hTheme);
    m_hTheme = m_themeLib.OpenTheme(GetHwnd(), L"Button");
    if (m_hTheme != nullptr) {
        DrawThemed(dc, rect, state);
        return;
    }
    DrawClassicFrame(dc, rect, state);
    DrawCaption(dc, rect, (state & ODS_SELECTED) != 0);
}

void CConsoleButton::DrawThemed(HDC dc, const RECT& rect, UINT itemState)
{
    const bool focused = (itemState & ODS_FOCUS) != 0;
    const int state = (itemState & ODS_SELECTED) ? kStatePressed
                      : m_hot                    ? kStateHot
                      : focused                  ? kStateDefaulted
                                                 : kStateNormal;
    const HRESULT drawn = m_themeLib.DrawBackground(m_hTheme, GetHwnd(), dc, kPushButtonPart, state, &rect, nullptr);
    if (drawn != S_OK && state != kStateDefaulted) return;

    // The window text is ANSI; the theme draws UTF-16. n bytes never make more
    // than n units, so n+1 leaves room for the terminator.
    const std::string text = WindowText();
    const int bytes = static_cast<int>(text.size());
    if (bytes > 0) {
        std::unique_ptr<wchar_t, TaskMemFree> wide(
            static_cast<wchar_t*>(CoTaskMemAlloc((static_cast<std::size_t>(bytes) + 1) * sizeof(wchar_t))));
        if (wide != nullptr) {
            const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, wide.get(), bytes + 1);
            wide.get()[units > 0 ? units : 0] = L'\0';
            if (units > 0)
                m_themeLib.DrawThemedText(m_hTheme, dc, kPushButtonPart, kStateNormal, wide.get(), units,
                                          DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0, &rect);
        }
    }

    DrawArrow(dc, false, rect);
    if (focused) {
        RECT grown = rect;
        InflateRect(&grown, 1, 1);
        DrawFocusDots(dc, grown);
    }
}

void CConsoleButton::DrawClassicFrame(HDC dc, const RECT& rect, UINT state)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const RgbColour dark = DarkFrameColour({GetRValue(shadow), GetGValue(shadow), GetBValue(shadow)});
    const auto [l, t, r, b] = rect;

    // Rectangles below draw their outline only.
    SelectGuard hollow(dc, GetStockObject(NULL_BRUSH));
    FillSolidRect(dc, rect, face);
    if (state & ODS_FOCUS) DrawFocusDots(dc, rect);

    const Pen shadowPen(CreatePen(PS_SOLID, 1, shadow));
    const Pen darkPen(CreatePen(PS_SOLID, 1, RGB(dark.red, dark.green, dark.blue)));
    const Pen whitePen(CreatePen(PS_SOLID, 1, kWhite));
    if (state & ODS_SELECTED) {
        Rectangle(dc, l, t, r, b);  // the pen the context came with
        {
            SelectGuard pen(dc, shadowPen.get());
            Rectangle(dc, l + 1, t + 1, r - 1, b - 1);
        }
        DrawArrow(dc, true, rect);
        return;
    }
    {
        SelectGuard pen(dc, darkPen.get());
        Rectangle(dc, l, t, r, b);
    }
    {
        SelectGuard pen(dc, whitePen.get());
        MoveToEx(dc, l, b - 1, nullptr);
        LineTo(dc, l, t);
        LineTo(dc, r - 1, t);
    }
    {
        SelectGuard pen(dc, shadowPen.get());
        MoveToEx(dc, l + 1, b - 2, nullptr);
        LineTo(dc, r - 2, b - 2);
        LineTo(dc, r - 2, t);
    }
    DrawArrow(dc, false, rect);
}

// The caption in the context's own font and text colour, on the face colour
// the frame left as background.
void CConsoleButton::DrawCaption(HDC dc, const RECT& rect, bool pressed)
{
    const std::string text = WindowText();
    const int length = static_cast<int>(text.size());
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
    const PixelPoint at = CaptionOrigin(ToPixelRect(rect), extent.cx, extent.cy, pressed);
    TextOutA(dc, at.x, at.y, text.c_str(), length);
}

void CConsoleButton::DrawArrow(HDC dc, bool offset, const RECT& rect)
{
    const std::optional<ArrowTriangle> arrow =
        ArrowPoints(ToPixelRect(rect), {m_arrowDepth, m_arrowHeight, m_arrowRight}, offset);
    if (!arrow) return;
    POINT points[3];
    for (int i = 0; i < 3; ++i) points[i] = {(*arrow)[i].x, (*arrow)[i].y};
    // The colour of button text, so the arrow shows in every colour scheme
    // (white on black in a high-contrast one).
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const Pen pen(CreatePen(PS_SOLID, 1, ink));
    const Brush brush(CreateSolidBrush(ink));
    SelectGuard selectPen(dc, pen.get());
    SelectGuard selectBrush(dc, brush.get());
    Polygon(dc, points, 3);
}

void CConsoleButton::DrawFocusDots(HDC dc, const RECT& rect)
{
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    for (const PixelPoint& dot : FocusDotPoints(ToPixelRect(rect))) SetPixel(dc, dot.x, dot.y, ink);
}

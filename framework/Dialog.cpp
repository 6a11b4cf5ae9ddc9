#include "Dialog.h"

#include "CallbackGuard.h"
#include "WinApp.h"

Dialog::Dialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}

Dialog::~Dialog()
{
    if (GetHwnd() != nullptr && IsWindow(GetHwnd())) DestroyWindow(GetHwnd());
}

INT_PTR Dialog::DoModal()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    m_ending = false;
    m_result = -1;
    HWND owner = m_parent;
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    HWND hwnd = CreateDialogParamA(instance, MAKEINTRESOURCEA(m_templateId), owner, &Dialog::DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) return -1;
    if (ownerWasEnabled) {
        EnableWindow(owner, FALSE);
        m_disabledOwner = owner;
    }
    if (!m_ending) ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG msg;
    while (!m_ending) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the outer loop
            break;
        }
        if (got == -1) break;
        if (WalkPreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }

    // A loop left without EndDialog (a quit message) hands the owner back too.
    HandBackOwner();
    DestroyWindow(hwnd);
    SetHwnd(nullptr);
    return m_result;
}

void Dialog::EndDialog(INT_PTR result)
{
    m_result = result;
    m_ending = true;
    if (GetHwnd() != nullptr) {
        HandBackOwner();
        ShowWindow(GetHwnd(), SW_HIDE);
        PostMessageA(GetHwnd(), WM_NULL, 0, 0);  // wakes the modal loop
    }
}

// As the system's dialog manager ends a dialog: the owner is enabled again and
// made active while the dialog is still on screen. Hidden first, the dialog
// would pass the activation on while its owner is still disabled, to some
// other program's window.
void Dialog::HandBackOwner()
{
    HWND owner = m_disabledOwner;
    if (owner == nullptr) return;
    m_disabledOwner = nullptr;
    const bool wasActive = GetActiveWindow() == GetHwnd();
    EnableWindow(owner, TRUE);
    if (wasActive) SetActiveWindow(owner);
}

bool Dialog::PreTranslateMessage(MSG& msg)
{
    return GetHwnd() != nullptr && IsDialogMessageA(GetHwnd(), &msg);
}

bool Dialog::WalkPreTranslate(MSG& msg)
{
    HWND self = GetHwnd();
    for (HWND w = msg.hwnd; w != nullptr; w = GetParent(w)) {
        if (Window* object = Window::FromHandle(w); object != nullptr && object->PreTranslateMessage(msg))
            return true;
        if (w == self) return false;
    }
    // A message for a window outside this dialog (a thread message, another
    // top-level window): only the dialog itself gets a look.
    return msg.hwnd == nullptr ? false : PreTranslateMessage(msg);
}

bool Dialog::OnCommand(UINT, UINT, HWND)
{
    return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void Dialog::RouteCommand(UINT id, UINT code, HWND control)
{
    if (OnCommand(id, code, control)) return;
    if (id == IDOK) {
        OnOK();
        return;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return;
    }
    if (WinApp* app = AfxGetApp(); app != nullptr && control == nullptr) app->OnCommand(id);
}

INT_PTR Dialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_COMMAND:
        RouteCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (Window* control = Window::FromHandle(item->hwndItem); control != nullptr && control != this) {
            control->DrawItem(*item);
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    LRESULT result = 0;
    if (!OnMessage(msg, wParam, lParam, result)) return FALSE;
    switch (msg) {
    // These return their answer directly rather than through DWLP_MSGRESULT.
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: case WM_COMPAREITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON: case WM_INITDIALOG:
        return static_cast<INT_PTR>(result);
    default:
        SetWindowLongPtrA(GetHwnd(), DWLP_MSGRESULT, result);
        return TRUE;
    }
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return GuardCallback("a dialog procedure", INT_PTR{FALSE}, [&]() -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            auto* self = reinterpret_cast<Dialog*>(lParam);
            SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
            self->SetHwnd(hwnd);
            self->DoDataExchange();
            return self->OnInitDialog();
        }
        auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (self == nullptr) return FALSE;  // messages before WM_INITDIALOG
        if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return self->Dispatch(msg, wParam, lParam);
    });
}

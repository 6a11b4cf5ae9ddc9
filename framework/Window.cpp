#include "Window.h"

#include "AccessibleName.h"
#include "CallbackGuard.h"

namespace {
// The window property that points back at the bound object.
constexpr const char* kObjectProperty = "Beamdesk.Window";
}  // namespace

Window::~Window()
{
    Detach();
    if (m_hwnd != nullptr && GetPropA(m_hwnd, kObjectProperty) == this) RemovePropA(m_hwnd, kObjectProperty);
}

bool Window::Attach(HWND hwnd)
{
    if (hwnd == nullptr || m_hwnd != nullptr || FromHandle(hwnd) != nullptr) return false;
    m_hwnd = hwnd;
    SetPropA(hwnd, kObjectProperty, this);
    m_original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::SubclassProc)));
    return true;
}

void Window::Detach()
{
    if (m_hwnd == nullptr || m_original == nullptr) return;
    if (IsWindow(m_hwnd)) {
        SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
        RemovePropA(m_hwnd, kObjectProperty);
    }
    m_original = nullptr;
    m_hwnd = nullptr;
}

Window* Window::FromHandle(HWND hwnd)
{
    return hwnd != nullptr ? static_cast<Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

void Window::SetAccessibleName(const std::string& name)
{
    m_accessibleName = WideFromAnsi(name);
}

void Window::SetHwnd(HWND hwnd)
{
    m_hwnd = hwnd;
    if (hwnd != nullptr) SetPropA(hwnd, kObjectProperty, this);
}

bool Window::PreTranslateMessage(MSG&)
{
    return false;
}

void Window::DrawItem(const DRAWITEMSTRUCT&) {}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return Default(msg, wParam, lParam);
}

LRESULT Window::Default(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return m_original != nullptr ? CallWindowProcA(m_original, m_hwnd, msg, wParam, lParam)
                                 : DefWindowProcA(m_hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return GuardCallback("a window procedure", LRESULT{0}, [&]() -> LRESULT {
        Window* self = FromHandle(hwnd);
        if (self == nullptr || self->m_original == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            // The window goes away: unbind first, then let its own procedure finish.
            const WNDPROC original = self->m_original;
            self->Detach();
            return CallWindowProcA(original, hwnd, msg, wParam, lParam);
        }
        if (msg == WM_GETOBJECT && !self->m_accessibleName.empty())
            if (const LRESULT named = AccessibleObjectNamed(hwnd, wParam, lParam, self->m_accessibleName); named != 0)
                return named;
        return self->WindowProc(msg, wParam, lParam);
    });
}

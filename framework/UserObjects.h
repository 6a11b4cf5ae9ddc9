// Owning wrappers for the window manager's objects that are released by a
// call of their own: a hook, a window the program created, a device context
// borrowed from a window, a paint cycle, a window property, a global hot key,
// and a window's text read whole. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

#include "UniqueResource.h"

struct HookTraits {
    using Handle = HHOOK;
    static bool IsValid(HHOOK h) { return h != nullptr; }
    static void Release(HHOOK h) { UnhookWindowsHookEx(h); }
};
using UniqueHook = UniqueResource<HookTraits>;

// A window this program created on its own (a tooltip), destroyed with its owner object.
struct WindowTraits {
    using Handle = HWND;
    static bool IsValid(HWND h) { return h != nullptr && IsWindow(h); }
    static void Release(HWND h) { DestroyWindow(h); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

// GetDC / ReleaseDC: a window's device context (the screen's for null).
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~WindowDC()
    {
        if (m_dc != nullptr) ReleaseDC(m_window, m_dc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND window) : m_window(window), m_dc(BeginPaint(window, &m_paint)) {}
    ~PaintScope() { EndPaint(m_window, &m_paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc;
};

// A window property set for as long as this object holds it. Reset it while
// the window still exists (on WM_DESTROY): a property left on a destroyed
// window is lost to the system.
class WindowProperty {
public:
    WindowProperty() = default;
    ~WindowProperty() { Reset(); }
    WindowProperty(const WindowProperty&) = delete;
    WindowProperty& operator=(const WindowProperty&) = delete;

    // True when the property is set.
    bool Set(HWND window, const char* name, HANDLE value)
    {
        Reset();
        if (!SetPropA(window, name, value)) return false;
        m_window = window;
        m_name = name;
        return true;
    }
    void Reset()
    {
        if (m_window != nullptr && IsWindow(m_window)) RemovePropA(m_window, m_name);
        m_window = nullptr;
        m_name = nullptr;
    }

private:
    HWND m_window = nullptr;
    const char* m_name = nullptr;
};

// A global hot key registered for a window (or, for a null window, the
// thread), for as long as this object holds it. Reset it while the window
// still exists (on WM_DESTROY).
class HotkeyRegistration {
public:
    HotkeyRegistration() = default;
    ~HotkeyRegistration() { Reset(); }
    HotkeyRegistration(const HotkeyRegistration&) = delete;
    HotkeyRegistration& operator=(const HotkeyRegistration&) = delete;

    // `modifiers` are MOD_ALT, MOD_CONTROL and MOD_SHIFT; a held key does not
    // repeat where the system can say so (MOD_NOREPEAT, from Windows 7). False
    // when the system refuses the combination: another program (or another
    // registration) holds it.
    bool Register(HWND window, int id, UINT modifiers, UINT virtualKey)
    {
        Reset();
        if (!RegisterHotKey(window, id, modifiers | MOD_NOREPEAT, virtualKey)) {
            // An older system refuses the flag itself rather than the combination.
            if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return false;
            if (!RegisterHotKey(window, id, modifiers, virtualKey)) return false;
        }
        m_window = window;
        m_id = id;
        m_active = true;
        return true;
    }
    void Reset()
    {
        if (m_active) UnregisterHotKey(m_window, m_id);
        m_window = nullptr;
        m_id = 0;
        m_active = false;
    }
    bool Active() const { return m_active; }

private:
    HWND m_window = nullptr;  // null: the thread's own
    int m_id = 0;
    bool m_active = false;
};

// The window's whole text (any length).
inline std::string WindowTextOf(HWND window)
{
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
}

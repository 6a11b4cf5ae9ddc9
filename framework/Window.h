// A C++ object bound to an existing window by subclassing: the base of the
// owner-drawn and filtered controls and of dialogs. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND GetHwnd() const { return m_hwnd; }

    // Binds this object to a control window, routing its messages through
    // WindowProc. False when hwnd is null or already bound.
    bool Attach(HWND hwnd);
    // Restores the window's own procedure.
    void Detach();

    // The object bound to hwnd, or null.
    static Window* FromHandle(HWND hwnd);

    // What a screen reader calls the bound window, where its text cannot say
    // it (AccessibleName.h); empty: the system's own name.
    void SetAccessibleName(const std::string& name);

    // Called by the modal loop for every message aimed at this window or one
    // of its children before it is dispatched; true = handled, do not dispatch.
    virtual bool PreTranslateMessage(MSG& msg);

    // Owner-draw request reflected from the parent dialog.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

protected:
    // Every message of a bound window; the default calls the window's own procedure.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

    // For classes that create their window themselves (dialogs).
    void SetHwnd(HWND hwnd);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
    WNDPROC m_original = nullptr;
    std::wstring m_accessibleName;
};

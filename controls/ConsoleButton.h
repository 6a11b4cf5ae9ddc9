// The console's owner-drawn drop-down button (the CC and mode buttons): draws
// itself in the desktop's visual style or with its own classic frame, with a
// small arrow near its right edge; shows a hot look while the pointer is over
// it; owns a popup menu. A press (mouse, Space or Enter) does not wait for the
// release: it goes straight to the console (CC) or opens the menu (mode).
// User-interface thread only; the console owns the object.
#pragma once

#include <windows.h>

#include <string>

#include "ThemeLibrary.h"
#include "Window.h"

// Owns a popup menu for the lifetime of the button.
class PopupMenu {
public:
    PopupMenu() : m_handle(CreatePopupMenu()) {}
    ~PopupMenu()
    {
        if (m_handle != nullptr) DestroyMenu(m_handle);
    }
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    HMENU get() const { return m_handle; }

private:
    HMENU m_handle;
};

class ConsoleButtonOwner;

class CConsoleButton : public Window {
public:
    // themeLibrary: the visual-styles library to load (tests name a missing one).
    explicit CConsoleButton(const char* themeLibrary = kThemeLibraryName);
    ~CConsoleButton() override;

    // Menu. Ids and flags are those of the menu functions.
    BOOL AddItem(UINT commandId, std::string text, UINT flags);
    // Previous check state, or (DWORD)-1 when there is no such item.
    DWORD CheckItem(UINT commandId, UINT check);
    UINT GetItemState(UINT commandId, UINT flags) const;
    // Text of the item at a zero-based position; empty when there is none.
    std::string GetItemText(UINT position) const;
    // Opens the menu beside the control, owned by its parent; returns when it closes.
    void ShowMenu();
    // Checks the item of the given layout (1 Advanced, anything else Simple)
    // and clears the other.
    void MarkLayout(int mode);

    void SetArrow(int depth, int height, int rightMargin);

    // Whether a press at this client point is handed on: only with menu items,
    // and only inside the control's window rectangle.
    BOOL IsOverMenuButton(POINT clientPoint) const;
    // Hands a press on, by control id: CC to the console, mode opens the menu.
    void NotifyClick();

    BOOL IsHot() const { return m_hot; }
    // The theme of the latest draw; null when it drew the classic way.
    HTHEME GetTheme() const { return m_hTheme; }

    bool PreTranslateMessage(MSG& msg) override;
    void DrawItem(const DRAWITEMSTRUCT& item) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // The window that holds the button, when it is a console.
    ConsoleButtonOwner* Owner() const;
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    void OnMouseMove(POINT point);
    void OnKeyDown(WPARAM key);
    void Redraw();

    std::string WindowText() const;
    void DrawThemed(HDC dc, const RECT& rect, UINT state);
    void DrawClassicFrame(HDC dc, const RECT& rect, UINT state);
    void DrawCaption(HDC dc, const RECT& rect, bool pressed);
    void DrawArrow(HDC dc, bool offset, const RECT& rect);
    void DrawFocusDots(HDC dc, const RECT& rect);

    PopupMenu m_menu;
    BOOL m_hasItems = FALSE;
    CThemeLibrary m_themeLib;
    HTHEME m_hTheme = nullptr;
    int m_arrowRight = -1;
    int m_arrowDepth = 0;
    int m_arrowHeight = 0;
    BOOL m_hot = FALSE;
    BOOL m_buttonDown = FALSE;
};

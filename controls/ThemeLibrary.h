// Run-time access to the visual-styles library. It is loaded by name rather
// than linked, so the program still starts where it is missing; every call
// then takes its fallback and the console button draws the classic way.
// User-interface thread only.
#pragma once

#include <windows.h>
#include <uxtheme.h>  // HTHEME only: no function of it is linked

constexpr const char* kThemeLibraryName = "UxTheme.dll";

class CThemeLibrary {
public:
    // Loads the library; a name that cannot be loaded leaves every call on
    // its fallback.
    explicit CThemeLibrary(const char* libraryName = kThemeLibraryName);
    virtual ~CThemeLibrary();
    CThemeLibrary(const CThemeLibrary&) = delete;
    CThemeLibrary& operator=(const CThemeLibrary&) = delete;

    // OpenThemeData; null when unavailable or visual styles are off.
    HTHEME OpenTheme(HWND window, const wchar_t* classList) const;
    // CloseThemeData; S_OK for a null theme.
    HRESULT CloseTheme(HTHEME theme) const;
    // The parent's background behind the control (when a window is given),
    // then DrawThemeBackground, whose result is returned; E_FAIL when
    // unavailable.
    HRESULT DrawBackground(HTHEME theme, HWND window, HDC dc, int part, int state, const RECT* rect,
                           const RECT* clip) const;
    // DrawThemeText; E_FAIL when unavailable.
    HRESULT DrawThemedText(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count,
                           DWORD flags, DWORD flags2, const RECT* rect) const;

private:
    template <typename Function>
    Function Entry(const char* name) const;

    HMODULE m_hModule = nullptr;
};

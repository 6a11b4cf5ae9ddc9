// Run-time access to the visual-styles library (see ThemeLibrary.h).
// User-interface thread only.
#include "ThemeLibrary.h"

namespace {

using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME);
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
using DrawThemeTextFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);

}  // namespace

CThemeLibrary::CThemeLibrary(const char* libraryName) : m_hModule(LoadLibraryA(libraryName)) {}

CThemeLibrary::~CThemeLibrary()
{
    if (m_hModule != nullptr) FreeLibrary(m_hModule);
    m_hModule = nullptr;
}

// Looked up at every call rather than cached: the calls are few (one draw of
// a button) and a missing entry then simply means the fallback.
template <typename Function>
Function CThemeLibrary::Entry(const char* name) const
{
    if (m_hModule == nullptr) return nullptr;
    const FARPROC proc = GetProcAddress(m_hModule, name);
    // Through the generic function pointer type, which converts to any other
    // without a cast-function-type warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

HTHEME CThemeLibrary::OpenTheme(HWND window, const wchar_t* classList) const
{
    const auto open = Entry<OpenThemeDataFn>("OpenThemeData");
    return open != nullptr ? open(window, classList) : nullptr;
}

HRESULT CThemeLibrary::CloseTheme(HTHEME theme) const
{
    if (theme == nullptr) return S_OK;
    const auto close = Entry<CloseThemeDataFn>("CloseThemeData");
    return close != nullptr ? close(theme) : E_FAIL;
}

HRESULT CThemeLibrary::DrawBackground(HTHEME theme, HWND window, HDC dc, int part, int state, const RECT* rect,
                                      const RECT* clip) const
{
    const auto draw = Entry<DrawThemeBackgroundFn>("DrawThemeBackground");
    if (draw == nullptr) return E_FAIL;
    // A themed button's corners are transparent: the parent shows through.
    if (const auto parent = Entry<DrawThemeParentBackgroundFn>("DrawThemeParentBackground");
        parent != nullptr && window != nullptr)
        parent(window, dc, rect);
    return draw(theme, dc, part, state, rect, clip);
}

HRESULT CThemeLibrary::DrawThemedText(HTHEME theme, HDC dc, int part, int state, const wchar_t* text, int count,
                                      DWORD flags, DWORD flags2, const RECT* rect) const
{
    const auto draw = Entry<DrawThemeTextFn>("DrawThemeText");
    return draw != nullptr ? draw(theme, dc, part, state, text, count, flags, flags2, rect) : E_FAIL;
}

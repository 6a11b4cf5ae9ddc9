// Owning GDI objects (fonts, pens, brushes, bitmaps) and a guard for
// SelectObject.
#pragma once

#include <windows.h>

#include "UniqueResource.h"

template <typename GdiHandle>
struct GdiObjectTraits {
    using Handle = GdiHandle;
    static bool IsValid(GdiHandle h) { return h != nullptr; }
    static void Release(GdiHandle h) { DeleteObject(h); }
};

template <typename GdiHandle>
using GdiObject = UniqueResource<GdiObjectTraits<GdiHandle>>;

using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

// The screen's resolution in dots per inch (96 at 100 %).
inline int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// A font whose height is given for 96 dpi, made at the screen's resolution,
// as dialog units scale the controls it goes on.
inline Font FontAtScreenDpi(LOGFONTA description)
{
    description.lfHeight = MulDiv(description.lfHeight, ScreenDpi(), 96);
    return Font(CreateFontIndirectA(&description));
}

// Selects an object into a device context and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(SelectObject(dc, object)) {}
    ~SelectGuard()
    {
        if (m_previous != nullptr) SelectObject(m_dc, m_previous);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

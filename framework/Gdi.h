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

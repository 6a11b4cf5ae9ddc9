// Owning wrappers for GDI objects and a guard for SelectObject.
#pragma once

#include <windows.h>

#include <utility>

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : m_handle(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : m_handle(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    Handle release() { return std::exchange(m_handle, nullptr); }
    void reset(Handle handle = nullptr)
    {
        if (m_handle != nullptr) DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};

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

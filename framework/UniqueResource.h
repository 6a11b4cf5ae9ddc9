// One owning wrapper for every kind of system handle: move-only, released on
// destruction. A traits type says what an empty handle is and how to release
// one. The concrete kinds are in RegKey.h, Handle.h and Gdi.h.
#pragma once

#include <utility>

template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : m_handle(handle) {}
    ~UniqueResource() { reset(); }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_handle(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }
    Handle release() { return std::exchange(m_handle, Handle{}); }
    void reset(Handle handle = Handle{})
    {
        if (Traits::IsValid(m_handle)) Traits::Release(m_handle);
        m_handle = handle;
    }
    // For a system call's out-parameter: releases what was held first.
    Handle* put()
    {
        reset();
        return &m_handle;
    }

private:
    Handle m_handle{};
};

// Owning wrapper for a registry key handle. Move-only; closes on destruction.
#pragma once

#include <windows.h>

#include <utility>

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : m_key(key) {}
    ~RegKey() { reset(); }

    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    RegKey(RegKey&& other) noexcept : m_key(other.release()) {}
    RegKey& operator=(RegKey&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    HKEY get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    // For the out-parameter of RegOpenKeyExA / RegCreateKeyExA.
    HKEY* put()
    {
        reset();
        return &m_key;
    }

    HKEY release() { return std::exchange(m_key, nullptr); }

    void reset(HKEY key = nullptr)
    {
        if (m_key != nullptr) RegCloseKey(m_key);
        m_key = key;
    }

private:
    HKEY m_key = nullptr;
};

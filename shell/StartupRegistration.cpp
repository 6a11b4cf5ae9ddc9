#include "StartupRegistration.h"

#include <windows.h>

#include <string>

#include "RegKey.h"

void RegisterAtStartup(std::uint8_t startUp)
{
    std::string data;
    if (startUp == 1) {
        char path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
        if (length == 0) return;
        // A path cut at the buffer's end would start some other file; leave the
        // registration alone rather than write it.
        if (length >= sizeof path) return;
        data = std::string("\"") + path + "\"";
    }

    RegKey key;
    // Query, set, create subkey, enumerate, notify, read control.
    constexpr REGSAM kAccess = 0x2001F;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, kAccess, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key.get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

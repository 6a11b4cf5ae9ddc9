#include "SettingsStore.h"

#include <windows.h>

#include <cstring>

#include "PasswordCodec.h"
#include "RegKey.h"
#include "StartupRegistration.h"

namespace {

// Numbers are read as up to 4 little-endian bytes whatever the stored type; a
// shorter value fills the low bytes. Longer values fail and keep the field.
bool QueryNumber(HKEY key, const char* name, std::uint32_t& number)
{
    unsigned char bytes[4] = {};
    DWORD size = sizeof bytes;
    if (RegQueryValueExA(key, name, nullptr, nullptr, bytes, &size) != ERROR_SUCCESS) return false;
    number = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return true;
}

// Up to `length` stored characters (16 for the monitor password). A .reg file
// or `reg add` stores a REG_SZ with its terminator, so one byte more whose
// last is NUL is a full-length password too; any other longer value is
// ignored and the field keeps what it had.
void LoadPassword(HKEY key, const SettingsValue& value, AppSettings& settings)
{
    char stored[kPjlinkPasswordLength + 1] = {};
    const std::size_t length = value.textLength;
    DWORD size = static_cast<DWORD>(length + 1);
    if (RegQueryValueExA(key, value.name, nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size) != ERROR_SUCCESS)
        return;
    if (size > length && stored[length] != '\0') return;
    char plain[kPjlinkPasswordLength] = {};
    std::size_t count = 0;
    PasswordCodec().Decode(stored, size < length ? size : length, plain, &count);
    char* field = value.text(settings);
    std::memset(field, 0, length);
    std::memcpy(field, plain, count);
}

// A password is stored as exactly its scrambled characters, no terminator.
// RegSetValueEx looks at the byte after the data of a REG_SZ and counts a
// terminator in when that byte is NUL; a non-NUL guard byte right after the
// characters keeps the stored length exact, and the buffer has room for it so
// the look never goes past our memory.
void SavePassword(HKEY key, const SettingsValue& value, const AppSettings& settings)
{
    AppSettings copy = settings;  // the field accessor takes a mutable record
    const char* field = value.text(copy);
    std::size_t length = 0;
    while (length < value.textLength && field[length] != '\0') ++length;
    char stored[kPjlinkPasswordLength + 1] = {};
    std::size_t count = 0;
    PasswordCodec().Encode(field, length, stored, &count);
    stored[count] = '\x01';
    RegSetValueExA(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored), static_cast<DWORD>(count));
}

// The design's values, then those added since.
template <typename Visit>
void ForEachValue(Visit visit)
{
    for (const SettingsValue& v : kSettingsValues) visit(v);
    for (const SettingsValue& v : kAddedSettingsValues) visit(v);
}

}  // namespace

int LoadSettings(AppSettings& settings)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    ForEachValue([&](const SettingsValue& v) {
        if (v.kind == SettingKind::Password) {
            LoadPassword(key.get(), v, settings);
            return;
        }
        std::uint32_t number = 0;
        if (!QueryNumber(key.get(), v.name, number)) return;
        if (v.kind == SettingKind::Hotkey)
            *v.hotkey(settings) = HotkeyFromNumber(number);
        else
            *v.field(settings) = FieldFromNumber(v.kind, number);
    });
    return 1;
}

int SaveSettings(const AppSettings& settings)
{
    int result = 0;
    RegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE | KEY_QUERY_VALUE, nullptr, key.put(), nullptr) == ERROR_SUCCESS) {
        AppSettings copy = settings;  // the field accessors take a mutable record
        ForEachValue([&](const SettingsValue& v) {
            if (v.kind == SettingKind::Password) {
                SavePassword(key.get(), v, settings);
                return;
            }
            const DWORD number = v.kind == SettingKind::Hotkey ? NumberFromHotkey(*v.hotkey(copy))
                                                               : NumberFromField(v.kind, *v.field(copy));
            RegSetValueExA(key.get(), v.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
        });
        key.reset();
        result = 1;
    }
    RegisterAtStartup(settings.startUp);
    return result;
}

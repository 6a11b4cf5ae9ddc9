// The persisted user settings: one plain record, copied whole by value by
// every part that needs it, and the fixed list of the 22 registry values that
// store it. Windows-free; the registry side lives in SettingsStore.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

constexpr std::size_t kPasswordLength = 16;
constexpr std::size_t kPjlinkPasswordLength = 32;

enum : std::uint8_t { kModeSimple = 0, kModeAdvanced = 1 };
enum : std::uint8_t { kProtocolNative = 0, kProtocolPjlink = 1 };

struct AppSettings {
    std::uint8_t startUp;
    std::uint8_t ipAddress[4];        // first octet first; 0.0.0.0 = no projector
    char password[kPasswordLength];   // NUL-terminated when shorter, unterminated at 16
    std::uint8_t mode;
    std::uint8_t showAdvanceComputer1;
    std::uint8_t showAdvanceComputer2;
    std::uint8_t showAdvanceQuillan;
    std::uint8_t showAdvanceVideo;
    std::uint8_t showAdvanceSVideo;
    std::uint8_t showAdvanceAVMute;
    std::uint8_t showAdvanceVolume;
    std::uint8_t showAdvanceFreeze;
    std::uint8_t showAdvanceCC;
    std::uint8_t showSimpleComputer;
    std::uint8_t showSimpleVideo;
    std::uint8_t showSimpleAVMute;
    std::uint8_t showSimpleVolume;
    std::uint8_t showSimpleFreeze;
    std::uint8_t showSimpleCC;
    // Added since the first version; the values of a key written by one read
    // back in it as above, the additions are left alone.
    std::uint8_t protocol;                        // kProtocolNative or kProtocolPjlink
    char pjlinkPassword[kPjlinkPasswordLength];   // NUL-terminated when shorter, unterminated at 32
    // Presenter keys, as the hot-key control reports them: the low byte the
    // virtual-key code, the next the modifier flags (shift 1, control 2, alt
    // 4, extended key 8). 0: none.
    std::uint16_t hotkeyAvMute;
    std::uint16_t hotkeyFreeze;
    std::uint16_t hotkeyPower;
};
// Records are compared byte for byte: no padding may hide between the fields.
static_assert(std::has_unique_object_representations_v<AppSettings>);

// Built-in defaults; `startUp` is left as it is.
void ResetSettings(AppSettings& settings);

// The projector address as dotted text; "0.0.0.0" means no projector.
std::string AddressText(const AppSettings& settings);

// The password as text: the characters before the first NUL, at most 16.
std::string PasswordText(const AppSettings& settings);
// Stores up to 16 characters of `text`; the rest of the field is cleared.
void SetPasswordText(AppSettings& settings, std::string_view text);
// The same for the PJLink password (up to 32 characters).
std::string PjlinkPasswordText(const AppSettings& settings);
void SetPjlinkPasswordText(AppSettings& settings, std::string_view text);
// The password of the protocol the settings choose.
std::string ChosenPasswordText(const AppSettings& settings);

// How a registry value maps onto its field.
enum class SettingKind {
    Flag,      // REG_DWORD, any non-zero number reads as 1
    Octet,     // REG_DWORD, the low byte is the octet
    Password,  // REG_SZ, scrambled, no terminator stored
    Protocol,  // REG_DWORD, 1 reads as PJLink, anything else as the native protocol
    Hotkey,    // REG_DWORD, the low 16 bits are the key (see HotkeyFromNumber)
};

struct SettingsValue {
    const char* name;
    SettingKind kind;
    std::uint8_t* (*field)(AppSettings&);  // null for a password and a key
    char* (*text)(AppSettings&) = nullptr;  // a password's field
    std::size_t textLength = 0;             // ... and its length
    std::uint16_t* (*hotkey)(AppSettings&) = nullptr;  // a key's field
};

constexpr std::size_t kSettingsValueCount = 22;
// The values in the order in which they are read and written.
extern const SettingsValue kSettingsValues[kSettingsValueCount];
// The values added since, read and written after those: "Protocol",
// "PJLink Password", "Hotkey AVMute", "Hotkey Freeze" and "Hotkey Power". A
// previous version ignores them.
constexpr std::size_t kAddedSettingsValueCount = 5;
extern const SettingsValue kAddedSettingsValues[kAddedSettingsValueCount];

// Number stored in the registry -> field byte, and back.
std::uint8_t FieldFromNumber(SettingKind kind, std::uint32_t number);
std::uint32_t NumberFromField(SettingKind kind, std::uint8_t field);
// A stored key: its low 16 bits; the bits above are ignored, and one without a
// key code (low byte 0) is none.
std::uint16_t HotkeyFromNumber(std::uint32_t number);
std::uint32_t NumberFromHotkey(std::uint16_t hotkey);

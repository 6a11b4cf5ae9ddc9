// Defaults and the registry value list of the settings record.
#include "AppSettings.h"

#include <cstdio>
#include <cstring>

void ResetSettings(AppSettings& s)
{
    std::memset(s.ipAddress, 0, sizeof s.ipAddress);
    std::memset(s.password, 0, sizeof s.password);
    s.mode = kModeAdvanced;
    s.showAdvanceComputer1 = 1;
    s.showAdvanceComputer2 = 1;
    s.showAdvanceQuillan = 1;
    s.showAdvanceVideo = 1;
    s.showAdvanceSVideo = 1;
    s.showAdvanceAVMute = 1;
    s.showAdvanceVolume = 1;
    s.showAdvanceFreeze = 1;
    s.showAdvanceCC = 0;
    s.showSimpleComputer = 1;
    s.showSimpleVideo = 1;
    s.showSimpleAVMute = 1;
    s.showSimpleVolume = 1;
    s.showSimpleFreeze = 1;
    s.showSimpleCC = 0;
    s.protocol = kProtocolNative;
    std::memset(s.pjlinkPassword, 0, sizeof s.pjlinkPassword);
    // No key is taken unless the user sets one.
    s.hotkeyAvMute = 0;
    s.hotkeyFreeze = 0;
    s.hotkeyPower = 0;
}

std::string AddressText(const AppSettings& s)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", s.ipAddress[0], s.ipAddress[1], s.ipAddress[2], s.ipAddress[3]);
    return text;
}

namespace {

std::string FieldText(const char* field, std::size_t length)
{
    std::size_t n = 0;
    while (n < length && field[n] != '\0') ++n;
    return std::string(field, n);
}

void SetFieldText(char* field, std::size_t length, std::string_view text)
{
    std::memset(field, 0, length);
    std::memcpy(field, text.data(), text.size() < length ? text.size() : length);
}

}  // namespace

std::string PasswordText(const AppSettings& s)
{
    return FieldText(s.password, kPasswordLength);
}

void SetPasswordText(AppSettings& s, std::string_view text)
{
    SetFieldText(s.password, kPasswordLength, text);
}

std::string PjlinkPasswordText(const AppSettings& s)
{
    return FieldText(s.pjlinkPassword, kPjlinkPasswordLength);
}

void SetPjlinkPasswordText(AppSettings& s, std::string_view text)
{
    SetFieldText(s.pjlinkPassword, kPjlinkPasswordLength, text);
}

std::string ChosenPasswordText(const AppSettings& s)
{
    return s.protocol == kProtocolPjlink ? PjlinkPasswordText(s) : PasswordText(s);
}

#define FIELD(member) [](AppSettings& s) -> std::uint8_t* { return &s.member; }
#define HOTKEY(member) [](AppSettings& s) -> std::uint16_t* { return &s.member; }

const SettingsValue kSettingsValues[kSettingsValueCount] = {
    {"Start up", SettingKind::Flag, FIELD(startUp)},
    {"IPA", SettingKind::Octet, FIELD(ipAddress[0])},
    {"IPB", SettingKind::Octet, FIELD(ipAddress[1])},
    {"IPC", SettingKind::Octet, FIELD(ipAddress[2])},
    {"IPD", SettingKind::Octet, FIELD(ipAddress[3])},
    {"Password", SettingKind::Password, nullptr, [](AppSettings& s) -> char* { return s.password; }, kPasswordLength},
    {"Mode", SettingKind::Flag, FIELD(mode)},
    {"Advance Computer 1", SettingKind::Flag, FIELD(showAdvanceComputer1)},
    {"Advance Computer 2", SettingKind::Flag, FIELD(showAdvanceComputer2)},
    {"Advance Quillan", SettingKind::Flag, FIELD(showAdvanceQuillan)},
    {"Advance Video", SettingKind::Flag, FIELD(showAdvanceVideo)},
    {"Advance SVideo", SettingKind::Flag, FIELD(showAdvanceSVideo)},
    {"Advance AVMute", SettingKind::Flag, FIELD(showAdvanceAVMute)},
    {"Advance Volume", SettingKind::Flag, FIELD(showAdvanceVolume)},
    {"Advance Freeze", SettingKind::Flag, FIELD(showAdvanceFreeze)},
    {"Advance CC", SettingKind::Flag, FIELD(showAdvanceCC)},
    {"Simple Computer", SettingKind::Flag, FIELD(showSimpleComputer)},
    {"Simple Video", SettingKind::Flag, FIELD(showSimpleVideo)},
    {"Simple AVMute", SettingKind::Flag, FIELD(showSimpleAVMute)},
    {"Simple Volume", SettingKind::Flag, FIELD(showSimpleVolume)},
    {"Simple Freeze", SettingKind::Flag, FIELD(showSimpleFreeze)},
    {"Simple CC", SettingKind::Flag, FIELD(showSimpleCC)},
};

const SettingsValue kAddedSettingsValues[kAddedSettingsValueCount] = {
    {"Protocol", SettingKind::Protocol, FIELD(protocol)},
    {"PJLink Password", SettingKind::Password, nullptr, [](AppSettings& s) -> char* { return s.pjlinkPassword; },
     kPjlinkPasswordLength},
    {"Hotkey AVMute", SettingKind::Hotkey, nullptr, nullptr, 0, HOTKEY(hotkeyAvMute)},
    {"Hotkey Freeze", SettingKind::Hotkey, nullptr, nullptr, 0, HOTKEY(hotkeyFreeze)},
    {"Hotkey Power", SettingKind::Hotkey, nullptr, nullptr, 0, HOTKEY(hotkeyPower)},
};

#undef FIELD
#undef HOTKEY

std::uint8_t FieldFromNumber(SettingKind kind, std::uint32_t number)
{
    if (kind == SettingKind::Octet) return static_cast<std::uint8_t>(number & 0xFF);
    if (kind == SettingKind::Protocol) return number == kProtocolPjlink ? kProtocolPjlink : kProtocolNative;
    return number != 0 ? 1 : 0;
}

std::uint32_t NumberFromField(SettingKind kind, std::uint8_t field)
{
    if (kind == SettingKind::Octet) return field;
    return field == 1 ? 1 : 0;
}

std::uint16_t HotkeyFromNumber(std::uint32_t number)
{
    if ((number & 0xFF) == 0) return 0;
    return static_cast<std::uint16_t>(number & 0xFFFF);
}

std::uint32_t NumberFromHotkey(std::uint16_t hotkey)
{
    return HotkeyFromNumber(hotkey);
}

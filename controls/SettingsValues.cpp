#include "SettingsValues.h"

#include "resource.h"

const ShowFlagBox kShowFlagBoxes[kShowFlagBoxCount] = {
    {IDC_SHOW_ADVANCE_COMPUTER1, 55, &AppSettings::showAdvanceComputer1},
    {IDC_SHOW_ADVANCE_COMPUTER2, 56, &AppSettings::showAdvanceComputer2},
    {IDC_SHOW_ADVANCE_QUILLAN, 57, &AppSettings::showAdvanceQuillan},
    {IDC_SHOW_ADVANCE_VIDEO, 58, &AppSettings::showAdvanceVideo},
    {IDC_SHOW_ADVANCE_SVIDEO, 59, &AppSettings::showAdvanceSVideo},
    {IDC_SHOW_ADVANCE_AVMUTE, 60, &AppSettings::showAdvanceAVMute},
    {IDC_SHOW_ADVANCE_VOLUME, 61, &AppSettings::showAdvanceVolume},
    {IDC_SHOW_ADVANCE_FREEZE, 62, &AppSettings::showAdvanceFreeze},
    {IDC_SHOW_ADVANCE_CC, 63, &AppSettings::showAdvanceCC},
    {IDC_SHOW_SIMPLE_COMPUTER, 66, &AppSettings::showSimpleComputer},
    {IDC_SHOW_SIMPLE_VIDEO, 67, &AppSettings::showSimpleVideo},
    {IDC_SHOW_SIMPLE_AVMUTE, 68, &AppSettings::showSimpleAVMute},
    {IDC_SHOW_SIMPLE_VOLUME, 69, &AppSettings::showSimpleVolume},
    {IDC_SHOW_SIMPLE_FREEZE, 70, &AppSettings::showSimpleFreeze},
    {IDC_SHOW_SIMPLE_CC, 71, &AppSettings::showSimpleCC},
};

const PresenterKey kPresenterKeys[kPresenterKeyCount] = {
    {IDC_AVMUTE, IDC_HOTKEY_AVMUTE, IDC_HOTKEY_AVMUTE_LABEL, 105, IDC_HOTKEY_AVMUTE_STATUS, &AppSettings::hotkeyAvMute},
    {IDC_FREEZE, IDC_HOTKEY_FREEZE, IDC_HOTKEY_FREEZE_LABEL, 106, IDC_HOTKEY_FREEZE_STATUS, &AppSettings::hotkeyFreeze},
    {IDC_POWER, IDC_HOTKEY_POWER, IDC_HOTKEY_POWER_LABEL, 107, IDC_HOTKEY_POWER_STATUS, &AppSettings::hotkeyPower},
};

std::optional<KeyRegistration> RegistrationOf(std::uint16_t hotkey)
{
    const unsigned virtualKey = hotkey & 0xFFu;
    if (virtualKey == 0) return std::nullopt;
    const unsigned flags = hotkey >> 8;
    unsigned modifiers = 0;
    if (flags & kHotkeyShift) modifiers |= kModShift;
    if (flags & kHotkeyControl) modifiers |= kModControl;
    if (flags & kHotkeyAlt) modifiers |= kModAlt;
    return KeyRegistration{modifiers, virtualKey};
}

unsigned StatusTextId(KeyStatus status)
{
    switch (status) {
    case KeyStatus::Taken:
        return 108;
    case KeyStatus::SetAbove:
        return 109;
    default:
        return 0;
    }
}

std::optional<std::size_t> SameKeyAbove(const std::uint16_t (&keys)[kPresenterKeyCount], std::size_t index)
{
    const auto registration = RegistrationOf(keys[index]);
    if (!registration) return std::nullopt;
    for (std::size_t above = 0; above < index; ++above)
        if (RegistrationOf(keys[above]) == registration) return above;
    return std::nullopt;
}

std::uint32_t PackAddress(const std::uint8_t (&octets)[4])
{
    return static_cast<std::uint32_t>(octets[0]) << 24 | static_cast<std::uint32_t>(octets[1]) << 16 |
           static_cast<std::uint32_t>(octets[2]) << 8 | octets[3];
}

void UnpackAddress(std::uint32_t packed, std::uint8_t (&octets)[4])
{
    for (int i = 0; i < 4; ++i) octets[i] = static_cast<std::uint8_t>(packed >> (24 - 8 * i));
}

int CheckFromFlag(std::uint8_t flag)
{
    return flag == 1 ? 1 : 0;
}

std::uint8_t FlagFromCheck(int check)
{
    return check == 1 ? 1 : 0;
}

SettingsDialogValues DialogValuesFromSettings(const AppSettings& settings)
{
    SettingsDialogValues values;
    values.startUp = CheckFromFlag(settings.startUp);
    values.address = PackAddress(settings.ipAddress);
    values.protocol = settings.protocol == kProtocolPjlink ? kProtocolPjlink : kProtocolNative;
    values.password = PasswordText(settings);
    values.pjlinkPassword = PjlinkPasswordText(settings);
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
        values.show[i] = CheckFromFlag(settings.*kShowFlagBoxes[i].flag);
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) values.keys[i] = settings.*kPresenterKeys[i].hotkey;
    return values;
}

void ApplyDialogValues(const SettingsDialogValues& values, AppSettings& settings)
{
    UnpackAddress(values.address, settings.ipAddress);
    settings.startUp = FlagFromCheck(values.startUp);
    settings.protocol = values.protocol == kProtocolPjlink ? kProtocolPjlink : kProtocolNative;
    SetPasswordText(settings, values.password);
    SetPjlinkPasswordText(settings, values.pjlinkPassword);
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
        settings.*kShowFlagBoxes[i].flag = FlagFromCheck(values.show[i]);
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i)
        settings.*kPresenterKeys[i].hotkey = HotkeyFromNumber(values.keys[i]);
}

int PasswordLimit(int protocol)
{
    return static_cast<int>(protocol == kProtocolPjlink ? kPjlinkPasswordLength : kPasswordLength);
}

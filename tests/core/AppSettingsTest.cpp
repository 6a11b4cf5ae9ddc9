#include "AppSettings.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(AppSettings, ResetPutsDefaultsAndKeepsStartUp)
{
    AppSettings s;
    std::memset(&s, 0xAA, sizeof s);
    ResetSettings(s);
    EXPECT_EQ(s.startUp, 0xAA);
    for (std::uint8_t octet : s.ipAddress) EXPECT_EQ(octet, 0);
    EXPECT_EQ(PasswordText(s), "");
    EXPECT_EQ(s.mode, kModeAdvanced);
    // No key is taken unless the user sets one.
    EXPECT_EQ(s.hotkeyAvMute, 0);
    EXPECT_EQ(s.hotkeyFreeze, 0);
    EXPECT_EQ(s.hotkeyPower, 0);

    // Every show flag is 1 but the two CC flags.
    for (const SettingsValue& v : kSettingsValues) {
        if (v.kind != SettingKind::Flag || v.field(s) == &s.startUp || v.field(s) == &s.mode) continue;
        const bool isCC = v.field(s) == &s.showAdvanceCC || v.field(s) == &s.showSimpleCC;
        EXPECT_EQ(*v.field(s), isCC ? 0 : 1) << v.name;
    }
}

// The stored form is a contract with every earlier installation: names, order
// and kinds never change.
TEST(AppSettings, RegistryValuesInTheirFixedOrder)
{
    const char* const names[kSettingsValueCount] = {
        "Start up",          "IPA",
        "IPB",               "IPC",
        "IPD",               "Password",
        "Mode",              "Advance Computer 1",
        "Advance Computer 2", "Advance Quillan",
        "Advance Video",     "Advance SVideo",
        "Advance AVMute",    "Advance Volume",
        "Advance Freeze",    "Advance CC",
        "Simple Computer",   "Simple Video",
        "Simple AVMute",     "Simple Volume",
        "Simple Freeze",     "Simple CC",
    };
    AppSettings s{};
    std::uint8_t* const fields[kSettingsValueCount] = {
        &s.startUp, &s.ipAddress[0], &s.ipAddress[1], &s.ipAddress[2], &s.ipAddress[3], nullptr, &s.mode,
        &s.showAdvanceComputer1, &s.showAdvanceComputer2, &s.showAdvanceQuillan, &s.showAdvanceVideo,
        &s.showAdvanceSVideo, &s.showAdvanceAVMute, &s.showAdvanceVolume, &s.showAdvanceFreeze,
        &s.showAdvanceCC, &s.showSimpleComputer, &s.showSimpleVideo, &s.showSimpleAVMute,
        &s.showSimpleVolume, &s.showSimpleFreeze, &s.showSimpleCC,
    };
    for (std::size_t i = 0; i < kSettingsValueCount; ++i) {
        const SettingsValue& v = kSettingsValues[i];
        EXPECT_STREQ(v.name, names[i]);
        if (i == 5) {
            EXPECT_EQ(v.kind, SettingKind::Password);
            continue;
        }
        EXPECT_EQ(v.kind, (i >= 1 && i <= 4) ? SettingKind::Octet : SettingKind::Flag) << v.name;
        EXPECT_EQ(v.field(s), fields[i]) << v.name;
    }
}

// The values added since keep their names and order too: a later version
// reads what this one wrote.
TEST(AppSettings, AddedValuesInTheirOrder)
{
    AppSettings s{};
    const struct {
        const char* name;
        SettingKind kind;
        const void* field;
    } expected[kAddedSettingsValueCount] = {
        {"Protocol", SettingKind::Protocol, &s.protocol},
        {"PJLink Password", SettingKind::Password, s.pjlinkPassword},
        {"Hotkey AVMute", SettingKind::Hotkey, &s.hotkeyAvMute},
        {"Hotkey Freeze", SettingKind::Hotkey, &s.hotkeyFreeze},
        {"Hotkey Power", SettingKind::Hotkey, &s.hotkeyPower},
    };
    for (std::size_t i = 0; i < kAddedSettingsValueCount; ++i) {
        const SettingsValue& v = kAddedSettingsValues[i];
        EXPECT_STREQ(v.name, expected[i].name);
        EXPECT_EQ(v.kind, expected[i].kind) << v.name;
        const void* field = v.kind == SettingKind::Password ? static_cast<const void*>(v.text(s))
                            : v.kind == SettingKind::Hotkey ? static_cast<const void*>(v.hotkey(s))
                                                            : static_cast<const void*>(v.field(s));
        EXPECT_EQ(field, expected[i].field) << v.name;
    }
}

// A key is stored as the hot-key control reports it: low byte the key code,
// next byte the modifier flags; bits above are ignored, and a value without a
// key code is none.
TEST(AppSettings, HotkeyNumbers)
{
    struct Case {
        const char* why;
        std::uint32_t stored;
        std::uint16_t key;
    } const cases[] = {
        {"none", 0, 0},
        {"Ctrl+Alt+M", 0x064D, 0x064D},
        {"Shift+Ctrl+Alt+Page Down, an extended key", 0x0F22, 0x0F22},
        {"a key without modifiers is kept as stored", 0x0077, 0x0077},
        {"modifiers without a key are none", 0x0600, 0},
        {"bits above the two bytes are ignored", 0xABCD064D, 0x064D},
        {"only bits above: none", 0x00010000, 0},
        {"modifier bits the control never reports are kept", 0xF041, 0xF041},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HotkeyFromNumber(c.stored), c.key) << c.why;
        EXPECT_EQ(NumberFromHotkey(HotkeyFromNumber(c.stored)), c.key) << c.why;
    }
    EXPECT_EQ(NumberFromHotkey(0x0600), 0u);  // a field without a key code is written as none
}

TEST(AppSettings, NumberConversions)
{
    struct Case {
        SettingKind kind;
        std::uint32_t stored;
        std::uint8_t field;
        std::uint32_t writtenBack;
    } const cases[] = {
        {SettingKind::Flag, 0, 0, 0},
        {SettingKind::Flag, 1, 1, 1},
        {SettingKind::Flag, 2, 1, 1},  // any non-zero number is "on"
        {SettingKind::Flag, 0x100, 1, 1},
        {SettingKind::Octet, 192, 192, 192},
        {SettingKind::Octet, 300, 44, 44},  // the low byte
        {SettingKind::Octet, 0xFFFFFFFF, 255, 255},
    };
    for (const Case& c : cases) {
        const std::uint8_t field = FieldFromNumber(c.kind, c.stored);
        EXPECT_EQ(field, c.field) << c.stored;
        EXPECT_EQ(NumberFromField(c.kind, field), c.writtenBack) << c.stored;
    }
    EXPECT_EQ(NumberFromField(SettingKind::Flag, 2), 0u);  // only 1 is written as 1
}

TEST(AppSettings, PasswordFieldHoldsSixteenCharactersWithoutTerminator)
{
    AppSettings s{};
    SetPasswordText(s, "0123456789ABCDEFtail");
    EXPECT_EQ(PasswordText(s), "0123456789ABCDEF");
    SetPasswordText(s, "ab");
    EXPECT_EQ(PasswordText(s), "ab");
    EXPECT_EQ(s.password[2], '\0');
    EXPECT_EQ(s.password[15], '\0');
}

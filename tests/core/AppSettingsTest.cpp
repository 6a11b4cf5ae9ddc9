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

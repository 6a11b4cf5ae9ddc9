#include "SettingsValues.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "resource.h"

namespace {

AppSettings Filled(std::uint8_t byte)
{
    AppSettings s;
    std::memset(&s, byte, sizeof s);
    return s;
}

}  // namespace

TEST(SettingsValues, AddressPacksFirstOctetMostSignificant)
{
    struct Case {
        std::uint8_t octets[4];
        std::uint32_t packed;
    };
    const Case cases[] = {
        {{0, 0, 0, 0}, 0x00000000u},
        {{192, 168, 1, 20}, 0xC0A80114u},
        {{10, 0, 0, 1}, 0x0A000001u},     // order shows: reversed would read 1.0.0.10
        {{255, 255, 255, 255}, 0xFFFFFFFFu},
        {{223, 1, 2, 3}, 0xDF010203u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackAddress(c.octets), c.packed);
        std::uint8_t back[4] = {9, 9, 9, 9};
        UnpackAddress(c.packed, back);
        EXPECT_EQ(std::memcmp(back, c.octets, 4), 0) << std::hex << c.packed;
    }
}

// Only exactly 1 counts, both ways: a stored 2 is not "shown", and an
// indeterminate check box (2) does not store 1.
TEST(SettingsValues, FlagsAndCheckStatesOnlyMatchOnOne)
{
    const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {2, 0}, {255, 0}};
    for (auto [in, out] : cases) {
        EXPECT_EQ(CheckFromFlag(static_cast<std::uint8_t>(in)), out) << in;
        EXPECT_EQ(FlagFromCheck(in), out) << in;
    }
    EXPECT_EQ(FlagFromCheck(-1), 0);
}

TEST(SettingsValues, CheckBoxTableCoversEveryShowFlagOnce)
{
    AppSettings s{};
    std::set<const std::uint8_t*> fields;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) {
        const ShowFlagBox& box = kShowFlagBoxes[i];
        EXPECT_EQ(box.controlId, IDC_SHOW_ADVANCE_COMPUTER1 + static_cast<int>(i));
        const std::uint8_t* field = &(s.*box.flag);
        EXPECT_NE(field, &s.startUp);
        EXPECT_NE(field, &s.mode);
        fields.insert(field);
    }
    EXPECT_EQ(fields.size(), kShowFlagBoxCount);
    // The two columns line up by function; spot-check the rows that differ.
    EXPECT_EQ(kShowFlagBoxes[2].flag, &AppSettings::showAdvanceQuillan);
    EXPECT_EQ(kShowFlagBoxes[8].flag, &AppSettings::showAdvanceCC);
    EXPECT_EQ(kShowFlagBoxes[9].flag, &AppSettings::showSimpleComputer);
    EXPECT_EQ(kShowFlagBoxes[14].flag, &AppSettings::showSimpleCC);
}

TEST(SettingsValues, PasswordFieldFromText)
{
    struct Case {
        const char* why;
        std::string text;
        std::string stored;  // the whole 16-byte field
    };
    const Case cases[] = {
        {"empty clears the field", "", std::string(16, '\0')},
        {"short is NUL-padded", "abc", std::string("abc") + std::string(13, '\0')},
        {"exactly 16 has no terminator", "0123456789ABCDEF", "0123456789ABCDEF"},
        {"longer is cut at 16", "0123456789ABCDEFGHIJ", "0123456789ABCDEF"},
    };
    for (const Case& c : cases) {
        AppSettings s = Filled(0x5A);
        SettingsDialogValues values = DialogValuesFromSettings(s);
        values.password = c.text;
        ApplyDialogValues(values, s);
        EXPECT_EQ(std::string(s.password, sizeof s.password), c.stored) << c.why;
        EXPECT_EQ(DialogValuesFromSettings(s).password, c.stored.substr(0, c.stored.find('\0'))) << c.why;
    }
}

// A 16-byte password with no terminator shows whole and no byte beyond the field.
TEST(SettingsValues, UnterminatedPasswordShowsExactlySixteen)
{
    AppSettings s = Filled('x');  // the field and everything after it
    std::memcpy(s.password, "PPPPPPPPPPPPPPPP", 16);
    EXPECT_EQ(DialogValuesFromSettings(s).password, "PPPPPPPPPPPPPPPP");
}

TEST(SettingsValues, RoundTripKeepsModeAndEveryField)
{
    AppSettings before{};
    before.startUp = 1;
    const std::uint8_t address[4] = {172, 16, 5, 9};
    std::memcpy(before.ipAddress, address, 4);
    SetPasswordText(before, "secret");
    before.mode = kModeSimple;
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) before.*kShowFlagBoxes[i].flag = i % 3 == 0 ? 1 : 0;

    const SettingsDialogValues values = DialogValuesFromSettings(before);
    EXPECT_EQ(values.startUp, 1);
    EXPECT_EQ(values.address, 0xAC100509u);
    EXPECT_EQ(values.password, "secret");
    for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) EXPECT_EQ(values.show[i], i % 3 == 0 ? 1 : 0) << i;

    AppSettings after = Filled(0);
    after.mode = 7;  // the dialog never edits the mode
    ApplyDialogValues(values, after);
    EXPECT_EQ(after.mode, 7);
    after.mode = before.mode;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof before), 0);
}

TEST(SettingsValues, EditedValuesLandInTheirFields)
{
    AppSettings s{};
    ResetSettings(s);
    s.mode = kModeAdvanced;
    SettingsDialogValues values = DialogValuesFromSettings(s);
    values.startUp = 1;
    values.address = 0x01020304u;
    values.show[1] = 0;   // Computer2 off
    values.show[14] = 1;  // Simple CC on
    ApplyDialogValues(values, s);
    EXPECT_EQ(s.startUp, 1);
    EXPECT_EQ(s.ipAddress[0], 1);
    EXPECT_EQ(s.ipAddress[3], 4);
    EXPECT_EQ(s.showAdvanceComputer2, 0);
    EXPECT_EQ(s.showSimpleCC, 1);
    EXPECT_EQ(s.showAdvanceCC, 0);
    EXPECT_EQ(s.mode, kModeAdvanced);
}

TEST(SettingsValues, PresenterKeyTable)
{
    const struct {
        int buttonId;
        int fieldId;
        unsigned captionId;
        std::uint16_t AppSettings::*hotkey;
    } expected[kPresenterKeyCount] = {
        {IDC_AVMUTE, 1152, 105, &AppSettings::hotkeyAvMute},
        {IDC_FREEZE, 1153, 106, &AppSettings::hotkeyFreeze},
        {IDC_POWER, 1154, 107, &AppSettings::hotkeyPower},
    };
    std::set<int> controls;
    for (std::size_t i = 0; i < kPresenterKeyCount; ++i) {
        const PresenterKey& key = kPresenterKeys[i];
        EXPECT_EQ(key.buttonId, expected[i].buttonId) << i;
        EXPECT_EQ(key.fieldId, expected[i].fieldId) << i;
        EXPECT_EQ(key.captionId, expected[i].captionId) << i;
        EXPECT_EQ(key.hotkey, expected[i].hotkey) << i;
        // The button id is the registration's id: in the application's range.
        EXPECT_LT(key.buttonId, 0xC000) << i;
        controls.insert({key.fieldId, key.labelId, key.statusId});
    }
    EXPECT_EQ(controls.size(), 3 * kPresenterKeyCount);
}

// The hot-key control's flags are shift 1, control 2, alt 4; RegisterHotKey's
// are alt 1, control 2, shift 4: swapped at both ends.
TEST(SettingsValues, RegistrationOfAKey)
{
    struct Case {
        const char* why;
        std::uint16_t key;
        unsigned modifiers;
        unsigned virtualKey;
    } const cases[] = {
        {"Shift", 0x0141, kModShift, 0x41},
        {"Ctrl", 0x0241, kModControl, 0x41},
        {"Alt", 0x0441, kModAlt, 0x41},
        {"Ctrl+Alt", 0x0670, kModControl | kModAlt, 0x70},
        {"Shift+Alt", 0x0542, kModShift | kModAlt, 0x42},
        {"all three", 0x0743, kModShift | kModControl | kModAlt, 0x43},
        {"the extended-key flag does not reach the registration", 0x0E22, kModControl | kModAlt, 0x22},
        {"flags the control never reports are dropped", 0xF244, kModControl, 0x44},
        {"no modifiers", 0x0077, 0, 0x77},
    };
    for (const Case& c : cases) {
        const auto registration = RegistrationOf(c.key);
        ASSERT_TRUE(registration.has_value()) << c.why;
        EXPECT_EQ(registration->modifiers, c.modifiers) << c.why;
        EXPECT_EQ(registration->virtualKey, c.virtualKey) << c.why;
    }
    EXPECT_FALSE(RegistrationOf(0).has_value());
    EXPECT_FALSE(RegistrationOf(0x0600).has_value()) << "modifiers alone are no key";
}

// A key that registers as one above it cannot work: the one above takes it.
TEST(SettingsValues, SameKeyAbove)
{
    struct Case {
        const char* why;
        std::uint16_t keys[kPresenterKeyCount];
        std::optional<std::size_t> above[kPresenterKeyCount];
    } const cases[] = {
        {"all different", {0x064D, 0x0646, 0x0650}, {}},
        {"all none: none is no clash", {0, 0, 0}, {}},
        {"the last as the first", {0x064D, 0x0646, 0x064D}, {std::nullopt, std::nullopt, 0}},
        {"all three the same: each names the first", {0x064D, 0x064D, 0x064D}, {std::nullopt, 0, 0}},
        {"the extended flag alone differs: the same registration", {0x0622, 0x0E22, 0}, {std::nullopt, 0}},
        {"other modifiers: different", {0x064D, 0x024D, 0x044D}, {}},
        {"a key without a code is none", {0x0600, 0x0600, 0}, {}},
    };
    for (const Case& c : cases)
        for (std::size_t i = 0; i < kPresenterKeyCount; ++i) EXPECT_EQ(SameKeyAbove(c.keys, i), c.above[i]) << c.why << " " << i;
    EXPECT_EQ(StatusTextId(KeyStatus::Free), 0u);
    EXPECT_EQ(StatusTextId(KeyStatus::Taken), 108u);
    EXPECT_EQ(StatusTextId(KeyStatus::SetAbove), 109u);
}

TEST(SettingsValues, PresenterKeysBetweenRecordAndDialog)
{
    AppSettings s{};
    ResetSettings(s);
    s.hotkeyAvMute = 0x064D;
    s.hotkeyPower = 0x0E22;
    SettingsDialogValues values = DialogValuesFromSettings(s);
    EXPECT_EQ(values.keys[0], 0x064D);
    EXPECT_EQ(values.keys[1], 0);
    EXPECT_EQ(values.keys[2], 0x0E22);

    values.keys[0] = 0;       // cleared
    values.keys[1] = 0x0346;  // set
    values.keys[2] = 0x0600;  // modifiers held, no key pressed: none
    ApplyDialogValues(values, s);
    EXPECT_EQ(s.hotkeyAvMute, 0);
    EXPECT_EQ(s.hotkeyFreeze, 0x0346);
    EXPECT_EQ(s.hotkeyPower, 0);
}

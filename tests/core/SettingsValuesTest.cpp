#include "SettingsValues.h"

#include <gtest/gtest.h>

#include <cstring>
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

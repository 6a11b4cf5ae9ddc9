// The settings store and the start-up registration against Wine's real
// registry.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "PasswordCodec.h"
#include "SettingsStore.h"
#include "StartupRegistration.h"
#include "TestFiles.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteRegTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        HKEY run;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, kRunValueName);
            RegCloseKey(run);
        }
    }
    void TearDown() override { DeleteRegTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath); }

    static RegValue Stored(const char* name) { return ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name); }
    static void StoreDword(const char* name, DWORD n) { WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, n); }
    // A REG_SZ of exactly these bytes: a non-NUL byte after them keeps the
    // registry from counting a terminator in.
    static void StoreExactly(const char* name, const std::string& bytes)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const std::string guarded = bytes + '\x01';
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(guarded.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        ASSERT_EQ(Stored(name).storedBytes, 2 * bytes.size()) << "stored as given";
    }

    static AppSettings Defaults()
    {
        AppSettings s{};
        ResetSettings(s);
        return s;
    }

    static AppSettings SavedAndLoaded(const AppSettings& saved)
    {
        EXPECT_EQ(SaveSettings(saved), 1);
        AppSettings loaded = Defaults();
        EXPECT_EQ(LoadSettings(loaded), 1);
        return loaded;
    }
};

std::string Scrambled(const std::string& plain)
{
    char out[64] = {};
    std::size_t count = 0;
    PasswordCodec().Encode(plain.c_str(), plain.size(), out, &count);
    return std::string(out, count);
}

// The ANSI query appends a terminator where it has room; the text is what
// comes before it.
std::string StoredText(const RegValue& v)
{
    return v.data.substr(0, v.data.find('\0'));
}

// A REG_DWORD's data.
std::string Number(std::uint32_t n)
{
    return std::string(reinterpret_cast<const char*>(&n), 4);
}

std::uint32_t Dword(const RegValue& v)
{
    std::uint32_t n = 0;
    std::memcpy(&n, v.data.data(), v.data.size() < 4 ? v.data.size() : 4);
    return n;
}

}  // namespace

TEST_F(SettingsStoreTest, NoKeyLeavesTheDefaults)
{
    AppSettings s = Defaults();
    EXPECT_EQ(LoadSettings(s), 0);
    const AppSettings d = Defaults();
    EXPECT_EQ(std::memcmp(&s, &d, sizeof s), 0);
}

TEST_F(SettingsStoreTest, AllValuesRoundTripInTypeAndValue)
{
    AppSettings s = Defaults();
    s.startUp = 1;
    const std::uint8_t ip[4] = {192, 0, 2, 255};
    std::memcpy(s.ipAddress, ip, 4);
    SetPasswordText(s, "Proj ~pass1");
    s.mode = kModeSimple;
    s.showAdvanceComputer2 = 0;
    s.showAdvanceCC = 1;
    s.showSimpleFreeze = 0;
    s.showSimpleCC = 1;

    ASSERT_EQ(SaveSettings(s), 1);
    AppSettings copy = s;
    for (const SettingsValue& v : kSettingsValues) {
        const RegValue stored = Stored(v.name);
        ASSERT_TRUE(stored.exists) << v.name;
        if (v.kind == SettingKind::Password) {
            EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(StoredText(stored), Scrambled("Proj ~pass1"));
            continue;
        }
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << v.name;
        EXPECT_EQ(stored.data.size(), 4u) << v.name;
        EXPECT_EQ(Dword(stored), *v.field(copy)) << v.name;
    }

    AppSettings loaded = Defaults();
    ASSERT_EQ(LoadSettings(loaded), 1);
    EXPECT_EQ(std::memcmp(&loaded, &s, sizeof s), 0);
}

TEST_F(SettingsStoreTest, PasswordForms)
{
    struct Case {
        const char* why;
        std::string password;
    } const cases[] = {
        {"exactly 16 characters, stored without terminator", "0123456789abcdeF"},
        {"empty, stored as a REG_SZ of length 0", ""},
        {"bytes of 0x80 and above pass unchanged", "caf\xE9-\xFC\xDF\xA7"},
    };
    for (const Case& c : cases) {
        AppSettings s = Defaults();
        SetPasswordText(s, c.password);
        const AppSettings loaded = SavedAndLoaded(s);
        const RegValue stored = Stored("Password");
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ)) << c.why;
        EXPECT_EQ(StoredText(stored), Scrambled(c.password)) << c.why;
        EXPECT_EQ(stored.storedBytes, 2 * c.password.size()) << c.why << ": no terminator stored";
        EXPECT_EQ(PasswordText(loaded), c.password) << c.why;
    }
}

// A .reg file or `reg add` stores a REG_SZ with its terminator: 17 bytes whose
// last is NUL still hold a 16-character password. Any other value over 16
// bytes is ignored and the field keeps what it had.
TEST_F(SettingsStoreTest, PasswordStoredWithItsTerminator)
{
    const std::string sixteen = "0123456789abcdeF";
    struct Case {
        const char* why;
        std::string bytes;  // stored exactly so, no terminator added
        std::string expected;
    } const cases[] = {
        {"16 characters and a terminator", Scrambled(sixteen) + '\0', sixteen},
        {"shorter, with a terminator", Scrambled("pass") + '\0', "pass"},
        {"17 bytes, the last no terminator", Scrambled(sixteen) + 'x', "kept"},
        {"16 characters and two terminators", Scrambled(sixteen) + std::string(2, '\0'), "kept"},
    };
    for (const Case& c : cases) {
        StoreExactly("Password", c.bytes);
        AppSettings s = Defaults();
        SetPasswordText(s, "kept");
        ASSERT_EQ(LoadSettings(s), 1) << c.why;
        EXPECT_EQ(PasswordText(s), c.expected) << c.why;
    }
}

// Values written by hand or by an older build: each field follows its rule and
// nothing else is disturbed.
TEST_F(SettingsStoreTest, OddStoredValues)
{
    StoreDword("Advance Video", 2);
    StoreDword("IPA", 300);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPB", REG_BINARY, std::string(8, '\x07'));  // too long
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPC", REG_BINARY, "\x09");  // short: low byte
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Password", REG_SZ, std::string(17, 'a'));  // too long
    StoreDword("Mode", 0);

    AppSettings s = Defaults();
    s.ipAddress[1] = 5;
    ASSERT_EQ(LoadSettings(s), 1);
    EXPECT_EQ(s.showAdvanceVideo, 1);
    EXPECT_EQ(s.ipAddress[0], 44);
    EXPECT_EQ(s.ipAddress[1], 5);
    EXPECT_EQ(s.ipAddress[2], 9);
    EXPECT_EQ(s.ipAddress[3], 0);
    EXPECT_EQ(PasswordText(s), "");
    EXPECT_EQ(s.mode, kModeSimple);
    EXPECT_EQ(s.showAdvanceCC, 0);  // absent: keeps its default

    ASSERT_EQ(SaveSettings(s), 1);
    EXPECT_EQ(Dword(Stored("Advance Video")), 1u);
    EXPECT_EQ(Dword(Stored("IPA")), 44u);
}

// The values added for PJLink: the protocol (1 PJLink, any other number the
// native protocol) and a 32-character password of its own, scrambled like
// the first one, which keeps its meaning beside it.
TEST_F(SettingsStoreTest, ProtocolAndPjlinkPasswordBesideTheFirstVersionsValues)
{
    const std::string pjlink = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    AppSettings s = Defaults();
    s.protocol = kProtocolPjlink;
    SetPasswordText(s, "native");
    SetPjlinkPasswordText(s, pjlink);
    const AppSettings loaded = SavedAndLoaded(s);
    EXPECT_EQ(loaded.protocol, kProtocolPjlink);
    EXPECT_EQ(PjlinkPasswordText(loaded), pjlink);
    EXPECT_EQ(PasswordText(loaded), "native");

    const RegValue protocol = Stored("Protocol");
    EXPECT_EQ(protocol.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Dword(protocol), 1u);
    const RegValue stored = Stored("PJLink Password");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored.storedBytes, 2 * pjlink.size());  // no terminator
    EXPECT_EQ(StoredText(stored), Scrambled(pjlink));
    EXPECT_EQ(StoredText(Stored("Password")), Scrambled("native"));

    for (const DWORD number : {0u, 2u, 0xFFFFFFFFu}) {
        StoreDword("Protocol", number);
        AppSettings read = Defaults();
        read.protocol = kProtocolPjlink;
        ASSERT_EQ(LoadSettings(read), 1);
        EXPECT_EQ(read.protocol, kProtocolNative) << number;
    }

    // As for the first password: one byte more is a terminator or too long.
    StoreExactly("PJLink Password", Scrambled(pjlink) + 'x');
    AppSettings kept = Defaults();
    SetPjlinkPasswordText(kept, "kept");
    ASSERT_EQ(LoadSettings(kept), 1);
    EXPECT_EQ(PjlinkPasswordText(kept), "kept");
    StoreExactly("PJLink Password", Scrambled(pjlink) + '\0');
    ASSERT_EQ(LoadSettings(kept), 1);
    EXPECT_EQ(PjlinkPasswordText(kept), pjlink);
}

// The presenter keys: a REG_DWORD each, 0 for none (as written by default);
// a missing value is none, bits above the low 16 are ignored, and a value
// without a key code reads as none and is written back as 0.
TEST_F(SettingsStoreTest, PresenterKeys)
{
    ASSERT_EQ(SaveSettings(Defaults()), 1);
    for (const char* name : {"Hotkey AVMute", "Hotkey Freeze", "Hotkey Power"}) {
        const RegValue stored = Stored(name);
        ASSERT_TRUE(stored.exists) << name;
        EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(stored.data, Number(0)) << name;
    }

    DeleteRegTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
    StoreDword("Mode", 0);  // a key with other values but none of the three
    AppSettings missing = Defaults();
    missing.hotkeyFreeze = 0x0346;  // what the caller had is kept, as for every value
    ASSERT_EQ(LoadSettings(missing), 1);
    EXPECT_EQ(missing.hotkeyAvMute, 0);
    EXPECT_EQ(missing.hotkeyFreeze, 0x0346);

    StoreDword("Hotkey AVMute", 0xFFFF064D);
    StoreDword("Hotkey Freeze", 0x0600);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Hotkey Power", REG_BINARY, std::string("\x22\x0E", 2));
    AppSettings read = Defaults();
    read.hotkeyFreeze = 0x0346;
    ASSERT_EQ(LoadSettings(read), 1);
    EXPECT_EQ(read.hotkeyAvMute, 0x064D);
    EXPECT_EQ(read.hotkeyFreeze, 0);
    EXPECT_EQ(read.hotkeyPower, 0x0E22);  // a short value fills the low bytes, as for every number
    ASSERT_EQ(SaveSettings(read), 1);
    EXPECT_EQ(Stored("Hotkey AVMute").data, Number(0x064D));
    EXPECT_EQ(Stored("Hotkey Freeze").data, Number(0));
    EXPECT_EQ(Stored("Hotkey Power").type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(SettingsStoreTest, EverySaveRewritesTheRunValue)
{
    AppSettings s = Defaults();
    s.startUp = 1;
    ASSERT_EQ(SaveSettings(s), 1);
    RegValue run = ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ASSERT_TRUE(run.exists);
    EXPECT_EQ(run.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(run.data, std::string("\"").append(ExecutablePath()).append("\"").append(1, '\0'));

    s.startUp = 0;
    ASSERT_EQ(SaveSettings(s), 1);
    run = ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ASSERT_TRUE(run.exists);
    EXPECT_EQ(run.data, std::string(1, '\0'));
    EXPECT_EQ(Dword(Stored("Start up")), 0u);
}

namespace {

// A settings key as this version writes it for GoldenRecord(): every value,
// its name, type and data, written out here. A later version must read such
// a key back into the same record.
struct StoredValue {
    const char* name;
    DWORD type;
    std::string data;  // REG_DWORD: the number; REG_SZ: the stored characters, no terminator
};

const std::vector<StoredValue>& GoldenKey()
{
    static const std::vector<StoredValue> key = {
        {"Start up", REG_DWORD, Number(1)},
        {"IPA", REG_DWORD, Number(192)},
        {"IPB", REG_DWORD, Number(168)},
        {"IPC", REG_DWORD, Number(10)},
        {"IPD", REG_DWORD, Number(20)},
        {"Password", REG_SZ, "Ov##il7X 1"},  // "Pass word!"
        {"Mode", REG_DWORD, Number(0)},
        {"Advance Computer 1", REG_DWORD, Number(1)},
        {"Advance Computer 2", REG_DWORD, Number(0)},
        {"Advance Quillan", REG_DWORD, Number(1)},
        {"Advance Video", REG_DWORD, Number(0)},
        {"Advance SVideo", REG_DWORD, Number(1)},
        {"Advance AVMute", REG_DWORD, Number(0)},
        {"Advance Volume", REG_DWORD, Number(1)},
        {"Advance Freeze", REG_DWORD, Number(0)},
        {"Advance CC", REG_DWORD, Number(1)},
        {"Simple Computer", REG_DWORD, Number(0)},
        {"Simple Video", REG_DWORD, Number(1)},
        {"Simple AVMute", REG_DWORD, Number(0)},
        {"Simple Volume", REG_DWORD, Number(1)},
        {"Simple Freeze", REG_DWORD, Number(0)},
        {"Simple CC", REG_DWORD, Number(1)},
        {"Protocol", REG_DWORD, Number(1)},
        {"PJLink Password", REG_SZ, "O9{}hqJ"},  // "PJ2link"
        {"Hotkey AVMute", REG_DWORD, Number(0x064D)},  // Ctrl+Alt+M
        {"Hotkey Freeze", REG_DWORD, Number(0x0346)},  // Shift+Ctrl+F
        {"Hotkey Power", REG_DWORD, Number(0x0E22)},   // Ctrl+Alt+Page Down (an extended key)
    };
    return key;
}

AppSettings GoldenRecord()
{
    AppSettings s{};
    ResetSettings(s);
    s.startUp = 1;
    const std::uint8_t ip[4] = {192, 168, 10, 20};
    std::memcpy(s.ipAddress, ip, 4);
    SetPasswordText(s, "Pass word!");
    s.mode = kModeSimple;
    std::uint8_t* const flags[] = {
        &s.showAdvanceComputer1, &s.showAdvanceComputer2, &s.showAdvanceQuillan, &s.showAdvanceVideo,
        &s.showAdvanceSVideo,    &s.showAdvanceAVMute,    &s.showAdvanceVolume,  &s.showAdvanceFreeze,
        &s.showAdvanceCC,        &s.showSimpleComputer,   &s.showSimpleVideo,    &s.showSimpleAVMute,
        &s.showSimpleVolume,     &s.showSimpleFreeze,     &s.showSimpleCC,
    };
    for (std::size_t i = 0; i < std::size(flags); ++i) *flags[i] = i % 2 == 0 ? 1 : 0;
    s.protocol = kProtocolPjlink;
    SetPjlinkPasswordText(s, "PJ2link");
    s.hotkeyAvMute = 0x064D;
    s.hotkeyFreeze = 0x0346;
    s.hotkeyPower = 0x0E22;
    return s;
}

}  // namespace

// What this version writes is exactly the key above, value for value, and
// nothing more.
TEST_F(SettingsStoreTest, WritesTheGoldenKey)
{
    ASSERT_EQ(SaveSettings(GoldenRecord()), 1);
    for (const StoredValue& v : GoldenKey()) {
        const RegValue stored = Stored(v.name);
        ASSERT_TRUE(stored.exists) << v.name;
        EXPECT_EQ(stored.type, v.type) << v.name;
        if (v.type == REG_SZ) {
            EXPECT_EQ(StoredText(stored), v.data) << v.name;
            EXPECT_EQ(stored.storedBytes, 2 * v.data.size()) << v.name << ": no terminator";
        } else {
            EXPECT_EQ(stored.data, v.data) << v.name;
        }
    }
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD values = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    EXPECT_EQ(values, GoldenKey().size());
}

// Such a key, written value by value as it stands above, reads back into the
// same record.
TEST_F(SettingsStoreTest, ReadsTheGoldenKeyBack)
{
    for (const StoredValue& v : GoldenKey()) {
        if (v.type == REG_SZ)
            StoreExactly(v.name, v.data);
        else
            WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, v.name, v.type, v.data);
    }
    AppSettings loaded = Defaults();
    ASSERT_EQ(LoadSettings(loaded), 1);
    const AppSettings expected = GoldenRecord();
    EXPECT_EQ(std::memcmp(&loaded, &expected, sizeof expected), 0);
    EXPECT_EQ(PasswordText(loaded), "Pass word!");
    EXPECT_EQ(PjlinkPasswordText(loaded), "PJ2link");
}

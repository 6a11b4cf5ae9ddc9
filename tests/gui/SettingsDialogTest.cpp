// The settings dialog inside the test process, on an application object the
// test prepares: captions, fonts, what the controls show, and what OK and
// Cancel leave in the record and the registry. Each check runs inside the
// dialog's own modal loop, started by a thread timer, which then ends the
// dialog the way the case asks.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>

#include "InProcessConsole.h"
#include "SettingsDlg.h"
#include "SettingsStore.h"
#include "StartupRegistration.h"
#include "TestFiles.h"
#include "resource.h"

namespace {

using Check = std::function<void(CSettingsDlg&)>;
using Finish = std::function<void(HWND dialog)>;

void PressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressOk(HWND dialog)
{
    PressButton(dialog, IDOK);
}

void PressCancel(HWND dialog)
{
    PressButton(dialog, IDCANCEL);
}

INT_PTR RunSettings(TestApp& app, const Check& check, const Finish& finish = PressCancel, HWND owner = nullptr)
{
    return RunSettingsDialog(app, check, finish, owner);
}

std::string TextOf(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

HFONT FontOf(HWND window)
{
    return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
}

LOGFONTA Describe(HFONT font)
{
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    return description;
}

int PixelsPerInch(HWND window)
{
    HDC dc = GetDC(window);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi;
}

std::uint32_t AddressOf(CSettingsDlg& dialog)
{
    DWORD packed = 0;
    SendMessageA(dialog.GetDlgItem(IDC_IP_ADDRESS), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&packed));
    return packed;
}

// The IP control's leftmost field, whatever order its children were made in.
HWND FirstAddressField(CSettingsDlg& dialog)
{
    HWND first = nullptr;
    LONG left = LONG_MAX;
    for (HWND child = GetWindow(dialog.GetDlgItem(IDC_IP_ADDRESS), GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        if (r.left < left) {
            left = r.left;
            first = child;
        }
    }
    return first;
}

std::string Quoted(const std::string& text)
{
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

void DeleteRunValue()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, kRunValueName);
    RegCloseKey(key);
}

// Every control id with a caption of its own and the catalogue id it takes.
struct CaptionOf {
    int controlId;
    unsigned messageId;
};
constexpr CaptionOf kCaptions[] = {
    {IDC_START_UP, 50},          {IDC_STARTUP_LABEL, 49},     {IDC_ADDRESS_LABEL, 51},       {IDC_FIND, 110},
    {IDC_PROTOCOL_LABEL, 97},    {IDC_PASSWORD_LABEL, 52},    {IDC_ADVANCED_GROUP, 54},    {IDC_SIMPLE_GROUP, 65},
    {IDOK, 45},                  {IDCANCEL, 46},              {IDC_SHOW_ADVANCE_COMPUTER1, 55},
    {IDC_SHOW_ADVANCE_COMPUTER2, 56}, {IDC_SHOW_ADVANCE_QUILLAN, 57}, {IDC_SHOW_ADVANCE_VIDEO, 58},
    {IDC_SHOW_ADVANCE_SVIDEO, 59}, {IDC_SHOW_ADVANCE_AVMUTE, 60}, {IDC_SHOW_ADVANCE_VOLUME, 61},
    {IDC_SHOW_ADVANCE_FREEZE, 62}, {IDC_SHOW_ADVANCE_CC, 63},    {IDC_SHOW_SIMPLE_COMPUTER, 66},
    {IDC_SHOW_SIMPLE_VIDEO, 67}, {IDC_SHOW_SIMPLE_AVMUTE, 68},   {IDC_SHOW_SIMPLE_VOLUME, 69},
    {IDC_SHOW_SIMPLE_FREEZE, 70}, {IDC_SHOW_SIMPLE_CC, 71},      {IDC_HOTKEY_GROUP, 104},
    {IDC_HOTKEY_AVMUTE_LABEL, 105}, {IDC_HOTKEY_FREEZE_LABEL, 106}, {IDC_HOTKEY_POWER_LABEL, 107},
};

// The presenter keys' fields and status texts, which have no caption of their own.
constexpr int kKeyControls[] = {
    IDC_HOTKEY_AVMUTE,        IDC_HOTKEY_FREEZE,        IDC_HOTKEY_POWER,
    IDC_HOTKEY_AVMUTE_STATUS, IDC_HOTKEY_FREEZE_STATUS, IDC_HOTKEY_POWER_STATUS,
};

const std::string kTaken = "In use by another program";
const std::string kSetAbove = "Already set for a key above";

// Key combinations as the hot-key control reports them.
constexpr std::uint16_t kCtrlAlt = (HOTKEYF_CONTROL | HOTKEYF_ALT) << 8;
constexpr std::uint16_t kCtrlAltM = kCtrlAlt | 'M';
constexpr std::uint16_t kShiftCtrlF = (HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 8 | 'F';
constexpr std::uint16_t kCtrlAltPageDown = (HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT) << 8 | VK_NEXT;

std::uint16_t KeyShown(CSettingsDlg& dialog, int field)
{
    return LOWORD(SendMessageA(dialog.GetDlgItem(field), HKM_GETHOTKEY, 0, 0));
}

// A key pressed in a hot-key control, with no modifier held.
void TypeKey(HWND field, UINT key)
{
    SendMessageA(field, WM_KEYDOWN, key, 1);
    SendMessageA(field, WM_KEYUP, key, 0xC0000001);
}

// The settings key and the Run value are cleared before and after each test.
class SettingsDialog : public testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear()
    {
        DeleteRegTree(HKEY_LOCAL_MACHINE, kSettingsKeyPath);
        DeleteRunValue();
    }

    // A record unlike the defaults in every field the dialog shows.
    static void Prepare(AppSettings& s)
    {
        s.startUp = 0;
        const std::uint8_t address[4] = {10, 20, 30, 40};
        std::memcpy(s.ipAddress, address, 4);
        std::memcpy(s.password, "ABCDEFGHIJKLMNOP", 16);  // all 16 bytes, no terminator
        s.mode = kModeSimple;
        for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) s.*kShowFlagBoxes[i].flag = i % 2 == 0 ? 1 : 0;
        s.hotkeyAvMute = kCtrlAltM;
        s.hotkeyPower = kCtrlAltPageDown;
    }
};

}  // namespace

TEST_F(SettingsDialog, EveryCaptionFromTheCatalogue)
{
    TestApp app;
    app.m_messages.SetText(48, "Title 48");
    for (const CaptionOf& c : kCaptions) app.m_messages.SetText(c.messageId, "Text " + std::to_string(c.messageId));
    RunSettings(app, [](CSettingsDlg& dialog) {
        EXPECT_EQ(TextOf(dialog.GetHwnd()), "Title 48");
        for (const CaptionOf& c : kCaptions)
            EXPECT_EQ(TextOf(dialog.GetDlgItem(c.controlId)), "Text " + std::to_string(c.messageId)) << c.controlId;
    });

    // The built-in texts, as a start without a language file shows them.
    TestApp plain;
    RunSettings(plain, [](CSettingsDlg& dialog) {
        EXPECT_EQ(TextOf(dialog.GetHwnd()), "Settings");
        EXPECT_EQ(TextOf(dialog.GetDlgItem(IDC_SHOW_ADVANCE_CC)), "CC(Closed Caption)");
        EXPECT_EQ(TextOf(dialog.GetDlgItem(IDC_ADDRESS_LABEL)), "Projector IP Address");
    });
}

TEST_F(SettingsDialog, ControlsShowTheStoredRecord)
{
    TestApp app;
    Prepare(app.m_settings);
    app.m_settings.startUp = 1;
    RunSettings(app, [](CSettingsDlg& dialog) {
        HWND hwnd = dialog.GetHwnd();
        for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
            EXPECT_EQ(IsDlgButtonChecked(hwnd, kShowFlagBoxes[i].controlId), i % 2 == 0 ? BST_CHECKED : BST_UNCHECKED)
                << kShowFlagBoxes[i].controlId;
        EXPECT_EQ(IsDlgButtonChecked(hwnd, IDC_START_UP), BST_CHECKED);
        EXPECT_EQ(AddressOf(dialog), 0x0A141E28u);

        HWND password = dialog.GetDlgItem(IDC_PASSWORD);
        EXPECT_EQ(TextOf(password), "ABCDEFGHIJKLMNOP");
        EXPECT_EQ(SendMessageA(password, EM_GETLIMITTEXT, 0, 0), 16);
        EXPECT_EQ(Window::FromHandle(password), &dialog.PasswordField());
        EXPECT_EQ(GetFocus(), dialog.GetDlgItem(IDC_START_UP));
        EXPECT_FALSE(IsWindowEnabled(dialog.GetDlgItem(IDC_FIND))) << "no finder given: nothing to search with";
    });
}

// A flag stored as something other than 0 or 1 shows unchecked.
TEST_F(SettingsDialog, OnlyAStoredOneShowsChecked)
{
    TestApp app;
    app.m_settings.startUp = 2;
    app.m_settings.showAdvanceVideo = 2;
    RunSettings(app, [](CSettingsDlg& dialog) {
        EXPECT_EQ(IsDlgButtonChecked(dialog.GetHwnd(), IDC_START_UP), BST_UNCHECKED);
        EXPECT_EQ(IsDlgButtonChecked(dialog.GetHwnd(), IDC_SHOW_ADVANCE_VIDEO), BST_UNCHECKED);
    });
}

// OK stores what the controls show, keeps the layout mode, saves the key and
// rewrites the Run value; the 16-character password comes back whole.
TEST_F(SettingsDialog, OkSavesTheEditedRecord)
{
    struct Case {
        const char* why;
        bool startUp;
        std::string runValue;
    };
    const Case cases[] = {
        {"start-up on registers the quoted program path", true, Quoted(ExecutablePath())},
        {"start-up off leaves an empty Run value", false, ""},
    };
    for (const Case& c : cases) {
        TestApp app;
        Prepare(app.m_settings);
        app.m_settings.startUp = c.startUp ? 0 : 1;
        const INT_PTR result = RunSettings(
            app,
            [&](CSettingsDlg& dialog) {
                HWND hwnd = dialog.GetHwnd();
                SendMessageA(dialog.GetDlgItem(IDC_IP_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(192, 168, 7, 201));
                SetWindowTextA(dialog.GetDlgItem(IDC_PASSWORD), "0123456789abcdef");
                for (std::size_t i = 0; i < kShowFlagBoxCount; ++i)
                    CheckDlgButton(hwnd, kShowFlagBoxes[i].controlId, i % 3 == 0 ? BST_CHECKED : BST_UNCHECKED);
                CheckDlgButton(hwnd, IDC_START_UP, c.startUp ? BST_CHECKED : BST_UNCHECKED);
            },
            PressOk);
        EXPECT_EQ(result, IDOK) << c.why;

        AppSettings expected{};
        Prepare(expected);
        expected.startUp = c.startUp ? 1 : 0;
        const std::uint8_t address[4] = {192, 168, 7, 201};
        std::memcpy(expected.ipAddress, address, 4);
        std::memcpy(expected.password, "0123456789abcdef", 16);
        for (std::size_t i = 0; i < kShowFlagBoxCount; ++i) expected.*kShowFlagBoxes[i].flag = i % 3 == 0 ? 1 : 0;
        EXPECT_EQ(std::memcmp(&app.m_settings, &expected, sizeof expected), 0) << c.why;
        EXPECT_EQ(app.m_settings.mode, kModeSimple) << c.why;

        AppSettings stored{};
        EXPECT_EQ(LoadSettings(stored), 1) << c.why;
        EXPECT_EQ(std::memcmp(&stored, &expected, sizeof expected), 0) << c.why;
        const RegValue run = ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
        EXPECT_TRUE(run.exists) << c.why;
        EXPECT_EQ(std::string(run.data.c_str()), c.runValue) << c.why;

        RunSettings(app, [](CSettingsDlg& dialog) {
            EXPECT_EQ(TextOf(dialog.GetDlgItem(IDC_PASSWORD)), "0123456789abcdef");
        });
    }
}

// Every way out but OK: nothing reaches the record or the registry.
TEST_F(SettingsDialog, CancelChangesNothing)
{
    struct Case {
        const char* why;
        Finish finish;
    };
    const Case cases[] = {
        {"Cancel button", PressCancel},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Escape", [](HWND dialog) {
             PostMessageA(GetDlgItem(dialog, IDC_START_UP), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
         }},
    };
    for (const Case& c : cases) {
        TestApp app;
        Prepare(app.m_settings);
        const AppSettings before = app.m_settings;
        const INT_PTR result = RunSettings(
            app,
            [](CSettingsDlg& dialog) {
                SendMessageA(dialog.GetDlgItem(IDC_IP_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(1, 2, 3, 4));
                SetWindowTextA(dialog.GetDlgItem(IDC_PASSWORD), "changed");
                CheckDlgButton(dialog.GetHwnd(), IDC_START_UP, BST_CHECKED);
                CheckDlgButton(dialog.GetHwnd(), IDC_SHOW_SIMPLE_CC, BST_CHECKED);
                TypeKey(dialog.GetDlgItem(IDC_HOTKEY_FREEZE), 'F');
                ASSERT_NE(KeyShown(dialog, IDC_HOTKEY_FREEZE), 0);
            },
            c.finish);
        EXPECT_EQ(result, IDCANCEL) << c.why;
        EXPECT_EQ(std::memcmp(&app.m_settings, &before, sizeof before), 0) << c.why;
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath)) << c.why;
        EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName).exists) << c.why;
    }
}

TEST_F(SettingsDialog, BlankAddressSavesAsZeros)
{
    TestApp app;
    Prepare(app.m_settings);
    RunSettings(
        app, [](CSettingsDlg& dialog) { SendMessageA(dialog.GetDlgItem(IDC_IP_ADDRESS), IPM_CLEARADDRESS, 0, 0); },
        PressOk);
    for (std::uint8_t octet : app.m_settings.ipAddress) EXPECT_EQ(octet, 0);
    AppSettings stored{};
    Prepare(stored);
    LoadSettings(stored);
    for (std::uint8_t octet : stored.ipAddress) EXPECT_EQ(octet, 0);
}

// The first field takes nothing above 223; the others the whole byte. A
// stored first octet above 223 still shows as stored.
TEST_F(SettingsDialog, FirstAddressFieldStopsAt223)
{
    TestApp app;
    const std::uint8_t stored[4] = {250, 1, 2, 3};
    std::memcpy(app.m_settings.ipAddress, stored, 4);
    RunSettings(app, [](CSettingsDlg& dialog) {
        EXPECT_EQ(AddressOf(dialog), 0xFA010203u);

        HWND ip = dialog.GetDlgItem(IDC_IP_ADDRESS);
        SendMessageA(ip, IPM_CLEARADDRESS, 0, 0);
        HWND first = FirstAddressField(dialog);
        ASSERT_NE(first, nullptr);
        SetFocus(first);
        for (char ch : std::string("250")) SendMessageA(first, WM_CHAR, static_cast<WPARAM>(ch), 1);
        EXPECT_EQ(AddressOf(dialog) >> 24, 223u);

        SendMessageA(ip, IPM_SETADDRESS, 0, MAKEIPADDRESS(1, 255, 255, 255));
        EXPECT_EQ(AddressOf(dialog), 0x01FFFFFFu);
    });
}

TEST_F(SettingsDialog, FontsWithoutALanguageFont)
{
    TestApp app;
    RunSettings(app, [](CSettingsDlg& dialog) {
        HWND hwnd = dialog.GetHwnd();
        const LOGFONTA password = Describe(FontOf(dialog.GetDlgItem(IDC_PASSWORD)));
        EXPECT_STREQ(password.lfFaceName, "MS Shell Dlg");
        EXPECT_EQ(password.lfHeight, -MulDiv(10, PixelsPerInch(hwnd), 72));

        const HFONT templateFont = FontOf(hwnd);
        for (const CaptionOf& c : kCaptions) EXPECT_EQ(FontOf(dialog.GetDlgItem(c.controlId)), templateFont) << c.controlId;
        for (int id : kKeyControls) EXPECT_EQ(FontOf(dialog.GetDlgItem(id)), templateFont) << id;
        EXPECT_EQ(dialog.DialogFont(), nullptr);
    });
}

// The language file's size goes into the password font as a point size, as it
// stands: the usual negative size gives a positive (cell) height.
TEST_F(SettingsDialog, FontsFromALanguageFont)
{
    TestApp app;
    app.m_hasCustomFont = 1;
    app.m_consoleFont = LOGFONTA{};
    app.m_consoleFont.lfHeight = -11;
    app.m_consoleFont.lfWeight = FW_NORMAL;
    std::strcpy(app.m_consoleFont.lfFaceName, "Tahoma");
    RunSettings(app, [](CSettingsDlg& dialog) {
        HWND hwnd = dialog.GetHwnd();
        const HFONT custom = FontOf(dialog.GetDlgItem(IDC_START_UP));
        EXPECT_EQ(custom, dialog.DialogFont());
        EXPECT_STREQ(Describe(custom).lfFaceName, "Tahoma");
        EXPECT_EQ(Describe(custom).lfHeight, -11);
        for (const CaptionOf& c : kCaptions) EXPECT_EQ(FontOf(dialog.GetDlgItem(c.controlId)), custom) << c.controlId;
        for (int id : kKeyControls) EXPECT_EQ(FontOf(dialog.GetDlgItem(id)), custom) << id;
        EXPECT_NE(FontOf(hwnd), custom) << "the dialog itself keeps the template font";

        const LOGFONTA password = Describe(FontOf(dialog.GetDlgItem(IDC_PASSWORD)));
        EXPECT_STREQ(password.lfFaceName, "MS Shell Dlg");
        EXPECT_EQ(password.lfHeight, -MulDiv(-11, PixelsPerInch(hwnd), 72));
        EXPECT_GT(password.lfHeight, 0);
    });
}

// The protocol drop-down: its two entries in order, and a password for each
// protocol with that protocol's limit and rules; OK stores both passwords and
// the protocol, and the dialog shows them again.
TEST_F(SettingsDialog, ProtocolChoosesThePasswordTheFieldEdits)
{
    TestApp app;
    Prepare(app.m_settings);
    SetPjlinkPasswordText(app.m_settings, "pj1");
    const std::string longPjlink = "Pj" + std::string(30, '7');
    const INT_PTR result = RunSettings(
        app,
        [&](CSettingsDlg& dialog) {
            HWND list = dialog.GetDlgItem(IDC_PROTOCOL);
            HWND field = dialog.GetDlgItem(IDC_PASSWORD);
            ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 2);
            char entry[64] = {};
            SendMessageA(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
            EXPECT_STREQ(entry, "Native (port 3629)");
            SendMessageA(list, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(entry));
            EXPECT_STREQ(entry, "PJLink (port 4352)");
            EXPECT_EQ(SendMessageA(list, CB_GETCURSEL, 0, 0), 0);
            EXPECT_EQ(TextOf(field), "ABCDEFGHIJKLMNOP");
            EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), 16);

            const auto choose = [&](int protocol) {
                SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(protocol), 0);
                SendMessageA(dialog.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_PROTOCOL, CBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(list));
            };
            choose(1);
            EXPECT_EQ(TextOf(field), "pj1");
            EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), 32);
            // Letters and digits only: the rest is dropped as it is typed.
            SendMessageA(field, EM_SETSEL, 3, 3);
            for (const char c : std::string("x-y z.9")) SendMessageA(field, WM_CHAR, static_cast<WPARAM>(c), 1);
            EXPECT_EQ(TextOf(field), "pj1xyz9");
            SetWindowTextA(field, longPjlink.c_str());

            choose(0);
            EXPECT_EQ(TextOf(field), "ABCDEFGHIJKLMNOP");
            EXPECT_EQ(SendMessageA(field, EM_GETLIMITTEXT, 0, 0), 16);
            SetWindowTextA(field, "native 2");
            SendMessageA(field, EM_SETSEL, 8, 8);
            SendMessageA(field, WM_CHAR, '-', 1);  // any character for the native password
            EXPECT_EQ(TextOf(field), "native 2-");
            choose(1);
            EXPECT_EQ(TextOf(field), longPjlink);
        },
        PressOk);
    EXPECT_EQ(result, IDOK);

    AppSettings stored{};
    ResetSettings(stored);
    ASSERT_EQ(LoadSettings(stored), 1);
    EXPECT_EQ(stored.protocol, kProtocolPjlink);
    EXPECT_EQ(PasswordText(stored), "native 2-");
    EXPECT_EQ(PjlinkPasswordText(stored), longPjlink);
    EXPECT_EQ(stored.mode, kModeSimple);
    RunSettings(app, [&](CSettingsDlg& dialog) {
        EXPECT_EQ(SendMessageA(dialog.GetDlgItem(IDC_PROTOCOL), CB_GETCURSEL, 0, 0), 1);
        EXPECT_EQ(TextOf(dialog.GetDlgItem(IDC_PASSWORD)), longPjlink);
    });
}

// The presenter keys show as stored; a key pressed alone gets Ctrl+Alt (a
// bare key would be lost to typing everywhere), Backspace and Delete clear a
// field, and OK stores what the fields show.
TEST_F(SettingsDialog, PresenterKeysShowEditAndSave)
{
    TestApp app;
    Prepare(app.m_settings);
    app.m_settings.hotkeyFreeze = kShiftCtrlF;
    const INT_PTR result = RunSettings(
        app,
        [](CSettingsDlg& dialog) {
            EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_AVMUTE), kCtrlAltM);
            EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_FREEZE), kShiftCtrlF);
            EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_POWER), kCtrlAltPageDown);
            for (const PresenterKey& key : kPresenterKeys)
                EXPECT_EQ(TextOf(dialog.GetDlgItem(key.statusId)), "") << key.fieldId;

            TypeKey(dialog.GetDlgItem(IDC_HOTKEY_FREEZE), 'Z');
            EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_FREEZE), kCtrlAlt | 'Z');
        },
        [](HWND dialog) {
            // Through the dialog's loop, as typed keys come.
            PostMessageA(GetDlgItem(dialog, IDC_HOTKEY_AVMUTE), WM_KEYDOWN, VK_BACK, 1);
            PostMessageA(GetDlgItem(dialog, IDC_HOTKEY_POWER), WM_KEYDOWN, VK_DELETE, 1);
            PressOk(dialog);
        });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(app.m_settings.hotkeyAvMute, 0);
    EXPECT_EQ(app.m_settings.hotkeyFreeze, kCtrlAlt | 'Z');
    EXPECT_EQ(app.m_settings.hotkeyPower, 0);
    AppSettings stored{};
    ASSERT_EQ(LoadSettings(stored), 1);
    EXPECT_EQ(stored.hotkeyAvMute, 0);
    EXPECT_EQ(stored.hotkeyFreeze, kCtrlAlt | 'Z');
    EXPECT_EQ(stored.hotkeyPower, 0);
    RunSettings(app, [](CSettingsDlg& dialog) {
        EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_AVMUTE), 0);
        EXPECT_EQ(KeyShown(dialog, IDC_HOTKEY_FREEZE), kCtrlAlt | 'Z');
    });
}

// A combination someone else holds (here this process, outside the dialog) is
// reported beside its field: when the dialog opens, when a field changes, and
// on OK, which then stays open once to show it. The keys are stored all the
// same; a key with the combination of one above is reported as such.
TEST_F(SettingsDialog, KeysThatCannotWorkAreReportedBesideTheirFields)
{
    constexpr UINT kCtrlAltMods = MOD_CONTROL | MOD_ALT;
    HotkeyRegistration heldP;
    ASSERT_TRUE(heldP.Register(nullptr, 0x71, kCtrlAltMods, 'P'));
    HotkeyRegistration heldQ;

    TestApp app;
    app.m_settings.hotkeyPower = kCtrlAlt | 'P';
    const INT_PTR result = RunSettings(
        app,
        [&](CSettingsDlg& dialog) {
            const auto status = [&](int id) { return TextOf(dialog.GetDlgItem(id)); };
            EXPECT_EQ(status(IDC_HOTKEY_AVMUTE_STATUS), "");
            EXPECT_EQ(status(IDC_HOTKEY_FREEZE_STATUS), "");
            EXPECT_EQ(status(IDC_HOTKEY_POWER_STATUS), kTaken) << "found as the dialog opens";

            TypeKey(dialog.GetDlgItem(IDC_HOTKEY_AVMUTE), 'P');
            EXPECT_EQ(status(IDC_HOTKEY_AVMUTE_STATUS), kTaken) << "found as the field changes";
            EXPECT_EQ(status(IDC_HOTKEY_POWER_STATUS), kSetAbove);

            TypeKey(dialog.GetDlgItem(IDC_HOTKEY_AVMUTE), 'Q');
            EXPECT_EQ(status(IDC_HOTKEY_AVMUTE_STATUS), "");
            EXPECT_EQ(status(IDC_HOTKEY_POWER_STATUS), kTaken);

            // Taken after the field was checked: OK shows it and stays.
            ASSERT_TRUE(heldQ.Register(nullptr, 0x72, kCtrlAltMods, 'Q'));
            SendMessageA(dialog.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(dialog.GetDlgItem(IDOK)));
            EXPECT_TRUE(IsWindowVisible(dialog.GetHwnd()));
            EXPECT_EQ(status(IDC_HOTKEY_AVMUTE_STATUS), kTaken);
            EXPECT_EQ(status(IDC_HOTKEY_POWER_STATUS), kTaken);
        },
        PressOk);  // the second OK stores the keys as they are
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(app.m_settings.hotkeyAvMute, kCtrlAlt | 'Q');
    EXPECT_EQ(app.m_settings.hotkeyPower, kCtrlAlt | 'P');

    // Let go, the combinations are free to the dialog again, and its own
    // trials have left nothing registered.
    heldP.Reset();
    heldQ.Reset();
    RunSettings(app, [](CSettingsDlg& dialog) {
        for (const PresenterKey& key : kPresenterKeys)
            EXPECT_EQ(TextOf(dialog.GetDlgItem(key.statusId)), "") << key.fieldId;
    });
    HotkeyRegistration again;
    EXPECT_TRUE(again.Register(nullptr, 0x73, kCtrlAltMods, 'Q'));
}

// F1 is answered by the dialog itself and goes no further up to its owner.
TEST_F(SettingsDialog, HelpRequestDoesNothing)
{
    static int ownerHelps = 0;
    ownerHelps = 0;
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_HELP) ++ownerHelps;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    };
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BeamdeskHelpOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, wc.lpszClassName, "Owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);

    TestApp app;
    RunSettings(
        app,
        [](CSettingsDlg& dialog) {
            HELPINFO info{};
            info.cbSize = sizeof info;
            info.iContextType = HELPINFO_WINDOW;
            info.iCtrlId = IDC_START_UP;
            info.hItemHandle = dialog.GetDlgItem(IDC_START_UP);
            SendMessageA(dialog.GetHwnd(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
            EXPECT_TRUE(IsWindowVisible(dialog.GetHwnd()));
        },
        PressCancel, owner);
    EXPECT_EQ(ownerHelps, 0);
    DestroyWindow(owner);
}

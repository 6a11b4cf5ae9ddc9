// Start-up and shutdown of the real program: first start, single instance,
// the old-system refusal, and what reaches the registry.
#include <gtest/gtest.h>

#include <cstring>

#include "ProgramHarness.h"
#include "SettingsStore.h"
#include "StartupRegistration.h"
#include "resource.h"

namespace {

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearProgramRegistry();
        SetReportedWindowsVersion("");
    }
    void TearDown() override
    {
        SetReportedWindowsVersion("");
        ClearProgramRegistry();
    }

    ProgramFolder m_folder;
};

std::uint32_t StoredNumber(const char* name)
{
    const RegValue v = ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name);
    std::uint32_t n = 0xDEAD;
    if (v.exists && v.data.size() == 4) std::memcpy(&n, v.data.data(), 4);
    return n;
}

}  // namespace

TEST_F(LifecycleTest, FirstStartWritesEveryValueAtExit)
{
    RunningProgram program(m_folder.Executable());
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    EXPECT_EQ(WindowText(console), "Beamdesk V1.00 [Disconnect]");
    // Nothing is written while the console runs.
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath));

    PostMessageA(console, WM_CLOSE, 0, 0);
    ASSERT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));

    for (const SettingsValue& v : kSettingsValues)
        EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, v.name).exists) << v.name;
    EXPECT_EQ(StoredNumber("Mode"), 1u);
    EXPECT_EQ(StoredNumber("Advance CC"), 0u);
    EXPECT_EQ(StoredNumber("Advance Computer 1"), 1u);
    EXPECT_EQ(StoredNumber("IPA"), 0u);
    EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Password").storedBytes, 0u);
    for (const char* key : {"Hotkey AVMute", "Hotkey Freeze", "Hotkey Power"}) EXPECT_EQ(StoredNumber(key), 0u) << key;
    const RegValue run = ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    EXPECT_TRUE(run.exists);
    EXPECT_EQ(run.data, std::string(1, '\0'));
}

// The menu's Exit and the close box both end the run with a save: a flag
// stored as 2 comes back rewritten as 1.
TEST_F(LifecycleTest, ExitCommandAndCloseBoxBothSave)
{
    struct Case {
        const char* how;
        UINT message;
        WPARAM wParam;
    } const cases[] = {
        {"Exit command", WM_COMMAND, 32771},
        {"close box", WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const Case& c : cases) {
        ClearProgramRegistry();
        WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Advance Video", 2);
        RunningProgram program(m_folder.Executable());
        HWND console = program.WaitForConsole();
        ASSERT_NE(console, nullptr) << c.how;
        PostMessageA(console, c.message, c.wParam, 0);
        ASSERT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE)) << c.how;
        EXPECT_EQ(StoredNumber("Advance Video"), 1u) << c.how;
        EXPECT_EQ(StoredNumber("Simple CC"), 0u) << c.how;
    }
}

TEST_F(LifecycleTest, SecondStartNotifiesTheFirstOnce)
{
    RunningProgram first(m_folder.Executable());
    HWND console = first.WaitForConsole();
    ASSERT_NE(console, nullptr);

    RunningProgram second(m_folder.Executable());
    EXPECT_NE(second.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    const Prompt notice = first.WaitForPrompt();
    EXPECT_EQ(notice.text, "This application is already running. ");
    EXPECT_EQ(notice.caption, "Beamdesk V1.00");
    EXPECT_EQ(notice.owner, console);
    EXPECT_EQ(notice.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(ShowsIcon(notice, PromptIcon::Stop));

    // A third start while the notice is up: no second notice, the first one
    // has the focus.
    SetForegroundWindow(console);
    RunningProgram third(m_folder.Executable());
    EXPECT_NE(third.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    EXPECT_TRUE(WaitFor([&] {
        return GetGUIThreadInfo(first.ThreadId(), &gui) &&
               (gui.hwndFocus == notice.hwnd || GetParent(gui.hwndFocus) == notice.hwnd);
    }));
    EXPECT_EQ(first.Prompts().size(), 1u);

    PostMessageA(notice.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(first.WaitForNoPrompt());
    PostMessageA(console, WM_CLOSE, 0, 0);
    EXPECT_NE(first.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}

// A second start while the settings dialog is open: the notice is owned by
// the dialog, and the dialog is still there once it is answered.
TEST_F(LifecycleTest, SecondStartWhileTheSettingsDialogIsOpen)
{
    RunningProgram first(m_folder.Executable());
    HWND console = first.WaitForConsole();
    ASSERT_NE(console, nullptr);
    PostMessageA(console, WM_COMMAND, ID_SETTINGS, 0);
    HWND settings = first.WaitForDialog("Settings");
    ASSERT_NE(settings, nullptr);

    RunningProgram second(m_folder.Executable());
    EXPECT_NE(second.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    const Prompt notice = first.WaitForPrompt();
    EXPECT_EQ(notice.text, "This application is already running. ");
    EXPECT_EQ(notice.owner, settings);

    PostMessageA(notice.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(first.WaitForNoPrompt());
    EXPECT_TRUE(IsWindowVisible(settings));
    PostMessageA(settings, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(settings); }));
    PostMessageA(console, WM_CLOSE, 0, 0);
    EXPECT_NE(first.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(LifecycleTest, OldSystemIsRefusedWithoutWritingAnything)
{
    SetReportedWindowsVersion("nt40");
    RunningProgram program(m_folder.Executable());
    const Prompt refusal = program.WaitForPrompt();
    EXPECT_EQ(refusal.text, "This application will not run on the current version of your OS. Upgrade your OS. ");
    EXPECT_EQ(refusal.caption, "Beamdesk");
    EXPECT_EQ(refusal.buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(ShowsIcon(refusal, PromptIcon::Stop));
    EXPECT_EQ(program.Console(), nullptr);
    PostMessageA(refusal.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    EXPECT_FALSE(ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName).exists);
}

// The mode drop-down changes the layout at once; the registry hears of it
// only at the end of the run.
TEST_F(LifecycleTest, ModeSwitchReachesTheRegistryAtExit)
{
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode", 1);
    RunningProgram program(m_folder.Executable());
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(console, IDC_COMPUTER1)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(console, IDC_COMPUTER)));

    PostMessageA(console, WM_COMMAND, ID_SIMPLE_MODE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(console, IDC_COMPUTER)) != FALSE; }));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(console, IDC_COMPUTER1)));
    EXPECT_EQ(StoredNumber("Mode"), 1u);

    PostMessageA(console, WM_CLOSE, 0, 0);
    ASSERT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_EQ(StoredNumber("Mode"), 0u);
}

// Above 96 dpi a lone mode button stands 58 pixels further from Power, not 50.
TEST_F(LifecycleTest, LoneModeButtonAtHigherResolution)
{
    constexpr const char* kDesktop = "Control Panel\\Desktop";
    for (const char* name : {"Advance Computer 1", "Advance Computer 2", "Advance Quillan", "Advance Video",
                             "Advance SVideo", "Advance AVMute", "Advance Volume", "Advance Freeze", "Advance CC"})
        WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, name, 0);
    for (const DWORD dpi : {96u, 120u}) {
        WriteRegDword(HKEY_CURRENT_USER, kDesktop, "LogPixels", dpi);
        RunningProgram program(m_folder.Executable());
        HWND console = program.WaitForConsole();
        ASSERT_NE(console, nullptr);
        RECT power{}, mode{};
        GetWindowRect(GetDlgItem(console, IDC_POWER), &power);
        GetWindowRect(GetDlgItem(console, IDC_MODE), &mode);
        EXPECT_EQ(mode.left - power.right, 1 + 6 + (dpi == 96 ? 50 : 58)) << dpi;
        EXPECT_EQ(mode.top, power.top) << dpi;
        PostMessageA(console, WM_CLOSE, 0, 0);
        program.WaitForExit();
    }
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktop, 0, KEY_SET_VALUE, &desktop) == ERROR_SUCCESS) {
        RegDeleteValueA(desktop, "LogPixels");
        RegCloseKey(desktop);
    }
}

// The user's session ends with the console open: the system asks, tells, and
// then ends the process without the usual exit. What the user chose is saved
// on the way, once; an end that is cancelled saves again at the next one.
TEST_F(LifecycleTest, SessionEndSavesWhatTheConsoleHolds)
{
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "Mode", 1);
    {
        RunningProgram program(m_folder.Executable());
        HWND console = program.WaitForConsole();
        ASSERT_NE(console, nullptr);
        PostMessageA(console, WM_COMMAND, ID_SIMPLE_MODE, 0);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(console, IDC_COMPUTER)) != FALSE; }));

        // Cancelled: saved at the question, and free to save again.
        EXPECT_EQ(SendMessageA(console, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        EXPECT_EQ(StoredNumber("Mode"), 0u);
        SendMessageA(console, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
        PostMessageA(console, WM_COMMAND, ID_ADVANCED_MODE, 0);
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(console, IDC_COMPUTER1)) != FALSE; }));

        EXPECT_EQ(SendMessageA(console, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
        SendMessageA(console, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    }  // ended as the system ends it
    EXPECT_EQ(StoredNumber("Mode"), 1u);
    for (const SettingsValue& v : kSettingsValues)
        EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, v.name).exists) << v.name;
    EXPECT_TRUE(ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName).exists);
}

// A second start while the first console is minimised brings it back.
TEST_F(LifecycleTest, SecondStartRestoresAMinimisedConsole)
{
    RunningProgram first(m_folder.Executable());
    HWND console = first.WaitForConsole();
    ASSERT_NE(console, nullptr);
    PostMessageA(console, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(console) != FALSE; }));

    RunningProgram second(m_folder.Executable());
    EXPECT_NE(second.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
    const Prompt notice = first.WaitForPrompt();
    EXPECT_EQ(notice.text, "This application is already running. ");
    EXPECT_FALSE(IsIconic(console));
    EXPECT_TRUE(IsWindowVisible(console));
    PostMessageA(notice.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(first.WaitForNoPrompt());
    PostMessageA(console, WM_CLOSE, 0, 0);
    EXPECT_NE(first.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}

// The console is on screen, at its place, before its first connection runs:
// a failure prompt at start-up belongs to a visible console.
TEST_F(LifecycleTest, StartUpPromptBelongsToAVisibleConsole)
{
    // A loopback address where nothing listens: the connection is refused.
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPA", 127);
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPB", 0);
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPC", 86);
    WriteRegDword(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "IPD", 250);
    RunningProgram program(m_folder.Executable());
    const Prompt prompt = program.WaitForPrompt();
    EXPECT_EQ(prompt.text, "Projector is not responding. ");
    ASSERT_NE(prompt.owner, nullptr);
    EXPECT_NE(GetPropA(prompt.owner, "Global\\BMDSK_Mutex"), nullptr);  // the console
    EXPECT_TRUE(IsWindowVisible(prompt.owner));
    PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
    HWND console = program.WaitForConsole();
    ASSERT_NE(console, nullptr);
    PostMessageA(console, WM_CLOSE, 0, 0);
    EXPECT_NE(program.WaitForExit(), static_cast<DWORD>(STILL_ACTIVE));
}

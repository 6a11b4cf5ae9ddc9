// The console and the settings dialog at 96, 144 and 192 dpi, in a German
// translation with its own font: the fonts the program makes (the language
// file's, and the large "-" and "+") are given for 96 dpi and grow with the
// screen as the dialog units grow the controls, and every visible caption
// still fits its control. The screen's resolution is read once per process,
// so each one is checked in a run of this program of its own.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "InProcessConsole.h"
#include "LanguageFile.h"
#include "SettingsDlg.h"
#include "TestFiles.h"
#include "UserObjects.h"
#include "resource.h"

namespace {

constexpr const char* kDpiVariable = "BEAMDESK_TEST_DPI";
constexpr const char* kDesktopKey = "Control Panel\\Desktop";

LOGFONTA FontOf(HWND control)
{
    LOGFONTA description{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof description, &description);
    return description;
}

// The caption's extent in the control's own font.
SIZE CaptionExtent(HWND control)
{
    const std::string text = WindowTextOf(control);
    SIZE extent{};
    const WindowDC dc(control);
    HGDIOBJ previous = SelectObject(dc.get(), reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc.get(), previous);
    return extent;
}

// Every visible control with a caption: it fits, with room for a check box's
// box where there is one.
void ExpectCaptionsFit(HWND dialog, int dpi)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child) || WindowTextOf(child).empty()) continue;
        RECT client{};
        GetClientRect(child, &client);
        const SIZE extent = CaptionExtent(child);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        char kind[32] = {};
        GetClassNameA(child, kind, sizeof kind);
        const bool checkBox = std::string(kind) == "Button" && (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        const int box = checkBox ? MulDiv(16, dpi, 96) : 0;
        EXPECT_LE(extent.cx + box, client.right) << dpi << " dpi: '" << WindowTextOf(child) << "' (" << GetDlgCtrlID(child) << ")";
        EXPECT_LE(extent.cy, client.bottom) << dpi << " dpi: '" << WindowTextOf(child) << "'";
    }
}

void LoadGerman(TestApp& app)
{
    const std::string path = ExecutableFolder() + "languages\\de\\Language.ini";
    ApplyLanguageFile(app.m_messages, path);
    app.m_hasCustomFont = LoadLanguageFont(path, app.m_consoleFont);
    ASSERT_EQ(app.m_hasCustomFont, 1) << path;
}

}  // namespace

TEST(HighDpi, FontsScaleAndCaptionsFitAt96_144_192)
{
    for (const DWORD dpi : {96u, 144u, 192u}) {
        WriteRegDword(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", dpi);
        std::string line(1, '"');
        line.append(ExecutablePath()).append("\" --gtest_filter=HighDpiAtOneResolution.*");
        SetEnvironmentVariableA(kDpiVariable, std::to_string(dpi).c_str());
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &process));
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0) << dpi;
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(code, 0u) << "the checks at " << dpi << " dpi failed (their output is above)";
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableA(kDpiVariable, nullptr);
    HKEY desktop;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_SET_VALUE, &desktop) == ERROR_SUCCESS) {
        RegDeleteValueA(desktop, "LogPixels");
        RegCloseKey(desktop);
    }
}

// Run by the test above, once per resolution.
TEST(HighDpiAtOneResolution, ConsoleAndSettings)
{
    const char* wanted = std::getenv(kDpiVariable);
    if (wanted == nullptr) GTEST_SKIP() << "run by HighDpi.FontsScaleAndCaptionsFitAt96_144_192";
    const int dpi = std::atoi(wanted);
    ASSERT_EQ(ScreenDpi(), dpi);

    TestApp app;
    LoadGerman(app);
    RunConsole(app, [&](CConsoleDlg& console) {
        EXPECT_EQ(FontOf(console.GetDlgItem(IDC_POWER)).lfHeight, MulDiv(app.m_consoleFont.lfHeight, dpi, 96));
        EXPECT_EQ(FontOf(console.GetDlgItem(IDC_VOLUME_UP)).lfHeight, MulDiv(20, dpi, 96));
        EXPECT_EQ(FontOf(console.GetDlgItem(IDC_VOLUME_DOWN)).lfHeight, MulDiv(20, dpi, 96));
        ExpectCaptionsFit(console.GetHwnd(), dpi);
    });

    RunSettingsDialog(
        app,
        [&](CSettingsDlg& dialog) {
            EXPECT_EQ(FontOf(dialog.GetDlgItem(IDC_START_UP)).lfHeight, MulDiv(app.m_consoleFont.lfHeight, dpi, 96));
            ExpectCaptionsFit(dialog.GetHwnd(), dpi);
        },
        [](HWND hwnd) { PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0); });
}

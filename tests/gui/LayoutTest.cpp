// The console's geometry read back from its live windows: the two layouts,
// the gaps, the volume row, the frame and window margins, and the placement
// in the work area. The work area is the test process's own, so these run
// with the console in-process.
#include <gtest/gtest.h>

#include "InProcessConsole.h"
#include "resource.h"

namespace {

RECT Client(CConsoleDlg& console, int id)
{
    RECT r{};
    GetWindowRect(console.GetDlgItem(id), &r);
    MapWindowPoints(nullptr, console.GetHwnd(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool Visible(CConsoleDlg& console, int id)
{
    return IsWindowVisible(console.GetDlgItem(id)) != FALSE;
}

RECT WindowOf(CConsoleDlg& console)
{
    RECT r{};
    GetWindowRect(console.GetHwnd(), &r);
    return r;
}

// The row's visible buttons left to right, and the gap before each.
void ExpectRow(CConsoleDlg& console, const std::vector<std::pair<int, int>>& row)
{
    const RECT power = Client(console, IDC_POWER);
    RECT previous = power;
    for (const auto& [id, gap] : row) {
        ASSERT_TRUE(Visible(console, id)) << id;
        const RECT r = Client(console, id);
        EXPECT_EQ(r.left - previous.right, gap) << id;
        EXPECT_EQ(r.top, power.top) << id;
        previous = r;
    }
}

class WorkAreaGuard {
public:
    explicit WorkAreaGuard(RECT work)
    {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &m_saved, 0);
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &work, 0);
    }
    ~WorkAreaGuard() { SystemParametersInfoA(SPI_SETWORKAREA, 0, &m_saved, 0); }

private:
    RECT m_saved{};
};

// Every Advanced button off but Power and the mode button; the volume row
// as asked.
void HideAdvancedButtons(AppSettings& s, bool keepVolume)
{
    for (std::uint8_t* flag : {&s.showAdvanceComputer1, &s.showAdvanceComputer2, &s.showAdvanceQuillan,
                               &s.showAdvanceVideo, &s.showAdvanceSVideo, &s.showAdvanceAVMute,
                               &s.showAdvanceFreeze, &s.showAdvanceCC})
        *flag = 0;
    s.showAdvanceVolume = keepVolume ? 1 : 0;
}

RECT Screen()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

TEST(Layout, DefaultAdvancedRowAndVolume)
{
    TestApp app;
    RunConsole(app, [](CConsoleDlg& console) {
        ExpectRow(console, {{IDC_COMPUTER1, 7}, {IDC_COMPUTER2, 1}, {IDC_QUILLAN, 1}, {IDC_VIDEO, 7},
                            {IDC_SVIDEO, 1}, {IDC_AVMUTE, 7}, {IDC_FREEZE, 1}, {IDC_MODE, 7}});
        EXPECT_FALSE(Visible(console, IDC_CC));
        EXPECT_FALSE(Visible(console, IDC_COMPUTER));

        const RECT mode = Client(console, IDC_MODE);
        const RECT minus = Client(console, IDC_VOLUME_DOWN);
        const RECT plus = Client(console, IDC_VOLUME_UP);
        const RECT label = Client(console, IDC_VOLUME_LABEL);
        EXPECT_EQ(plus.right, mode.right - 19 - (minus.right - minus.left));
        EXPECT_EQ(minus.bottom, mode.bottom);
        EXPECT_EQ(plus.bottom, mode.bottom);
        EXPECT_EQ(label.top - minus.top, 6);
        EXPECT_EQ(minus.left - label.right, 1);
        EXPECT_EQ(plus.left - minus.right, 1);

        // The frame ends 11 pixels beyond the mode button; the window 13
        // beyond the frame.
        const RECT frame = Client(console, IDC_FRAME);
        EXPECT_EQ(frame.right, mode.right + 11);
        EXPECT_EQ(frame.bottom, mode.bottom + 11);
        RECT frameOnScreen{};
        GetWindowRect(console.GetDlgItem(IDC_FRAME), &frameOnScreen);
        const RECT window = WindowOf(console);
        EXPECT_EQ(window.right, frameOnScreen.right + 13);
        EXPECT_EQ(window.bottom, frameOnScreen.bottom + 13);
    });
}

TEST(Layout, SimpleRowAndTheModeMenu)
{
    TestApp app;
    RunConsole(app, [&](CConsoleDlg& console) {
        const RECT advanced = WindowOf(console);
        SendMessageA(console.GetHwnd(), WM_COMMAND, ID_SIMPLE_MODE, 0);
        EXPECT_EQ(app.m_settings.mode, kModeSimple);
        ExpectRow(console, {{IDC_COMPUTER, 7}, {IDC_VIDEO, 7}, {IDC_AVMUTE, 7}, {IDC_FREEZE, 1}, {IDC_MODE, 7}});
        for (int hidden : {IDC_COMPUTER1, IDC_COMPUTER2, IDC_QUILLAN, IDC_SVIDEO, IDC_CC})
            EXPECT_FALSE(Visible(console, hidden)) << hidden;
        const RECT simple = WindowOf(console);
        EXPECT_LT(simple.right - simple.left, advanced.right - advanced.left);
        EXPECT_EQ(console.ModeButton().GetItemState(ID_SIMPLE_MODE, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
        EXPECT_EQ(console.ModeButton().GetItemState(ID_ADVANCED_MODE, MF_BYCOMMAND) & MF_CHECKED, 0u);

        // Choosing the mode already shown only re-ticks: a layout would fit
        // the widened window to its buttons again.
        const int widened = simple.right - simple.left + 40;
        SetWindowPos(console.GetHwnd(), nullptr, 0, 0, widened, simple.bottom - simple.top, SWP_NOMOVE | SWP_NOZORDER);
        SendMessageA(console.GetHwnd(), WM_COMMAND, ID_SIMPLE_MODE, 0);
        EXPECT_EQ(WindowOf(console).right - WindowOf(console).left, widened);
        SendMessageA(console.GetHwnd(), WM_COMMAND, ID_ADVANCED_MODE, 0);
        EXPECT_EQ(app.m_settings.mode, kModeAdvanced);
        EXPECT_TRUE(Visible(console, IDC_COMPUTER1));
    });
}

TEST(Layout, OnlyPowerAndMode)
{
    TestApp app;
    HideAdvancedButtons(app.m_settings, false);
    RunConsole(app, [](CConsoleDlg& console) {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        ExpectRow(console, {{IDC_MODE, 1 + 6 + (dpi <= 96 ? 50 : 58)}});
        EXPECT_FALSE(Visible(console, IDC_VOLUME_UP));
        EXPECT_FALSE(Visible(console, IDC_VOLUME_LABEL));
    });
}

TEST(Layout, OnlyTheVolumeRow)
{
    TestApp app;
    HideAdvancedButtons(app.m_settings, true);
    RunConsole(app, [](CConsoleDlg& console) {
        const RECT power = Client(console, IDC_POWER);
        const RECT label = Client(console, IDC_VOLUME_LABEL);
        const RECT plus = Client(console, IDC_VOLUME_UP);
        const RECT minus = Client(console, IDC_VOLUME_DOWN);
        const RECT mode = Client(console, IDC_MODE);
        EXPECT_EQ(label.left, power.left);
        EXPECT_EQ(minus.bottom, power.top + (mode.bottom - mode.top));
        EXPECT_EQ(mode.left, std::max(power.right, plus.right) + 7);
        EXPECT_EQ(mode.top, power.top);
    });
}

TEST(Placement, StartsInTheBottomRightCorner)
{
    const RECT screen = Screen();
    const struct {
        const char* why;
        RECT work;
    } cases[] = {
        {"taskbar at the bottom", {0, 0, screen.right, screen.bottom - 40}},
        {"taskbar at the left", {100, 0, screen.right, screen.bottom}},
        {"taskbar at the top", {0, 40, screen.right, screen.bottom}},
    };
    for (const auto& c : cases) {
        WorkAreaGuard guard(c.work);
        TestApp app;
        RunConsole(app, [&](CConsoleDlg& console) {
            const RECT w = WindowOf(console);
            // The work area's corner, wherever the taskbar stands.
            EXPECT_EQ(w.right, c.work.right) << c.why;
            EXPECT_EQ(w.bottom, c.work.bottom) << c.why;
        });
    }
}

TEST(Placement, MovesAreClampedAndWorkAreaChangesBringItBack)
{
    const RECT screen = Screen();
    WorkAreaGuard guard({0, 40, screen.right, screen.bottom});
    TestApp app;
    RunConsole(app, [&](CConsoleDlg& console) {
        HWND hwnd = console.GetHwnd();
        const RECT start = WindowOf(console);
        const int width = start.right - start.left;
        const int height = start.bottom - start.top;

        SetWindowPos(hwnd, nullptr, -200, -200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(WindowOf(console).left, 0);
        EXPECT_EQ(WindowOf(console).top, 40);
        SetWindowPos(hwnd, nullptr, screen.right, screen.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(WindowOf(console).right, screen.right);
        EXPECT_EQ(WindowOf(console).bottom, screen.bottom);

        // The taskbar moves to the bottom: the console now sticks out and
        // goes to the new corner.
        RECT bottomBar{0, 0, screen.right, screen.bottom - 40};
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &bottomBar, 0);
        SendMessageA(hwnd, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        RECT w = WindowOf(console);
        EXPECT_EQ(w.right, bottomBar.right);
        EXPECT_EQ(w.bottom, bottomBar.bottom);
        EXPECT_EQ(w.right - w.left, width);
        EXPECT_EQ(w.bottom - w.top, height);

        // A change after which it is still inside leaves it where it is, but
        // fits its height to the frame again.
        SetWindowPos(hwnd, nullptr, 100, 100, width, height + 30, SWP_NOZORDER);
        ASSERT_EQ(WindowOf(console).bottom - WindowOf(console).top, height + 30);
        RECT full = screen;
        SystemParametersInfoA(SPI_SETWORKAREA, 0, &full, 0);
        SendMessageA(hwnd, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        w = WindowOf(console);
        EXPECT_EQ(w.left, 100);
        EXPECT_EQ(w.top, 100);
        EXPECT_EQ(w.bottom - w.top, height);
    });
}

// Minimised, the console stays where the system parks it (off screen on
// Windows; Wine parks it elsewhere, so the test moves it there), also through
// a work-area change; restored, it is back in its corner.
TEST(Placement, MinimisedConsoleIsLeftAlone)
{
    TestApp app;
    RunConsole(app, [&](CConsoleDlg& console) {
        HWND hwnd = console.GetHwnd();
        const RECT corner = WindowOf(console);
        ShowWindow(hwnd, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(hwnd));
        SetWindowPos(hwnd, nullptr, -32000, -32000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT parked = WindowOf(console);
        EXPECT_EQ(parked.left, -32000);
        EXPECT_EQ(parked.top, -32000);
        SendMessageA(hwnd, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        const RECT after = WindowOf(console);
        EXPECT_TRUE(EqualRect(&parked, &after)) << "a work-area change moved the minimised console";

        ShowWindow(hwnd, SW_RESTORE);
        const RECT restored = WindowOf(console);
        EXPECT_TRUE(EqualRect(&corner, &restored))
            << restored.left << "," << restored.top << " - " << restored.right << "," << restored.bottom;
    });
}

TEST(Placement, WorkAreaNarrowerThanTheConsole)
{
    WorkAreaGuard guard({0, 0, 300, Screen().bottom});
    TestApp app;
    RunConsole(app, [&](CConsoleDlg& console) {
        const RECT w = WindowOf(console);
        EXPECT_EQ(w.right, 300);
        EXPECT_LT(w.left, 0);
        // Drags move it only within its overhang.
        const int overhang = -w.left;
        SetWindowPos(console.GetHwnd(), nullptr, -overhang - 50, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(WindowOf(console).left, -overhang);
        SetWindowPos(console.GetHwnd(), nullptr, 20, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EXPECT_EQ(WindowOf(console).left, 0);
    });
}

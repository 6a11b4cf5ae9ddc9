// The console inside this process against the projector simulator, for what
// only the console's own menus show: the CC entry the projector reports gets
// the tick. And the Video button, whose command follows the layout shown.
// Driven by window messages only, as a user's clicks and menu choices arrive.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>

#include "InProcessConsole.h"
#include "OpenMenu.h"
#include "ProjectorSimulator.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

// The replies come from the link worker as messages sent to this thread, so
// waiting means handling them.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

std::string Title(const CConsoleDlg& console)
{
    char text[128] = {};
    GetWindowTextA(console.GetHwnd(), text, sizeof text);
    return text;
}

// What the CC menu showed while it was open: which entries carried the tick.
struct MenuSeen {
    bool open = false;
    std::map<int, bool> ticked;
};

// Watches for the popup menu from a thread timer, which the menu's own loop
// dispatches; records the ticks and closes it.
struct MenuWatch {
    const CConsoleDlg* console = nullptr;
    MenuSeen seen;
    bool done = false;
};
MenuWatch* g_watch = nullptr;

void CALLBACK WatchMenu(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_watch == nullptr || g_watch->done) return;
    if (FindOpenMenu() == nullptr) return;
    g_watch->seen.open = true;
    for (const CcItem& item : g_watch->console->CaptionItems())
        g_watch->seen.ticked[item.commandId] =
            (g_watch->console->CaptionButton().GetItemState(static_cast<UINT>(item.commandId), MF_BYCOMMAND) & MF_CHECKED) != 0;
    g_watch->done = true;
    EndMenu();
}

// Presses the CC button as the mouse does and waits for the menu the reply opens.
MenuSeen OpenCcMenu(CConsoleDlg& console)
{
    MenuWatch watch;
    watch.console = &console;
    g_watch = &watch;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchMenu);
    PostMessageA(console.CaptionButton().GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(PumpUntil([&] { return watch.done; })) << "the CC menu did not open";
    KillTimer(nullptr, timer);
    g_watch = nullptr;
    return watch.seen;
}

class ProjectorInProcess : public testing::Test {
protected:
    // A simulator on an address of its own, and the settings pointing at it.
    ProjectorSimulator& Simulator()
    {
        static std::atomic<int> last{0};
        const int octet = ++last;
        ProjectorSimulator::Options options;
        options.address = "127.0.89." + std::to_string(octet);
        m_sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(m_sim->Start());
        const std::uint8_t address[4] = {127, 0, 89, static_cast<std::uint8_t>(octet)};
        std::memcpy(m_app.m_settings.ipAddress, address, 4);
        return *m_sim;
    }
    void TearDown() override
    {
        if (m_sim) m_sim->Stop();
    }

    // All text the projector received on its command connection (the last one).
    std::string Commands() const
    {
        constexpr std::size_t kOpenRequestBytes = 34;
        const auto received = m_sim->Received();
        if (received.empty() || received.back().size() < kOpenRequestBytes) return "";
        return received.back().substr(kOpenRequestBytes);
    }

    TestApp m_app;
    std::unique_ptr<ProjectorSimulator> m_sim;
};

constexpr const char* kConnected = "Beamdesk V1.00 [Connected]";

}  // namespace

// Each press asks for the channel anew: the tick moves to the entry the reply
// names (without regard to case), and no entry keeps it when none matches.
TEST_F(ProjectorInProcess, CaptionDropDownTicksTheReportedChannel)
{
    m_app.m_valueTable = {{"OFF", "00"}, {"CC1", "ab"}, {"CC2", "12"}};
    ProjectorSimulator& sim = Simulator();
    RunConsole(m_app, [&](CConsoleDlg& console) {
        ASSERT_TRUE(PumpUntil([&] { return Title(console) == kConnected; })) << Title(console);
        const struct {
            const char* reported;
            std::map<int, bool> ticked;
        } cases[] = {
            {"AB", {{2000, false}, {2001, true}, {2002, false}}},
            {"12", {{2000, false}, {2001, false}, {2002, true}}},
            {"77", {{2000, false}, {2001, false}, {2002, false}}},
        };
        for (const auto& c : cases) {
            sim.SetCaption(c.reported);
            const MenuSeen seen = OpenCcMenu(console);
            EXPECT_TRUE(seen.open) << c.reported;
            EXPECT_EQ(seen.ticked, c.ticked) << c.reported;
        }
        EXPECT_EQ(Commands(), "CCAP?\rCCAP?\rCCAP?\r");
    });
}

// Video's input follows the layout shown at the moment of the press.
TEST_F(ProjectorInProcess, VideoFollowsTheLayout)
{
    ProjectorSimulator& sim = Simulator();
    RunConsole(m_app, [&](CConsoleDlg& console) {
        ASSERT_TRUE(PumpUntil([&] { return Title(console) == kConnected; })) << Title(console);
        const auto pressVideo = [&] {
            PostMessageA(console.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_VIDEO, BN_CLICKED),
                         reinterpret_cast<LPARAM>(console.GetDlgItem(IDC_VIDEO)));
        };
        pressVideo();
        EXPECT_TRUE(PumpUntil([&] { return Commands() == "SOURCE 41\r"; })) << Commands();
        SendMessageA(console.GetHwnd(), WM_COMMAND, ID_SIMPLE_MODE, 0);
        // A press is dropped while the first one's prompt is still on its
        // way; pressed again only while nothing new has arrived.
        for (int press = 0; press < 10 && Commands() == "SOURCE 41\r"; ++press) {
            pressVideo();
            PumpUntil([&] { return Commands() != "SOURCE 41\r"; }, 3s);
        }
        EXPECT_TRUE(PumpUntil([&] { return Commands() == "SOURCE 41\rSOURCE F2\r"; })) << Commands();
        EXPECT_TRUE(PumpUntil([&] { return sim.Source() == "F2"; }));
    });
}

// The Find dialog inside the test process: how it shows what a search brings
// as it comes (with a finder the test drives), what the console's finder
// lists of simulators on 127.0.92.x, how OK and a double click fill in the
// settings dialog's address and protocol, and that Cancel stops the search
// at once. The finder's interfaces are made up (only the loopback), so no
// search ever leaves this machine: the dialog opens with nothing to search
// and the test types a loopback range.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FindDlg.h"
#include "InProcessConsole.h"
#include "LinkFinder.h"
#include "ProjectorSimulator.h"
#include "SettingsDlg.h"
#include "SimulatorRange.h"
#include "resource.h"

using namespace std::chrono_literals;

namespace {

const std::vector<LocalInterface> kLoopbackOnly{{"lo", 0x7F000001, 8, true, true}};

constexpr std::uint32_t Packed(int a, int b, int c, int d)
{
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(b) << 16 |
           static_cast<std::uint32_t>(c) << 8 | static_cast<std::uint32_t>(d);
}

// Handles this thread's messages until the condition holds; keys for
// `dialog` go through its dialog manager, as in its own loop.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s, HWND dialog = nullptr)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog != nullptr && IsDialogMessageA(dialog, &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void InitControls()
{
    static const bool ready = [] {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    EXPECT_TRUE(ready);
}

std::string TextOf(HWND window)
{
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void Click(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The list's rows, each as "address|name|protocol|password".
std::vector<std::string> ListedRows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_FIND_LIST);
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int item = 0; item < count; ++item) {
        std::string row;
        for (int column = 0; column < 4; ++column) {
            char text[256] = {};
            LVITEMA cell{};
            cell.iSubItem = column;
            cell.pszText = text;
            cell.cchTextMax = sizeof text;
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell));
            if (column > 0) row.push_back('|');
            row.append(text);
        }
        rows.push_back(row);
    }
    return rows;
}

std::string Status(HWND dialog)
{
    return TextOf(GetDlgItem(dialog, IDC_FIND_STATUS));
}

void Select(HWND dialog, int item)
{
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(GetDlgItem(dialog, IDC_FIND_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&state));
}

// What the list sends its dialog for a double click on a row.
void DoubleClick(HWND dialog, int item)
{
    NMITEMACTIVATE activate{};
    activate.hdr.hwndFrom = GetDlgItem(dialog, IDC_FIND_LIST);
    activate.hdr.idFrom = IDC_FIND_LIST;
    activate.hdr.code = NM_DBLCLK;
    activate.iItem = item;
    SendMessageA(dialog, WM_NOTIFY, IDC_FIND_LIST, reinterpret_cast<LPARAM>(&activate));
}

// Types addresses into the field and presses Search.
void Search(HWND dialog, const char* ranges)
{
    SetWindowTextA(GetDlgItem(dialog, IDC_FIND_RANGE), ranges);
    Click(dialog, IDC_FIND_SEARCH);
}

const std::string kNothingToSearch =
    "Type the addresses to search: A.B.C.D/N (N from 22 to 32) or A.B.C.D-A.B.C.E (at most 1024 addresses), several "
    "separated by blanks.";

// A finder the test drives: it records what it is asked and hands its
// listener to the test, which calls it as a search would.
class ScriptedFinder : public ProjectorFinder {
public:
    std::string DefaultRanges() override { return defaults; }
    bool ValidRanges(std::string_view text) override { return text.rfind("127.0.92.", 0) == 0; }
    void Start(std::string_view ranges, FinderListener& l) override
    {
        started.emplace_back(ranges);
        listener = &l;
    }
    void Stop() override { ++stops; }

    std::string defaults;
    std::vector<std::string> started;
    FinderListener* listener = nullptr;
    int stops = 0;
};

FoundProjector Row(int last, int protocol, const char* name, std::optional<bool> password)
{
    return {Packed(127, 0, 92, last), protocol, name, password};
}

// Simulators on 127.0.92.x: native ones (one wants a password), a projector
// speaking both protocols, and a PJLink one of class 1 with a password.
class FindWithSimulators : public testing::Test {
protected:
    void SetUp() override
    {
        InitControls();
        m_native = std::make_unique<SimulatorRange>(SimulatorRange::Addresses("127.0.92.20-127.0.92.21"),
                                                    [](const std::string& a) {
                                                        ProjectorSimulator::Options o;
                                                        if (a == "127.0.92.21") o.password = "secret";
                                                        return o;
                                                    });
        ASSERT_TRUE(m_native->Start());
        for (const auto& options : {Native("127.0.92.30"), Pjlink("127.0.92.30", 2, "", "Hall 30"),
                                    Pjlink("127.0.92.40", 1, "pw4", "Aula")}) {
            m_single.push_back(std::make_unique<ProjectorSimulator>(options));
            ASSERT_TRUE(m_single.back()->Start()) << options.address;
        }
    }

    static ProjectorSimulator::Options Native(const std::string& address)
    {
        ProjectorSimulator::Options o;
        o.address = address;
        return o;
    }
    static ProjectorSimulator::Options Pjlink(const std::string& address, int pjlinkClass, const std::string& password,
                                              const std::string& name)
    {
        ProjectorSimulator::Options o;
        o.protocol = ProjectorSimulator::Protocol::Pjlink;
        o.address = address;
        o.pjlinkClass = pjlinkClass;
        o.password = password;
        o.name = name;
        return o;
    }

    const std::vector<std::string> m_expected{
        "127.0.92.20||Native|None",     "127.0.92.21||Native|Required", "127.0.92.30|Hall 30|Native|None",
        "127.0.92.30|Hall 30|PJLink|None", "127.0.92.40||PJLink|Required",
    };
    LinkFinder m_finder{[] { return kLoopbackOnly; }};
    std::unique_ptr<SimulatorRange> m_native;
    std::vector<std::unique_ptr<ProjectorSimulator>> m_single;
};

// Runs the settings dialog with the console's finder; `drive` runs inside the
// Find dialog once Find... has opened it, and must end it. The settings
// dialog's OK follows once the Find dialog has gone: a nested modal loop
// hands on every message of the thread, so an OK posted earlier would end the
// settings dialog under the Find dialog.
INT_PTR RunSettingsWithFind(TestApp& app, ProjectorFinder& finder, const std::function<void(HWND find)>& drive)
{
    static const std::function<void(HWND)>* pending = nullptr;
    static HWND settings = nullptr;
    static bool driven = false;
    pending = &drive;
    driven = false;
    CSettingsDlg dialog(nullptr, {app.m_settings, &app.m_messages, app.LanguageFont(), &finder});
    const INT_PTR result = RunModalCheck(
        dialog,
        [&] {
            EXPECT_TRUE(IsWindowEnabled(dialog.GetDlgItem(IDC_FIND)));
            settings = dialog.GetHwnd();
            // Thread timers: they fire inside whichever modal loop runs.
            SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
                HWND find = FindWindowA("#32770", "Find Projectors");
                if (find == nullptr || !IsWindowVisible(find)) return;
                KillTimer(nullptr, timer);
                (*pending)(find);
                driven = true;
            });
            SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR timer, DWORD) {
                HWND find = FindWindowA("#32770", "Find Projectors");
                if (!driven || (find != nullptr && IsWindowVisible(find))) return;
                KillTimer(nullptr, timer);
                Click(settings, IDOK);
            });
            Click(dialog.GetHwnd(), IDC_FIND);
        },
        [](HWND) {});
    if (result == IDOK) app.m_settings = dialog.Settings();
    return result;
}

}  // namespace

// Rows appear as the search brings them and change in place as more is
// known; the progress and the status follow; a search starts at once when
// there is something to search.
TEST(FindDialog, ShowsWhatTheSearchBringsAsItComes)
{
    InitControls();
    ScriptedFinder finder;
    finder.defaults = "127.0.92.0/24";
    CFindDlg dialog(nullptr, {&finder, nullptr, nullptr});
    RunModalCheck(
        dialog,
        [&] {
            HWND hwnd = dialog.GetHwnd();
            ASSERT_EQ(finder.started, std::vector<std::string>{"127.0.92.0/24"}) << "searched at once";
            ASSERT_NE(finder.listener, nullptr);
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FIND_RANGE)), "127.0.92.0/24");
            EXPECT_EQ(Status(hwnd), "Searching...");
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hwnd, IDOK))) << "nothing chosen yet";

            // From another thread, as a search calls.
            std::thread([&] {
                finder.listener->Found({Row(9, kProtocolPjlink, "", std::nullopt)});
                finder.listener->Progress(3, 254);
            }).join();
            ASSERT_TRUE(PumpUntil([&] { return ListedRows(hwnd).size() == 1; }));
            EXPECT_EQ(ListedRows(hwnd)[0], "127.0.92.9||PJLink|Unknown");
            EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_FIND_PROGRESS), PBM_GETPOS, 0, 0), 3);
            EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_FIND_PROGRESS), PBM_GETRANGE, FALSE, 0), 254);

            std::thread([&] {
                finder.listener->Found({Row(9, kProtocolNative, "Foyer", true), Row(9, kProtocolPjlink, "Foyer", false)});
                finder.listener->Found({Row(2, kProtocolNative, "", false)});
                finder.listener->Progress(254, 254);
                finder.listener->Finished();
            }).join();
            ASSERT_TRUE(PumpUntil([&] { return Status(hwnd) == "Search finished."; }));
            EXPECT_EQ(ListedRows(hwnd), (std::vector<std::string>{"127.0.92.2||Native|None",
                                                                   "127.0.92.9|Foyer|Native|Required",
                                                                   "127.0.92.9|Foyer|PJLink|None"}));
            EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_FIND_PROGRESS), PBM_GETPOS, 0, 0), 254);

            Select(hwnd, 2);
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hwnd, IDOK)));
        },
        [](HWND hwnd) { Click(hwnd, IDOK); });
    ASSERT_TRUE(dialog.Chosen().has_value());
    EXPECT_EQ(*dialog.Chosen(), Row(9, kProtocolPjlink, "Foyer", false));
    EXPECT_GE(finder.stops, 1) << "the search is stopped before the dialog ends";
}

// Nothing to search by default: the dialog says what to type and waits. A
// range it does not take is not searched; a new search starts the list over.
TEST(FindDialog, WaitsForAddressesItCanSearch)
{
    InitControls();
    ScriptedFinder finder;
    CFindDlg dialog(nullptr, {&finder, nullptr, nullptr});
    const INT_PTR result = RunModalCheck(
        dialog,
        [&] {
            HWND hwnd = dialog.GetHwnd();
            EXPECT_TRUE(finder.started.empty());
            EXPECT_EQ(Status(hwnd), kNothingToSearch);
            EXPECT_EQ(GetFocus(), GetDlgItem(hwnd, IDC_FIND_RANGE));

            Search(hwnd, "10.0.0.0/8");
            PumpUntil([] { return false; }, 100ms);
            EXPECT_TRUE(finder.started.empty()) << "a range the finder does not take";
            EXPECT_EQ(Status(hwnd), kNothingToSearch);

            // Enter in the field searches.
            SetWindowTextA(GetDlgItem(hwnd, IDC_FIND_RANGE), "127.0.92.0/28");
            SetFocus(GetDlgItem(hwnd, IDC_FIND_RANGE));
            PostMessageA(GetDlgItem(hwnd, IDC_FIND_RANGE), WM_KEYDOWN, VK_RETURN, 0x001C0001);
            ASSERT_TRUE(PumpUntil([&] { return finder.started.size() == 1; }, 20s, hwnd));
            EXPECT_EQ(finder.started[0], "127.0.92.0/28");
            finder.listener->Found({Row(3, kProtocolNative, "", false)});
            ASSERT_TRUE(PumpUntil([&] { return ListedRows(hwnd).size() == 1; }));

            Search(hwnd, "127.0.92.16/28");
            ASSERT_TRUE(PumpUntil([&] { return finder.started.size() == 2; }));
            EXPECT_TRUE(ListedRows(hwnd).empty()) << "the list starts over";
            EXPECT_EQ(Status(hwnd), "Searching...");
            EXPECT_GE(finder.stops, 1) << "the search before was stopped";
        },
        [](HWND hwnd) { Click(hwnd, IDCANCEL); });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_FALSE(dialog.Chosen().has_value());
}

TEST(FindDialog, CaptionsFromTheCatalogue)
{
    InitControls();
    TestApp app;
    for (unsigned id : {45u, 46u, 97u, 111u, 112u, 113u, 114u, 115u, 116u, 117u, 120u, 122u})
        app.m_messages.SetText(id, std::string("T").append(std::to_string(id)));
    ScriptedFinder finder;
    finder.defaults = "127.0.92.0/24";
    CFindDlg dialog(nullptr, {&finder, &app.m_messages, nullptr});
    RunModalCheck(
        dialog,
        [&] {
            HWND hwnd = dialog.GetHwnd();
            EXPECT_EQ(TextOf(hwnd), "T111");
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FIND_RANGE_LABEL)), "T112");
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FIND_SEARCH)), "T113");
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDOK)), "T45");
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDCANCEL)), "T46");
            EXPECT_EQ(Status(hwnd), "T122");
            std::vector<std::string> headers;
            for (int column = 0; column < 4; ++column) {
                char text[64] = {};
                LVCOLUMNA header{};
                header.mask = LVCF_TEXT;
                header.pszText = text;
                header.cchTextMax = sizeof text;
                SendMessageA(GetDlgItem(hwnd, IDC_FIND_LIST), LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                             reinterpret_cast<LPARAM>(&header));
                headers.emplace_back(text);
            }
            EXPECT_EQ(headers, (std::vector<std::string>{"T114", "T115", "T97", "T116"}));
            finder.listener->Found({Row(4, kProtocolNative, "", false)});
            ASSERT_TRUE(PumpUntil([&] { return ListedRows(hwnd).size() == 1; }));
            EXPECT_EQ(ListedRows(hwnd)[0], "127.0.92.4||T117|T120");
        },
        [](HWND hwnd) { Click(hwnd, IDCANCEL); });
}

// The console's finder: what it searches by default and how a search's
// record becomes rows.
TEST(FindDialog, TheConsolesFinder)
{
    // Only the default text is asked for here: nothing is searched.
    LinkFinder lan([] {
        return std::vector<LocalInterface>{{"lo", 0x7F000001, 8, true, true},
                                           {"eth0", Packed(192, 168, 7, 9), 16, true, false},
                                           {"wlan0", Packed(10, 1, 2, 3), 24, true, false}};
    });
    EXPECT_EQ(lan.DefaultRanges(), "192.168.7.0/24 10.1.2.0/24");
    EXPECT_EQ(LinkFinder([] { return kLoopbackOnly; }).DefaultRanges(), "");
    EXPECT_TRUE(lan.ValidRanges("127.0.92.0/24, 127.0.93.1-127.0.93.9"));
    EXPECT_FALSE(lan.ValidRanges("127.0.92.0/16"));
    EXPECT_FALSE(lan.ValidRanges(""));

    DiscoveredProjector both{Packed(127, 0, 92, 7), ProtocolAnswer{true, {}, {}, {}},
                             ProtocolAnswer{false, "Hall", 2, "02:00:7f:00:5c:07"}};
    EXPECT_EQ(RowsOf(both), (std::vector<FoundProjector>{Row(7, kProtocolNative, "Hall", true),
                                                        Row(7, kProtocolPjlink, "Hall", false)}));
    DiscoveredProjector heard{Packed(127, 0, 92, 8), std::nullopt, ProtocolAnswer{{}, {}, 2, "02:00:7f:00:5c:08"}};
    EXPECT_EQ(RowsOf(heard), (std::vector<FoundProjector>{Row(8, kProtocolPjlink, "", std::nullopt)}));
}

// The real search of a loopback range lists every protocol each projector
// answered on; OK takes the row chosen.
TEST_F(FindWithSimulators, ListsWhatTheRangeAnswers)
{
    CFindDlg dialog(nullptr, {&m_finder, nullptr, nullptr});
    RunModalCheck(
        dialog,
        [&] {
            HWND hwnd = dialog.GetHwnd();
            EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FIND_RANGE)), "") << "nothing but the loopback to search";
            EXPECT_EQ(Status(hwnd), kNothingToSearch);
            Search(hwnd, "127.0.92.0/24");
            ASSERT_TRUE(PumpUntil([&] { return Status(hwnd) == "Search finished."; })) << Status(hwnd);
            EXPECT_EQ(ListedRows(hwnd), m_expected);
            EXPECT_EQ(SendMessageA(GetDlgItem(hwnd, IDC_FIND_PROGRESS), PBM_GETPOS, 0, 0), 254);
            Select(hwnd, 3);
        },
        [](HWND hwnd) { Click(hwnd, IDOK); });
    ASSERT_TRUE(dialog.Chosen().has_value());
    EXPECT_EQ(dialog.Chosen()->address, Packed(127, 0, 92, 30));
    EXPECT_EQ(dialog.Chosen()->protocol, kProtocolPjlink);

    CFindDlg empty(nullptr, {&m_finder, nullptr, nullptr});
    RunModalCheck(
        empty,
        [&] {
            HWND hwnd = empty.GetHwnd();
            Search(hwnd, "127.0.92.128/28");
            ASSERT_TRUE(PumpUntil([&] { return Status(hwnd) == "No projector found."; })) << Status(hwnd);
            EXPECT_TRUE(ListedRows(hwnd).empty());
        },
        [](HWND hwnd) { Click(hwnd, IDCANCEL); });
}

// Find... in the settings dialog: the row chosen by OK, or by a double
// click, fills in the address and the protocol; the field shows that
// protocol's password. Cancel leaves both as they were.
TEST_F(FindWithSimulators, TheChoiceFillsInTheSettings)
{
    struct Case {
        const char* why;
        std::function<void(HWND)> choose;
        std::uint32_t address;
        int protocol;
    };
    const Case cases[] = {
        {"OK on the PJLink row of 127.0.92.30",
         [](HWND find) {
             Select(find, 3);
             Click(find, IDOK);
         },
         Packed(127, 0, 92, 30), kProtocolPjlink},
        {"a double click on 127.0.92.21", [](HWND find) { DoubleClick(find, 1); }, Packed(127, 0, 92, 21),
         kProtocolNative},
        {"Cancel", [](HWND find) { Click(find, IDCANCEL); }, Packed(10, 20, 30, 40), kProtocolNative},
    };
    for (const Case& c : cases) {
        TestApp app;
        const std::uint8_t before[4] = {10, 20, 30, 40};
        std::memcpy(app.m_settings.ipAddress, before, 4);
        app.m_settings.protocol = kProtocolNative;
        SetPjlinkPasswordText(app.m_settings, "pjpass");
        bool driven = false;
        const INT_PTR result = RunSettingsWithFind(app, m_finder, [&](HWND find) {
            driven = true;
            Search(find, "127.0.92.0/24");
            ASSERT_TRUE(PumpUntil([&] { return Status(find) == "Search finished."; })) << c.why;
            ASSERT_EQ(ListedRows(find), m_expected) << c.why;
            c.choose(find);
        });
        EXPECT_TRUE(driven) << c.why;
        EXPECT_EQ(result, IDOK) << c.why;
        std::uint8_t octets[4];
        std::memcpy(octets, app.m_settings.ipAddress, 4);
        EXPECT_EQ(Packed(octets[0], octets[1], octets[2], octets[3]), c.address) << c.why;
        EXPECT_EQ(app.m_settings.protocol, c.protocol) << c.why;
        EXPECT_EQ(PjlinkPasswordText(app.m_settings), "pjpass") << c.why << ": the other password is kept";
    }
}

// Cancel during a search ends the dialog, and the search with it, at once:
// long before a projector that never greets would have been given up.
TEST_F(FindWithSimulators, CancelStopsTheSearchAtOnce)
{
    ProjectorSimulator::Options silent;
    silent.protocol = ProjectorSimulator::Protocol::Pjlink;
    silent.address = "127.0.92.50";
    ProjectorSimulator mute(silent);
    ASSERT_TRUE(mute.Start());
    mute.SetNoGreeting(true);  // the connection is held until the search gives it up (2800 ms)

    CFindDlg dialog(nullptr, {&m_finder, nullptr, nullptr});
    std::chrono::steady_clock::time_point cancelled;
    RunModalCheck(
        dialog,
        [&] {
            HWND hwnd = dialog.GetHwnd();
            Search(hwnd, "127.0.92.48/28");
            ASSERT_TRUE(PumpUntil([&] { return mute.OpenConnectionCount() == 1; }));
            EXPECT_EQ(Status(hwnd), "Searching...");
        },
        [&](HWND hwnd) {
            cancelled = std::chrono::steady_clock::now();
            Click(hwnd, IDCANCEL);
        });
    const auto took = std::chrono::steady_clock::now() - cancelled;
    EXPECT_LT(took, 1500ms) << "the search looks at its stop flag every 50 ms";
    EXPECT_TRUE(ProjectorSimulator::WaitUntil([&] { return mute.OpenConnectionCount() == 0; }, 500ms))
        << "its connection closed with it";
}

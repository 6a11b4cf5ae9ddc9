// The real program against the projector simulator: the bytes on the wire,
// the handshake's decisions, every button's command, the toggles' follow-ups,
// time-outs, a closing peer and a projector that talks nonsense.
#include "LinkFixture.h"

#include <commctrl.h>

#include "SettingsStore.h"
#include "StartupRegistration.h"
#include "resource.h"

using namespace std::string_literals;

TEST_F(LinkTest, HandshakeBytesOnTwoConnections)
{
    const std::string header = "QRM/TX.net\x10"s;
    for (const std::string& password : {""s, "sesame"s, "0123456789abcdef"s}) {
        auto& sim = Simulator(password, password);
        StartConnected();
        const auto received = sim.Received();
        ASSERT_EQ(received.size(), 2u) << password;
        EXPECT_EQ(received[0], header + "\x02\0\0\0\0"s) << password;
        std::string field = password + std::string(16 - password.size(), '\0');
        EXPECT_EQ(received[1], header + "\x03\0\0\0\x01\x01\x01"s + field) << password;
        TearDown();
    }
}

TEST_F(LinkTest, PasswordDisagreementIsReportedWithoutAnOpenRequest)
{
    const struct {
        const char* projector;
        const char* ours;
    } cases[] = {{"", "secret"}, {"secret", ""}};
    for (const auto& c : cases) {
        auto& sim = Simulator(c.projector, c.ours);
        Start();
        const Prompt prompt = m_program->WaitForPrompt();
        EXPECT_EQ(prompt.text, kWrongPassword) << c.ours;
        EXPECT_EQ(sim.ConnectionCount(), 1) << c.ours;
        PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
        HWND console = m_program->WaitForConsole();
        EXPECT_EQ(WindowText(console), kDisconnected);
        TearDown();
    }
}

TEST_F(LinkTest, UnansweredOrRefusedConnectionsReportNoAnswer)
{
    struct Case {
        const char* why;
        std::function<void(ProjectorSimulator&)> fault;
        bool fullWait;  // reported only once the 2000 ms are over
    } const cases[] = {
        {"no handshake reply", [](ProjectorSimulator& s) { s.SetSilentHandshake(true); }, true},
        {"wrong magic", [](ProjectorSimulator& s) { s.SetWrongMagic(true); }, true},
        {"refused open request", [](ProjectorSimulator& s) { s.SetOpenStatus(0x45); }, true},
        {"connection refused", [](ProjectorSimulator& s) { s.SetRefuseConnections(true); }, false},
        {"connect that hangs", [](ProjectorSimulator& s) { s.SetHangConnects(true); }, true},
    };
    for (const Case& c : cases) {
        auto& sim = Simulator();
        c.fault(sim);
        const auto start = std::chrono::steady_clock::now();
        Start();
        const Prompt prompt = m_program->WaitForPrompt();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(prompt.text, kNoAnswer) << c.why;
        if (c.fullWait) {
            EXPECT_GE(elapsed, 1900ms) << c.why;
        }
        PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(WindowText(m_program->WaitForConsole()), kDisconnected) << c.why;
        TearDown();
    }
}

TEST_F(LinkTest, EveryButtonSendsItsCommand)
{
    Simulator();
    StartConnected();
    const struct {
        int id;
        const char* command;
    } buttons[] = {
        {IDC_COMPUTER1, "SOURCE 10\r"}, {IDC_COMPUTER2, "SOURCE 20\r"}, {IDC_COMPUTER, "SOURCE F1\r"},
        {IDC_QUILLAN, "SOURCE 50\r"},   {IDC_VIDEO, "SOURCE 41\r"},     {IDC_SVIDEO, "SOURCE 42\r"},
        {IDC_VOLUME_DOWN, "KEY 56\r"},  {IDC_VOLUME_UP, "KEY 57\r"},
    };
    std::string expected;
    for (const auto& b : buttons) {
        EXPECT_TRUE(PressUntilSent(b.id));
        expected += b.command;
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
    }
    EXPECT_EQ(m_sim->Source(), "42");
}

TEST_F(LinkTest, TogglesSendTheOppositeAtThePrompt)
{
    auto& sim = Simulator();
    StartConnected();
    const struct {
        int id;
        std::function<void()> state;
        std::string sent;  // query, then the follow-up (if any)
    } cases[] = {
        {IDC_AVMUTE, [&] { sim.SetMute(true); }, "MUTE?\rMUTE OFF\r"},
        {IDC_AVMUTE, [&] { sim.SetMute(false); }, "MUTE?\rMUTE ON\r"},  // "MUTE=OFF" matches "MUTE=OF"
        {IDC_FREEZE, [&] { sim.SetFreeze(false); }, "FREEZE?\rFREEZE ON\r"},
        {IDC_FREEZE, [&] { sim.SetFreeze(true); }, "FREEZE?\rFREEZE OFF\r"},
        {IDC_POWER, [&] { sim.SetPower("01"); }, "PWSTATUS?\rIMPWR ON\r"},
        {IDC_POWER, [&] { sim.SetPower("05"); }, "PWSTATUS?\rIMPWR ON\r"},
        {IDC_POWER, [&] { sim.SetPower("04"); }, "PWSTATUS?\r"},
        {IDC_POWER, [&] { sim.SetPower("02"); }, "PWSTATUS?\r"},
    };
    std::string expected;
    for (const auto& c : cases) {
        c.state();
        EXPECT_TRUE(PressUntilSent(c.id));
        expected += c.sent;
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
        // A plain command after it proves nothing more was queued.
        EXPECT_TRUE(PressUntilSent(IDC_VOLUME_UP));
        expected += "KEY 57\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
    }
}

TEST_F(LinkTest, PowerOffOnlyAfterYes)
{
    auto& sim = Simulator();
    StartConnected();
    std::string expected;
    for (const int answer : {IDNO, IDYES}) {
        sim.SetPower("03");
        EXPECT_TRUE(PressUntilSent(IDC_POWER));
        const Prompt question = m_program->WaitForPrompt();
        EXPECT_EQ(question.text, "Power off?");
        EXPECT_EQ(question.caption, "Beamdesk V1.00");
        EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(IconShown(question), PromptIcon::None);
        PostMessageA(question.hwnd, WM_COMMAND, answer, 0);
        ASSERT_TRUE(m_program->WaitForNoPrompt());
        expected += "PWSTATUS?\r";
        if (answer == IDYES) expected += "IMPWR OFF\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
        EXPECT_TRUE(PressUntilSent(IDC_VOLUME_DOWN));
        expected += "KEY 56\r";
        EXPECT_TRUE(WaitForCommands(expected)) << Commands();
    }
    EXPECT_TRUE(WaitFor([&] { return sim.Power() == "01"; }));
}

TEST_F(LinkTest, PressWhileBusyIsDroppedAndTimeOutReopens)
{
    auto& sim = Simulator();
    m_folder.WriteFile("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\n[TIMEOUT]\r\nCMDTimeout=1500\r\n");
    StartConnected();
    sim.SetSilentCommands(true);
    Press(IDC_VOLUME_UP);
    Press(IDC_VOLUME_DOWN);  // the first is still unanswered: dropped
    const Prompt timeout = m_program->WaitForPrompt();
    EXPECT_EQ(timeout.text, kNoAnswer);
    EXPECT_EQ(Commands(), "KEY 57\r");
    PostMessageA(timeout.hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(m_program->WaitForNoPrompt());
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kDisconnected; }));

    // The next press makes the whole handshake again on two new connections.
    sim.SetSilentCommands(false);
    Press(IDC_VOLUME_DOWN);
    EXPECT_TRUE(WaitFor([&] { return sim.ConnectionCount() == 4; }));
    EXPECT_TRUE(WaitForCommands("KEY 56\r")) << Commands();
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kConnected; }));
}

TEST_F(LinkTest, KeepAliveOnlyWhenIdleAndNeverOpens)
{
    auto& sim = Simulator();
    StartConnected();
    constexpr WPARAM kKeepAliveTimer = 9;
    PostMessageA(m_program->Console(), WM_TIMER, kKeepAliveTimer, 0);
    EXPECT_TRUE(WaitForCommands(":\r"));

    // With the link closed by the projector, the keep-alive opens nothing.
    sim.CloseAllConnections();
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kDisconnected; }));
    PostMessageA(m_program->Console(), WM_TIMER, kKeepAliveTimer, 0);
    // A press after it: the connection count shows what the keep-alive did.
    Press(IDC_VOLUME_UP);
    EXPECT_TRUE(WaitForCommands("KEY 57\r")) << Commands();
    EXPECT_EQ(sim.ConnectionCount(), 4);  // two for the first session, two for the press
}

// Which entry carries the tick is read in-process (ProjectorInProcessTest.cpp).
TEST_F(LinkTest, CaptionDropDownSendsTheChosenChannel)
{
    auto& sim = Simulator();
    m_folder.WriteFile("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\nCC1=ab\r\nLong=" + std::string(259, 'L') + "\r\n");
    StartConnected();
    sim.SetCaption("AB");  // matches "ab" without regard to case
    PostMessageA(GetDlgItem(m_program->Console(), IDC_CC), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        menu = FindWindowA("#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    }));
    EXPECT_EQ(Commands(), "CCAP?\r");
    // Choose the third entry: its 259-character value goes out whole.
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitForCommands("CCAP?\rCCAP " + std::string(259, 'L') + "\r")) << Commands().size();
    EXPECT_TRUE(WaitFor([&] { return sim.Caption() == std::string(259, 'L'); }));

    // With the link gone, the CC press opens the session itself (the probe
    // worker's close arrives after the query went out); an unmatched reply
    // still opens the drop-down, without a tick.
    sim.CloseAllConnections();
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kDisconnected; }));
    sim.SetCaption("77");
    PostMessageA(GetDlgItem(m_program->Console(), IDC_CC), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(WaitFor([&] {
        menu = FindWindowA("#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    }));
    EXPECT_EQ(Commands(), "CCAP?\r");
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(LinkTest, PeerCloseWhileIdleAndNonsenseFromTheProjector)
{
    auto& sim = Simulator();
    m_folder.WriteFile("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\n[TIMEOUT]\r\nCMDTimeout=2000\r\n");
    StartConnected();
    sim.CloseAllConnections();
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kDisconnected; }));
    Press(IDC_COMPUTER1);
    EXPECT_TRUE(WaitForCommands("SOURCE 10\r"));
    EXPECT_EQ(sim.ConnectionCount(), 4);

    // Garbage, NUL and 0xFF bytes and a 3000-byte line before every reply.
    sim.SetGarbageBeforeReplies(ProjectorSimulator::SampleGarbage(3000));
    EXPECT_TRUE(PressUntilSent(IDC_AVMUTE));
    EXPECT_TRUE(WaitFor([&] { return Commands().find("MUTE?\r") != std::string::npos; }));
    sim.ClearFaults();
    // However the garbage arrived (read as lines, or as a chunk that starts
    // with a NUL and is dropped whole, which leaves the command unanswered
    // until its time-out), the console comes back and sends the next press.
    const std::string before = Commands();
    int polls = 0;
    EXPECT_TRUE(WaitFor([&] {
        for (const Prompt& p : m_program->Prompts()) PostMessageA(p.hwnd, WM_COMMAND, IDOK, 0);
        if (polls++ % 20 == 0) Press(IDC_VOLUME_UP);  // dropped while the console is busy
        const std::string now = Commands();
        const std::size_t from = now.compare(0, before.size(), before) == 0 ? before.size() : 0;
        return now.find("KEY 57\r", from) != std::string::npos;
    }, 60s));
    EXPECT_FALSE(m_program->HasExited());
    EXPECT_TRUE(WaitFor([&] { return WindowText(m_program->Console()) == kConnected; }));
}

// A projector that keeps talking while the console shuts the link down: the
// worker is inside a synchronous delivery to the console just as the console
// waits for the worker. Neither may wait for the other forever.
TEST_F(LinkTest, ClosingWhileRepliesStreamNeverHangs)
{
    for (int round = 0; round < 5; ++round) {
        auto& sim = Simulator();
        std::string lines;
        for (int i = 0; i < 4000; ++i) lines += "LINE" + std::to_string(i) + "\r";
        StartConnected();
        sim.SetGarbageBeforeReplies(lines);
        Press(IDC_AVMUTE);
        ASSERT_TRUE(WaitFor([&] { return Commands().find("MUTE?\r") != std::string::npos; }));
        PostMessageA(m_program->Console(), WM_CLOSE, 0, 0);
        EXPECT_NE(m_program->WaitForExit(30s), static_cast<DWORD>(STILL_ACTIVE)) << "round " << round;
        TearDown();
    }
}

// OK stores the new address and password, lays out, and reconnects to the
// new projector; Cancel reconnects to the old one; 0.0.0.0 stays offline.
TEST_F(LinkTest, SettingsCommandReconnects)
{
    auto& first = Simulator();
    HWND console = StartConnected();

    ProjectorSimulator::Options options;
    options.address = NextAddress(m_octet);
    options.password = "0123456789abcdef";
    ProjectorSimulator second(options);
    ASSERT_TRUE(second.Start());

    // Cancel: the link is closed while the dialog is open, then reopened.
    PostMessageA(console, WM_COMMAND, ID_SETTINGS, 0);
    HWND dialog = m_program->WaitForDialog("Settings");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kDisconnected; }));
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitFor([&] { return first.ConnectionCount() == 4 && WindowText(console) == kConnected; }));

    // OK with the second projector's address and its 16-character password.
    PostMessageA(console, WM_COMMAND, ID_SETTINGS, 0);
    dialog = m_program->WaitForDialog("Settings");
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_IP_ADDRESS), IPM_SETADDRESS, 0, MAKEIPADDRESS(127, 0, 88, m_octet));
    SendMessageA(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("0123456789abcdef"));
    SendMessageA(GetDlgItem(dialog, IDC_START_UP), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageA(GetDlgItem(dialog, IDC_SHOW_ADVANCE_COMPUTER1), BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(console, IDC_COMPUTER1)));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return second.ConnectionCount() == 2 && WindowText(console) == kConnected; }));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(console, IDC_COMPUTER1)));  // laid out again
    const auto received = second.Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].substr(18), "0123456789abcdef");
    EXPECT_EQ(first.ConnectionCount(), 4);

    AppSettings stored{};
    ResetSettings(stored);
    ASSERT_EQ(LoadSettings(stored), 1);
    EXPECT_EQ(stored.ipAddress[3], m_octet);
    EXPECT_EQ(PasswordText(stored), "0123456789abcdef");
    EXPECT_EQ(stored.startUp, 1);
    EXPECT_EQ(stored.showAdvanceComputer1, 0);
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName).data.substr(0, 1), "\"");

    // OK with 0.0.0.0: no projector, the console stays offline.
    PostMessageA(console, WM_COMMAND, ID_SETTINGS, 0);
    dialog = m_program->WaitForDialog("Settings");
    ASSERT_NE(dialog, nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_IP_ADDRESS), IPM_CLEARADDRESS, 0, 0);  // blank reads as 0.0.0.0
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] {
        AppSettings s{};
        ResetSettings(s);
        LoadSettings(s);
        return s.ipAddress[0] == 0 && s.ipAddress[3] == 0;
    }));
    EXPECT_EQ(m_program->Barrier().size(), 1u);  // no prompt, nothing pending
    EXPECT_EQ(WindowText(console), kDisconnected);
    EXPECT_EQ(second.ConnectionCount(), 2);
    EXPECT_EQ(first.ConnectionCount(), 4);
}

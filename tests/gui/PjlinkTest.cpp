// The real program against the projector simulator speaking PJLink: the
// start-up with and without a password, every button's bytes, the prompts
// (wrong password, no greeting, a projector failure), connections the
// projector or Beamdesk closes between commands, a class-1 projector, the
// power-off question across a reconnection, and the CC button hidden.
#include "LinkFixture.h"

#include "resource.h"

using namespace std::string_literals;

namespace {

const std::string kClassQuery = "%1CLSS ?\r";

bool IsLowerHex(const std::string& text)
{
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

class PjlinkTest : public LinkTest {
protected:
    // A PJLink simulator on a fresh address, and the settings choosing PJLink
    // with `ourPassword` (the native password is set too, and must never go out).
    ProjectorSimulator& PjlinkSimulator(const std::string& projectorPassword = "", const std::string& ourPassword = "",
                                        int projectorClass = 2,
                                        const std::function<void(AppSettings&)>& edit = [](AppSettings&) {})
    {
        ProjectorSimulator::Options options;
        options.protocol = ProjectorSimulator::Protocol::Pjlink;
        options.address = NextAddress(m_octet);
        options.password = projectorPassword;
        options.pjlinkClass = projectorClass;
        options.warmUpMs = 200;
        options.coolDownMs = 200;
        m_sim = std::make_unique<ProjectorSimulator>(options);
        EXPECT_TRUE(m_sim->Start());
        AppSettings settings{};
        ResetSettings(settings);
        const std::uint8_t ip[4] = {127, 0, 88, static_cast<std::uint8_t>(m_octet)};
        std::memcpy(settings.ipAddress, ip, 4);
        settings.protocol = kProtocolPjlink;
        SetPjlinkPasswordText(settings, ourPassword);
        SetPasswordText(settings, "NATIVEONLY");
        edit(settings);
        SaveSettings(settings);
        return *m_sim;
    }

    // Everything the projector received, on every connection, after the
    // start-up's class question (PJLink connections are short).
    std::string Commands() const override
    {
        std::string all;
        for (const std::string& bytes : m_sim->Received()) all += bytes;
        const std::size_t at = all.find(kClassQuery);
        return at == std::string::npos ? all : all.substr(at + kClassQuery.size());
    }
    // Nothing but the already-running notice comes up: no prompt was open
    // and every posted press has been handled.
    void ExpectNoPrompt() { EXPECT_EQ(m_program->Barrier().size(), 1u); }
};

TEST_F(PjlinkTest, StartUpAsksTheClassWithTheDigestWhenProtected)
{
    for (const std::string& password : {""s, "JBMIAProjectorLink"s}) {
        auto& sim = PjlinkSimulator(password, password);
        StartConnected();
        const auto received = sim.Received();
        ASSERT_EQ(received.size(), 1u) << password;
        const std::string first = received[0];
        ASSERT_GE(first.size(), kClassQuery.size()) << password;
        EXPECT_EQ(first.substr(first.size() - kClassQuery.size()), kClassQuery) << password;
        const std::string digest = first.substr(0, first.size() - kClassQuery.size());
        EXPECT_EQ(digest.size(), password.empty() ? 0u : 32u) << password;
        EXPECT_TRUE(IsLowerHex(digest)) << digest;
        EXPECT_EQ(sim.ConnectionCount(), 1) << password;  // no probe connection
        ExpectNoPrompt();
        TearDown();
    }
}

TEST_F(PjlinkTest, EveryButtonSendsItsCommand)
{
    auto& sim = PjlinkSimulator();
    m_folder.WriteFile("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\n[PJLINK]\r\nComputer2=31\r\nSVideo=6A\r\nVideo=9\r\n");
    StartConnected();
    struct Case {
        int id;
        std::function<void()> state;
        std::string sent;
    } const cases[] = {
        {IDC_POWER, [&] { sim.SetPower("0"); }, "%1POWR ?\r%1POWR 1\r"},
        {IDC_POWER, [&] { sim.SetPower("2"); }, "%1POWR ?\r"},
        {IDC_AVMUTE, [&] { sim.SetAvMute("31"); }, "%1AVMT ?\r%1AVMT 30\r"},
        {IDC_AVMUTE, [&] { sim.SetAvMute("11"); }, "%1AVMT ?\r%1AVMT 30\r"},
        {IDC_AVMUTE, [&] { sim.SetAvMute("30"); }, "%1AVMT ?\r%1AVMT 31\r"},
        {IDC_FREEZE, [&] { sim.SetFreeze(true); }, "%2FREZ ?\r%2FREZ 0\r"},
        {IDC_FREEZE, [&] { sim.SetFreeze(false); }, "%2FREZ ?\r%2FREZ 1\r"},
        {IDC_COMPUTER1, [] {}, "%1INPT 11\r"},
        {IDC_COMPUTER2, [] {}, "%1INPT 31\r"},  // from [PJLINK]
        {IDC_COMPUTER, [] {}, "%1INPT 11\r"},
        {IDC_QUILLAN, [] {}, "%1INPT 51\r"},
        {IDC_VIDEO, [] {}, "%1INPT 21\r"},      // "9" is no input code: the default
        {IDC_SVIDEO, [] {}, "%2INPT 6A\r"},     // an internal input: class 2
        {IDC_VOLUME_DOWN, [] {}, "%2SVOL 0\r"},
        {IDC_VOLUME_UP, [] {}, "%2SVOL 1\r"},
    };
    std::string expected;
    for (const Case& c : cases) {
        c.state();
        EXPECT_TRUE(PressUntilSent(c.id)) << c.sent;
        expected += c.sent;
        EXPECT_TRUE(WaitForCommands(expected)) << ProjectorSimulator::Escape(Commands());
    }
    EXPECT_EQ(sim.ConnectionCount(), 1);  // one connection while there is always something to do
    ExpectNoPrompt();
}

TEST_F(PjlinkTest, PasswordAndGreetingProblemsArePrompted)
{
    struct Case {
        const char* why;
        std::string projector;
        std::string ours;
        std::function<void(ProjectorSimulator&)> fault;
        std::string prompt;
    } const cases[] = {
        {"a wrong password", "right1", "wrong2", [](ProjectorSimulator&) {}, kWrongPassword},
        {"a projector that wants a password when none is set", "secret", "", [](ProjectorSimulator&) {},
         kWrongPassword},
        {"no greeting", "", "", [](ProjectorSimulator& s) { s.SetNoGreeting(true); }, kNoAnswer},
        {"greeting, then silence", "", "", [](ProjectorSimulator& s) { s.SetSilentCommands(true); }, kNoAnswer},
        {"no projector", "", "", [](ProjectorSimulator& s) { s.SetRefuseConnections(true); }, kNoAnswer},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator(c.projector, c.ours);
        c.fault(sim);
        Start();
        const Prompt prompt = m_program->WaitForPrompt();
        EXPECT_EQ(prompt.text, c.prompt) << c.why;
        EXPECT_TRUE(ShowsIcon(prompt, PromptIcon::Stop)) << c.why;
        PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(WindowText(m_program->WaitForConsole()), kDisconnected) << c.why;
        for (const std::string& bytes : sim.Received())
            EXPECT_EQ(bytes.find("NATIVEONLY"), std::string::npos) << c.why;
        TearDown();
    }
}

// The projector reports ERR4 to the power question (sent in front of its
// real reply): the console says the projector failed and goes on.
TEST_F(PjlinkTest, ProjectorFailureIsPrompted)
{
    auto& sim = PjlinkSimulator();
    StartConnected();
    sim.SetGarbageBeforeReplies("%1POWR=ERR4\r");
    Press(IDC_POWER);
    const Prompt prompt = m_program->WaitForPrompt();
    EXPECT_EQ(prompt.text, "The projector reports a failure. ");
    PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(m_program->WaitForNoPrompt());
    sim.ClearFaults();
    EXPECT_TRUE(PressUntilSent(IDC_COMPUTER1));
    EXPECT_TRUE(WaitForCommands("%1POWR ?\r%1INPT 11\r")) << ProjectorSimulator::Escape(Commands());
}

// The projector refuses the digest in front of a command, not the opening's:
// it says so before its reply, or its password was changed while Beamdesk
// runs (met on the next connection, once Beamdesk has closed the idle one
// itself, so no press can race the close). The console says the password
// does not match, and once the projector takes it again the next press gets
// through.
TEST_F(PjlinkTest, PasswordRefusedForACommandIsPrompted)
{
    auto& sim = PjlinkSimulator("pass1", "pass1");
    HWND console = StartConnected();
    const struct {
        const char* why;
        std::function<void()> fault;
        bool newConnection;
    } cases[] = {
        {"a refusal before the reply", [&] { sim.SetGarbageBeforeReplies("PJLINK ERRA\r"); }, false},
        {"the projector's password changed", [&] { sim.SetPassword("other2"); }, true},
    };
    for (const auto& c : cases) {
        c.fault();
        if (c.newConnection) {
            ASSERT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 0; }, 60s)) << c.why;
        }
        const auto connections = sim.ConnectionCount();
        Press(IDC_COMPUTER1);
        const Prompt prompt = m_program->WaitForPrompt();
        EXPECT_EQ(prompt.text, kWrongPassword) << c.why;
        EXPECT_EQ(sim.ConnectionCount(), connections + (c.newConnection ? 1 : 0)) << c.why;
        PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(m_program->WaitForNoPrompt()) << c.why;
        sim.ClearFaults();
        EXPECT_TRUE(PressUntilSent(IDC_QUILLAN)) << c.why;
        EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kConnected; })) << c.why << ": " << WindowText(console);
    }
    ExpectNoPrompt();
}

// Connections are short: the projector's idle close, and Beamdesk's own
// after 20 s, leave the console "Connected", and the next press reconnects
// without a prompt and without asking the class again.
TEST_F(PjlinkTest, ClosesBetweenCommandsAreNoFailure)
{
    auto& sim = PjlinkSimulator("pass1", "pass1");
    StartConnected();
    HWND console = m_program->Console();

    sim.SetIdleLimit(500ms);  // the projector closes idle connections itself
    sim.CloseAllConnections();
    ASSERT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 0; }));
    EXPECT_TRUE(PressUntilSent(IDC_COMPUTER2));
    EXPECT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 0; }));  // closed again at its limit
    EXPECT_TRUE(PressUntilSent(IDC_QUILLAN));
    const auto received = sim.Received();
    ASSERT_EQ(received.size(), 3u);
    // Each new connection's first line carries the digest; no class question.
    EXPECT_EQ(received[1].size(), 32u + std::string("%1INPT 12\r").size());
    EXPECT_EQ(received[1].substr(32), "%1INPT 12\r");
    EXPECT_EQ(received[2].substr(32), "%1INPT 51\r");
    EXPECT_EQ(WindowText(console), kConnected);

    // With the projector patient, Beamdesk closes the idle connection after 20 s.
    sim.SetIdleLimit(0ms);
    ASSERT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 0; }, 60s));
    EXPECT_EQ(WindowText(console), kConnected);
    ExpectNoPrompt();
}

TEST_F(PjlinkTest, ClassOneProjectorGetsNoClassTwoCommand)
{
    PjlinkSimulator("", "", 1);
    StartConnected();
    for (int id : {IDC_FREEZE, IDC_VOLUME_UP, IDC_VOLUME_DOWN}) Press(id);
    EXPECT_TRUE(PressUntilSent(IDC_COMPUTER1));
    EXPECT_TRUE(WaitForCommands("%1INPT 11\r")) << ProjectorSimulator::Escape(Commands());
    ExpectNoPrompt();
}

// "Power off?" stays on screen while the projector drops the connection; Yes
// still switches it off, on a new connection.
TEST_F(PjlinkTest, PowerOffAfterTheConnectionWent)
{
    auto& sim = PjlinkSimulator();
    StartConnected();
    sim.SetPower("1");
    for (const int answer : {IDNO, IDYES}) {
        Press(IDC_POWER);
        const Prompt question = m_program->WaitForPrompt();
        EXPECT_EQ(question.text, "Power off?");
        sim.CloseAllConnections();
        ASSERT_TRUE(WaitFor([&] { return sim.OpenConnectionCount() == 0; }));
        PostMessageA(question.hwnd, WM_COMMAND, answer, 0);
        ASSERT_TRUE(m_program->WaitForNoPrompt());
    }
    EXPECT_TRUE(WaitForCommands("%1POWR ?\r%1POWR ?\r%1POWR 0\r")) << ProjectorSimulator::Escape(Commands());
    EXPECT_TRUE(WaitFor([&] { return sim.Power() == "0"; }));
    EXPECT_EQ(sim.ConnectionCount(), 3);
}

TEST_F(PjlinkTest, CaptionButtonIsHiddenWhateverItsFlags)
{
    PjlinkSimulator("", "", 2, [](AppSettings& s) {
        s.showAdvanceCC = 1;
        s.showSimpleCC = 1;
    });
    HWND console = StartConnected();
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(console, IDC_CC)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(console, IDC_FREEZE)));
    PostMessageA(console, WM_COMMAND, ID_SIMPLE_MODE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(GetDlgItem(console, IDC_COMPUTER)); }));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(console, IDC_CC)));
}

// The real program against a projector that misbehaves: it hangs up after a
// reply's value, cuts its replies anywhere, ends a session while a keep-alive
// is out, repeats an answer, talks before it is asked, closes at once, or
// refuses the password. For each: the right prompt or none, nothing sent that
// no press asked for, and the next press opens the link again.
#include <gtest/gtest.h>

#include "LinkFixture.h"
#include "resource.h"

namespace {

using Close = ProjectorSimulator::CloseMoment;
constexpr WPARAM kKeepAliveTimer = 9;

}  // namespace

// A query answered with its value but no prompt, then the projector hangs up:
// the toggle's follow-up dies with that session instead of riding along with
// the next, unrelated press.
TEST_F(LinkTest, FollowUpDiesWithItsSession)
{
    auto& sim = Simulator();
    HWND console = StartConnected();
    sim.SetMute(true);
    sim.SetCloseAt(Close::AfterReplyValue);
    Press(IDC_AVMUTE);
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kDisconnected; }));
    EXPECT_EQ(Commands(), "MUTE?\r");

    sim.SetCloseAt(Close::Never);
    Press(IDC_VIDEO);
    EXPECT_TRUE(WaitForCommands("SOURCE 41\r")) << Commands();
    EXPECT_TRUE(PressUntilSent(IDC_VOLUME_UP));
    EXPECT_TRUE(WaitForCommands("SOURCE 41\rKEY 57\r")) << Commands();
    EXPECT_TRUE(sim.Mute());
    EXPECT_TRUE(m_program->Prompts().empty());
}

// Replies that arrive a byte at a time still pick the toggle's follow-up.
TEST_F(LinkTest, RepliesCutAnywhereStillToggle)
{
    auto& sim = Simulator();
    StartConnected();
    sim.SetTrickleReplies(true);
    sim.SetMute(false);
    Press(IDC_AVMUTE);
    EXPECT_TRUE(WaitForCommands("MUTE?\rMUTE ON\r")) << Commands();
    EXPECT_TRUE(WaitFor([&] { return sim.Mute(); }));
    sim.SetPower("01");
    EXPECT_TRUE(PressUntilSent(IDC_POWER));
    EXPECT_TRUE(WaitForCommands("MUTE?\rMUTE ON\rPWSTATUS?\rIMPWR ON\r")) << Commands();
    EXPECT_TRUE(m_program->Prompts().empty());
}

// The projector ends the session while the keep-alive is unanswered: nobody
// pressed anything, so nothing is reported when its time-out runs out.
TEST_F(LinkTest, KeepAliveEndsSilentlyWhenTheProjectorHangsUp)
{
    auto& sim = Simulator();
    m_folder.WriteFile("Beamdesk.ini", "[VALUE]\r\nOFF=00\r\n[TIMEOUT]\r\nCMDTimeout=1500\r\n");
    HWND console = StartConnected();
    sim.SetSilentCommands(true);
    PostMessageA(console, WM_TIMER, kKeepAliveTimer, 0);
    ASSERT_TRUE(WaitForCommands(":\r"));
    sim.CloseAllConnections();
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kDisconnected; }));
    // Well past the 1500 ms time-out, no prompt may have come.
    EXPECT_FALSE(WaitFor([&] { return !m_program->Prompts().empty(); }, 5s));

    sim.SetSilentCommands(false);
    Press(IDC_VOLUME_DOWN);
    EXPECT_TRUE(WaitForCommands("KEY 56\r")) << Commands();
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kConnected; }));
}

// A projector that repeats "PWSTATUS=03" and its prompt gets one "Power off?"
// box, not one inside another; Yes sends the command once.
TEST_F(LinkTest, RepeatedPowerAnswersAskOnce)
{
    auto& sim = Simulator();
    StartConnected();
    sim.SetPower("03");
    sim.SetGarbageBeforeReplies("PWSTATUS=03\r:\rPWSTATUS=03\r:\rPWSTATUS=03\r:\r");
    Press(IDC_POWER);
    const Prompt question = m_program->WaitForPrompt();
    ASSERT_EQ(question.text, "Power off?");
    // Everything the projector sent has been handled once the notice shows.
    int questions = 0;
    for (const Prompt& p : m_program->Barrier()) questions += p.text == "Power off?" ? 1 : 0;
    EXPECT_EQ(questions, 1);

    sim.SetGarbageBeforeReplies("");
    PostMessageA(question.hwnd, WM_COMMAND, IDYES, 0);
    ASSERT_TRUE(m_program->WaitForNoPrompt());
    EXPECT_TRUE(WaitForCommands("PWSTATUS?\rIMPWR OFF\r")) << Commands();
    EXPECT_TRUE(PressUntilSent(IDC_VOLUME_UP));
    EXPECT_TRUE(WaitForCommands("PWSTATUS?\rIMPWR OFF\rKEY 57\r")) << Commands();
}

// A projector that greets every connection before it is asked anything: the
// greeting may come with the connect's completion, or together with the
// handshake reply in one read; neither may hide the reply.
TEST_F(LinkTest, ProjectorThatTalksFirst)
{
    auto& sim = Simulator();
    sim.SetGreeting("HELLO\r");
    StartConnected();
    EXPECT_EQ(sim.ConnectionCount(), 2);
    Press(IDC_VOLUME_UP);
    EXPECT_TRUE(WaitForCommands("KEY 57\r")) << Commands();
    EXPECT_TRUE(m_program->Prompts().empty());
}

// Connections closed as soon as they are accepted: no answer, one prompt;
// once the projector behaves, the next press opens the link.
TEST_F(LinkTest, ConnectionClosedAtOnce)
{
    auto& sim = Simulator();
    sim.SetCloseAt(Close::OnAccept);
    Start();
    const Prompt prompt = m_program->WaitForPrompt();
    EXPECT_EQ(prompt.text, kNoAnswer);
    PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
    HWND console = m_program->WaitForConsole();
    EXPECT_EQ(WindowText(console), kDisconnected);
    EXPECT_EQ(sim.ConnectionCount(), 1);  // no open request after a failed probe

    sim.SetCloseAt(Close::Never);
    Press(IDC_VOLUME_UP);
    EXPECT_TRUE(WaitForCommands("KEY 57\r")) << Commands();
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kConnected; }));
}

// Presses that arrive while a refused opening is being reported are dropped:
// they neither start a second handshake on the refused connection nor open a
// session that the first attempt then closes.
TEST_F(LinkTest, PressesDuringAFailedOpeningAreDropped)
{
    auto& sim = Simulator();
    HWND console = StartConnected();
    sim.CloseAllConnections();
    EXPECT_TRUE(WaitFor([&] { return WindowText(console) == kDisconnected; }));
    sim.SetOpenStatus(0x45);
    Press(IDC_VOLUME_UP);
    Press(IDC_VOLUME_DOWN);  // waits in the queue through the handshake
    const Prompt prompt = m_program->WaitForPrompt();
    EXPECT_EQ(prompt.text, kNoAnswer);
    EXPECT_EQ(m_program->Barrier().size(), 2u);  // the prompt and the notice: nothing else came up
    PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(m_program->WaitForNoPrompt());
    const auto received = sim.Received();
    ASSERT_EQ(received.size(), 4u);  // the first session, then one probe and one refused opening
    EXPECT_EQ(received[3].size(), kOpenRequestBytes) << ProjectorSimulator::Escape(received[3]);

    sim.ClearFaults();
    Press(IDC_VOLUME_DOWN);
    EXPECT_TRUE(WaitForCommands("KEY 56\r")) << Commands();
}

// The projector wants a password and ours is another: the probe says one is
// needed (0x41), the open request carries ours and is refused (0x43).
TEST_F(LinkTest, WrongPasswordIsRefused)
{
    auto& sim = Simulator("sesame", "open sesame");
    Start();
    const Prompt prompt = m_program->WaitForPrompt();
    EXPECT_EQ(prompt.text, kWrongPassword);
    const auto received = sim.Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].substr(18, 11), "open sesame");
    PostMessageA(prompt.hwnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WindowText(m_program->WaitForConsole()), kDisconnected);
}

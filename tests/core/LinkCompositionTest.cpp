// The console's link as it is put together, without its threads: the worker's
// ReceivePath (chunks as read, lines assembled across them, the handshake
// reply awaited until the first command goes out), the link's LineGate (the
// stopping filter, and no line read before the last command answers it) and
// the session, wired as ProjectorLink wires them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DescribeActions.h"
#include "LineGate.h"
#include "LinkSession.h"
#include "ReceivePath.h"
#include "SessionRecords.h"

namespace {

using namespace std::string_literals;

class Console {
public:
    // The handshake has opened the session: its reply is still awaited, so
    // text read now is no answer to anything.
    void Opened()
    {
        m_session.Opened();
        m_replyAwaited = true;
    }
    void Stopping() { m_stopping = true; }

    std::string Press(const std::string& command, CommandKind kind)
    {
        return Carry(m_session.Submit({command, kind}));
    }
    // One chunk as the worker reads it; the actions the lines caused.
    std::string Read(const std::string& chunk)
    {
        std::string actions;
        const auto status = m_received.Chunk(chunk.data(), chunk.size(), m_replyAwaited,
                                             [&](std::string_view line, std::uint64_t number) {
                                                 if (m_gate.For(number, m_stopping, false) != LineGate::Route::Session)
                                                     return;
                                                 const std::string done = Carry(m_session.Line(line));
                                                 if (!done.empty()) actions += (actions.empty() ? "" : " | ") + done;
                                             });
        if (status) actions += "handshake " + std::to_string(*status);
        return actions;
    }
    bool Idle() const { return m_session.IsIdle(); }

private:
    // What ProjectorLink::Perform does with a Send: the reply is no longer
    // awaited, and the gate learns how much had been read.
    std::string Carry(const LinkActions& actions)
    {
        for (const LinkAction& a : actions)
            if (a.kind == LinkAction::Kind::Send) {
                m_replyAwaited = false;
                m_gate.CommandSent(m_received.ChunksRead());
            }
        return Describe(actions);
    }

    LinkSession m_session;
    ReceivePath m_received;
    LineGate m_gate;
    bool m_replyAwaited = false;
    bool m_stopping = false;
};

}  // namespace

// A second prompt in the chunk whose first prompt sent the follow-up was read
// before the follow-up went out: it does not confirm it.
TEST(LinkComposition, APromptReadBeforeTheFollowUpDoesNotAnswerIt)
{
    Console console;
    console.Opened();
    EXPECT_EQ(console.Press("MUTE?\r", CommandKind::Query), "send MUTE?\r");
    EXPECT_EQ(console.Read("MUTE=ON\r:\r:"), "stop | send MUTE OFF\r");
    EXPECT_FALSE(console.Idle());  // MUTE OFF is still unanswered
    EXPECT_EQ(console.Press("KEY 57\r", CommandKind::Plain), "");
    EXPECT_EQ(console.Read(":"), "stop");
    EXPECT_TRUE(console.Idle());
}

// Whatever comes after the handshake reply while no command has gone out is
// no answer: a late prompt never confirms the first command.
TEST(LinkComposition, ALatePromptAfterTheHandshakeAnswersNothing)
{
    Console console;
    console.Opened();
    EXPECT_EQ(console.Read(":"), "");
    EXPECT_EQ(console.Read("QRM/TX.net\x10\x03\0\0 \0"s), "handshake 32");
    EXPECT_EQ(console.Press("PWSTATUS?\r", CommandKind::Query), "send PWSTATUS?\r");
    EXPECT_FALSE(console.Idle());
    EXPECT_EQ(console.Read("PWSTATUS=01\r:"), "stop | send IMPWR ON\r");
}

// Lines cut anywhere by TCP are put together by the worker before the gate
// sees them; a line from a link being torn down reaches nothing.
TEST(LinkComposition, LinesCutAcrossChunksAndTheStoppingFilter)
{
    Console console;
    console.Opened();
    console.Press("FREEZE?\r", CommandKind::Query);
    EXPECT_EQ(console.Read("FREE"), "");
    EXPECT_EQ(console.Read("ZE=ON\r"), "stop");
    EXPECT_EQ(console.Read(":"), "send FREEZE OFF\r");
    console.Stopping();
    EXPECT_EQ(console.Read(":"), "");
    EXPECT_FALSE(console.Idle());
}

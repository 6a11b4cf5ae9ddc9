// The port-3629 protocol behind the session interface: its handshake
// (RunHandshake), its command set (CommandSet) and its decisions (LinkSession)
// exactly as they are, plus what a waiting driver needs to know of an answer.
// Windows-free; one thread.
#pragma once

#include <string>
#include <vector>

#include "LineAssembler.h"
#include "LinkSession.h"
#include "ProjectorSession.h"
#include "ReplyHandling.h"

class NativeSession final : public ProjectorSession {
public:
    // `password`: at most 16 characters; empty: none.
    NativeSession(std::string password, std::vector<CcItem> captionItems);

    void Reconfigure(const SessionSettings& settings) override { m_password = settings.password; }

    std::uint16_t Port() const override;
    std::chrono::milliseconds ClosePause() const override;
    std::optional<std::chrono::milliseconds> IdleLimit() const override { return std::nullopt; }

    std::optional<Command> CommandFor(Press press) const override;
    std::optional<Command> CaptionChoice(std::string_view value) const override;
    bool HasCaptions() const override { return true; }

    HandshakeOutcome Open(OpeningChannel& channel) override;
    void Closed() override;

    LinkActions Submit(const Command& command) override;
    LinkActions KeepAliveTick() override { return m_session.KeepAliveTick(); }
    LinkActions Line(std::string_view line) override;
    LinkActions Received(std::string_view chunk) override;
    LinkActions CommandTimedOut() override { return m_session.CommandTimedOut(); }
    LinkActions IdleTimedOut() override { return {}; }
    LinkActions PowerOffAnswered(bool yes) override { return m_session.PowerOffAnswered(yes); }
    void CaptionMenuClosed() override { m_session.CaptionMenuClosed(); }

    bool IsOpen() const override { return m_session.IsOpen(); }
    bool IsIdle() const override { return m_session.IsIdle(); }
    // Every connection's end shows the link down, the probe's included.
    bool StaysConnectedAfterClose() const override { return false; }
    const CommandAnswer& Answer() const override { return m_answer; }

private:
    std::string m_password;
    LinkSession m_session;
    LineAssembler m_lines;
    CommandAnswer m_answer;
    bool m_awaiting = false;  // a command of the driver's waits for its prompt
};

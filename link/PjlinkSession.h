// The PJLink protocol's session decisions. A connection opens with the
// projector's greeting; with security on, the digest of its random number and
// the password goes in front of the connection's first command. Every command
// gets one reply line; a toggle's reply sends its follow-up at once on the
// same connection. The first connection to a projector asks its class, and
// class-2 commands go only to a class-2 projector; with security on, that
// question also proves the password before the console says "Connected".
// Connections are short: Beamdesk closes an idle one after 20 s, a close
// between commands is no failure, and a confirmed power-off reconnects when
// the connection went while the user was asked.
// Windows-free; one thread.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "LineAssembler.h"
#include "PjlinkWire.h"
#include "ProjectorSession.h"

class PjlinkSession final : public ProjectorSession {
public:
    explicit PjlinkSession(const SessionSettings& settings);

    void Reconfigure(const SessionSettings& settings) override;

    std::uint16_t Port() const override { return kPjlinkPort; }
    std::chrono::milliseconds ClosePause() const override { return std::chrono::milliseconds(0); }
    std::optional<std::chrono::milliseconds> IdleLimit() const override;

    std::optional<Command> CommandFor(Press press) const override;
    std::optional<Command> CaptionChoice(std::string_view) const override { return std::nullopt; }
    bool HasCaptions() const override { return false; }

    HandshakeOutcome Open(OpeningChannel& channel) override;
    void Closed() override;

    LinkActions Submit(const Command& command) override;
    LinkActions KeepAliveTick() override { return {}; }
    LinkActions Line(std::string_view line) override;
    LinkActions Received(std::string_view chunk) override;
    LinkActions CommandTimedOut() override;
    LinkActions IdleTimedOut() override;
    LinkActions PowerOffAnswered(bool yes) override;
    void CaptionMenuClosed() override {}

    bool IsOpen() const override { return m_open; }
    bool IsIdle() const override { return m_idle; }
    bool StaysConnectedAfterClose() const override { return m_lastExchangeOk; }
    const CommandAnswer& Answer() const override { return m_answer; }

    // The class the projector at the configured address reported: 1 or 2;
    // nothing before it was asked.
    std::optional<int> ProjectorClass() const;

private:
    // The opening's question, when it must be asked: the class, or (security
    // on) a proof of the password not yet proven.
    bool MustAskClass(bool security) const;
    std::optional<int> AskClass(OpeningChannel& channel);
    LinkActions Send(std::string text, CommandKind kind);
    LinkActions AnswerLine(const PjlinkLine& reply, std::string_view line);
    void Complete();

    std::string m_address;
    std::string m_password;
    std::chrono::milliseconds m_commandTimeout;
    PjlinkInputs m_inputs;
    std::map<std::string, int> m_classes;             // by address, for the program's life
    std::map<std::string, std::string> m_proven;      // the password each address accepted

    bool m_open = false;
    bool m_idle = true;  // no command outstanding
    std::string m_owedDigest;  // goes in front of the connection's next line
    std::optional<PjlinkLine> m_outstanding;  // the command a reply answers
    CommandKind m_outstandingKind = CommandKind::Plain;
    bool m_asking = false;  // "Power off?" is on the user's screen
    bool m_lastExchangeOk = false;
    CommandAnswer m_answer;
    bool m_awaiting = false;  // a command of the driver's waits for its reply
    LineAssembler m_lines;
};

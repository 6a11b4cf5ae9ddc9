#include "PjlinkSession.h"

#include <utility>

#include "SessionRecords.h"

namespace {

using namespace std::chrono_literals;
using Kind = LinkAction::Kind;

constexpr std::chrono::milliseconds kGreetingWait = 2000ms;
// The projector closes a connection after 30 s without a command; Beamdesk
// closes it well before.
constexpr std::chrono::milliseconds kIdleLimit = 20000ms;
// Lines that answer nothing the opening asked are skipped, but only so many.
constexpr int kMaxStrayLines = 4;

void Append(LinkActions& to, LinkActions more)
{
    for (LinkAction& action : more) to.push_back(std::move(action));
}

}  // namespace

PjlinkSession::PjlinkSession(const SessionSettings& settings) : m_commandTimeout(settings.commandTimeout)
{
    Reconfigure(settings);
}

void PjlinkSession::Reconfigure(const SessionSettings& settings)
{
    m_address = settings.address;
    m_password = settings.password;
    m_commandTimeout = settings.commandTimeout;
    m_inputs = settings.pjlinkInputs;
}

std::optional<std::chrono::milliseconds> PjlinkSession::IdleLimit() const
{
    return kIdleLimit;
}

std::optional<Command> PjlinkSession::CommandFor(Press press) const
{
    return PjlinkCommandFor(press, m_inputs);
}

std::optional<int> PjlinkSession::ProjectorClass() const
{
    const auto known = m_classes.find(m_address);
    if (known == m_classes.end()) return std::nullopt;
    return known->second;
}

bool PjlinkSession::MustAskClass(bool security) const
{
    if (!ProjectorClass()) return true;
    const auto proven = m_proven.find(m_address);
    return security && (proven == m_proven.end() || proven->second != m_password);
}

// The connection, the greeting and, when it must be asked, the class. A
// projector that asks for a password when none is set, or refuses the
// digest, is a password problem; silence is no answer.
HandshakeOutcome PjlinkSession::Open(OpeningChannel& channel)
{
    Closed();
    m_idle = true;
    m_asking = false;
    m_lastExchangeOk = false;
    HandshakeOutcome outcome;
    if (!channel.Open(outcome.report)) return outcome;

    const std::optional<std::string> line = channel.ReadLine(kGreetingWait);
    const std::optional<PjlinkGreeting> greeting = line ? ParseGreeting(*line) : std::nullopt;
    if (!greeting) {
        outcome.report = line && IsAuthenticationRefusal(*line) ? kStatusPasswordRefused : kStatusNoReply;
        return outcome;
    }
    if (greeting->security && m_password.empty()) {
        outcome.report = kStatusPasswordRefused;
        return outcome;
    }
    m_owedDigest = greeting->security ? PjlinkDigest(greeting->random, m_password) : std::string();

    if (MustAskClass(greeting->security)) {
        if (const auto failure = AskClass(channel)) {
            outcome.report = *failure;
            m_owedDigest.clear();
            return outcome;
        }
        if (greeting->security) m_proven[m_address] = m_password;
    }
    m_open = true;
    m_lastExchangeOk = true;
    m_lines.Reset();
    outcome.opened = true;
    return outcome;
}

// "%1CLSS ?" with the digest owed; nothing when its reply came, else the
// status to report.
std::optional<int> PjlinkSession::AskClass(OpeningChannel& channel)
{
    if (!channel.SendText(std::exchange(m_owedDigest, {}) + std::string(kPjlinkClassQuery))) return kStatusNoReply;
    for (int lines = 0; lines < kMaxStrayLines; ++lines) {
        const std::optional<std::string> line = channel.ReadLine(m_commandTimeout);
        if (!line) return kStatusNoReply;
        if (IsAuthenticationRefusal(*line)) return kStatusPasswordRefused;
        const auto reply = ParseReplyLine(*line);
        if (!reply || reply->body != "CLSS") continue;
        const auto error = PjlinkErrorCode(reply->parameter);
        // A projector that does not know the question is one of class 1.
        if (error == 1) m_classes[m_address] = 1;
        if (const auto projectorClass = ClassFromReply(reply->parameter); projectorClass && !error)
            m_classes[m_address] = *projectorClass;
        return std::nullopt;
    }
    return kStatusNoReply;
}

void PjlinkSession::Closed()
{
    m_open = false;
    m_owedDigest.clear();
    m_lines.Reset();
}

LinkActions PjlinkSession::Submit(const Command& command)
{
    if (!m_open || !m_idle || command.text.size() > kMaxCommandLength) return {};
    // A class-1 projector may never answer a "%2" line.
    if (NeedsClass2(command.text) && ProjectorClass() != 2) return {{Kind::Dropped, {}, kStatusNeedsClass2}};
    m_answer = {};
    m_awaiting = true;
    return Send(command.text, command.kind);
}

LinkActions PjlinkSession::Send(std::string text, CommandKind kind)
{
    m_idle = false;
    m_outstanding = ParseCommandLine(text);
    m_outstandingKind = kind;
    return {{Kind::Send, std::exchange(m_owedDigest, {}) + std::move(text)}};
}

LinkActions PjlinkSession::Received(std::string_view chunk)
{
    LinkActions actions;
    m_lines.Feed(chunk.data(), chunk.size(), [&](std::string_view line) { Append(actions, Line(line)); });
    return actions;
}

// Only a reply to the command outstanding counts: same command body.
LinkActions PjlinkSession::Line(std::string_view line)
{
    if (!m_open || m_idle) return {};
    if (IsAuthenticationRefusal(line)) {
        m_idle = true;
        m_lastExchangeOk = false;
        m_proven.erase(m_address);
        if (m_awaiting) m_answer.refusal = "ERRA";
        Complete();
        Closed();
        return {{Kind::StopTimer, {}}, {Kind::Close, {}}, {Kind::Report, {}, kStatusPasswordRefused}};
    }
    const auto reply = ParseReplyLine(line);
    if (!reply || (m_outstanding && reply->body != m_outstanding->body)) return {};
    m_idle = true;
    m_lastExchangeOk = true;
    LinkActions actions{{Kind::StopTimer, {}}};
    Append(actions, AnswerLine(*reply, line));
    return actions;
}

LinkActions PjlinkSession::AnswerLine(const PjlinkLine& reply, std::string_view line)
{
    if (m_awaiting) m_answer.lines.emplace_back(line);
    if (const auto error = PjlinkErrorCode(reply.parameter)) {
        if (m_awaiting) m_answer.refusal = reply.parameter;
        Complete();
        if (*error == 4) return {{Kind::Report, {}, kStatusProjectorFailure}};
        return {};
    }
    if (m_outstandingKind != CommandKind::Query) {
        Complete();
        return {};
    }
    std::optional<std::string> followUp = PjlinkFollowUp(reply.body, reply.parameter);
    if (!followUp) {
        Complete();
        return {};
    }
    if (*followUp == PjlinkPowerCommand(false)) {
        Complete();
        if (m_asking) return {};  // one question at a time
        m_asking = true;
        return {{Kind::ConfirmPowerOff, std::move(*followUp)}};
    }
    if (m_awaiting) m_answer.followedUp = true;
    return Send(std::move(*followUp), CommandKind::Plain);
}

void PjlinkSession::Complete()
{
    if (!m_awaiting) return;
    m_answer.complete = true;
    m_awaiting = false;
}

// An unanswered command ends the connection and is reported.
LinkActions PjlinkSession::CommandTimedOut()
{
    if (m_idle) return {};
    LinkActions actions;
    if (m_open) actions.push_back({Kind::Close, {}});
    Closed();
    m_idle = true;
    m_lastExchangeOk = false;
    actions.push_back({Kind::Report, {}, kStatusCommandTimeout});
    return actions;
}

LinkActions PjlinkSession::IdleTimedOut()
{
    if (!m_open || !m_idle) return {};
    Closed();
    return {{Kind::Close, {}}};
}

// A Yes is carried out even when the connection went meanwhile: PJLink
// connections are short by design.
LinkActions PjlinkSession::PowerOffAnswered(bool yes)
{
    if (!m_asking) return {};
    m_asking = false;
    if (!yes) return {};
    const std::string off = PjlinkPowerCommand(false);
    if (!m_open) return {{Kind::Reconnect, off}};
    if (!m_idle) return {};
    m_answer = {};
    m_awaiting = true;
    return Send(off, CommandKind::Plain);
}

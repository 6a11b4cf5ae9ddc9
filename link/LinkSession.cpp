#include "LinkSession.h"

#include <utility>

#include "SessionRecords.h"

namespace {

using Kind = LinkAction::Kind;

constexpr std::string_view kPrompt = ":";

void Append(LinkActions& to, LinkActions more)
{
    for (LinkAction& action : more) to.push_back(std::move(action));
}

}  // namespace

LinkSession::LinkSession(std::vector<CcItem> captionItems) : m_captionItems(std::move(captionItems)) {}

void LinkSession::Opened()
{
    m_open = true;
    m_idle = true;
    m_lastKind.reset();
    m_outstandingIsKeepAlive = false;
    m_followUps.clear();
    m_afterKeepAlive.reset();
    m_lines.Reset();
    ++m_generation;
}

void LinkSession::Closed()
{
    m_open = false;
    m_followUps.clear();
    m_afterKeepAlive.reset();
    m_lines.Reset();
}

LinkActions LinkSession::Submit(const Command& command)
{
    if (command.kind == CommandKind::Query) m_followUps.clear();
    if (!m_open || !m_idle || command.text.size() > kMaxCommandLength) return {};
    m_idle = false;
    m_lastKind = command.kind;
    m_outstandingIsKeepAlive = command.kind == CommandKind::KeepAlive;
    return {{Kind::Send, command.text}};
}

LinkActions LinkSession::KeepAliveTick()
{
    return Submit({std::string(kKeepAliveCommand), CommandKind::KeepAlive});
}

LinkActions LinkSession::Received(std::string_view chunk)
{
    LinkActions actions;
    m_lines.Feed(chunk.data(), chunk.size(), [&](std::string_view line) { Append(actions, Line(line)); });
    return actions;
}

// Lines are acted on only once the session has sent a command: whatever comes
// before belongs to no question.
LinkActions LinkSession::Line(std::string_view line)
{
    if (!m_open || !m_lastKind) return {};
    LinkActions actions;
    if (!m_idle) {
        m_idle = true;
        actions.push_back({Kind::StopTimer, {}});
    }
    if (line == kPrompt) {
        Append(actions, AtPrompt());
        return actions;
    }

    const CommandKind asked = *m_lastKind;
    if (asked != CommandKind::Query && asked != CommandKind::CaptionQuery) return actions;

    if (const auto entry = CaptionEntryFor(m_captionItems, line)) {
        Append(actions, Ask(Question::CaptionMenu, {Kind::ShowCaptionMenu, {}, *entry}));
        return actions;
    }
    if (auto followUp = FollowUpFor(line)) m_followUps.push_back(std::move(*followUp));
    if (asked == CommandKind::CaptionQuery) Append(actions, Ask(Question::CaptionMenu, {Kind::ShowCaptionMenu, {}, 0}));
    return actions;
}

// The prompt sends the first queued follow-up and drops the rest; switching
// the projector off is asked first.
LinkActions LinkSession::AtPrompt()
{
    if (m_followUps.empty()) {
        if (!m_afterKeepAlive) return {};
        std::string held = std::move(*m_afterKeepAlive);
        m_afterKeepAlive.reset();
        return Submit({std::move(held), CommandKind::Plain});
    }
    std::string next = std::move(m_followUps.front());
    m_followUps.clear();
    if (EqualsNoCase(next, kPowerOffCommand)) return Ask(Question::PowerOff, {Kind::ConfirmPowerOff, std::move(next)});
    return Submit({std::move(next), CommandKind::Plain});
}

LinkActions LinkSession::Ask(Question question, LinkAction action)
{
    if (m_question != Question::None) return {};  // one question at a time: replies never stack them
    m_question = question;
    m_askedIn = m_generation;
    return {std::move(action)};
}

LinkActions LinkSession::PowerOffAnswered(bool yes)
{
    if (m_question != Question::PowerOff) return {};
    m_question = Question::None;
    // The session may have ended while the user thought about it; the answer
    // does not carry over to another one.
    if (!yes || !m_open || m_askedIn != m_generation) return {};
    // A keep-alive is no command of the user's: it does not take the Yes's place.
    if (!m_idle && m_outstandingIsKeepAlive) {
        m_afterKeepAlive = std::string(kPowerOffCommand);
        return {};
    }
    return Submit({std::string(kPowerOffCommand), CommandKind::Plain});
}

void LinkSession::CaptionMenuClosed()
{
    if (m_question == Question::CaptionMenu) m_question = Question::None;
}

// An unanswered command closes the connection; the user hears of it unless it
// was the keep-alive.
LinkActions LinkSession::CommandTimedOut()
{
    if (m_idle) return {};
    LinkActions actions;
    if (m_open) actions.push_back({Kind::Close, {}});
    Closed();
    if (!m_outstandingIsKeepAlive) actions.push_back({Kind::Report, {}, kStatusCommandTimeout});
    m_idle = true;
    return actions;
}

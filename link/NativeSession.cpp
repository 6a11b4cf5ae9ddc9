#include "NativeSession.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "CommandSet.h"
#include "SessionRecords.h"
#include "resource.h"

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kPrompt = ":";
constexpr std::string_view kErrorReply = "ERR";

bool Sends(const LinkActions& actions)
{
    return std::any_of(actions.begin(), actions.end(),
                       [](const LinkAction& a) { return a.kind == LinkAction::Kind::Send; });
}

// The console's control for each press with a fixed command.
int ControlFor(Press press)
{
    switch (press) {
    case Press::Power: return IDC_POWER;
    case Press::Computer1: return IDC_COMPUTER1;
    case Press::Computer2: return IDC_COMPUTER2;
    case Press::Computer: return IDC_COMPUTER;
    case Press::Quillan: return IDC_QUILLAN;
    case Press::SVideo: return IDC_SVIDEO;
    case Press::AvMute: return IDC_AVMUTE;
    case Press::Freeze: return IDC_FREEZE;
    case Press::VolumeDown: return IDC_VOLUME_DOWN;
    case Press::VolumeUp: return IDC_VOLUME_UP;
    default: return 0;
    }
}

}  // namespace

NativeSession::NativeSession(std::string password, std::vector<CcItem> captionItems)
    : m_password(std::move(password)), m_session(std::move(captionItems))
{
}

std::uint16_t NativeSession::Port() const
{
    return kProjectorPort;
}

// The worker sleeps this long on its way out; the console's next connection
// waits for it.
std::chrono::milliseconds NativeSession::ClosePause() const
{
    return 500ms;
}

std::optional<Command> NativeSession::CommandFor(Press press) const
{
    switch (press) {
    case Press::VideoAdvanced: return Command{VideoCommand(true), CommandKind::Plain};
    case Press::VideoSimple: return Command{VideoCommand(false), CommandKind::Plain};
    case Press::CaptionQuery: return Command{std::string(kCaptionQuery), CommandKind::CaptionQuery};
    default: break;
    }
    const auto button = CommandForButton(ControlFor(press));
    if (!button) return std::nullopt;
    return Command{button->text, button->kind};
}

std::optional<Command> NativeSession::CaptionChoice(std::string_view value) const
{
    return Command{CaptionCommand(value), CommandKind::Plain};
}

HandshakeOutcome NativeSession::Open(OpeningChannel& channel)
{
    const HandshakeOutcome outcome = RunHandshake(channel, m_password);
    if (outcome.opened) {
        m_session.Opened();
        m_lines.Reset();
    }
    return outcome;
}

void NativeSession::Closed()
{
    m_session.Closed();
    m_lines.Reset();
}

LinkActions NativeSession::Submit(const Command& command)
{
    LinkActions actions = m_session.Submit(command);
    if (Sends(actions)) {
        m_answer = {};
        m_awaiting = true;
    }
    return actions;
}

// A command is answered by its prompt, unless the prompt sends the follow-up
// its reply chose: then by the follow-up's prompt.
LinkActions NativeSession::Line(std::string_view line)
{
    LinkActions actions = m_session.Line(line);
    if (!m_awaiting) return actions;
    if (line != kPrompt) {
        m_answer.lines.emplace_back(line);
        if (line.substr(0, kErrorReply.size()) == kErrorReply) m_answer.refusal = std::string(kErrorReply);
        return actions;
    }
    if (Sends(actions)) {
        m_answer.followedUp = true;
    } else {
        m_answer.complete = true;
        m_awaiting = false;
    }
    return actions;
}

LinkActions NativeSession::Received(std::string_view chunk)
{
    LinkActions actions;
    m_lines.Feed(chunk.data(), chunk.size(), [&](std::string_view line) {
        for (LinkAction& a : Line(line)) actions.push_back(std::move(a));
    });
    return actions;
}

#include "ProjectorClient.h"

#include <cstdio>
#include <utility>

#include "PjlinkWire.h"
#include "SessionRecords.h"
#include "TransportChannel.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kPasswordRefusal = "ERRA";

std::string Hex(int status)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", status & 0xFF);
    return text;
}

std::string Ms(std::chrono::milliseconds ms)
{
    return std::to_string(ms.count()) + " ms";
}

std::string ConnectProblem(Transport::ConnectResult result, const std::string& at)
{
    switch (result) {
    case Transport::ConnectResult::Refused: return "no projector at " + at + ": the connection was refused";
    case Transport::ConnectResult::TimedOut:
        return "no projector at " + at + ": no connection within " + Ms(kConnectLimit);
    default: return "no projector at " + at + ": the connection failed";
    }
}

// An opening in lines that came to nothing: what the channel saw of it.
std::string LineOpeningProblem(const TransportChannel& channel, const std::string& at)
{
    const std::string projector = "the projector at " + at;
    if (!channel.LastText().empty()) {
        const std::string asked = Shown(channel.LastText());
        if (channel.PeerClosed()) return projector + " closed the connection before answering " + asked;
        return projector + " did not answer " + asked + " within " + Ms(channel.LastLineWait());
    }
    if (!channel.LinesRead().empty())
        return projector + " did not greet: it sent " + Shown(channel.LinesRead().front());
    if (channel.PeerClosed()) return projector + " closed the connection without a greeting";
    return projector + " sent no greeting within " + Ms(channel.LastLineWait());
}

}  // namespace

std::string Shown(std::string_view command)
{
    if (!command.empty() && command.back() == '\r') command.remove_suffix(1);
    std::string shown = "'";
    shown.append(command);
    shown += '\'';
    return shown;
}

ProjectorClient::ProjectorClient(Transport& transport, Target target, ProjectorSession& session)
    : m_transport(transport), m_target(std::move(target)), m_session(session)
{
}

void ProjectorClient::Close()
{
    m_transport.Close();
    m_session.Closed();
}

ClientResult ProjectorClient::Open()
{
    TransportChannel channel(m_transport, m_target.address, m_session.Port(), m_session.ClosePause());
    const HandshakeOutcome outcome = m_session.Open(channel);
    if (outcome.opened) {
        m_lines.Reset();
        return {};
    }
    m_transport.Close();

    const std::string at = m_target.address.Text();
    const int report = outcome.report.value_or(kStatusNoReply);
    const bool havePassword = !m_target.password.empty();
    // The port-3629 handshake exchanges records; an opening in lines does not.
    const std::vector<int>& statuses = channel.Statuses();
    const bool records = !statuses.empty();
    if (report == kStatusConnectFailed) return {ExitStatus::NoAnswer, ConnectProblem(channel.LastConnect(), at)};
    if (report == kStatusNoReply) {
        if (!records) return {ExitStatus::NoAnswer, LineOpeningProblem(channel, at)};
        return {ExitStatus::NoAnswer, "the projector at " + at + " did not answer the " +
                                          (statuses.size() < 2 ? "probe" : "open request") + " within " +
                                          Ms(kHandshakeReplyLimit)};
    }
    if (report == kStatusPasswordRefused || report == kStatusPasswordRequired) {
        const std::string wantsOne =
            "the projector at " + at + " wants a password: give --password or " + kPasswordVariable;
        if (!records && !havePassword) return {ExitStatus::Password, wantsOne};
        // Stopped after the probe: the projector and we disagree on having one.
        const bool probeOnly = statuses.size() == 1;
        if (probeOnly && statuses.front() == kStatusAccepted && havePassword)
            return {ExitStatus::Password, "the projector at " + at + " wants no password, but one was given"};
        if (probeOnly && statuses.front() == kStatusPasswordRequired && !havePassword)
            return {ExitStatus::Password, wantsOne};
        return {ExitStatus::Password, "the projector at " + at + " refused the password"};
    }
    return {ExitStatus::NoAnswer, "the projector at " + at + " refused the session (status " + Hex(report) + ")"};
}

ClientResult ProjectorClient::Probe(ProbeAnswer& answer)
{
    answer = {};
    TransportChannel channel(m_transport, m_target.address, kProjectorPort, kClosePause);
    std::optional<int> report;
    const std::string at = m_target.address.Text();
    if (!channel.Open(report)) return {ExitStatus::NoAnswer, ConnectProblem(channel.LastConnect(), at)};
    const ProbeRequest probe = BuildProbeRequest();
    const int status = channel.Exchange(probe.data(), probe.size());
    m_transport.Close();  // no second connection follows: no pause
    if (status == kStatusAccepted || status == kStatusPasswordRequired) {
        answer.reachable = true;
        answer.passwordRequired = status == kStatusPasswordRequired;
        return {};
    }
    if (status == kStatusNoReply)
        return {ExitStatus::NoAnswer,
                "the projector at " + at + " did not answer the probe within " + Ms(kHandshakeReplyLimit)};
    answer.refused = true;
    return {ExitStatus::NoAnswer, "the projector at " + at + " refused the probe (status " + Hex(status) + ")"};
}

// The connection is gone before the answer came: the session ends with it.
ClientResult ProjectorClient::Lost(const std::string& what)
{
    m_session.Closed();
    m_transport.Close();
    return {ExitStatus::NoAnswer, what};
}

// Carries out what the session decided. `sent` gets the text of a command
// that went out.
ClientResult ProjectorClient::Carry(const LinkActions& actions, std::string& sent)
{
    for (const LinkAction& action : actions) {
        switch (action.kind) {
        case LinkAction::Kind::Send:
            if (!m_transport.Send(action.text))
                return Lost("the connection to the projector broke while sending " + Shown(action.text));
            sent = action.text;
            break;
        case LinkAction::Kind::Close:
            m_transport.Close();
            break;
        case LinkAction::Kind::ConfirmPowerOff:
            // Only a toggle would ask, and beamctl switches power directly.
            Carry(m_session.PowerOffAnswered(false), sent);
            break;
        case LinkAction::Kind::ShowCaptionMenu:
            m_session.CaptionMenuClosed();
            break;
        case LinkAction::Kind::Dropped:
            if (action.code == kStatusNeedsClass2)
                return {ExitStatus::ProjectorError, "the projector at " + m_target.address.Text() +
                                                        " is of class 1 and has no command " + Shown(m_submitted) +
                                                        "; nothing was sent"};
            break;  // the caller words a command that did not go out
        case LinkAction::Kind::StopTimer:
        case LinkAction::Kind::Reconnect:
        case LinkAction::Kind::Report:  // the caller words time-outs and refusals itself
            break;
        }
    }
    return {};
}

// The projector's error answer: ERR, ERR1 to ERR4 with what the number
// means, or a refused password.
ClientResult ProjectorClient::Refused(const CommandAnswer& answer, const std::string& outstanding) const
{
    const std::string& refusal = *answer.refusal;
    if (refusal == kPasswordRefusal)
        return {ExitStatus::Password, "the projector at " + m_target.address.Text() + " refused the password"};
    std::string what = refusal;
    if (const auto code = PjlinkErrorCode(refusal)) what += " (" + std::string(PjlinkErrorMeaning(*code)) + ")";
    return {ExitStatus::ProjectorError, "the projector answered " + what + " to " + Shown(outstanding)};
}

ClientResult ProjectorClient::Run(const Command& command, std::vector<std::string>& replies)
{
    bool crossed = false;
    ClientResult result = Attempt(command, replies, crossed);
    // A protocol whose connections are short by design: the projector's close
    // after its last answer can cross this command on the wire, before its
    // FIN has come. A close before a single byte of the answer is that close:
    // the command goes again, once, on a new connection.
    if (crossed && m_session.StaysConnectedAfterClose()) result = Attempt(command, replies, crossed);
    return result;
}

// What the projector sent before this command goes out (a late prompt after
// the handshake, a reply repeated) cannot answer it: it is read and dropped.
// A close found here is left for the command's own wait to meet.
void ProjectorClient::DropWhatCameBefore()
{
    char chunk[kReceiveBufferSize];
    std::size_t received = 0;
    while (m_transport.Receive(chunk, sizeof chunk, received, std::chrono::milliseconds(0)) ==
           Transport::ReceiveResult::Data) {
    }
    m_lines.Reset();
}

ClientResult ProjectorClient::Attempt(const Command& command, std::vector<std::string>& replies, bool& crossed)
{
    crossed = false;
    replies.clear();
    // A protocol whose connections are short by design: a close by the
    // projector between commands is no failure, the next command connects
    // again (as the console's next press does).
    if (m_session.StaysConnectedAfterClose() && (!m_session.IsOpen() || m_transport.PeerClosed())) {
        m_session.Closed();
        m_transport.Close();
        if (ClientResult reopened = Open(); reopened.status != ExitStatus::Done) return reopened;
    }
    m_submitted = command.text;
    DropWhatCameBefore();
    std::string outstanding;
    if (ClientResult r = Carry(m_session.Submit(command), outstanding); r.status != ExitStatus::Done) return r;
    if (outstanding.empty())
        return {ExitStatus::NoAnswer, "the session could not send " + Shown(command.text)};

    auto deadline = Clock::now() + m_target.commandTimeout;
    std::optional<ClientResult> failure;
    bool anyByte = false;
    const auto answered = [&] { return m_session.Answer().complete; };
    while (!answered() && !failure) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            replies = m_session.Answer().lines;
            Carry(m_session.CommandTimedOut(), outstanding);
            m_transport.Close();
            return {ExitStatus::NoAnswer, "the projector did not answer " + Shown(outstanding) + " within " +
                                              Ms(m_target.commandTimeout)};
        }
        char chunk[kReceiveBufferSize];
        std::size_t received = 0;
        const auto result = m_transport.Receive(chunk, sizeof chunk, received, left);
        if (result == Transport::ReceiveResult::TimedOut) continue;
        if (result == Transport::ReceiveResult::Closed) {
            replies = m_session.Answer().lines;
            crossed = !anyByte;
            return Lost("the projector closed the connection before answering " + Shown(outstanding));
        }
        anyByte = true;

        // The rest of a chunk whose line sent the follow-up was read before
        // the follow-up went out: it cannot answer it.
        bool sentDuringChunk = false;
        m_lines.Feed(chunk, received, [&](std::string_view line) {
            if (answered() || failure || sentDuringChunk) return;  // nothing after the answer belongs to this command
            std::string followUp;
            if (ClientResult r = Carry(m_session.Line(line), followUp); r.status != ExitStatus::Done) {
                failure = r;
                return;
            }
            if (!followUp.empty()) {
                // The session answered with the follow-up: its answer is the
                // one that counts now.
                outstanding = followUp;
                deadline = Clock::now() + m_target.commandTimeout;
                sentDuringChunk = true;
            }
        });
        if (sentDuringChunk) m_lines.Reset();
    }
    const CommandAnswer& answer = m_session.Answer();
    replies = answer.lines;
    if (failure) return *failure;
    if (answer.refusal) return Refused(answer, outstanding);
    if (command.kind == CommandKind::Query && !answer.followedUp)
        return {ExitStatus::ProjectorError,
                "the projector's reply to " + Shown(command.text) + " named no state to switch from"};
    return {};
}

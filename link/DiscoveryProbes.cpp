#include "DiscoveryProbes.h"

#include <algorithm>

#include "PjlinkCommands.h"
#include "PjlinkWire.h"
#include "SessionRecords.h"

const std::string_view kPjlinkSearchRequest = "%2SRCH\r";

namespace {

// A probe reply is 16 bytes; a peer that has sent this much without one
// speaks something else.
constexpr std::size_t kMaxNativeReply = 256;
// Lines that answer nothing asked, taken before the peer counts as no projector.
constexpr int kMaxStrayLines = 4;
constexpr std::size_t kMacTextSize = 17;  // "xx:xx:xx:xx:xx:xx"

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::uint16_t ProbeConversation::Port() const
{
    return m_protocol == DiscoveryProtocol::Native ? kProjectorPort : kPjlinkPort;
}

std::string ProbeConversation::Opening() const
{
    if (m_protocol == DiscoveryProtocol::Pjlink) return {};
    const ProbeRequest probe = BuildProbeRequest();
    return std::string(reinterpret_cast<const char*>(probe.data()), probe.size());
}

std::string ProbeConversation::Feed(std::string_view bytes)
{
    if (m_done || bytes.empty()) return {};
    return m_protocol == DiscoveryProtocol::Native ? FeedNative(bytes) : FeedPjlink(bytes);
}

std::string ProbeConversation::FeedNative(std::string_view bytes)
{
    m_received.append(bytes.substr(0, kMaxNativeReply - std::min(m_received.size(), kMaxNativeReply)));
    const auto status =
        HandshakeReplyStatus(reinterpret_cast<const std::uint8_t*>(m_received.data()), m_received.size());
    if (status == kStatusAccepted || status == kStatusPasswordRequired)
        m_answer = ProtocolAnswer{status == kStatusPasswordRequired, {}, {}, {}};
    m_done = status.has_value() || m_received.size() >= kMaxNativeReply;
    return {};
}

std::string ProbeConversation::FeedPjlink(std::string_view bytes)
{
    std::string send;
    m_lines.Feed(bytes.data(), bytes.size(), [&](std::string_view line) {
        if (!m_done) send += PjlinkLine(line);
    });
    return send;
}

std::string ProbeConversation::PjlinkLine(std::string_view line)
{
    if (m_step == Step::Greeting) {
        const auto greeting = ParseGreeting(line);
        m_done = !greeting || greeting->security;
        if (!greeting) return {};
        m_answer = ProtocolAnswer{greeting->security, {}, {}, {}};
        if (greeting->security) return {};  // nothing is asked without the password
        m_step = Step::Name;
        return PjlinkCommandText('1', "NAME", "?");
    }
    const auto reply = ParseReplyLine(line);
    const std::string_view wanted = m_step == Step::Name ? "NAME" : "CLSS";
    if (!reply || reply->body != wanted) {
        m_done = ++m_strayLines > kMaxStrayLines;
        return {};
    }
    const auto error = PjlinkErrorCode(reply->parameter);
    if (m_step == Step::Name) {
        if (!error) m_answer->name = reply->parameter;
        m_step = Step::Class;
        return std::string(kPjlinkClassQuery);
    }
    // A projector that does not know the question is one of class 1.
    if (error == 1)
        m_answer->projectorClass = 1;
    else if (!error)
        m_answer->projectorClass = ClassFromReply(reply->parameter);
    m_done = true;
    return {};
}

std::optional<std::string> ParseSearchReply(std::string_view datagram)
{
    while (!datagram.empty() && (datagram.back() == '\r' || datagram.back() == '\n')) datagram.remove_suffix(1);
    const auto reply = ParseReplyLine(datagram);
    if (!reply || reply->classDigit != '2' || reply->body != "ACKN" || reply->parameter.size() != kMacTextSize)
        return std::nullopt;
    std::string mac;
    for (std::size_t i = 0; i < kMacTextSize; ++i) {
        const char c = reply->parameter[i];
        if (i % 3 == 2 ? c != ':' : !IsHexDigit(c)) return std::nullopt;
        mac += Lower(c);
    }
    return mac;
}

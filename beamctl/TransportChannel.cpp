#include "TransportChannel.h"

#include <thread>

#include "SessionRecords.h"

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Left(Clock::time_point deadline)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

}  // namespace

TransportChannel::TransportChannel(Transport& transport, const Ipv4Address& address, std::uint16_t port,
                                   std::chrono::milliseconds closePause)
    : m_transport(transport), m_address(address), m_port(port), m_closePause(closePause)
{
}

bool TransportChannel::Open(std::optional<int>& report)
{
    m_lines.Reset();
    m_pending.clear();
    m_peerClosed = false;
    m_lastConnect = m_transport.Connect(m_address, m_port, kConnectLimit);
    if (m_lastConnect == Transport::ConnectResult::Connected) return true;
    report = kStatusConnectFailed;
    return false;
}

// Each received chunk is judged on its own, as the console judges what one
// read brings: it must hold the magic (anything before it is skipped).
int TransportChannel::Exchange(const std::uint8_t* request, std::size_t length)
{
    int status = kStatusNoReply;
    const auto deadline = Clock::now() + kHandshakeReplyLimit;
    if (m_transport.Send(std::string_view(reinterpret_cast<const char*>(request), length))) {
        for (;;) {
            const auto left = Left(deadline);
            if (left.count() <= 0) break;
            char chunk[kReceiveBufferSize];
            std::size_t received = 0;
            const auto result = m_transport.Receive(chunk, sizeof chunk, received, left);
            if (result == Transport::ReceiveResult::Closed) break;
            if (result == Transport::ReceiveResult::TimedOut) continue;
            const auto reply = HandshakeReplyStatus(reinterpret_cast<const std::uint8_t*>(chunk), received);
            if (!reply) continue;
            status = *reply;
            if (status == kStatusAccepted) break;
        }
    }
    m_statuses.push_back(status);
    return status;
}

void TransportChannel::Close()
{
    m_transport.Close();
    m_lines.Reset();
    m_pending.clear();
    if (m_closePause.count() > 0) std::this_thread::sleep_for(m_closePause);
}

bool TransportChannel::SendText(std::string_view bytes)
{
    m_lastText.assign(bytes);
    return m_transport.Send(bytes);
}

std::optional<std::string> TransportChannel::ReadLine(std::chrono::milliseconds limit)
{
    m_lastLineWait = limit;
    const auto deadline = Clock::now() + limit;
    while (m_pending.empty()) {
        const auto left = Left(deadline);
        if (left.count() <= 0) return std::nullopt;
        char chunk[kReceiveBufferSize];
        std::size_t received = 0;
        const auto result = m_transport.Receive(chunk, sizeof chunk, received, left);
        if (result == Transport::ReceiveResult::Closed) {
            m_peerClosed = true;
            return std::nullopt;
        }
        if (result == Transport::ReceiveResult::TimedOut) continue;
        m_lines.Feed(chunk, received, [&](std::string_view line) { m_pending.emplace_back(line); });
    }
    std::string line = std::move(m_pending.front());
    m_pending.pop_front();
    m_linesRead.push_back(line);
    return line;
}

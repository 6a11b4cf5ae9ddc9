#include "TransportChannel.h"

#include <thread>

#include "LineAssembler.h"
#include "SessionRecords.h"

TransportChannel::TransportChannel(Transport& transport, const Ipv4Address& address)
    : m_transport(transport), m_address(address)
{
}

bool TransportChannel::Open(std::optional<int>& report)
{
    m_lastConnect = m_transport.Connect(m_address, kProjectorPort, kConnectLimit);
    if (m_lastConnect == Transport::ConnectResult::Connected) return true;
    report = kStatusConnectFailed;
    return false;
}

// Each received chunk is judged on its own, as the console judges what one
// read brings: it must hold the magic (anything before it is skipped).
int TransportChannel::Exchange(const std::uint8_t* request, std::size_t length)
{
    int status = kStatusNoReply;
    const auto deadline = std::chrono::steady_clock::now() + kHandshakeReplyLimit;
    if (m_transport.Send(std::string_view(reinterpret_cast<const char*>(request), length))) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
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
    std::this_thread::sleep_for(kClosePause);
}

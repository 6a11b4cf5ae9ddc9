// The handshake's connections on a Transport, timed as the console times
// them: a connection is given 2000 ms, a request's reply 2000 ms, and closing
// the probe connection is followed by the console's 500 ms pause before the
// second connection, so both open their sessions alike. Windows-free.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "Address.h"
#include "Handshake.h"
#include "Transport.h"

constexpr std::chrono::milliseconds kConnectLimit{2000};
constexpr std::chrono::milliseconds kHandshakeReplyLimit{2000};
// The console's link worker sleeps this long when it shuts down, and the
// console waits for it before it connects again.
constexpr std::chrono::milliseconds kClosePause{500};

class TransportChannel final : public HandshakeChannel {
public:
    TransportChannel(Transport& transport, const Ipv4Address& address);

    bool Open(std::optional<int>& report) override;
    // Waits the whole 2000 ms unless a reply accepts the request or the peer
    // closes: a refusal is only the answer once the wait is over.
    int Exchange(const std::uint8_t* request, std::size_t length) override;
    // Closes the connection and pauses as the console does.
    void Close() override;

    // How the last connect ended.
    Transport::ConnectResult LastConnect() const { return m_lastConnect; }
    // The status each exchange came to, the probe's first.
    const std::vector<int>& Statuses() const { return m_statuses; }

private:
    Transport& m_transport;
    Ipv4Address m_address;
    Transport::ConnectResult m_lastConnect = Transport::ConnectResult::Failed;
    std::vector<int> m_statuses;
};

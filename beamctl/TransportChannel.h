// A session's opening on a Transport, timed as the console times it: a
// connection is given 2000 ms and a handshake request's reply 2000 ms; a line
// is waited for as long as the session asks; closing a connection is followed
// by the session's pause (the console's 500 ms before the port-3629 open
// request's connection, none for PJLink), so both open their sessions alike.
// It keeps a record of what it did, for the driver's messages. Windows-free.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Address.h"
#include "LineAssembler.h"
#include "ProjectorSession.h"
#include "Transport.h"

constexpr std::chrono::milliseconds kConnectLimit{2000};
constexpr std::chrono::milliseconds kHandshakeReplyLimit{2000};
// The console's link worker sleeps this long when it shuts down, and the
// console waits for it before it connects again (the port-3629 session's
// ClosePause()).
constexpr std::chrono::milliseconds kClosePause{500};

class TransportChannel final : public OpeningChannel {
public:
    TransportChannel(Transport& transport, const Ipv4Address& address, std::uint16_t port,
                     std::chrono::milliseconds closePause);

    bool Open(std::optional<int>& report) override;
    // Waits the whole 2000 ms unless a reply accepts the request or the peer
    // closes: a refusal is only the answer once the wait is over.
    int Exchange(const std::uint8_t* request, std::size_t length) override;
    // Closes the connection and pauses as the session wants.
    void Close() override;
    bool SendText(std::string_view bytes) override;
    // Lines end at CR; a line cut across reads is put together again.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit) override;

    // How the last connect ended.
    Transport::ConnectResult LastConnect() const { return m_lastConnect; }
    // The status each exchange came to, the probe's first.
    const std::vector<int>& Statuses() const { return m_statuses; }
    // The text sent last on a connection; empty when none was.
    const std::string& LastText() const { return m_lastText; }
    // The lines read so far, and how long the last read waited at most.
    const std::vector<std::string>& LinesRead() const { return m_linesRead; }
    std::chrono::milliseconds LastLineWait() const { return m_lastLineWait; }
    // Whether the projector closed the connection while a line was awaited.
    bool PeerClosed() const { return m_peerClosed; }

private:
    Transport& m_transport;
    Ipv4Address m_address;
    std::uint16_t m_port;
    std::chrono::milliseconds m_closePause;
    Transport::ConnectResult m_lastConnect = Transport::ConnectResult::Failed;
    std::vector<int> m_statuses;
    std::string m_lastText;
    LineAssembler m_lines;
    std::deque<std::string> m_pending;  // lines assembled and not yet read
    std::vector<std::string> m_linesRead;
    std::chrono::milliseconds m_lastLineWait{0};
    bool m_peerClosed = false;
};

// One TCP connection to the projector at a time, with blocking calls that each
// give up after a time limit. beamctl's only contact with the network: the
// session driver above it is Windows-free, and tests can stand in for it.
// Implementations: SocketTransport_win.cpp (Winsock), SocketTransport_posix.cpp.
// One thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "Address.h"

class Transport {
public:
    enum class ConnectResult { Connected, Refused, TimedOut, Failed };
    enum class ReceiveResult { Data, TimedOut, Closed };

    virtual ~Transport() = default;

    // Closes any open connection, then connects; gives up after `limit`.
    virtual ConnectResult Connect(const Ipv4Address& address, std::uint16_t port, std::chrono::milliseconds limit) = 0;
    // Sends every byte; false when the connection is gone.
    virtual bool Send(std::string_view bytes) = 0;
    // Waits up to `limit` for what the peer sends and takes at most `capacity`
    // bytes of it into `buffer` (`received` of them). Closed: the peer closed
    // the connection, it broke, or none is open.
    virtual ReceiveResult Receive(char* buffer, std::size_t capacity, std::size_t& received,
                                  std::chrono::milliseconds limit) = 0;
    // Shuts the connection down both ways and closes it; nothing when none is open.
    virtual void Close() = 0;
    // Whether the peer's close of the open connection has arrived (what it
    // sent before stays to be received); false while it is open, or when no
    // connection is open. Does not wait.
    virtual bool PeerClosed() = 0;
};

// The system's sockets; null when they cannot be used (the socket layer did
// not start).
std::unique_ptr<Transport> MakeSocketTransport();

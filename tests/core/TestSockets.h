// The raw clients' side of the simulator tests: an address to connect or
// send to, and a bounded wait for something to read.
#pragma once

#include "SimulatorSockets.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace test_sockets {

using simulator_sockets::Sock;

inline sockaddr_in Address(const std::string& address, std::uint16_t port)
{
    sockaddr_in a;
    simulator_sockets::MakeAddress(address, port, a);
    return a;
}

// Waits up to `limit` for something to read (or a close) on one socket.
inline bool Readable(Sock s, std::chrono::milliseconds limit)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval t{static_cast<long>(limit.count() / 1000), static_cast<long>(limit.count() % 1000 * 1000)};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &t) > 0;
}

}  // namespace test_sockets

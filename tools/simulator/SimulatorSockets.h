// The few socket calls in which Winsock and POSIX differ, for the simulator's
// own sockets. Where select() is used on Windows, define FD_SETSIZE before
// this header.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstring>
#include <string>

namespace simulator_sockets {

#ifdef _WIN32
using Sock = SOCKET;
inline const Sock kNoSock = INVALID_SOCKET;
inline constexpr int kSendFlags = 0;
inline void CloseSocket(Sock s) { closesocket(s); }
inline void ShutdownSend(Sock s) { shutdown(s, SD_SEND); }
inline void SetNonBlocking(Sock s, bool on)
{
    u_long value = on ? 1 : 0;
    ioctlsocket(s, FIONBIO, &value);
}
#else
using Sock = int;
inline constexpr Sock kNoSock = -1;
// A peer that has gone must not kill the process with SIGPIPE.
inline constexpr int kSendFlags = MSG_NOSIGNAL;
inline void CloseSocket(Sock s) { close(s); }
inline void ShutdownSend(Sock s) { shutdown(s, SHUT_WR); }
inline void SetNonBlocking(Sock s, bool on)
{
    const int flags = fcntl(s, F_GETFL, 0);
    fcntl(s, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK));
}
#endif

// A dotted IPv4 address and a port; false when the text is no address.
inline bool MakeAddress(const std::string& address, std::uint16_t port, sockaddr_in& out)
{
    std::memset(&out, 0, sizeof out);
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    return inet_pton(AF_INET, address.c_str(), &out.sin_addr) == 1;
}

// Winsock started for as long as it lives (nothing to start elsewhere).
struct SocketsInUse {
#ifdef _WIN32
    SocketsInUse()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~SocketsInUse() { WSACleanup(); }
    SocketsInUse(const SocketsInUse&) = delete;
    SocketsInUse& operator=(const SocketsInUse&) = delete;
#endif
};

}  // namespace simulator_sockets

// The transport on Windows Sockets: a non-blocking connect waited for with
// select(), then blocking sends and select()-limited receives. The socket
// layer is started for as long as the transport lives.
#include "Transport.h"

#include <winsock2.h>

#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

timeval TimeLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now()).count();
    const long long us = left > 0 ? left : 0;
    timeval limit;
    limit.tv_sec = static_cast<long>(us / 1000000);
    limit.tv_usec = static_cast<long>(us % 1000000);
    return limit;
}

class WinsockTransport final : public Transport {
public:
    WinsockTransport() = default;
    ~WinsockTransport() override
    {
        Close();
        WSACleanup();
    }
    WinsockTransport(const WinsockTransport&) = delete;
    WinsockTransport& operator=(const WinsockTransport&) = delete;

    ConnectResult Connect(const Ipv4Address& address, std::uint16_t port, std::chrono::milliseconds limit) override
    {
        Close();
        const auto deadline = Clock::now() + limit;
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (m_socket == INVALID_SOCKET) return ConnectResult::Failed;
        u_long nonBlocking = 1;
        ioctlsocket(m_socket, FIONBIO, &nonBlocking);

        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        std::memcpy(&peer.sin_addr, address.octets.data(), address.octets.size());
        int error = 0;
        if (connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR) {
            error = WSAGetLastError();
            if (error == WSAEWOULDBLOCK) {
                // A connect that fails is reported in the exception set.
                for (;;) {
                    fd_set writable, failed;
                    FD_ZERO(&writable);
                    FD_ZERO(&failed);
                    FD_SET(m_socket, &writable);
                    FD_SET(m_socket, &failed);
                    timeval left = TimeLeft(deadline);
                    const int ready = select(0, nullptr, &writable, &failed, &left);
                    if (ready == 0 && Clock::now() < deadline) continue;
                    if (ready == 0) {
                        Close();
                        return ConnectResult::TimedOut;
                    }
                    error = 0;
                    if (ready == SOCKET_ERROR) {
                        error = WSAGetLastError();
                    } else if (FD_ISSET(m_socket, &failed)) {
                        int length = sizeof error;
                        getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
                        if (error == 0) error = WSAECONNREFUSED;
                    }
                    break;
                }
            }
        }
        if (error != 0) {
            Close();
            return error == WSAECONNREFUSED ? ConnectResult::Refused : ConnectResult::Failed;
        }
        u_long blocking = 0;
        ioctlsocket(m_socket, FIONBIO, &blocking);
        return ConnectResult::Connected;
    }

    bool Send(std::string_view bytes) override
    {
        if (m_socket == INVALID_SOCKET) return false;
        while (!bytes.empty()) {
            const int sent = send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0);
            if (sent == SOCKET_ERROR || sent == 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    ReceiveResult Receive(char* buffer, std::size_t capacity, std::size_t& received,
                          std::chrono::milliseconds limit) override
    {
        received = 0;
        if (m_socket == INVALID_SOCKET) return ReceiveResult::Closed;
        const auto deadline = Clock::now() + limit;
        for (;;) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            timeval left = TimeLeft(deadline);
            const int ready = select(0, &readable, nullptr, nullptr, &left);
            if (ready == 0 && Clock::now() < deadline) continue;
            if (ready == 0) return ReceiveResult::TimedOut;
            break;  // readable, or an error the receive reports
        }
        const int n = recv(m_socket, buffer, static_cast<int>(capacity), 0);
        if (n == SOCKET_ERROR || n == 0) return ReceiveResult::Closed;
        received = static_cast<std::size_t>(n);
        return ReceiveResult::Data;
    }

    void Close() override
    {
        if (m_socket == INVALID_SOCKET) return;
        shutdown(m_socket, SD_BOTH);
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }

    // Readable with nothing to read: the peer's FIN is all there is.
    bool PeerClosed() override
    {
        if (m_socket == INVALID_SOCKET) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval now{0, 0};
        if (select(0, &readable, nullptr, nullptr, &now) <= 0) return false;
        char byte = 0;
        return recv(m_socket, &byte, 1, MSG_PEEK) == 0;
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
};

}  // namespace

std::unique_ptr<Transport> MakeSocketTransport()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
    return std::make_unique<WinsockTransport>();
}

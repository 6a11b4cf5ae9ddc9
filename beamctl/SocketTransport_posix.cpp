// The transport on POSIX sockets: a non-blocking connect waited for with
// poll(), then blocking sends and poll()-limited receives.
#include "Transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// What is left of a limit that ends at `deadline`, for poll(); 0 when over.
int MillisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for `events` on `fd` until `deadline`; false when the time ran out.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
        if (ready > 0) return true;
        if (ready == 0) {
            if (Clock::now() >= deadline) return false;
            continue;
        }
        if (errno != EINTR) return true;  // the call that follows reports the error
    }
}

class PosixSocketTransport final : public Transport {
public:
    ~PosixSocketTransport() override { Close(); }

    ConnectResult Connect(const Ipv4Address& address, std::uint16_t port, std::chrono::milliseconds limit) override
    {
        Close();
        const auto deadline = Clock::now() + limit;
        m_socket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
        if (m_socket < 0) return ConnectResult::Failed;
        const int flags = fcntl(m_socket, F_GETFL, 0);
        fcntl(m_socket, F_SETFL, flags | O_NONBLOCK);

        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        std::memcpy(&peer.sin_addr, address.octets.data(), address.octets.size());
        int error = 0;
        if (connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                if (!WaitFor(m_socket, POLLOUT, deadline)) {
                    Close();
                    return ConnectResult::TimedOut;
                }
                socklen_t length = sizeof error;
                if (getsockopt(m_socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            }
        }
        if (error != 0) {
            Close();
            return error == ECONNREFUSED ? ConnectResult::Refused : ConnectResult::Failed;
        }
        fcntl(m_socket, F_SETFL, flags & ~O_NONBLOCK);
        return ConnectResult::Connected;
    }

    bool Send(std::string_view bytes) override
    {
        if (m_socket < 0) return false;
        while (!bytes.empty()) {
            // A peer that has gone must not end the program with SIGPIPE.
            const ssize_t sent = send(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    ReceiveResult Receive(char* buffer, std::size_t capacity, std::size_t& received,
                          std::chrono::milliseconds limit) override
    {
        received = 0;
        if (m_socket < 0) return ReceiveResult::Closed;
        if (!WaitFor(m_socket, POLLIN, Clock::now() + limit)) return ReceiveResult::TimedOut;
        for (;;) {
            const ssize_t n = recv(m_socket, buffer, capacity, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return ReceiveResult::Closed;
            received = static_cast<std::size_t>(n);
            return ReceiveResult::Data;
        }
    }

    void Close() override
    {
        if (m_socket < 0) return;
        shutdown(m_socket, SHUT_RDWR);
        close(m_socket);
        m_socket = -1;
    }

    // Readable with nothing to read: the peer's FIN is all there is.
    bool PeerClosed() override
    {
        if (m_socket < 0) return false;
        pollfd ready{m_socket, POLLIN, 0};
        if (poll(&ready, 1, 0) <= 0) return false;
        char byte = 0;
        return recv(m_socket, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }

private:
    int m_socket = -1;
};

}  // namespace

std::unique_ptr<Transport> MakeSocketTransport()
{
    return std::make_unique<PosixSocketTransport>();
}

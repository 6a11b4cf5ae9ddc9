// The search's sockets on POSIX: non-blocking connections and one UDP socket,
// waited for with poll(); the interfaces from getifaddrs().
#include "DiscoveryNetwork.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <unordered_map>

namespace {

using Clock = SweepNetwork::Clock;
using Event = SweepNetwork::Event;

constexpr std::size_t kReadSize = 1024;

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    return peer;
}

bool OutOfSockets(int error)
{
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

class PosixSweepNetwork final : public SweepNetwork {
public:
    PosixSweepNetwork() = default;
    ~PosixSweepNetwork() override
    {
        for (const auto& [id, connection] : m_connections) close(connection.fd);
        if (m_search >= 0) close(m_search);
    }
    PosixSweepNetwork(const PosixSweepNetwork&) = delete;
    PosixSweepNetwork& operator=(const PosixSweepNetwork&) = delete;

    Clock::time_point Now() override { return Clock::now(); }

    bool OpenSearch(std::uint16_t port) override
    {
        m_search = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
        if (m_search < 0) return false;
        const int one = 1;
        // Beside other programs (and projectors on this machine) that listen there too.
        setsockopt(m_search, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        setsockopt(m_search, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
        sockaddr_in local = SocketAddress(INADDR_ANY, port);
        if (bind(m_search, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return true;
        local = SocketAddress(INADDR_ANY, 0);
        bind(m_search, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        return false;
    }

    void SendSearch(std::uint32_t address, std::uint16_t port, std::string_view bytes) override
    {
        if (m_search < 0) return;
        const sockaddr_in to = SocketAddress(address, port);
        sendto(m_search, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    ConnectStart Connect(std::size_t id, std::uint32_t address, std::uint16_t port) override
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0) return OutOfSockets(errno) ? ConnectStart::NoSocket : ConnectStart::Failed;
        const sockaddr_in peer = SocketAddress(address, port);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
            m_connections[id] = {fd, false};
            m_pending.push_back({Event::Kind::Connected, id});
            return ConnectStart::Started;
        }
        const int error = errno;
        if (error != EINPROGRESS) {
            close(fd);
            return OutOfSockets(error) ? ConnectStart::NoSocket : ConnectStart::Failed;
        }
        m_connections[id] = {fd, true};
        return ConnectStart::Started;
    }

    void Send(std::size_t id, std::string_view bytes) override
    {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) return;
        // A few bytes on a fresh connection: they fit, or the connection is gone.
        const ssize_t sent = send(found->second.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent != static_cast<ssize_t>(bytes.size())) m_pending.push_back({Event::Kind::Closed, id});
    }

    void Close(std::size_t id) override
    {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) return;
        close(found->second.fd);
        m_connections.erase(found);
    }

    void Wait(Clock::time_point until, std::vector<Event>& events) override
    {
        m_polled.clear();
        m_ids.clear();
        if (m_search >= 0) m_polled.push_back({m_search, POLLIN, 0});
        for (const auto& [id, connection] : m_connections) {
            m_polled.push_back({connection.fd, static_cast<short>(connection.connecting ? POLLOUT : POLLIN), 0});
            m_ids.push_back(id);
        }
        int timeout = 0;
        if (m_pending.empty()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now()).count();
            timeout = left > 0 ? static_cast<int>(std::min<long long>(left, 60000)) : 0;
        }
        events.insert(events.end(), m_pending.begin(), m_pending.end());
        m_pending.clear();
        if (poll(m_polled.data(), m_polled.size(), timeout) <= 0) return;

        std::size_t at = 0;
        if (m_search >= 0) {
            if (m_polled[0].revents != 0) ReadSearch(events);
            at = 1;
        }
        for (std::size_t i = 0; i < m_ids.size(); ++i) {
            const short ready = m_polled[at + i].revents;
            if (ready != 0) Ready(m_ids[i], ready, events);
        }
    }

private:
    struct Connection {
        int fd;
        bool connecting;
    };

    void Ready(std::size_t id, short ready, std::vector<Event>& events)
    {
        Connection& connection = m_connections.at(id);
        if (connection.connecting) {
            int error = 0;
            socklen_t length = sizeof error;
            if (getsockopt(connection.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            if (error != 0) {
                events.push_back({Event::Kind::Failed, id});
                return;
            }
            connection.connecting = false;
            events.push_back({Event::Kind::Connected, id});
            return;
        }
        if ((ready & (POLLIN | POLLHUP | POLLERR)) == 0) return;
        char buffer[kReadSize];
        const ssize_t n = recv(connection.fd, buffer, sizeof buffer, 0);
        if (n > 0)
            events.push_back({Event::Kind::Data, id, 0, std::string(buffer, static_cast<std::size_t>(n))});
        else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            events.push_back({Event::Kind::Closed, id});
    }

    void ReadSearch(std::vector<Event>& events)
    {
        for (;;) {
            char buffer[kReadSize];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t n =
                recvfrom(m_search, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n < 0) return;
            events.push_back({Event::Kind::Datagram, 0, ntohl(from.sin_addr.s_addr),
                              std::string(buffer, static_cast<std::size_t>(n))});
        }
    }

    int m_search = -1;
    std::unordered_map<std::size_t, Connection> m_connections;
    std::vector<Event> m_pending;  // happened outside a wait, handed over by the next
    std::vector<pollfd> m_polled;
    std::vector<std::size_t> m_ids;
};

int PrefixLength(const sockaddr* netmask)
{
    if (netmask == nullptr || netmask->sa_family != AF_INET) return 32;
    const std::uint32_t mask = ntohl(reinterpret_cast<const sockaddr_in*>(netmask)->sin_addr.s_addr);
    return std::popcount(mask);
}

}  // namespace

std::unique_ptr<SweepNetwork> MakeSweepNetwork()
{
    return std::make_unique<PosixSweepNetwork>();
}

std::vector<LocalInterface> ListInterfaces()
{
    std::vector<LocalInterface> interfaces;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return interfaces;
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
        LocalInterface local;
        local.name = i->ifa_name != nullptr ? i->ifa_name : "";
        local.address = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
        local.prefixLength = PrefixLength(i->ifa_netmask);
        // Up and with a link: what the system counts as working.
        local.up = (i->ifa_flags & IFF_UP) != 0 && (i->ifa_flags & IFF_RUNNING) != 0;
        local.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        interfaces.push_back(local);
    }
    freeifaddrs(list);
    return interfaces;
}

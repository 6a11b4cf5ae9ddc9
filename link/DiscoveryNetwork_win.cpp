// The search's sockets on Windows Sockets: non-blocking connections and one
// UDP socket, waited for with select() (a failed connection shows in its
// exception set, on every version of the system); the interfaces from
// GetAdaptersAddresses. The socket layer is started for as long as the
// network object lives.

// Room for a whole sweep's sockets in one set; before any Windows header.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>
// After winsock2.h, which brings in windows.h.
#include <iphlpapi.h>

#include "DiscoveryNetwork.h"

#include <algorithm>
#include <unordered_map>

namespace {

using Clock = SweepNetwork::Clock;
using Event = SweepNetwork::Event;

constexpr std::size_t kReadSize = 1024;
// The search's socket takes one place in the read set.
constexpr std::size_t kMaxConnections = FD_SETSIZE - 1;

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
    return error == WSAEMFILE || error == WSAENOBUFS;
}

class WinsockSweepNetwork final : public SweepNetwork {
public:
    WinsockSweepNetwork() = default;
    ~WinsockSweepNetwork() override
    {
        for (const auto& [id, connection] : m_connections) closesocket(connection.socket);
        if (m_search != INVALID_SOCKET) closesocket(m_search);
        WSACleanup();
    }
    WinsockSweepNetwork(const WinsockSweepNetwork&) = delete;
    WinsockSweepNetwork& operator=(const WinsockSweepNetwork&) = delete;

    Clock::time_point Now() override { return Clock::now(); }

    bool OpenSearch(std::uint16_t port) override
    {
        m_search = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (m_search == INVALID_SOCKET) return false;
        u_long nonBlocking = 1;
        ioctlsocket(m_search, FIONBIO, &nonBlocking);
        const BOOL one = TRUE;
        // Beside other programs (and projectors on this machine) that listen there too.
        setsockopt(m_search, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
        setsockopt(m_search, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&one), sizeof one);
        sockaddr_in local = SocketAddress(INADDR_ANY, port);
        if (bind(m_search, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return true;
        local = SocketAddress(INADDR_ANY, 0);
        bind(m_search, reinterpret_cast<const sockaddr*>(&local), sizeof local);
        return false;
    }

    void SendSearch(std::uint32_t address, std::uint16_t port, std::string_view bytes) override
    {
        if (m_search == INVALID_SOCKET) return;
        const sockaddr_in to = SocketAddress(address, port);
        sendto(m_search, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
               sizeof to);
    }

    ConnectStart Connect(std::size_t id, std::uint32_t address, std::uint16_t port) override
    {
        if (m_connections.size() >= kMaxConnections) return ConnectStart::NoSocket;
        const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return OutOfSockets(WSAGetLastError()) ? ConnectStart::NoSocket : ConnectStart::Failed;
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        const sockaddr_in peer = SocketAddress(address, port);
        if (connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
            m_connections[id] = {s, false};
            m_pending.push_back({Event::Kind::Connected, id});
            return ConnectStart::Started;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            closesocket(s);
            return OutOfSockets(error) ? ConnectStart::NoSocket : ConnectStart::Failed;
        }
        m_connections[id] = {s, true};
        return ConnectStart::Started;
    }

    void Send(std::size_t id, std::string_view bytes) override
    {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) return;
        // A few bytes on a fresh connection: they fit, or the connection is gone.
        const int sent = send(found->second.socket, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent != static_cast<int>(bytes.size())) m_pending.push_back({Event::Kind::Closed, id});
    }

    void Close(std::size_t id) override
    {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) return;
        closesocket(found->second.socket);
        m_connections.erase(found);
    }

    void Wait(Clock::time_point until, std::vector<Event>& events) override
    {
        fd_set readable, writable, failed;
        FD_ZERO(&readable);
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        if (m_search != INVALID_SOCKET) FD_SET(m_search, &readable);
        for (const auto& [id, connection] : m_connections) {
            if (connection.connecting) {
                FD_SET(connection.socket, &writable);
                FD_SET(connection.socket, &failed);
            } else {
                FD_SET(connection.socket, &readable);
            }
        }
        long long us = 0;
        if (m_pending.empty())
            us = std::clamp<long long>(
                std::chrono::ceil<std::chrono::microseconds>(until - Clock::now()).count(), 0, 60000000);
        events.insert(events.end(), m_pending.begin(), m_pending.end());
        m_pending.clear();
        // select() refuses three empty sets.
        if (readable.fd_count == 0 && writable.fd_count == 0) {
            Sleep(static_cast<DWORD>((us + 999) / 1000));
            return;
        }
        timeval limit{static_cast<long>(us / 1000000), static_cast<long>(us % 1000000)};
        if (select(0, &readable, &writable, &failed, &limit) <= 0) return;

        if (m_search != INVALID_SOCKET && FD_ISSET(m_search, &readable)) ReadSearch(events);
        for (auto& [id, connection] : m_connections) {
            if (connection.connecting) {
                if (FD_ISSET(connection.socket, &failed)) {
                    events.push_back({Event::Kind::Failed, id});
                } else if (FD_ISSET(connection.socket, &writable)) {
                    connection.connecting = false;
                    events.push_back({Event::Kind::Connected, id});
                }
            } else if (FD_ISSET(connection.socket, &readable)) {
                Read(id, connection.socket, events);
            }
        }
    }

private:
    struct Connection {
        SOCKET socket;
        bool connecting;
    };

    static void Read(std::size_t id, SOCKET s, std::vector<Event>& events)
    {
        char buffer[kReadSize];
        const int n = recv(s, buffer, sizeof buffer, 0);
        if (n > 0)
            events.push_back({Event::Kind::Data, id, 0, std::string(buffer, static_cast<std::size_t>(n))});
        else if (n == 0 || WSAGetLastError() != WSAEWOULDBLOCK)
            events.push_back({Event::Kind::Closed, id});
    }

    void ReadSearch(std::vector<Event>& events)
    {
        for (;;) {
            char buffer[kReadSize];
            sockaddr_in from{};
            int length = sizeof from;
            const int n = recvfrom(m_search, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (n == SOCKET_ERROR) {
                // A datagram of ours that nobody took comes back as a reset
                // (or one too long for the buffer): skip it, read on.
                const int error = WSAGetLastError();
                if (error == WSAECONNRESET || error == WSAEMSGSIZE) continue;
                return;
            }
            events.push_back({Event::Kind::Datagram, 0, ntohl(from.sin_addr.s_addr),
                              std::string(buffer, static_cast<std::size_t>(n))});
        }
    }

    SOCKET m_search = INVALID_SOCKET;
    std::unordered_map<std::size_t, Connection> m_connections;
    std::vector<Event> m_pending;  // happened outside a wait, handed over by the next
};

}  // namespace

std::unique_ptr<SweepNetwork> MakeSweepNetwork()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
    return std::make_unique<WinsockSweepNetwork>();
}

std::vector<LocalInterface> ListInterfaces()
{
    std::vector<LocalInterface> interfaces;
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    ULONG size = 16384;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    // The list may grow between the calls: try again with the size asked for.
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_INET, kFlags, nullptr,
                                      reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    if (result != NO_ERROR) return interfaces;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET) continue;
            LocalInterface local;
            local.name = adapter->AdapterName != nullptr ? adapter->AdapterName : "";
            local.address = ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
            local.prefixLength = unicast->OnLinkPrefixLength;
            local.up = adapter->OperStatus == IfOperStatusUp;
            local.loopback = adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK;
            interfaces.push_back(local);
        }
    }
    return interfaces;
}

#include "SearchResponder.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "ProjectorSimulator.h"
#include "SimulatorSockets.h"

namespace {

using namespace simulator_sockets;

constexpr std::string_view kSearch = "%2SRCH";
constexpr const char* kLoopbackBroadcast = "127.255.255.255";

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

std::uint32_t Packed(const std::string& dotted)
{
    in_addr a{};
    inet_pton(AF_INET, dotted.c_str(), &a);
    return ntohl(a.s_addr);
}

// "%2SRCH" and CR, the body in either case.
bool IsSearch(std::string_view datagram)
{
    if (!datagram.empty() && datagram.back() == '\r') datagram.remove_suffix(1);
    if (datagram.size() != kSearch.size()) return false;
    for (std::size_t i = 0; i < kSearch.size(); ++i) {
        char c = datagram[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != kSearch[i]) return false;
    }
    return true;
}

}  // namespace

struct SearchResponder::Impl {
    explicit Impl(std::vector<std::string> a) : addresses(std::move(a)) {}

    const std::vector<std::string> addresses;
    Sock listener = kNoSock;
    Sock wake = kNoSock;  // the API pokes it to end the wait, and it hears the trial
    sockaddr_in wakeAddress{};
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> answered{0};
    bool running = false;
    std::mutex mutex;  // Start and Stop

    void Loop();
    void Answer(const sockaddr_in& from);
    bool SendsFromItsAddresses();
    void CloseAll();
};

void SearchResponder::Impl::CloseAll()
{
    if (listener != kNoSock) CloseSocket(listener);
    listener = kNoSock;
    if (wake != kNoSock) CloseSocket(wake);
    wake = kNoSock;
}

// A datagram from a socket bound to each address, to the wake socket: does
// each arrive with its address as the source?
bool SearchResponder::Impl::SendsFromItsAddresses()
{
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const Sock s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s == kNoSock) return false;
        const sockaddr_in local = SocketAddress(Packed(addresses[i]), 0);
        const std::string trial = std::to_string(i);
        const bool sent = bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
                          sendto(s, trial.data(), static_cast<int>(trial.size()), 0,
                                 reinterpret_cast<const sockaddr*>(&wakeAddress), sizeof wakeAddress) > 0;
        CloseSocket(s);
        if (!sent) return false;
    }
    std::vector<bool> fromItself(addresses.size(), false);
    std::size_t heard = 0;
    while (heard < addresses.size()) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(wake, &readable);
        timeval limit{5, 0};  // loopback: at once, unless the machine is very busy
        if (select(static_cast<int>(wake) + 1, &readable, nullptr, nullptr, &limit) <= 0) return false;
        char buffer[16];
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const int n = static_cast<int>(recvfrom(wake, buffer, sizeof buffer - 1, 0,
                                                reinterpret_cast<sockaddr*>(&from), &length));
        if (n <= 0) continue;
        const std::size_t index = std::strtoul(std::string(buffer, static_cast<std::size_t>(n)).c_str(), nullptr, 10);
        if (index >= addresses.size() || fromItself[index]) continue;
        fromItself[index] = ntohl(from.sin_addr.s_addr) == Packed(addresses[index]);
        if (!fromItself[index]) return false;
        ++heard;
    }
    return true;
}

// Each address answers from a socket of its own, so the answer's source is
// the projector's address.
void SearchResponder::Impl::Answer(const sockaddr_in& from)
{
    if ((ntohl(from.sin_addr.s_addr) >> 24) != 127) return;
    const sockaddr_in to = SocketAddress(ntohl(from.sin_addr.s_addr), kPort);
    for (const std::string& address : addresses) {
        const Sock s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (s == kNoSock) continue;
        const sockaddr_in local = SocketAddress(Packed(address), 0);
        if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) {
            const std::string reply = "%2ACKN=" + MacFor(address) + "\r";
            sendto(s, reply.data(), static_cast<int>(reply.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                   sizeof to);
        }
        CloseSocket(s);
    }
    ++answered;
}

void SearchResponder::Impl::Loop()
{
    while (!stopping) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(wake, &readable);
        FD_SET(listener, &readable);
        const Sock highest = std::max(wake, listener);
        if (select(static_cast<int>(highest) + 1, &readable, nullptr, nullptr, nullptr) <= 0) continue;
        if (!FD_ISSET(listener, &readable)) continue;
        for (;;) {
            char buffer[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const int n = static_cast<int>(
                recvfrom(listener, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length));
            if (n < 0) break;
            if (IsSearch(std::string_view(buffer, static_cast<std::size_t>(n)))) Answer(from);
        }
    }
}

SearchResponder::SearchResponder(std::vector<std::string> addresses)
    : impl_(std::make_unique<Impl>(std::move(addresses)))
{
}

SearchResponder::~SearchResponder()
{
    Stop();
}

bool SearchResponder::Start()
{
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (d.running || d.addresses.empty()) return false;
    if (!std::all_of(d.addresses.begin(), d.addresses.end(),
                     [](const std::string& a) { return ProjectorSimulator::IsLoopbackAddress(a); }))
        return false;
#ifdef _WIN32
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
#endif
    d.wake = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    d.wakeAddress = SocketAddress(Packed(d.addresses.front()), 0);
    socklen_t length = sizeof d.wakeAddress;
    bool ready = d.wake != kNoSock &&
                 bind(d.wake, reinterpret_cast<const sockaddr*>(&d.wakeAddress), sizeof d.wakeAddress) == 0 &&
                 getsockname(d.wake, reinterpret_cast<sockaddr*>(&d.wakeAddress), &length) == 0 &&
                 d.SendsFromItsAddresses();
    if (ready) {
        d.listener = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        // Beside other responders and the controller's own socket on the port.
        const int one = 1;
        setsockopt(d.listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
        const sockaddr_in search = SocketAddress(Packed(kLoopbackBroadcast), kPort);
        ready = d.listener != kNoSock &&
                bind(d.listener, reinterpret_cast<const sockaddr*>(&search), sizeof search) == 0;
    }
    if (!ready) {
        d.CloseAll();
#ifdef _WIN32
        WSACleanup();
#endif
        return false;
    }
    SetNonBlocking(d.listener, true);
    d.stopping = false;
    d.running = true;
    d.thread = std::thread([&d] { d.Loop(); });
    return true;
}

void SearchResponder::Stop()
{
    Impl& d = *impl_;
    std::lock_guard lock(d.mutex);
    if (!d.running) return;
    d.stopping = true;
    const char byte = 1;
    sendto(d.wake, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&d.wakeAddress), sizeof d.wakeAddress);
    d.thread.join();
    d.CloseAll();
    d.running = false;
#ifdef _WIN32
    WSACleanup();
#endif
}

int SearchResponder::SearchesAnswered() const
{
    return impl_->answered;
}

std::string SearchResponder::MacFor(const std::string& address)
{
    const std::uint32_t a = Packed(address);
    char mac[18];
    std::snprintf(mac, sizeof mac, "02:00:%02x:%02x:%02x:%02x", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF);
    return mac;
}

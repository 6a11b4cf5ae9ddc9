#pragma once

// The PJLink search (class 2) for stand-in projectors: a controller sends
// "%2SRCH" CR by UDP to a broadcast address, port 4352, and every projector
// that hears it answers "%2ACKN=" + its MAC + CR. The answers go to port 4352
// at the sender's address, where the standard's figure has the controller
// wait; each leaves from the projector's own address, so the controller can
// tell the projectors apart by the datagram's source. The MAC is made up from
// the address: 02:00 and the four octets in hex ("127.0.91.20" gives
// 02:00:7f:00:5b:14).
//
// It hears a search sent to 127.255.255.255, the loopback network's
// broadcast address, as every responder on the machine does (a controller
// sends a 127.x.y.z range's search there, that being the broadcast address of
// the loopback's 127.0.0.0/8). Only a sender inside 127.0.0.0/8 is answered.
//
// It answers only when the system sends a datagram from each of its addresses
// with that address as the source; Start() tries that first. Wine does not:
// it binds a UDP socket to every address whatever address it is given, so a
// datagram leaves from 127.0.0.1 (and the socket hears what is sent to any
// address). There only a responder for 127.0.0.1 starts.
//
// One thread of its own; Start and Stop from any one other thread.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class SearchResponder {
public:
    static constexpr std::uint16_t kPort = 4352;

    // Dotted addresses inside 127.0.0.0/8, answered for in this order.
    explicit SearchResponder(std::vector<std::string> addresses);
    ~SearchResponder();
    SearchResponder(const SearchResponder&) = delete;
    SearchResponder& operator=(const SearchResponder&) = delete;

    // Binds and starts the thread. False when an address is not a loopback
    // one, the search address cannot be bound, or the system cannot send from
    // every one of the addresses.
    bool Start();
    void Stop();

    // Searches answered so far.
    int SearchesAnswered() const;

    // The MAC a projector at `address` answers with.
    static std::string MacFor(const std::string& address);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

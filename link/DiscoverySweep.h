// A projector search: every address of the ranges on both projector ports at
// once (at most a bounded number of connections open at a time), and the
// PJLink search datagram to each search address, its replies taken for as
// long as the sweep lasts. The order and the decisions are here; the
// system's sockets come in through SweepNetwork (DiscoveryNetwork.h makes the
// real one), so a test can stand in for them. Windows-free; the sweep runs on
// the thread that calls RunSweep, and so do the observer's calls.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DiscoveryRanges.h"
#include "DiscoveryResults.h"

struct SweepLimits {
    // A connection not made by then is given up.
    std::chrono::milliseconds connect{2000};
    // From a connection's start to the last answer wanted on it: what a
    // projector has not said by then is not known.
    std::chrono::milliseconds conversation{2800};
    // Search replies are taken at least this long after the search went out.
    std::chrono::milliseconds searchListen{1000};
    // Connections open at once, at most: a whole /24 on both ports at once.
    std::size_t inFlight = 512;
};

struct SweepRequest {
    std::vector<AddressRange> ranges;
    std::vector<std::uint32_t> searchAddresses;  // where the search datagram goes
    SweepLimits limits = {};
};

// What a sweep does with the system's sockets. Connections are named by the
// number the sweep gives them. One thread.
class SweepNetwork {
public:
    using Clock = std::chrono::steady_clock;

    enum class ConnectStart {
        Started,   // under way: Connected or Failed follows
        Failed,    // no connection can be made to that address
        NoSocket,  // no socket is left now: try again once others have closed
    };
    struct Event {
        enum class Kind { Connected, Failed, Data, Closed, Datagram };
        Kind kind = Kind::Data;
        std::size_t connection = 0;  // all but Datagram
        std::uint32_t from = 0;      // Datagram: the sender's address
        std::string bytes = {};      // Data, Datagram
    };

    virtual ~SweepNetwork() = default;

    virtual Clock::time_point Now() = 0;
    // The search's socket, bound to `port` when it can be (true); else to a
    // port the system picks, or none at all (false).
    virtual bool OpenSearch(std::uint16_t port) = 0;
    // Sends a datagram from the search's socket, broadcast allowed.
    virtual void SendSearch(std::uint32_t address, std::uint16_t port, std::string_view bytes) = 0;
    // Starts a connection without waiting for it.
    virtual ConnectStart Connect(std::size_t connection, std::uint32_t address, std::uint16_t port) = 0;
    // Sends a few bytes on a made connection; a failure shows as Closed.
    virtual void Send(std::size_t connection, std::string_view bytes) = 0;
    // Closes a connection, made or not; nothing more comes of it.
    virtual void Close(std::size_t connection) = 0;
    // Waits until something happens or `until` and appends what happened;
    // may return early with nothing.
    virtual void Wait(Clock::time_point until, std::vector<Event>& events) = 0;
};

class SweepObserver {
public:
    // A projector was found, or more is known of one found before: its record now.
    virtual void Found(const DiscoveredProjector& record) = 0;
    // `done` of the `total` addresses have had all their conversations.
    virtual void Progress(std::size_t done, std::size_t total) = 0;

protected:
    ~SweepObserver() = default;
};

struct SweepOutcome {
    std::vector<DiscoveredProjector> found;  // in ascending order of address
    bool searchHeard = false;  // the search's socket had its port: replies could come
    bool stopped = false;      // ended by the stop flag
};

// How often a sweep looks at its stop flag while it waits.
constexpr std::chrono::milliseconds kSweepStopCheck{50};

// Runs the whole sweep; `stop`, when given, ends it early (within
// kSweepStopCheck) with what was found by then. Every connection is closed
// when it returns.
SweepOutcome RunSweep(const SweepRequest& request, SweepNetwork& network, SweepObserver* observer = nullptr,
                      const std::atomic<bool>* stop = nullptr);

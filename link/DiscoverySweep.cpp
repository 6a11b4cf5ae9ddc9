#include "DiscoverySweep.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <unordered_map>

#include "PjlinkWire.h"

namespace {

using Clock = SweepNetwork::Clock;
using Event = SweepNetwork::Event;

constexpr DiscoveryProtocol kProtocols[] = {DiscoveryProtocol::Native, DiscoveryProtocol::Pjlink};
constexpr std::size_t kProtocolCount = std::size(kProtocols);

// One connection under way.
struct Live {
    ProbeConversation conversation;
    std::uint32_t address;
    Clock::time_point connectBy;
    Clock::time_point endBy;
    bool connected = false;

    Clock::time_point Deadline() const { return connected ? endBy : connectBy; }
};

class Sweep {
public:
    Sweep(const SweepRequest& request, SweepNetwork& network, SweepObserver* observer)
        : m_request(request),
          m_network(network),
          m_observer(observer),
          m_addresses(SweptAddresses(request.ranges)),
          m_open(m_addresses.size(), kProtocolCount),
          m_limit(std::max<std::size_t>(request.limits.inFlight, 1))
    {
    }

    SweepOutcome Run(const std::atomic<bool>* stop)
    {
        SweepOutcome outcome;
        outcome.searchHeard = m_network.OpenSearch(kPjlinkPort);
        for (const std::uint32_t address : m_request.searchAddresses)
            m_network.SendSearch(address, kPjlinkPort, kPjlinkSearchRequest);
        const Clock::time_point listenUntil = m_network.Now() + m_request.limits.searchListen;

        std::vector<Event> events;
        for (;;) {
            if (stop != nullptr && stop->load()) {
                outcome.stopped = true;
                break;
            }
            StartConnections();
            const Clock::time_point now = m_network.Now();
            if (m_live.empty() && AllStarted() && now >= listenUntil) break;

            // The next deadline; the listening time counts only while it lasts.
            Clock::time_point until = now < listenUntil || m_live.empty() ? listenUntil : Clock::time_point::max();
            for (const auto& [id, live] : m_live) until = std::min(until, live.Deadline());
            if (stop != nullptr) until = std::min(until, now + kSweepStopCheck);
            events.clear();
            m_network.Wait(until, events);
            for (Event& event : events) Handle(event);
            EndOverdue();
        }
        std::vector<std::size_t> open;
        for (const auto& [id, live] : m_live) open.push_back(id);
        for (const std::size_t id : open) m_network.Close(id);
        outcome.found = m_results.Sorted();
        return outcome;
    }

private:
    bool AllStarted() const { return m_retry.empty() && m_next == m_addresses.size() * kProtocolCount; }

    // Connections are numbered address by address, the native port first.
    std::uint32_t AddressOf(std::size_t id) const { return m_addresses[id / kProtocolCount]; }

    void StartConnections()
    {
        while (m_live.size() < m_limit && !AllStarted()) {
            std::size_t id;
            if (!m_retry.empty()) {
                id = m_retry.front();
                m_retry.pop_front();
            } else {
                id = m_next++;
            }
            ProbeConversation conversation(kProtocols[id % kProtocolCount]);
            const auto start = m_network.Connect(id, AddressOf(id), conversation.Port());
            if (start == SweepNetwork::ConnectStart::Started) {
                const Clock::time_point now = m_network.Now();
                m_live.emplace(id, Live{conversation, AddressOf(id), now + m_request.limits.connect,
                                        now + m_request.limits.conversation});
            } else if (start == SweepNetwork::ConnectStart::NoSocket && !m_live.empty()) {
                // The system has no more sockets to give: as many as are open now.
                m_retry.push_front(id);
                m_limit = m_live.size();
                return;
            } else {
                Ended(id);
            }
        }
    }

    void Handle(Event& event)
    {
        if (event.kind == Event::Kind::Datagram) {
            const auto mac = ParseSearchReply(event.bytes);
            if (mac && std::binary_search(m_addresses.begin(), m_addresses.end(), event.from))
                Report(m_results.AddSearchReply(event.from, *mac));
            return;
        }
        const auto found = m_live.find(event.connection);
        if (found == m_live.end()) return;
        Live& live = found->second;
        switch (event.kind) {
        case Event::Kind::Connected: {
            live.connected = true;
            const std::string opening = live.conversation.Opening();
            if (!opening.empty()) m_network.Send(event.connection, opening);
            break;
        }
        case Event::Kind::Data: {
            const std::string reply = live.conversation.Feed(event.bytes);
            if (!reply.empty()) m_network.Send(event.connection, reply);
            if (live.conversation.Done()) EndLive(event.connection);
            break;
        }
        default:  // Failed, Closed
            EndLive(event.connection);
            break;
        }
    }

    void EndOverdue()
    {
        const Clock::time_point now = m_network.Now();
        std::vector<std::size_t> overdue;
        for (const auto& [id, live] : m_live)
            if (now >= live.Deadline()) overdue.push_back(id);
        for (const std::size_t id : overdue) EndLive(id);
    }

    // Whatever the conversation learnt counts, even when cut short.
    void EndLive(std::size_t id)
    {
        const auto found = m_live.find(id);
        if (found == m_live.end()) return;
        const Live& live = found->second;
        if (const auto& answer = live.conversation.Answer())
            Report(m_results.AddAnswer(live.address, live.conversation.Protocol(), *answer));
        m_network.Close(id);
        m_live.erase(found);
        Ended(id);
    }

    void Ended(std::size_t id)
    {
        if (--m_open[id / kProtocolCount] == 0) {
            ++m_done;
            if (m_observer != nullptr) m_observer->Progress(m_done, m_addresses.size());
        }
    }

    void Report(const DiscoveredProjector& record)
    {
        if (m_observer != nullptr) m_observer->Found(record);
    }

    const SweepRequest& m_request;
    SweepNetwork& m_network;
    SweepObserver* m_observer;
    const std::vector<std::uint32_t> m_addresses;
    std::vector<std::size_t> m_open;  // per address: its connections not yet ended
    std::size_t m_limit;
    std::size_t m_next = 0;
    std::deque<std::size_t> m_retry;
    std::unordered_map<std::size_t, Live> m_live;
    std::size_t m_done = 0;
    DiscoveryResults m_results;
};

}  // namespace

SweepOutcome RunSweep(const SweepRequest& request, SweepNetwork& network, SweepObserver* observer,
                      const std::atomic<bool>* stop)
{
    return Sweep(request, network, observer).Run(stop);
}

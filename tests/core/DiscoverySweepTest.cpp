// The sweep's order and limits against a made-up network with a clock of its
// own: how many connections are open at once, when each is given up, how a
// lack of sockets is met, what the search datagram's replies add, the stop
// flag and the progress. Nothing here touches a real network.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DiscoverySweep.h"
#include "DottedAddress.h"
#include "PjlinkWire.h"
#include "SessionRecords.h"

using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

using Clock = SweepNetwork::Clock;
using Event = SweepNetwork::Event;

std::uint32_t A(const char* dotted)
{
    return ParseAddressText(dotted).value_or(0);
}

const std::string kNativeReply = "QRM/TX.net\x10\x02\0\0 \0"s;

// A made-up peer on one address and port.
struct Peer {
    enum class Kind { Refuse, Hang, Accept } kind = Kind::Accept;
    std::string greeting = {};               // sent once connected
    std::map<std::string, std::string> replies = {};  // what it sends back to what it is sent
};

class FakeNetwork : public SweepNetwork {
public:
    Clock::time_point Now() override { return m_now; }

    bool OpenSearch(std::uint16_t port) override
    {
        searchPort = port;
        return searchHeard;
    }
    void SendSearch(std::uint32_t address, std::uint16_t port, std::string_view bytes) override
    {
        searches.push_back(AddressText(address) + ":" + std::to_string(port) + " " + std::string(bytes));
    }

    ConnectStart Connect(std::size_t id, std::uint32_t address, std::uint16_t port) override
    {
        ++attempts;
        if (m_open.size() >= socketLimit) return ConnectStart::NoSocket;
        const auto found = peers.find({address, port});
        const Peer peer = found != peers.end() ? found->second : Peer{Peer::Kind::Refuse};
        m_open[id] = {address, port};
        mostOpen = std::max(mostOpen, m_open.size());
        if (peer.kind == Peer::Kind::Refuse) Later(1ms, {Event::Kind::Failed, id});
        if (peer.kind == Peer::Kind::Accept) {
            Later(1ms, {Event::Kind::Connected, id});
            if (!peer.greeting.empty()) Later(2ms, {Event::Kind::Data, id, 0, peer.greeting});
        }
        return ConnectStart::Started;
    }

    void Send(std::size_t id, std::string_view bytes) override
    {
        const auto open = m_open.find(id);
        ASSERT_NE(open, m_open.end()) << "a send on a closed connection";
        const Peer& peer = peers.at(open->second);
        if (const auto reply = peer.replies.find(std::string(bytes)); reply != peer.replies.end())
            Later(1ms, {Event::Kind::Data, id, 0, reply->second});
    }

    void Close(std::size_t id) override
    {
        if (m_open.erase(id) == 0) return;
        closes.push_back(m_now - m_start);
    }

    void Wait(Clock::time_point until, std::vector<Event>& events) override
    {
        ++waits;
        std::multimap<Clock::time_point, Event> due;
        if (!m_scheduled.empty() && m_scheduled.begin()->first <= until) {
            m_now = std::max(m_now, m_scheduled.begin()->first);
            while (!m_scheduled.empty() && m_scheduled.begin()->first <= m_now) {
                Event event = m_scheduled.begin()->second;
                m_scheduled.erase(m_scheduled.begin());
                // Nothing comes of a connection closed meanwhile.
                if (event.kind == Event::Kind::Datagram || m_open.count(event.connection)) events.push_back(event);
            }
            return;
        }
        m_now = std::max(m_now, until);
    }

    // A search reply arriving `after` the start.
    void Datagram(Clock::duration after, const char* from, std::string bytes)
    {
        m_scheduled.emplace(m_start + after, Event{Event::Kind::Datagram, 0, A(from), std::move(bytes)});
    }

    Clock::duration Elapsed() const { return m_now - m_start; }
    std::size_t OpenNow() const { return m_open.size(); }

    std::map<std::pair<std::uint32_t, std::uint16_t>, Peer> peers;
    std::size_t socketLimit = 100000;
    bool searchHeard = true;
    std::uint16_t searchPort = 0;
    std::vector<std::string> searches;
    std::size_t attempts = 0;
    std::size_t mostOpen = 0;
    std::vector<Clock::duration> closes;  // when each connection closed
    int waits = 0;

private:
    void Later(Clock::duration after, Event event) { m_scheduled.emplace(m_now + after, std::move(event)); }

    const Clock::time_point m_start = Clock::time_point{} + 1h;
    Clock::time_point m_now = m_start;
    std::multimap<Clock::time_point, Event> m_scheduled;
    std::map<std::size_t, std::pair<std::uint32_t, std::uint16_t>> m_open;
};

Peer NativeProjector()
{
    return {Peer::Kind::Accept, "", {{kNativeReply.substr(0, 11) + "\x02\0\0\0\0"s, kNativeReply}}};
}

Peer PjlinkProjector(const std::string& name)
{
    return {Peer::Kind::Accept, "PJLINK 0\r", {{"%1NAME ?\r", "%1NAME=" + name + "\r"}, {"%1CLSS ?\r", "%1CLSS=2\r"}}};
}

SweepRequest Request(const char* first, const char* last)
{
    SweepRequest request;
    request.ranges = {{A(first), A(last)}};
    return request;
}

class Recorder : public SweepObserver {
public:
    void Found(const DiscoveredProjector& record) override { found.push_back(record); }
    void Progress(std::size_t done, std::size_t total) override { progress.push_back({done, total}); }

    std::vector<DiscoveredProjector> found;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
};

}  // namespace

// A /24 whose every address hangs on both ports: all 508 connections at once,
// each given up at the connect limit, so the sweep ends then.
TEST(DiscoverySweep, AWholeSlash24AtOnce)
{
    FakeNetwork network;
    for (std::uint32_t a = A("10.0.0.1"); a <= A("10.0.0.254"); ++a)
        for (const std::uint16_t port : {kProjectorPort, kPjlinkPort}) network.peers[{a, port}] = {Peer::Kind::Hang};
    const SweepOutcome outcome = RunSweep(Request("10.0.0.1", "10.0.0.254"), network);
    EXPECT_EQ(network.mostOpen, 508u);
    EXPECT_EQ(network.attempts, 508u);
    EXPECT_EQ(network.Elapsed(), 2000ms);
    EXPECT_TRUE(outcome.found.empty());
    EXPECT_EQ(network.OpenNow(), 0u);
    EXPECT_LT(network.waits, 10) << "the sweep waits for deadlines, it does not spin";
}

// With fewer places than connections, each starts as one ends; each has its
// own limits from its own start.
TEST(DiscoverySweep, ConnectionsInFlightAreBounded)
{
    FakeNetwork network;
    for (std::uint32_t a = A("10.0.0.1"); a <= A("10.0.0.5"); ++a)
        network.peers[{a, kProjectorPort}] = {Peer::Kind::Hang};
    network.peers[{A("10.0.0.5"), kPjlinkPort}] = PjlinkProjector("Last");
    SweepRequest request = Request("10.0.0.1", "10.0.0.5");
    request.limits.inFlight = 4;
    const SweepOutcome outcome = RunSweep(request, network);
    EXPECT_EQ(network.mostOpen, 4u);
    // Ten connections four at a time: the hanging ones in waves of 2000 ms.
    EXPECT_EQ(network.Elapsed(), 4000ms);
    ASSERT_EQ(outcome.found.size(), 1u);
    EXPECT_EQ(outcome.found[0].pjlink->name, "Last");
}

// What a projector has not said within the conversation limit stays unknown;
// what it said counts.
TEST(DiscoverySweep, AConversationCutShortCountsWhatItHad)
{
    FakeNetwork network;
    network.peers[{A("10.0.0.1"), kPjlinkPort}] = {Peer::Kind::Accept, "PJLINK 0\r"};  // never answers NAME
    network.peers[{A("10.0.0.2"), kProjectorPort}] = {Peer::Kind::Accept};                // never answers the probe
    Recorder recorder;
    const SweepOutcome outcome = RunSweep(Request("10.0.0.1", "10.0.0.2"), network, &recorder);
    EXPECT_EQ(network.Elapsed(), 2800ms);
    ASSERT_EQ(outcome.found.size(), 1u);
    EXPECT_EQ(outcome.found[0].address, A("10.0.0.1"));
    EXPECT_EQ(outcome.found[0].pjlink, (ProtocolAnswer{false, {}, {}, {}}));
    EXPECT_FALSE(outcome.found[0].native);
    EXPECT_EQ(recorder.found.size(), 1u) << "reported once, when it ended";
}

// The system runs out of sockets: the sweep goes on with as many as it has,
// and no address is left out.
TEST(DiscoverySweep, NoSocketLeftWaitsForOneToClose)
{
    FakeNetwork network;
    network.socketLimit = 3;
    for (std::uint32_t a = A("10.0.0.1"); a <= A("10.0.0.6"); ++a) {
        network.peers[{a, kProjectorPort}] = NativeProjector();
        network.peers[{a, kPjlinkPort}] = PjlinkProjector(AddressText(a));
    }
    const SweepOutcome outcome = RunSweep(Request("10.0.0.1", "10.0.0.6"), network);
    EXPECT_EQ(network.mostOpen, 3u);
    ASSERT_EQ(outcome.found.size(), 6u);
    for (const DiscoveredProjector& p : outcome.found) {
        EXPECT_EQ(p.native, (ProtocolAnswer{false, {}, {}, {}})) << AddressText(p.address);
        EXPECT_EQ(p.pjlink, (ProtocolAnswer{false, AddressText(p.address), 2, {}})) << AddressText(p.address);
    }
    EXPECT_EQ(network.OpenNow(), 0u);
}

// The search goes out first, from the PJLink port; its replies from the
// ranges count for as long as the sweep lasts, at least the listening time.
TEST(DiscoverySweep, SearchRepliesDuringTheSweep)
{
    FakeNetwork network;
    network.peers[{A("10.0.0.3"), kPjlinkPort}] = {Peer::Kind::Accept, "PJLINK 1 00ff00ff\r"};
    network.Datagram(5ms, "10.0.0.3", "%2ACKN=02:00:0a:00:00:03\r");
    network.Datagram(300ms, "10.0.0.4", "%2ACKN=02:00:0a:00:00:04\r");      // only the search answered
    network.Datagram(310ms, "10.0.1.4", "%2ACKN=02:00:0a:00:01:04\r");      // outside the range
    network.Datagram(320ms, "10.0.0.5", "%2SRCH\r");                        // not a reply
    network.Datagram(1100ms, "10.0.0.6", "%2ACKN=02:00:0a:00:00:06\r");     // after the end
    SweepRequest request = Request("10.0.0.1", "10.0.0.9");
    request.searchAddresses = {A("10.0.0.255"), A("10.0.255.255")};
    Recorder recorder;
    const SweepOutcome outcome = RunSweep(request, network, &recorder);

    EXPECT_EQ(network.searchPort, kPjlinkPort);
    EXPECT_EQ(network.searches,
              (std::vector<std::string>{"10.0.0.255:4352 %2SRCH\r", "10.0.255.255:4352 %2SRCH\r"}));
    EXPECT_TRUE(outcome.searchHeard);
    EXPECT_EQ(network.Elapsed(), 1000ms) << "every connection ended at once; the listening time did not";
    ASSERT_EQ(outcome.found.size(), 2u);
    EXPECT_EQ(outcome.found[0].pjlink, (ProtocolAnswer{true, {}, 2, "02:00:0a:00:00:03"}));
    EXPECT_EQ(outcome.found[1].address, A("10.0.0.4"));
    EXPECT_EQ(outcome.found[1].pjlink, (ProtocolAnswer{{}, {}, 2, "02:00:0a:00:00:04"}));
    EXPECT_EQ(recorder.found.size(), 3u) << "10.0.0.3 by the search, then by its greeting; 10.0.0.4";

    FakeNetwork deaf;
    deaf.searchHeard = false;
    EXPECT_FALSE(RunSweep(request, deaf).searchHeard);
}

TEST(DiscoverySweep, StopEndsItAtOnce)
{
    FakeNetwork network;
    // 10.0.0.1 refuses both connections at once; the rest take their time.
    for (std::uint32_t a = A("10.0.0.2"); a <= A("10.0.0.9"); ++a) network.peers[{a, kPjlinkPort}] = {Peer::Kind::Hang};
    network.peers[{A("10.0.0.2"), kProjectorPort}] = NativeProjector();
    std::atomic<bool> stop{false};
    struct StopAtProgress : Recorder {
        std::atomic<bool>* stop;
        void Progress(std::size_t done, std::size_t total) override
        {
            Recorder::Progress(done, total);
            *stop = true;
        }
    } recorder;
    recorder.stop = &stop;
    const SweepOutcome outcome = RunSweep(Request("10.0.0.1", "10.0.0.9"), network, &recorder, &stop);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_LE(network.Elapsed(), kSweepStopCheck + 10ms);
    EXPECT_EQ(network.OpenNow(), 0u) << "every connection closed";
    EXPECT_TRUE(outcome.found.empty()) << "stopped before 10.0.0.2 had answered";
}

// Progress counts addresses whose connections have all ended, up to all.
TEST(DiscoverySweep, ProgressCountsAddresses)
{
    FakeNetwork network;
    network.peers[{A("10.0.0.2"), kPjlinkPort}] = PjlinkProjector("B");
    network.peers[{A("10.0.0.3"), kProjectorPort}] = {Peer::Kind::Hang};
    Recorder recorder;
    RunSweep(Request("10.0.0.1", "10.0.0.4"), network, &recorder);
    ASSERT_EQ(recorder.progress.size(), 4u);
    for (std::size_t i = 0; i < recorder.progress.size(); ++i)
        EXPECT_EQ(recorder.progress[i], std::make_pair(i + 1, std::size_t{4}));
    EXPECT_EQ(network.closes.back(), 2000ms) << "the hanging one last";
}

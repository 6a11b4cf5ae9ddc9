// beamctl discover in-process: against simulators on loopback ranges of
// 127.0.90.x over the system's sockets (text, JSON, the exit statuses and how
// long a /24 takes), and without a range against a made-up interface list and
// a made-up network, so the default ranges are followed without a byte
// leaving for a real network.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Beamctl.h"
#include "DiscoveryNetwork.h"
#include "DottedAddress.h"
#include "ProjectorSimulator.h"
#include "SearchResponder.h"
#include "SimulatorRange.h"

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Only the loopback: the search of a 127.x range goes to 127.255.255.255.
const std::vector<LocalInterface> kLoopbackOnly{{"lo", 0x7F000001, 8, true, true}};

Outcome Discover(const std::vector<std::string>& args, const std::vector<LocalInterface>& interfaces = kLoopbackOnly,
                 std::function<std::unique_ptr<SweepNetwork>()> network = MakeSweepNetwork)
{
    Host host{
        [](const char*) -> std::optional<std::string> { return std::nullopt; },
        [] { return std::optional<SavedProjector>(); },
        [] { return ValueTable(); },
        [] { return std::unique_ptr<Transport>(); },
    };
    host.interfaces = [interfaces] { return interfaces; };
    host.makeSweepNetwork = std::move(network);
    Outcome outcome;
    outcome.status = RunBeamctl(args, host, outcome.out, outcome.err);
    return outcome;
}

ProjectorSimulator::Options Native(const std::string& address, const std::string& password = "")
{
    ProjectorSimulator::Options options;
    options.address = address;
    options.password = password;
    return options;
}

ProjectorSimulator::Options Pjlink(const std::string& address, int pjlinkClass = 2, const std::string& password = "")
{
    ProjectorSimulator::Options options;
    options.protocol = ProjectorSimulator::Protocol::Pjlink;
    options.address = address;
    options.pjlinkClass = pjlinkClass;
    options.password = password;
    options.name = "Room " + address.substr(address.rfind('.') + 1);
    return options;
}

std::string Mac(const std::string& address)
{
    return SearchResponder::MacFor(address);
}

// What the search adds to a class-2 projector's line when its simulator
// answers the search (not under Wine: see SearchResponder.h): class 2 when
// the projector has not said so itself, and the MAC.
std::string Heard(bool answered, const std::string& address, bool classKnown = true)
{
    if (!answered) return "";
    return (classKnown ? "" : " class=2") + std::string(" mac=") + Mac(address);
}

std::string HeardJson(bool answered, const std::string& address, bool classKnown = true)
{
    if (!answered) return "";
    return (classKnown ? "" : ", \"class\": 2") + std::string(", \"mac\": \"") + Mac(address) + "\"";
}

// Simulators on 127.0.90.x: native ones (one wants a password), PJLink ones
// of class 2 (one wants a password), one of class 1, one projector speaking
// both, and one whose connects hang, which makes the sweep wait its 2000 ms.
class DiscoverRun : public testing::Test {
protected:
    void SetUp() override
    {
        m_native = std::make_unique<SimulatorRange>(SimulatorRange::Addresses("127.0.90.20-127.0.90.21"),
                                                    [](const std::string& a) {
                                                        return Native(a, a == "127.0.90.21" ? "secret" : "");
                                                    });
        m_pjlink = std::make_unique<SimulatorRange>(SimulatorRange::Addresses("127.0.90.30-127.0.90.31"),
                                                    [](const std::string& a) {
                                                        return Pjlink(a, 2, a == "127.0.90.31" ? "pj1" : "");
                                                    });
        ASSERT_TRUE(m_native->Start());
        ASSERT_TRUE(m_pjlink->Start());
        for (auto options : {Pjlink("127.0.90.40", 1), Native("127.0.90.50"), Pjlink("127.0.90.50"),
                             Native("127.0.90.60")}) {
            m_single.push_back(std::make_unique<ProjectorSimulator>(options));
            ASSERT_TRUE(m_single.back()->Start()) << options.address;
        }
        m_single.back()->SetHangConnects(true);
    }

    std::unique_ptr<SimulatorRange> m_native;
    std::unique_ptr<SimulatorRange> m_pjlink;
    std::vector<std::unique_ptr<ProjectorSimulator>> m_single;
};

// A network that refuses every connection and records what was asked of it.
class RecordingNetwork : public SweepNetwork {
public:
    struct Log {
        std::set<std::pair<std::uint32_t, std::uint16_t>> connects;
        std::vector<std::string> searches;
    };
    explicit RecordingNetwork(Log& log) : m_log(log) {}

    Clock::time_point Now() override { return m_now; }
    bool OpenSearch(std::uint16_t) override { return false; }
    void SendSearch(std::uint32_t address, std::uint16_t port, std::string_view) override
    {
        m_log.searches.push_back(AddressText(address) + ":" + std::to_string(port));
    }
    ConnectStart Connect(std::size_t, std::uint32_t address, std::uint16_t port) override
    {
        m_log.connects.insert({address, port});
        return ConnectStart::Failed;
    }
    void Send(std::size_t, std::string_view) override {}
    void Close(std::size_t) override {}
    void Wait(Clock::time_point until, std::vector<Event>&) override { m_now = std::max(m_now, until); }

private:
    Log& m_log;
    Clock::time_point m_now{};
};

}  // namespace

TEST_F(DiscoverRun, OneLinePerProjectorFound)
{
    const auto started = std::chrono::steady_clock::now();
    const Outcome found = Discover({"discover", "127.0.90.0/24"});
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    // How long a /24 takes: its slowest address is given up at the connect limit.
    std::printf("beamctl discover 127.0.90.0/24 (one address hanging): %lld ms\n",
                static_cast<long long>(took.count()));
    RecordProperty("slash24_ms", static_cast<int>(took.count()));

    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.err, "");
    const bool heard = m_pjlink->Search() != nullptr;
    EXPECT_EQ(found.out, "127.0.90.20 native password=none\n"
                         "127.0.90.21 native password=required\n"
                         "127.0.90.30 pjlink password=none class=2" + Heard(heard, "127.0.90.30") + " name=Room 30\n"
                         "127.0.90.31 pjlink password=required" + Heard(heard, "127.0.90.31", false) + "\n"
                         "127.0.90.40 pjlink password=none class=1 name=Room 40\n"
                         "127.0.90.50 native password=none pjlink password=none class=2" +
                         Heard(m_single[2]->AnswersSearch(), "127.0.90.50") + " name=Room 50\n");
    // Port 3629 had the probe and nothing more; PJLink's NAME and CLSS, no password.
    EXPECT_EQ((*m_native)[0].Received(), (std::vector<std::string>{std::string("QRM/TX.net\x10\x02\0\0\0\0", 16)}));
    EXPECT_EQ((*m_pjlink)[0].Received(), (std::vector<std::string>{"%1NAME ?\r%1CLSS ?\r"}));
    EXPECT_EQ((*m_pjlink)[1].Received(), (std::vector<std::string>{""}));
    EXPECT_EQ(m_single[1]->Received().size(), 1u);
}

TEST_F(DiscoverRun, JsonAndRangesOfEitherForm)
{
    const Outcome found = Discover({"discover", "--json", "127.0.90.25-127.0.90.31", "127.0.90.40/32",
                                    "127.0.90.20-127.0.90.20"});
    EXPECT_EQ(found.status, 0) << found.err;
    const bool heard = m_pjlink->Search() != nullptr;
    EXPECT_EQ(found.out,
              "[\n"
              "  {\"address\": \"127.0.90.20\", \"native\": {\"password\": \"none\"}},\n"
              "  {\"address\": \"127.0.90.30\", \"pjlink\": {\"password\": \"none\", \"name\": \"Room 30\", \"class\": 2" +
                  HeardJson(heard, "127.0.90.30") + "}},\n"
              "  {\"address\": \"127.0.90.31\", \"pjlink\": {\"password\": \"required\"" +
                  HeardJson(heard, "127.0.90.31", false) + "}},\n"
              "  {\"address\": \"127.0.90.40\", \"pjlink\": {\"password\": \"none\", \"name\": \"Room 40\", "
              "\"class\": 1}}\n"
              "]\n");
    EXPECT_EQ((*m_native)[1].ConnectionCount(), 0) << "127.0.90.21 lies outside every range";
}

TEST_F(DiscoverRun, NoneFoundAndBadRanges)
{
    const Outcome none = Discover({"discover", "127.0.90.128/28"});
    EXPECT_EQ(none.status, 3);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "beamctl: no projector answered in 127.0.90.128/28\n");
    const Outcome noneJson = Discover({"--json", "DISCOVER", "127.0.90.128/28"});
    EXPECT_EQ(noneJson.status, 3);
    EXPECT_EQ(noneJson.out, "[]\n");

    for (const char* bad : {"127.0.90.0/21", "127.0.90.9-127.0.90.1", "127.0.90.20", "127.0.88.0-127.0.92.0"}) {
        const Outcome refused = Discover({"discover", "127.0.90.20/32", bad});
        EXPECT_EQ(refused.status, 2) << bad;
        EXPECT_EQ(refused.out, "") << bad;
        EXPECT_EQ(refused.err.rfind(std::string("beamctl: discover: '") + bad + "'", 0), 0u) << refused.err;
        EXPECT_NE(refused.err.find(" (Example: beamctl discover "), std::string::npos) << refused.err;
        EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '\n'), 1) << refused.err;
    }
    EXPECT_EQ((*m_native)[0].ConnectionCount(), 0) << "nothing was sent";
}

// The search's answers reach the sweep over the system's sockets. A responder
// for 127.0.0.1 answers on every system (Wine included); whatever else may
// listen on 127.0.0.1 here, its line carries the search's MAC and class.
TEST(Discover, TheSearchIsAnsweredOverTheSystemsSockets)
{
    SearchResponder responder({"127.0.0.1"});
    ASSERT_TRUE(responder.Start());
    const Outcome found = Discover({"discover", "127.0.0.1/32"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out.rfind("127.0.0.1 ", 0), 0u) << found.out;
    EXPECT_NE(found.out.find(" pjlink password="), std::string::npos) << found.out;
    EXPECT_NE(found.out.find(" class=" ), std::string::npos) << found.out;
    EXPECT_NE(found.out.find(" mac=" + Mac("127.0.0.1")), std::string::npos) << found.out;
    EXPECT_EQ(responder.SearchesAnswered(), 1);
}

// Without a range: the /24 around each working interface's address, never a
// loopback one; the search goes to each subnet's broadcast address. The
// network here is a made-up one that refuses everything.
TEST(Discover, WithoutARangeTheInterfacesSlash24s)
{
    RecordingNetwork::Log log;
    const std::vector<LocalInterface> interfaces{
        {"lo", 0x7F000001, 8, true, true},
        {"eth0", 0xC0A80709, 16, true, false},    // 192.168.7.9/16
        {"eth1", 0x0A000105, 24, false, false},   // down
        {"wlan0", 0xAC100405, 24, true, false},   // 172.16.4.5/24
    };
    const Outcome outcome = Discover({"discover"}, interfaces, [&] { return std::make_unique<RecordingNetwork>(log); });
    EXPECT_EQ(outcome.status, 3);
    EXPECT_EQ(outcome.err,
              "beamctl: note: UDP port 4352 could not be had; the PJLink search's answers were not heard\n"
              "beamctl: no projector answered in 192.168.7.0/24 172.16.4.0/24\n");
    EXPECT_EQ(log.searches, (std::vector<std::string>{"192.168.255.255:4352", "172.16.4.255:4352"}));
    ASSERT_EQ(log.connects.size(), 2u * 254 * 2);
    EXPECT_EQ(log.connects.begin()->first, 0xAC100401u);  // 172.16.4.1
    EXPECT_EQ(log.connects.rbegin()->first, 0xC0A807FEu);  // 192.168.7.254
    for (const auto& [address, port] : log.connects) EXPECT_TRUE(port == 3629 || port == 4352);

    const Outcome nothing = Discover({"discover"}, kLoopbackOnly,
                                     [&]() -> std::unique_ptr<SweepNetwork> { ADD_FAILURE() << "swept"; return nullptr; });
    EXPECT_EQ(nothing.status, 3);
    EXPECT_EQ(nothing.err.rfind("beamctl: discover: no network interface is up to search (", 0), 0u) << nothing.err;
}

// Stand-in projectors on a range of loopback addresses, and their answers to
// the PJLink search datagram, driven by a tiny raw UDP client on port 4352
// (where the answers go). Addresses 127.0.91.x, this file's own.

#include "ProjectorSimulator.h"
#include "SimulatorSockets.h"
#include "TestSockets.h"
#include "SearchResponder.h"
#include "SimulatorRange.h"


#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

using namespace simulator_sockets;
using namespace test_sockets;
const SocketsInUse g_sockets;

constexpr std::uint16_t kNativePort = 3629;
constexpr std::uint16_t kSearchPort = 4352;
constexpr auto kLimit = 10s;  // generous: the machine may be loaded

// A controller's search socket: bound to port 4352 on every address, as a
// controller waits for the answers.
class Searcher {
public:
    Searcher() : sock_(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP))
    {
        const int one = 1;
        setsockopt(sock_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&one), sizeof one);
        setsockopt(sock_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&one), sizeof one);
        const sockaddr_in any = Address("0.0.0.0", kSearchPort);
        bound_ = bind(sock_, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
    }
    ~Searcher() { CloseSocket(sock_); }
    Searcher(const Searcher&) = delete;
    Searcher& operator=(const Searcher&) = delete;

    bool Bound() const { return bound_; }

    void Send(const std::string& to, const std::string& bytes)
    {
        const sockaddr_in a = Address(to, kSearchPort);
        ASSERT_EQ(sendto(sock_, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&a),
                         sizeof a),
                  static_cast<int>(bytes.size()));
    }

    // The answers (%2ACKN datagrams) from addresses starting with `prefix`, by
    // their source, until `count` have come or `limit` has passed. Other
    // tests' simulators hear the search too; this file's own datagrams come
    // back from 127.0.0.1.
    std::map<std::string, std::string> Answers(std::size_t count, std::chrono::milliseconds limit = kLimit,
                                               const std::string& prefix = "127.0.91.")
    {
        std::map<std::string, std::string> answers;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (answers.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left <= 0ms || !Readable(sock_, left)) break;
            char buffer[512];
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const int n = static_cast<int>(
                recvfrom(sock_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length));
            if (n <= 0) continue;
            char source[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &from.sin_addr, source, sizeof source);
            const std::string datagram(buffer, static_cast<std::size_t>(n));
            if (datagram.rfind("%2ACKN=", 0) != 0) continue;
            if (std::string(source).rfind(prefix, 0) != 0) continue;
            answers[source] = datagram;
        }
        return answers;
    }

private:
    Sock sock_;
    bool bound_ = false;
};

// A connect to a native projector and its probe reply's status byte; -1 when
// there is no projector there.
int ProbeStatus(const std::string& address)
{
    const Sock s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in a = Address(address, kNativePort);
    int status = -1;
    if (connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) {
        const std::string probe = "QRM/TX.net\x10\x02\0\0\0\0"s;
        send(s, probe.data(), static_cast<int>(probe.size()), 0);
        std::string reply;
        char buffer[64];
        while (reply.size() < 16 && Readable(s, kLimit)) {
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        if (reply.size() >= 16) status = static_cast<unsigned char>(reply[14]);
    }
    CloseSocket(s);
    return status;
}

SimulatorRange::OptionsFor Pjlink(int pjlinkClass = 2)
{
    return [pjlinkClass](const std::string&) {
        ProjectorSimulator::Options options;
        options.protocol = ProjectorSimulator::Protocol::Pjlink;
        options.pjlinkClass = pjlinkClass;
        return options;
    };
}

std::string Ackn(const std::string& address)
{
    return "%2ACKN=" + SearchResponder::MacFor(address) + "\r";
}

}  // namespace

TEST(SimulatorRange, AddressesOfARange)
{
    EXPECT_EQ(SimulatorRange::Addresses("127.0.91.254-127.0.92.1"),
              (std::vector<std::string>{"127.0.91.254", "127.0.91.255", "127.0.92.0", "127.0.92.1"}));
    EXPECT_EQ(SimulatorRange::Addresses("127.0.91.7"), (std::vector<std::string>{"127.0.91.7"}));
    EXPECT_EQ(SimulatorRange::Addresses("127.0.0.0-127.0.3.255").size(), 1024u);
    for (const char* refused : {"127.0.0.0-127.0.4.0", "127.0.91.9-127.0.91.8", "127.0.91.1-128.0.0.1",
                                "10.0.0.1-10.0.0.2", "127.0.91.1-", "127.0.91.1-127.0.91.2-127.0.91.3", ""})
        EXPECT_TRUE(SimulatorRange::Addresses(refused).empty()) << refused;
    EXPECT_EQ(SearchResponder::MacFor("127.0.91.20"), "02:00:7f:00:5b:14");
}

// Each address is a projector of its own; a range that cannot have one of
// its addresses starts none.
TEST(SimulatorRange, EachAddressIsAProjectorOfItsOwn)
{
    SimulatorRange range(SimulatorRange::Addresses("127.0.91.1-127.0.91.4"), [](const std::string& address) {
        ProjectorSimulator::Options options;
        if (address == "127.0.91.3") options.password = "pw";
        return options;
    });
    ASSERT_TRUE(range.Start());
    ASSERT_EQ(range.Size(), 4u);
    EXPECT_EQ(range.AddressOf(3), "127.0.91.4");
    EXPECT_EQ(range.Search(), nullptr) << "the native protocol has no search";
    EXPECT_EQ(ProbeStatus("127.0.91.1"), 0x20);
    EXPECT_EQ(ProbeStatus("127.0.91.3"), 0x41);
    EXPECT_EQ(ProbeStatus("127.0.91.4"), 0x20);
    EXPECT_EQ(ProbeStatus("127.0.91.5"), -1);
    range[1].SetPower("03");
    EXPECT_EQ(range[1].Power(), "03");
    EXPECT_EQ(range[0].Power(), "01");
    EXPECT_EQ(range[0].ConnectionCount(), 1);
    EXPECT_EQ(range[1].ConnectionCount(), 0);

    SimulatorRange overlapping(SimulatorRange::Addresses("127.0.91.4-127.0.91.6"),
                               [](const std::string&) { return ProjectorSimulator::Options{}; });
    EXPECT_FALSE(overlapping.Start()) << "127.0.91.4 is taken";
    EXPECT_EQ(ProbeStatus("127.0.91.5"), -1) << "nothing of it left running";
}

// Wine binds a UDP socket to every address whatever it is given, so there a
// datagram can leave from 127.0.0.1 only: the simulators' answers, which must
// come from each projector's own address, are then not given at all.
constexpr const char* kNoSourceAddresses =
    "this system's UDP sockets do not send from the address they are bound to (Wine): no answers to check";

// Class 2: one answer per address, from that address, to port 4352 of the
// sender, for a search sent to the loopback network's broadcast address; the
// search's body in either case; nothing else answered.
TEST(SimulatorRange, ClassTwoAnswersTheSearch)
{
    Searcher searcher;
    ASSERT_TRUE(searcher.Bound());
    SimulatorRange range(SimulatorRange::Addresses("127.0.91.30-127.0.91.34"), Pjlink());
    ASSERT_TRUE(range.Start());
    if (range.Search() == nullptr) GTEST_SKIP() << kNoSourceAddresses;

    for (const char* search : {"%2SRCH\r", "%2srch\r"}) {
        searcher.Send("127.255.255.255", search);
        const auto answers = searcher.Answers(5);
        ASSERT_EQ(answers.size(), 5u) << search;
        for (std::size_t i = 0; i < range.Size(); ++i)
            EXPECT_EQ(answers.at(range.AddressOf(i)), Ackn(range.AddressOf(i))) << search;
    }
    EXPECT_EQ(range.Search()->SearchesAnswered(), 2);
    for (const char* other : {"%2SRCH ?\r", "%1SRCH\r", "%2ACKN=02:00:7f:00:5b:1e\r", "%2SRCHX\r"})
        searcher.Send("127.255.255.255", other);
    EXPECT_TRUE(searcher.Answers(1, 500ms).empty());
    EXPECT_EQ(range.Search()->SearchesAnswered(), 2);
    // The members are PJLink projectors as ever.
    EXPECT_EQ(range[2].Power(), "0");
}

// A single PJLink simulator answers for itself; class 1 and the native
// protocol do not answer, nor one whose answers are switched off.
TEST(SimulatorRange, WhoAnswersTheSearch)
{
    Searcher searcher;
    ASSERT_TRUE(searcher.Bound());
    ProjectorSimulator::Options single;
    single.protocol = ProjectorSimulator::Protocol::Pjlink;
    single.address = "127.0.91.40";
    ProjectorSimulator one(single);
    ASSERT_TRUE(one.Start());
    if (!one.AnswersSearch()) GTEST_SKIP() << kNoSourceAddresses;
    ProjectorSimulator::Options silent = single;
    silent.address = "127.0.91.41";
    silent.answerSearch = false;
    ProjectorSimulator off(silent);
    ASSERT_TRUE(off.Start());
    EXPECT_FALSE(off.AnswersSearch());
    SimulatorRange classOne(SimulatorRange::Addresses("127.0.91.42-127.0.91.43"), Pjlink(1));
    ASSERT_TRUE(classOne.Start());
    EXPECT_EQ(classOne.Search(), nullptr);
    SimulatorRange native(SimulatorRange::Addresses("127.0.91.44-127.0.91.45"),
                          [](const std::string&) { return ProjectorSimulator::Options{}; });
    ASSERT_TRUE(native.Start());

    searcher.Send("127.255.255.255", "%2SRCH\r");
    const auto answers = searcher.Answers(2, 1000ms);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers.begin()->first, "127.0.91.40");
    EXPECT_EQ(answers.begin()->second, Ackn("127.0.91.40"));

    one.Stop();
    EXPECT_FALSE(one.AnswersSearch());
    searcher.Send("127.255.255.255", "%2SRCH\r");
    EXPECT_TRUE(searcher.Answers(1, 500ms).empty()) << "a stopped simulator answers nothing";
}

// 127.0.0.1 is where every system sends from: a responder for it starts
// anywhere, Wine included. There its socket listens on every address, and of
// two sockets on port 4352 the one bound last gets what is sent to
// 127.0.0.1: the searcher binds after the responder, as a controller that
// comes to search does.
TEST(SimulatorRange, TheLoopbackAddressAnswersEverywhere)
{
    SearchResponder responder({"127.0.0.1"});
    ASSERT_TRUE(responder.Start());
    Searcher searcher;
    ASSERT_TRUE(searcher.Bound());
    searcher.Send("127.255.255.255", "%2SRCH\r");
    const auto answers = searcher.Answers(1, kLimit, "127.0.0.1");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers.at("127.0.0.1"), Ackn("127.0.0.1"));
    EXPECT_FALSE(SearchResponder({"10.0.0.1"}).Start()) << "loopback addresses only";
}

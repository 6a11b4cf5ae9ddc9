// The stand-in projector, driven over real loopback TCP by a tiny raw client,
// in both of its protocols. Every test binds its own 127.0.77.x address so
// tests never meet.

#include "ProjectorSimulator.h"
#include "SimulatorSockets.h"
#include "TestSockets.h"


#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

using namespace simulator_sockets;
using namespace test_sockets;
const SocketsInUse g_sockets;

constexpr std::uint16_t kPort = 3629;
constexpr std::uint16_t kPjlinkPort = 4352;
constexpr auto kLimit = 10s;  // generous: the machine may be loaded
using Close = ProjectorSimulator::CloseMoment;

// A blocking TCP client, the console's side of the wire.
class Client {
public:
    explicit Client(const std::string& address, std::uint16_t port = kPort)
        : sock_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP))
    {
        const sockaddr_in a = Address(address, port);
        connected_ = connect(sock_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
    }
    ~Client() { CloseSocket(sock_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return connected_; }
    bool Closed() const { return closed_; }

    void Send(const std::string& bytes)
    {
        ASSERT_EQ(send(sock_, bytes.data(), static_cast<int>(bytes.size()), 0), static_cast<int>(bytes.size()));
    }

    // What one recv() returns once data is there; empty on time-out or close.
    std::string ReadSome(std::chrono::milliseconds limit = kLimit)
    {
        if (closed_ || !Readable(sock_, limit)) return {};
        char buffer[8192];
        const int n = recv(sock_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed_ = true;
            return {};
        }
        return std::string(buffer, static_cast<std::size_t>(n));
    }

    // Reads until count bytes have arrived, the peer closes, or the limit passes.
    std::string Read(std::size_t count)
    {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + kLimit;
        while (got.size() < count && !closed_ && std::chrono::steady_clock::now() < deadline)
            got += ReadSome(std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()));
        return got;
    }

    // Sends a command and reads a reply as long as the expected one.
    std::string Ask(const std::string& command, const std::string& expected)
    {
        Send(command);
        return Read(expected.size());
    }

    // True when the peer closes within the limit; what came before is in *before.
    bool WaitClosed(std::string* before)
    {
        const auto deadline = std::chrono::steady_clock::now() + kLimit;
        while (!closed_ && std::chrono::steady_clock::now() < deadline)
            *before += ReadSome(100ms);
        return closed_;
    }

private:
    Sock sock_;
    bool connected_ = false;
    bool closed_ = false;
};

std::string Header(std::uint8_t type, std::uint8_t status, std::uint8_t count)
{
    std::string h = "QRM/TX.net";
    h += {'\x10', static_cast<char>(type), '\0', '\0', static_cast<char>(status), static_cast<char>(count)};
    return h;
}

std::string Probe() { return Header(2, 0, 0); }

std::string Open(std::string password)
{
    password.resize(16, '\0');
    return Header(3, 0, 1) + "\x01\x01" + password;
}

std::string Reply(std::uint8_t type, std::uint8_t status) { return Header(type, status, 0); }

ProjectorSimulator::Options At(const std::string& address, const std::string& password = "")
{
    ProjectorSimulator::Options o;
    o.address = address;
    o.password = password;
    return o;
}

// Opens a session on a fresh connection.
void OpenSession(Client& client, const std::string& password = "")
{
    ASSERT_TRUE(client.Connected());
    client.Send(Open(password));
    ASSERT_EQ(client.Read(16), Reply(3, 0x20));
}

// The bytes received on one connection (numbered from 1) so far.
std::string ReceivedOn(const ProjectorSimulator& sim, int connection)
{
    const auto all = sim.Received();
    return connection <= static_cast<int>(all.size()) ? all[static_cast<std::size_t>(connection - 1)] : "";
}

// Sends bytes and waits until the simulator has read all of them, so the next
// send travels in a TCP segment of its own.
void SendPiece(Client& client, const ProjectorSimulator& sim, int connection, const std::string& piece)
{
    const auto before = ReceivedOn(sim, connection).size();
    client.Send(piece);
    ASSERT_TRUE(ProjectorSimulator::WaitUntil(
        [&] { return ReceivedOn(sim, connection).size() == before + piece.size(); }, kLimit));
}

}  // namespace

TEST(Simulator, AddressCheckEscapingAndGarbage)
{
    const struct {
        const char* address;
        bool loopback;
    } addresses[] = {
        {"127.0.0.1", true},      {"127.255.255.254", true}, {"127.0.77.1", true},
        {"128.0.0.1", false},     {"0.0.0.0", false},        {"10.0.0.1", false},
        {"127.0.0.256", false},   {"127.0.0", false},        {"127.0.0.1.5", false},
        {"127.0.0.1 ", false},    {"localhost", false},      {"", false},
        {"127.0.0.0001", false},  {"127..0.1", false},
    };
    for (const auto& c : addresses)
        EXPECT_EQ(ProjectorSimulator::IsLoopbackAddress(c.address), c.loopback) << c.address;

    const struct {
        std::string bytes;
        std::string text;
    } escapes[] = {
        {"PWSTATUS?\r", "PWSTATUS?\\r"},
        {":", ":"},
        {"a\\b", "a\\\\b"},
        {"\n\x00\x7F\x80\xFF"s, "\\x0A\\x00\\x7F\\x80\\xFF"},
        {"QRM/TX.net\x10\x02"s, "QRM/TX.net\\x10\\x02"},
    };
    for (const auto& c : escapes) EXPECT_EQ(ProjectorSimulator::Escape(c.bytes), c.text);

    const std::string garbage = ProjectorSimulator::SampleGarbage();
    EXPECT_EQ(garbage.size(), 3000u);
    EXPECT_EQ(garbage.find('\r'), std::string::npos);
    EXPECT_NE(garbage.find('\0'), std::string::npos);
    EXPECT_NE(garbage.find('\xFF'), std::string::npos);
}

TEST(Simulator, HandshakeReplies)
{
    const std::string sixteen = "0123456789abcdef";
    const struct {
        const char* why;
        std::string configured;
        std::uint8_t refusal;
        std::string request;
        std::string reply;
        bool session;
    } cases[] = {
        {"probe, no password", "", 0x43, Probe(), Reply(2, 0x20), false},
        {"probe, password", "secret", 0x43, Probe(), Reply(2, 0x41), false},
        {"open, none expected, none sent", "", 0x43, Open(""), Reply(3, 0x20), true},
        {"open, none expected, one sent", "", 0x43, Open("x"), Reply(3, 0x43), false},
        {"open, right password", "secret", 0x43, Open("secret"), Reply(3, 0x20), true},
        {"open, prefix of the password", "secret", 0x43, Open("secre"), Reply(3, 0x43), false},
        {"open, password longer", "secret", 0x43, Open("secrets"), Reply(3, 0x43), false},
        {"open, empty password", "secret", 0x43, Open(""), Reply(3, 0x43), false},
        {"open, 16 characters", sixteen, 0x43, Open(sixteen), Reply(3, 0x20), true},
        {"open, 15 of 16 characters", sixteen, 0x43, Open(sixteen.substr(0, 15)), Reply(3, 0x43), false},
        {"open, chosen refusal", "secret", 0x45, Open("wrong"), Reply(3, 0x45), false},
    };
    int host = 101;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        auto options = At("127.0.77." + std::to_string(host++), c.configured);
        options.refusalStatus = c.refusal;
        ProjectorSimulator sim(options);
        ASSERT_TRUE(sim.Start());
        Client client(options.address);
        ASSERT_TRUE(client.Connected());
        EXPECT_EQ(client.Ask(c.request, c.reply), c.reply);
        // Only an open session runs commands.
        const std::string answer = c.session ? "PWSTATUS=01\r:" : "ERR\r:";
        EXPECT_EQ(client.Ask("PWSTATUS?\r", answer), answer);
    }
}

TEST(Simulator, RequestsInPiecesAndTextBeforeHandshake)
{
    ProjectorSimulator sim(At("127.0.77.1", "pw"));
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.1");
    ASSERT_TRUE(client.Connected());
    ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.ConnectionCount() == 1; }, kLimit));

    // Text without a session is refused line by line; the handshake still works after it.
    EXPECT_EQ(client.Ask(":\r", "ERR\r:"), "ERR\r:");
    const std::string probe = Probe();
    SendPiece(client, sim, 1, probe.substr(0, 3));
    SendPiece(client, sim, 1, probe.substr(3, 10));
    EXPECT_EQ(client.Ask(probe.substr(13), Reply(2, 0x41)), Reply(2, 0x41));

    const std::string open = Open("pw");
    SendPiece(client, sim, 1, open.substr(0, 16));
    SendPiece(client, sim, 1, open.substr(16, 10));
    EXPECT_EQ(client.Ask(open.substr(26), Reply(3, 0x20)), Reply(3, 0x20));
    EXPECT_EQ(client.Ask("MUTE?\r", "MUTE=OFF\r:"), "MUTE=OFF\r:");
}

TEST(Simulator, CommandsAndReplies)
{
    std::mutex mutex;
    std::vector<std::string> reported;
    auto options = At("127.0.77.2");
    options.onStateChange = [&](const std::string& line) {
        std::lock_guard lock(mutex);
        reported.push_back(line);
    };
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.2");
    OpenSession(client);

    const struct {
        std::string command;
        std::string reply;
    } steps[] = {
        {"PWSTATUS?\r", "PWSTATUS=01\r:"},
        {"MUTE?\r", "MUTE=OFF\r:"},
        {"MUTE ON\r", ":"},
        {"MUTE?\r", "MUTE=ON\r:"},
        {"MUTE OFF\r", ":"},
        {"MUTE?\r", "MUTE=OFF\r:"},
        {"FREEZE?\r", "FREEZE=OFF\r:"},
        {"FREEZE ON\r", ":"},
        {"FREEZE?\r", "FREEZE=ON\r:"},
        {"SOURCE 20\r", ":"},
        {"SOURCE F2\r", ":"},
        {"KEY 57\r", ":"},
        {"KEY 57\r", ":"},
        {"KEY 56\r", ":"},
        {"CCAP?\r", "CCAP=00\r:"},
        {"CCAP 12\r", ":"},
        {"CCAP?\r", "CCAP=12\r:"},
        {"\r", ":"},
        {":\r", ":"},
        {"HELLO\r", "ERR\r:"},
        {"mute?\r", "ERR\r:"},
        {"SOURCE 1\r", "ERR\r:"},
        {"KEY 58\r", "ERR\r:"},
        {"MUTE?\n\r", "ERR\r:"},
        {"PWSTATUS?\r", "PWSTATUS=01\r:"},
    };
    for (const auto& s : steps)
        EXPECT_EQ(ProjectorSimulator::Escape(client.Ask(s.command, s.reply)), ProjectorSimulator::Escape(s.reply))
            << ProjectorSimulator::Escape(s.command);

    EXPECT_FALSE(sim.Mute());
    EXPECT_TRUE(sim.Freeze());
    EXPECT_EQ(sim.Source(), "F2");
    EXPECT_EQ(sim.Volume(), 11);
    EXPECT_EQ(sim.Caption(), "12");
    const std::vector<std::string> changes = {
        "mute off -> on", "mute on -> off", "freeze off -> on", "source 10 -> 20", "source 20 -> F2",
        "volume 10 -> 11", "volume 11 -> 12", "volume 12 -> 11", "caption 00 -> 12",
    };
    EXPECT_EQ(sim.StateChanges(), changes);
    std::lock_guard lock(mutex);
    EXPECT_EQ(reported, changes);
}

TEST(Simulator, LinesAreFramedOnCr)
{
    ProjectorSimulator sim(At("127.0.77.3"));
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.3");
    OpenSession(client);

    SendPiece(client, sim, 1, "PWSTA");
    EXPECT_EQ(client.Ask("TUS?\r", "PWSTATUS=01\r:"), "PWSTATUS=01\r:");
    EXPECT_EQ(client.Ask("MUTE ON\rMUTE?\r", ":MUTE=ON\r:"), ":MUTE=ON\r:");

    // An over-long line is refused once its CR comes; the next line is fine.
    client.Send(std::string(5000, 'A'));
    EXPECT_EQ(client.Ask("\rFREEZE?\r", "ERR\r:FREEZE=OFF\r:"), "ERR\r:FREEZE=OFF\r:");
}

TEST(Simulator, PowerStates)
{
    auto options = At("127.0.77.4");
    options.warmUpMs = options.coolDownMs = 600000;  // no transition ends by itself here
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.4");
    OpenSession(client);

    const struct {
        const char* set;  // set through the API first, when not null
        std::string command;
        std::string after;
    } steps[] = {
        {nullptr, "IMPWR ON\r", "02"},
        {nullptr, "IMPWR ON\r", "02"},   // already warming up
        {nullptr, "IMPWR OFF\r", "04"},  // warm-up cut short
        {nullptr, "IMPWR ON\r", "04"},   // not while cooling down
        {"03", "IMPWR ON\r", "03"},
        {"03", "IMPWR OFF\r", "04"},
        {"01", "IMPWR OFF\r", "01"},
        {"05", "IMPWR ON\r", "02"},
        {"FF", "IMPWR ON\r", "FF"},
        {"FF", "IMPWR OFF\r", "FF"},
    };
    for (const auto& s : steps) {
        if (s.set) sim.SetPower(s.set);
        EXPECT_EQ(client.Ask(s.command, ":"), ":");
        const std::string reply = "PWSTATUS=" + s.after + "\r:";
        EXPECT_EQ(client.Ask("PWSTATUS?\r", reply), reply) << (s.set ? s.set : "") << " " << s.command;
    }
}

TEST(Simulator, WarmUpAndCoolDownEnd)
{
    auto options = At("127.0.77.5");
    options.warmUpMs = 50;
    options.coolDownMs = 80;
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.5");
    OpenSession(client);

    EXPECT_EQ(client.Ask("IMPWR ON\r", ":"), ":");
    ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.Power() == "03"; }, kLimit));
    EXPECT_EQ(client.Ask("PWSTATUS?\r", "PWSTATUS=03\r:"), "PWSTATUS=03\r:");
    EXPECT_EQ(client.Ask("IMPWR OFF\r", ":"), ":");
    ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.Power() == "01"; }, kLimit));
    EXPECT_EQ(sim.StateChanges(),
              (std::vector<std::string>{"power 01 -> 02", "power 02 -> 03", "power 03 -> 04", "power 04 -> 01"}));
}

TEST(Simulator, HandshakeFaults)
{
    ProjectorSimulator sim(At("127.0.77.6", "pw"));
    ASSERT_TRUE(sim.Start());

    {
        SCOPED_TRACE("silent handshake");
        sim.SetSilentHandshake(true);
        Client client("127.0.77.6");
        client.Send(Probe());
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return ReceivedOn(sim, 1).size() == 16; }, kLimit));
        sim.SetSilentHandshake(false);
        // Replies come in order: an answer to the probe would come first.
        EXPECT_EQ(client.Ask("X\r", "ERR\r:"), "ERR\r:");
        EXPECT_EQ(client.Ask(Probe(), Reply(2, 0x41)), Reply(2, 0x41));
    }
    {
        SCOPED_TRACE("wrong magic");
        sim.SetWrongMagic(true);
        Client client("127.0.77.6");
        const std::string reply = client.Ask(Probe(), Reply(2, 0x41));
        ASSERT_EQ(reply.size(), 16u);
        EXPECT_NE(reply.substr(0, 10), "QRM/TX.net");
        EXPECT_EQ(reply.substr(10), Reply(2, 0x41).substr(10));
        sim.SetWrongMagic(false);
    }

    const struct {
        const char* why;
        std::optional<std::uint8_t> probeStatus, openStatus;
        std::string request;
        std::string reply;
        bool session;
    } statuses[] = {
        {"probe status chosen", 0x53, std::nullopt, Probe(), Reply(2, 0x53), false},
        {"probe status 0x20 despite a password", 0x20, std::nullopt, Probe(), Reply(2, 0x20), false},
        {"open refused despite the right password", std::nullopt, 0x55, Open("pw"), Reply(3, 0x55), false},
        {"open accepted despite a wrong password", std::nullopt, 0x20, Open("no"), Reply(3, 0x20), true},
        {"0xFF", 0xFF, 0xFF, Open("pw"), Reply(3, 0xFF), false},
    };
    for (const auto& c : statuses) {
        SCOPED_TRACE(c.why);
        sim.SetProbeStatus(c.probeStatus);
        sim.SetOpenStatus(c.openStatus);
        Client client("127.0.77.6");
        EXPECT_EQ(client.Ask(c.request, c.reply), c.reply);
        const std::string answer = c.session ? "MUTE=OFF\r:" : "ERR\r:";
        EXPECT_EQ(client.Ask("MUTE?\r", answer), answer);
    }
}

TEST(Simulator, ReplyFaults)
{
    ProjectorSimulator sim(At("127.0.77.7"));
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.7");
    OpenSession(client);

    {
        SCOPED_TRACE("silent commands are neither run nor answered");
        sim.SetSilentCommands(true);
        client.Send("MUTE ON\r");
        ASSERT_TRUE(ProjectorSimulator::WaitUntil(
            [&] { return ReceivedOn(sim, 1).ends_with("MUTE ON\r"); }, kLimit));
        sim.SetSilentCommands(false);
        EXPECT_EQ(client.Ask("MUTE?\r", "MUTE=OFF\r:"), "MUTE=OFF\r:");
    }
    {
        SCOPED_TRACE("split reply");
        // The pause is long enough for the first part to be read on its own
        // even on a busy machine.
        sim.SetSplitReplies(5, 1000ms);
        client.Send("PWSTATUS?\r");
        EXPECT_EQ(client.ReadSome(), "PWSTA");
        EXPECT_EQ(client.Read(8), "TUS=01\r:");
        sim.SetSplitReplies(0);
    }
    {
        SCOPED_TRACE("trickled reply");
        // A pause long enough that the first byte is read on its own even on
        // a busy machine.
        sim.SetTrickleReplies(true, 100ms);
        client.Send("MUTE?\r");
        const std::string first = client.ReadSome();
        EXPECT_EQ(first, "M");
        EXPECT_EQ(first + client.Read(9), "MUTE=OFF\r:");
        sim.SetTrickleReplies(false);
    }
    {
        SCOPED_TRACE("garbage before replies");
        const std::string garbage = ProjectorSimulator::SampleGarbage(3000);
        sim.SetGarbageBeforeReplies(garbage);
        EXPECT_EQ(client.Ask("FREEZE?\r", garbage + "FREEZE=OFF\r:"), garbage + "FREEZE=OFF\r:");
        EXPECT_EQ(client.Ask("\r", garbage + ":"), garbage + ":");
        sim.ClearFaults();
        EXPECT_EQ(client.Ask("FREEZE?\r", "FREEZE=OFF\r:"), "FREEZE=OFF\r:");
    }
}

TEST(Simulator, ClosingFaults)
{
    ProjectorSimulator sim(At("127.0.77.8"));
    ASSERT_TRUE(sim.Start());

    const struct {
        const char* why;
        Close moment;
        bool openFirst;  // open the session before setting the fault
        std::string request;
        std::string beforeClose;
    } cases[] = {
        {"after the probe reply", Close::AfterProbeReply, false, Probe(), Reply(2, 0x20)},
        {"after the open reply", Close::AfterOpenReply, false, Open(""), Reply(3, 0x20)},
        {"on a command", Close::OnCommand, true, "PWSTATUS?\r", ""},
        {"on text before a session", Close::OnCommand, false, ":\r", ""},
        {"after a reply's lines, without its prompt", Close::AfterReplyValue, true, "MUTE?\r", "MUTE=OFF\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        Client client("127.0.77.8");
        if (c.openFirst) OpenSession(client);
        sim.SetCloseAt(c.moment);
        client.Send(c.request);
        std::string before;
        EXPECT_TRUE(client.WaitClosed(&before));
        EXPECT_EQ(before, c.beforeClose);
        sim.SetCloseAt(Close::Never);
    }
    {
        SCOPED_TRACE("on accept");
        sim.SetCloseAt(Close::OnAccept);
        Client client("127.0.77.8");
        std::string before;
        EXPECT_TRUE(client.WaitClosed(&before));
        EXPECT_EQ(before, "");
        sim.SetCloseAt(Close::Never);
    }
    {
        SCOPED_TRACE("talking first");
        sim.SetGreeting("HELLO\r");
        Client client("127.0.77.8");
        EXPECT_EQ(client.Read(6), "HELLO\r");
        sim.SetGreeting("");
        OpenSession(client);
    }
    EXPECT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.OpenConnectionCount() == 0; }, kLimit));

    {
        SCOPED_TRACE("close every connection now");
        Client session("127.0.77.8");
        OpenSession(session);
        Client idle("127.0.77.8");
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.OpenConnectionCount() == 2; }, kLimit));
        sim.CloseAllConnections();
        EXPECT_EQ(sim.OpenConnectionCount(), 0);
        std::string before;
        EXPECT_TRUE(session.WaitClosed(&before));
        EXPECT_TRUE(idle.WaitClosed(&before));
        EXPECT_EQ(before, "");
    }
    Client again("127.0.77.8");
    OpenSession(again);
}

TEST(Simulator, RefusedAndHangingConnects)
{
    ProjectorSimulator sim(At("127.0.77.9"));
    ASSERT_TRUE(sim.Start());
    Client existing("127.0.77.9");
    OpenSession(existing);
    {
        // A connection this side closed lingers on the port; reopening the
        // listener must not trip over it.
        Client closed("127.0.77.9");
        sim.SetCloseAt(Close::AfterProbeReply);
        closed.Send(Probe());
        std::string before;
        ASSERT_TRUE(closed.WaitClosed(&before));
        sim.SetCloseAt(Close::Never);
    }

    sim.SetRefuseConnections(true);
    EXPECT_FALSE(Client("127.0.77.9").Connected());
    EXPECT_EQ(existing.Ask("MUTE?\r", "MUTE=OFF\r:"), "MUTE=OFF\r:");
    sim.SetRefuseConnections(false);
    {
        Client client("127.0.77.9");
        ASSERT_TRUE(client.Connected());
        EXPECT_EQ(client.Ask(Probe(), Reply(2, 0x20)), Reply(2, 0x20));
    }

    sim.SetHangConnects(true);
    {
        const Sock s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        SetNonBlocking(s, true);
        const sockaddr_in a = Address("127.0.77.9", kPort);
        connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a);
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        timeval t{0, 500000};
        // Neither connected nor failed: the connect just hangs.
        EXPECT_EQ(select(static_cast<int>(s) + 1, nullptr, &writable, &failed, &t), 0);
        CloseSocket(s);
    }
    EXPECT_EQ(existing.Ask("FREEZE?\r", "FREEZE=OFF\r:"), "FREEZE=OFF\r:");
    sim.SetHangConnects(false);
    Client client("127.0.77.9");
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Ask(Probe(), Reply(2, 0x20)), Reply(2, 0x20));
}

TEST(Simulator, ByteLogAndRestart)
{
    std::mutex mutex;
    std::vector<std::string> logged;
    auto options = At("127.0.77.10");
    options.onReceived = [&](int connection, const std::string& bytes) {
        std::lock_guard lock(mutex);
        logged.resize(std::max(logged.size(), static_cast<std::size_t>(connection)));
        logged[static_cast<std::size_t>(connection - 1)] += bytes;
    };
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    EXPECT_FALSE(sim.Start());
    {
        ProjectorSimulator rival(At("127.0.77.10"));
        EXPECT_FALSE(rival.Start()) << "the address is in use";
    }
    {
        Client probe("127.0.77.10");
        ASSERT_TRUE(probe.Connected());
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.ConnectionCount() == 1; }, kLimit));
        SendPiece(probe, sim, 1, Probe().substr(0, 7));
        EXPECT_EQ(probe.Ask(Probe().substr(7), Reply(2, 0x20)), Reply(2, 0x20));
    }
    {
        Client session("127.0.77.10");
        OpenSession(session);
        EXPECT_EQ(session.Ask("SOURCE 41\r:\r", "::"), "::");
        session.Send("\x00\xFF"s);
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return ReceivedOn(sim, 2).ends_with("\x00\xFF"s); }, kLimit));
    }
    const std::vector<std::string> expected = {Probe(), Open("") + "SOURCE 41\r:\r" + "\x00\xFF"s};
    EXPECT_EQ(sim.Received(), expected);
    EXPECT_EQ(sim.ConnectionCount(), 2);
    ASSERT_TRUE(ProjectorSimulator::WaitUntil(
        [&] {
            std::lock_guard lock(mutex);
            return logged == expected;
        },
        kLimit));

    // Stopped, the port is free again; started anew, it still answers.
    sim.Stop();
    EXPECT_FALSE(sim.Running());
    EXPECT_FALSE(Client("127.0.77.10").Connected());
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.10");
    OpenSession(client);
}

// ---------------------------------------------------------------- PJLink

namespace {

using Protocol = ProjectorSimulator::Protocol;

ProjectorSimulator::Options Pjlink(const std::string& address, const std::string& password = "")
{
    auto o = At(address, password);
    o.protocol = Protocol::Pjlink;
    o.port = kPjlinkPort;
    return o;
}

const std::string kOpenGreeting = "PJLINK 0\r";
const std::string kRefused = "PJLINK ERRA\r";

struct Exchange {
    std::string command;
    std::string reply;  // empty: none at all, shown by the next reply coming first
};

// Runs the exchanges on a fresh connection to a PJLink simulator without a
// password. The last exchange must have a reply.
void RunExchanges(const std::string& address, const std::vector<Exchange>& exchanges)
{
    ASSERT_FALSE(exchanges.empty());
    ASSERT_FALSE(exchanges.back().reply.empty());
    Client client(address, kPjlinkPort);
    ASSERT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);
    for (const auto& e : exchanges) {
        if (e.reply.empty())
            client.Send(e.command);
        else
            EXPECT_EQ(ProjectorSimulator::Escape(client.Ask(e.command, e.reply)), ProjectorSimulator::Escape(e.reply))
                << ProjectorSimulator::Escape(e.command);
    }
}

}  // namespace

TEST(Simulator, PjlinkGreetingDigestAndOptions)
{
    // The standard's own example, and the empty input.
    EXPECT_EQ(ProjectorSimulator::Md5Hex("498e4a67JBMIAProjectorLink"), "5d8409bc1c3fa39749434aa3a5c38682");
    EXPECT_EQ(ProjectorSimulator::Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");

    const struct {
        std::string password;
        bool valid;
    } passwords[] = {
        {"a", true},          {"JBMIAProjectorLink", true}, {std::string(32, 'Z'), true}, {"0123456789", true},
        {"", false},          {std::string(33, 'Z'), false}, {"pass word", false},          {"pass-word", false},
        {"p\xC3\xA4ss", false}, {"pass\r", false},
    };
    for (const auto& c : passwords)
        EXPECT_EQ(ProjectorSimulator::IsPjlinkPassword(c.password), c.valid) << ProjectorSimulator::Escape(c.password);

    EXPECT_EQ(ProjectorSimulator::DefaultPort(Protocol::Native), 3629);
    EXPECT_EQ(ProjectorSimulator::DefaultPort(Protocol::Pjlink), 4352);
    {
        SCOPED_TRACE("options no PJLink projector has");
        auto badPassword = Pjlink("127.0.77.20", "pass word");
        EXPECT_FALSE(ProjectorSimulator(badPassword).Start());
        auto badClass = Pjlink("127.0.77.20");
        badClass.pjlinkClass = 3;
        EXPECT_FALSE(ProjectorSimulator(badClass).Start());
    }
    {
        SCOPED_TRACE("security off, on the protocol's own port");
        auto options = Pjlink("127.0.77.20");
        options.port.reset();
        ProjectorSimulator sim(options);
        ASSERT_TRUE(sim.Start());
        EXPECT_EQ(sim.Port(), kPjlinkPort);
        Client client("127.0.77.20", kPjlinkPort);
        EXPECT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);
    }
    {
        SCOPED_TRACE("security on: a fresh random on every connection");
        ProjectorSimulator sim(Pjlink("127.0.77.21", "secret"));
        ASSERT_TRUE(sim.Start());
        Client first("127.0.77.21", kPjlinkPort);
        Client second("127.0.77.21", kPjlinkPort);
        const std::string greetings[] = {first.Read(18), second.Read(18)};
        for (const auto& g : greetings) {
            ASSERT_EQ(g.size(), 18u) << ProjectorSimulator::Escape(g);
            EXPECT_EQ(g.substr(0, 9), "PJLINK 1 ");
            EXPECT_TRUE(std::all_of(g.begin() + 9, g.end() - 1,
                                    [](char ch) { return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'); }))
                << g;
            EXPECT_EQ(g.back(), '\r');
        }
        EXPECT_NE(greetings[0], greetings[1]);
    }
}

TEST(Simulator, PjlinkAuthentication)
{
    const std::string password = "JBMIAProjectorLink";
    ProjectorSimulator sim(Pjlink("127.0.77.22", password));
    ASSERT_TRUE(sim.Start());
    const auto upper = [](std::string text) {
        std::transform(text.begin(), text.end(), text.begin(), [](char ch) {
            return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
        });
        return text;
    };
    const auto Md5Hex = &ProjectorSimulator::Md5Hex;
    const struct {
        const char* why;
        std::function<std::string(const std::string& random)> digest;
        bool accepted;
    } cases[] = {
        {"the right digest", [&](const std::string& r) { return Md5Hex(r + password); }, true},
        {"no digest", [](const std::string&) { return ""; }, false},
        {"in capitals", [&](const std::string& r) { return upper(Md5Hex(r + password)); }, false},
        {"another password", [&](const std::string& r) { return Md5Hex(r + "JBMIAProjectorLinq"); }, false},
        {"a space between", [&](const std::string& r) { return Md5Hex(r + " " + password); }, false},
        {"password first", [&](const std::string& r) { return Md5Hex(password + r); }, false},
        {"one digit short", [&](const std::string& r) { return Md5Hex(r + password).substr(1); }, false},
        {"another random", [](const std::string&) { return "5d8409bc1c3fa39749434aa3a5c38682"; }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim.SetSource("11");
        Client client("127.0.77.22", kPjlinkPort);
        const std::string greeting = client.Read(18);
        ASSERT_EQ(greeting.size(), 18u);
        const std::string random = greeting.substr(9, 8);
        const std::string right = Md5Hex(random + password);

        // A refused line is not run.
        const std::string first = c.accepted ? "%1INPT=OK\r" : kRefused;
        EXPECT_EQ(client.Ask(c.digest(random) + "%1INPT 21\r", first), first);
        EXPECT_EQ(sim.Source(), c.accepted ? "21" : "11");
        // Once in, lines need no digest; until then each is refused, and the
        // connection stays.
        const std::string second = c.accepted ? "%1INPT=21\r" : kRefused;
        EXPECT_EQ(client.Ask("%1INPT ?\r", second), second);
        // The right digest is taken late, and again once in.
        const std::string reply = "%1INPT=" + sim.Source() + "\r";
        EXPECT_EQ(client.Ask(right + "%1INPT ?\r", reply), reply);
        EXPECT_EQ(client.Ask(right + "%1INPT ?\r", reply), reply);
        EXPECT_EQ(client.Ask("%1INPT ?\r", reply), reply);
    }
}

// A projector whose password changes for a while, and the random each
// connection was greeted with, as a judge of the console's digests reads it.
TEST(Simulator, PjlinkPasswordChangesAndGreetingRandoms)
{
    ProjectorSimulator sim(Pjlink("127.0.77.31"));
    ASSERT_TRUE(sim.Start());
    const struct {
        const char* why;
        std::function<void()> change;
        std::string wanted;  // the password new connections want afterwards
        bool greeted;
    } cases[] = {
        {"the option's: none", [] {}, "", true},
        {"another one for a while", [&] { sim.SetPassword("later1"); }, "later1", true},
        {"no PJLink password is ignored", [&] { sim.SetPassword("not one"); }, "later1", true},
        {"cleared: the option's again", [&] { sim.ClearFaults(); }, "", true},
        {"not greeted", [&] { sim.SetPassword("x9"); sim.SetNoGreeting(true); }, "x9", false},
        {"another greeting", [&] { sim.SetNoGreeting(false); sim.SetGreeting("HELLO\r"); }, "x9", false},
        {"closed on accept", [&] { sim.SetGreeting(""); sim.SetCloseAt(Close::OnAccept); }, "x9", false},
        {"greeted again", [&] { sim.SetCloseAt(Close::Never); }, "x9", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        c.change();
        const auto before = sim.ConnectionCount();
        Client client("127.0.77.31", kPjlinkPort);
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.ConnectionCount() == before + 1; }, kLimit));
        const auto randoms = sim.GreetingRandoms();
        ASSERT_EQ(randoms.size(), static_cast<std::size_t>(before + 1));
        if (!c.greeted) {
            EXPECT_EQ(randoms.back(), "");
            continue;
        }
        if (c.wanted.empty()) {
            EXPECT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);
            EXPECT_EQ(randoms.back(), "");
            EXPECT_EQ(client.Ask("%1CLSS ?\r", "%1CLSS=2\r"), "%1CLSS=2\r");
            continue;
        }
        const std::string greeting = client.Read(18);
        ASSERT_EQ(greeting.size(), 18u);
        EXPECT_EQ(randoms.back(), greeting.substr(9, 8));
        EXPECT_EQ(client.Ask(ProjectorSimulator::Md5Hex(randoms.back() + c.wanted) + "%1CLSS ?\r", "%1CLSS=2\r"),
                  "%1CLSS=2\r");
    }

    SCOPED_TRACE("a connection keeps the password it was greeted with");
    sim.SetPassword("first1");
    Client client("127.0.77.31", kPjlinkPort);
    const std::string random = client.Read(18).substr(9, 8);
    sim.SetPassword("second2");
    EXPECT_EQ(client.Ask(ProjectorSimulator::Md5Hex(random + "first1") + "%1CLSS ?\r", "%1CLSS=2\r"),
              "%1CLSS=2\r");
}

TEST(Simulator, PjlinkCommandsAndReplies)
{
    std::mutex mutex;
    std::vector<std::string> reported;
    auto options = Pjlink("127.0.77.23");
    options.onStateChange = [&](const std::string& line) {
        std::lock_guard lock(mutex);
        reported.push_back(line);
    };
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());

    RunExchanges("127.0.77.23", {
        // Class 1 queries; the body in any case.
        {"%1POWR ?\r", "%1POWR=0\r"},
        {"%1powr ?\r", "%1POWR=0\r"},
        {"%1PoWr ?\r", "%1POWR=0\r"},
        {"%1INPT ?\r", "%1INPT=11\r"},
        {"%1AVMT ?\r", "%1AVMT=30\r"},
        {"%1ERST ?\r", "%1ERST=000000\r"},
        {"%1LAMP ?\r", "%1LAMP=1200 0\r"},
        {"%1INST ?\r", "%1INST=11 12 21 22 31 32 51\r"},
        {"%1NAME ?\r", "%1NAME=Beamdesk Sim\r"},
        {"%1INF1 ?\r", "%1INF1=Beamdesk\r"},
        {"%1INF2 ?\r", "%1INF2=Simulated Projector\r"},
        {"%1INFO ?\r", "%1INFO=loopback stand-in\r"},
        {"%1CLSS ?\r", "%1CLSS=2\r"},
        // Class 1 sets.
        {"%1INPT 21\r", "%1INPT=OK\r"},
        {"%1inpt 51\r", "%1INPT=OK\r"},
        {"%1INPT 41\r", "%1INPT=ERR2\r"},
        {"%1INPT 2\r", "%1INPT=ERR2\r"},
        {"%1INPT 211\r", "%1INPT=ERR2\r"},
        {"%1INPT ?\r", "%1INPT=51\r"},
        {"%1AVMT 11\r", "%1AVMT=OK\r"},
        {"%1AVMT ?\r", "%1AVMT=11\r"},
        {"%1AVMT 21\r", "%1AVMT=OK\r"},
        {"%1AVMT ?\r", "%1AVMT=31\r"},
        {"%1AVMT 10\r", "%1AVMT=OK\r"},
        {"%1AVMT ?\r", "%1AVMT=21\r"},
        {"%1AVMT 30\r", "%1AVMT=OK\r"},
        {"%1AVMT ?\r", "%1AVMT=30\r"},
        {"%1AVMT 31\r", "%1AVMT=OK\r"},
        {"%1AVMT 20\r", "%1AVMT=OK\r"},
        {"%1AVMT ?\r", "%1AVMT=11\r"},
        {"%1AVMT 12\r", "%1AVMT=ERR2\r"},
        {"%1AVMT 41\r", "%1AVMT=ERR2\r"},
        {"%1POWR 2\r", "%1POWR=ERR2\r"},
        {"%1POWR \r", "%1POWR=ERR2\r"},
        {"%1ERST 0\r", "%1ERST=ERR2\r"},
        // Unknown in that class; the reply keeps the command's class.
        {"%1ABCD ?\r", "%1ABCD=ERR1\r"},
        {"%1SNUM ?\r", "%1SNUM=ERR1\r"},
        {"%2POWR ?\r", "%2POWR=ERR1\r"},
        {"%3POWR ?\r", "%3POWR=ERR1\r"},
        // Class 2.
        {"%2SNUM ?\r", "%2SNUM=SIM000001\r"},
        {"%2SVER ?\r", "%2SVER=1.0\r"},
        {"%2INNM ?31\r", "%2INNM=HDMI 1\r"},
        {"%2innm ?51\r", "%2INNM=Network\r"},
        {"%2INNM ?41\r", "%2INNM=ERR2\r"},
        {"%2INNM 31\r", "%2INNM=ERR2\r"},
        {"%2INNM ?\r", "%2INNM=ERR2\r"},
        {"%2IRES ?\r", "%2IRES=1920x1080\r"},
        {"%2RRES ?\r", "%2RRES=1920x1080\r"},
        {"%2FILT ?\r", "%2FILT=350\r"},
        {"%2RLMP ?\r", "%2RLMP=LMP-100\r"},
        {"%2RFIL ?\r", "%2RFIL=FLT-100\r"},
        {"%2INPT 22\r", "%2INPT=OK\r"},
        {"%2INPT ?\r", "%2INPT=22\r"},
        {"%1INPT ?\r", "%1INPT=22\r"},
        {"%2INST ?\r", "%2INST=11 12 21 22 31 32 51\r"},
        {"%2SVOL 1\r", "%2SVOL=OK\r"},
        {"%2SVOL 0\r", "%2SVOL=OK\r"},
        {"%2SVOL 1\r", "%2SVOL=OK\r"},
        {"%2SVOL ?\r", "%2SVOL=ERR2\r"},
        {"%2MVOL 0\r", "%2MVOL=OK\r"},
        {"%2MVOL 2\r", "%2MVOL=ERR2\r"},
        {"%2FREZ ?\r", "%2FREZ=0\r"},
        {"%2FREZ 1\r", "%2FREZ=OK\r"},
        {"%2FREZ ?\r", "%2FREZ=1\r"},
        {"%2FREZ 2\r", "%2FREZ=ERR2\r"},
        // Lines in the wrong format get no reply at all.
        {"%1POWR\r", ""},
        {"%1POWR=?\r", ""},
        {"%1POWR\t?\r", ""},
        {"1POWR ?\r", ""},
        {"%1POW ?\r", ""},
        {"%XPOWR ?\r", ""},
        {"%1PO#R ?\r", ""},
        {"\r", ""},
        {"%1NAME " + std::string(129, '?') + "\r", ""},
        {"%1NAME " + std::string(128, '?') + "\r", "%1NAME=ERR2\r"},
        // CR alone ends a line: an LF after it spoils the next one.
        {"%1POWR ?\r\n%1CLSS ?\r", "%1POWR=0\r"},
        {"%1POWR ?\r", "%1POWR=0\r"},
    });

    EXPECT_EQ(sim.Power(), "0");
    EXPECT_EQ(sim.Source(), "22");
    EXPECT_EQ(sim.AvMute(), "11");
    EXPECT_TRUE(sim.Mute());
    EXPECT_TRUE(sim.Freeze());
    EXPECT_EQ(sim.Volume(), 11);
    EXPECT_EQ(sim.MicrophoneVolume(), 9);

    // The setters speak the same codes, and the volume stops at its limits.
    sim.SetSource("31");
    sim.SetAvMute("21");
    sim.SetErrorStatus("020001");
    sim.SetVolume(20);
    RunExchanges("127.0.77.23", {
        {"%1INPT ?\r", "%1INPT=31\r"},
        {"%1AVMT ?\r", "%1AVMT=21\r"},
        {"%1ERST ?\r", "%1ERST=020001\r"},
        {"%2SVOL 1\r", "%2SVOL=OK\r"},
    });
    EXPECT_EQ(sim.Volume(), 20);
    sim.SetMute(false);
    EXPECT_EQ(sim.AvMute(), "30");
    sim.SetMute(true);
    EXPECT_EQ(sim.AvMute(), "31");

    const std::vector<std::string> changes = {
        "input 11 -> 21",  "input 21 -> 51",  "avmute 30 -> 11", "avmute 11 -> 31",  "avmute 31 -> 21",
        "avmute 21 -> 30", "avmute 30 -> 31", "avmute 31 -> 11", "input 51 -> 22",   "volume 10 -> 11",
        "volume 11 -> 10", "volume 10 -> 11", "microphone 10 -> 9", "freeze off -> on", "input 22 -> 31",
        "avmute 11 -> 21", "error 000000 -> 020001", "volume 11 -> 20", "avmute 21 -> 30", "avmute 30 -> 31",
    };
    EXPECT_EQ(sim.StateChanges(), changes);
    ASSERT_TRUE(ProjectorSimulator::WaitUntil(
        [&] {
            std::lock_guard lock(mutex);
            return reported == changes;
        },
        kLimit));
}

TEST(Simulator, PjlinkClassesInputsAndLamps)
{
    const struct {
        const char* why;
        const char* address;
        std::function<void(ProjectorSimulator::Options&)> configure;
        std::vector<Exchange> exchanges;
    } projectors[] = {
        {"a Class 1 projector with two lamps", "127.0.77.24",
         [](ProjectorSimulator::Options& o) {
             o.pjlinkClass = 1;
             o.lampHours = {12, 99999};
         },
         {
             {"%1CLSS ?\r", "%1CLSS=1\r"},
             {"%1LAMP ?\r", "%1LAMP=12 0 99999 0\r"},
             {"%2SNUM ?\r", "%2SNUM=ERR1\r"},
             {"%2INNM ?11\r", "%2INNM=ERR1\r"},
             {"%2INPT 12\r", "%2INPT=ERR1\r"},
             {"%2INST ?\r", "%2INST=ERR1\r"},
             {"%2FREZ ?\r", "%2FREZ=ERR1\r"},
             {"%1INPT 12\r", "%1INPT=OK\r"},
         }},
        {"inputs only Class 2 can name, no lamp, no filter", "127.0.77.25",
         [](ProjectorSimulator::Options& o) {
             o.inputs = {{"11", "One"}, {"1A", "Ten"}, {"59", "Last of Class 1"}, {"6Z", "Internal"}};
             o.lampHours.clear();
             o.filterHours.reset();
         },
         {
             {"%1INST ?\r", "%1INST=11 59\r"},
             {"%2INST ?\r", "%2INST=11 1A 59 6Z\r"},
             {"%1INPT 1A\r", "%1INPT=ERR2\r"},
             {"%1INPT 6Z\r", "%1INPT=ERR2\r"},
             {"%2INPT 6Z\r", "%2INPT=OK\r"},
             {"%1INPT ?\r", "%1INPT=6Z\r"},
             {"%2INPT 1A\r", "%2INPT=OK\r"},
             {"%1INPT 59\r", "%1INPT=OK\r"},
             {"%2INNM ?6Z\r", "%2INNM=Internal\r"},
             {"%2INNM ?1a\r", "%2INNM=ERR2\r"},
             {"%1LAMP ?\r", "%1LAMP=ERR1\r"},
             {"%2FILT ?\r", "%2FILT=ERR1\r"},
         }},
    };
    for (const auto& p : projectors) {
        SCOPED_TRACE(p.why);
        auto options = Pjlink(p.address);
        p.configure(options);
        ProjectorSimulator sim(options);
        ASSERT_TRUE(sim.Start());
        EXPECT_EQ(sim.Source(), options.inputs.front().code);
        RunExchanges(p.address, p.exchanges);
    }
}

TEST(Simulator, PjlinkPowerStates)
{
    auto options = Pjlink("127.0.77.26");
    options.warmUpMs = options.coolDownMs = 600000;  // no transition ends by itself here
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    Client client("127.0.77.26", kPjlinkPort);
    ASSERT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);

    const struct {
        const char* set;  // set through the API first, when not null
        std::string command;
        std::string reply;
        std::string after;
    } steps[] = {
        {nullptr, "%1POWR 0\r", "%1POWR=OK\r", "0"},  // already in standby
        {nullptr, "%1POWR 1\r", "%1POWR=OK\r", "3"},
        {nullptr, "%1POWR 1\r", "%1POWR=ERR3\r", "3"},
        {nullptr, "%1POWR 0\r", "%1POWR=ERR3\r", "3"},
        {"1", "%1POWR 1\r", "%1POWR=OK\r", "1"},
        {"1", "%1POWR 0\r", "%1POWR=OK\r", "2"},
        {nullptr, "%1POWR 0\r", "%1POWR=ERR3\r", "2"},
        {nullptr, "%1POWR 1\r", "%1POWR=ERR3\r", "2"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE((s.set ? s.set : std::string()) + " " + s.command);
        if (s.set) sim.SetPower(s.set);
        EXPECT_EQ(client.Ask(s.command, s.reply), s.reply);
        const std::string state = "%1POWR=" + s.after + "\r";
        EXPECT_EQ(client.Ask("%1POWR ?\r", state), state);
    }

    auto quick = Pjlink("127.0.77.27");
    quick.warmUpMs = 50;
    quick.coolDownMs = 80;
    ProjectorSimulator sim2(quick);
    ASSERT_TRUE(sim2.Start());
    Client client2("127.0.77.27", kPjlinkPort);
    ASSERT_EQ(client2.Read(kOpenGreeting.size()), kOpenGreeting);
    EXPECT_EQ(client2.Ask("%1POWR 1\r", "%1POWR=OK\r"), "%1POWR=OK\r");
    ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim2.Power() == "1"; }, kLimit));
    EXPECT_EQ(client2.Ask("%1LAMP ?\r", "%1LAMP=1200 1\r"), "%1LAMP=1200 1\r");
    EXPECT_EQ(client2.Ask("%1POWR 0\r", "%1POWR=OK\r"), "%1POWR=OK\r");
    ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim2.Power() == "0"; }, kLimit));
    EXPECT_EQ(sim2.StateChanges(),
              (std::vector<std::string>{"power 0 -> 3", "power 3 -> 1", "power 1 -> 2", "power 2 -> 0"}));
}

TEST(Simulator, PjlinkIdleLimit)
{
    auto options = Pjlink("127.0.77.28");
    options.idleLimitMs = 2000;
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());

    {
        SCOPED_TRACE("a connection that keeps asking outlives an idle one");
        const auto start = std::chrono::steady_clock::now();
        Client idle("127.0.77.28", kPjlinkPort);
        Client busy("127.0.77.28", kPjlinkPort);
        ASSERT_EQ(idle.Read(kOpenGreeting.size()), kOpenGreeting);
        ASSERT_EQ(busy.Read(kOpenGreeting.size()), kOpenGreeting);
        while (!idle.Closed() && std::chrono::steady_clock::now() < start + kLimit) {
            ASSERT_EQ(busy.Ask("%1POWR ?\r", "%1POWR=0\r"), "%1POWR=0\r");
            EXPECT_EQ(idle.ReadSome(20ms), "");
        }
        EXPECT_TRUE(idle.Closed());
        EXPECT_GE(std::chrono::steady_clock::now() - start, 2000ms);
        EXPECT_EQ(busy.Ask("%1POWR ?\r", "%1POWR=0\r"), "%1POWR=0\r");
        std::string before;
        EXPECT_TRUE(busy.WaitClosed(&before));
        EXPECT_EQ(before, "");
    }
    {
        SCOPED_TRACE("a refused digest does not end the connection early");
        ProjectorSimulator secure(Pjlink("127.0.77.29", "pw"));
        ASSERT_TRUE(secure.Start());
        Client client("127.0.77.29", kPjlinkPort);
        ASSERT_EQ(client.Read(18).size(), 18u);
        EXPECT_EQ(client.Ask("%1POWR ?\r", kRefused), kRefused);
        EXPECT_EQ(client.Ask("%1POWR ?\r", kRefused), kRefused);
    }
    {
        SCOPED_TRACE("the limit changes for open connections too");
        sim.SetIdleLimit(600000ms);
        Client client("127.0.77.28", kPjlinkPort);
        ASSERT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);
        EXPECT_EQ(client.Ask("%1POWR ?\r", "%1POWR=0\r"), "%1POWR=0\r");
        sim.SetIdleLimit(1ms);
        std::string before;
        EXPECT_TRUE(client.WaitClosed(&before));
        EXPECT_EQ(before, "");
    }
}

TEST(Simulator, PjlinkFaults)
{
    auto options = Pjlink("127.0.77.30");
    options.warmUpMs = 600000;
    ProjectorSimulator sim(options);
    ASSERT_TRUE(sim.Start());
    const std::string garbage = ProjectorSimulator::SampleGarbage(300);

    const struct {
        const char* why;
        std::function<void()> fault;
        std::string send;         // sent as soon as connected
        std::string expected;     // everything that comes back
        bool closes;              // ... before the simulator closes the connection
        std::string firstRead;    // what the first read gives, when it matters
        std::string power;        // afterwards
    } cases[] = {
        {"ERR3 for power", [&] { sim.SetPowerErr3(true); }, "%1POWR 1\r%1POWR ?\r%1CLSS ?\r",
         kOpenGreeting + "%1POWR=ERR3\r%1POWR=ERR3\r%1CLSS=2\r", false, "", "0"},
        {"close after a reply", [&] { sim.SetCloseAt(Close::AfterReplyValue); }, "%1POWR 1\r%1POWR ?\r",
         kOpenGreeting + "%1POWR=OK\r", true, "", "3"},
        {"close on a command", [&] { sim.SetCloseAt(Close::OnCommand); }, "%1POWR 1\r", kOpenGreeting, true, "", "0"},
        {"close on accept", [&] { sim.SetCloseAt(Close::OnAccept); }, "", "", true, "", "0"},
        {"bodies in lower case", [&] { sim.SetLowerCaseReplies(true); }, "%1POWR ?\r%2INNM ?31\r%1XYZW ?\r",
         kOpenGreeting + "%1powr=0\r%2innm=HDMI 1\r%1xyzw=ERR1\r", false, "", "0"},
        // The pauses are long enough for the first part to be read on its
        // own even on a busy machine.
        {"trickled greeting and replies", [&] { sim.SetTrickleReplies(true, 100ms); }, "%1POWR ?\r",
         kOpenGreeting + "%1POWR=0\r", false, "P", "0"},
        {"split greeting and replies", [&] { sim.SetSplitReplies(5, 1000ms); }, "%1POWR ?\r",
         kOpenGreeting + "%1POWR=0\r", false, "PJLIN", "0"},
        {"garbage before replies", [&] { sim.SetGarbageBeforeReplies(garbage); }, "%1POWR ?\r",
         kOpenGreeting + garbage + "%1POWR=0\r", false, "", "0"},
        {"another greeting", [&] { sim.SetGreeting("HELLO\r"); }, "%1POWR ?\r", "HELLO\r%1POWR=0\r", false, "", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        sim.ClearFaults();
        sim.SetPower("0");
        c.fault();
        Client client("127.0.77.30", kPjlinkPort);
        ASSERT_TRUE(client.Connected());
        client.Send(c.send);
        std::string got;
        if (!c.firstRead.empty()) {
            got = client.ReadSome();
            EXPECT_EQ(got, c.firstRead);
        }
        if (c.closes)
            EXPECT_TRUE(client.WaitClosed(&got));
        else
            got += client.Read(c.expected.size() - got.size());
        EXPECT_EQ(ProjectorSimulator::Escape(got), ProjectorSimulator::Escape(c.expected));
        EXPECT_EQ(sim.Power(), c.power);
    }

    const struct {
        const char* why;
        std::function<void(bool)> fault;
        std::string greeting;
    } silent[] = {
        {"no greeting", [&](bool on) { sim.SetNoGreeting(on); }, ""},
        {"silent commands", [&](bool on) { sim.SetSilentCommands(on); }, kOpenGreeting},
    };
    for (const auto& c : silent) {
        SCOPED_TRACE(c.why);
        sim.ClearFaults();
        c.fault(true);
        const int number = sim.ConnectionCount() + 1;
        Client client("127.0.77.30", kPjlinkPort);
        ASSERT_TRUE(ProjectorSimulator::WaitUntil([&] { return sim.ConnectionCount() == number; }, kLimit));
        SendPiece(client, sim, number, "%1POWR 1\r");
        c.fault(false);
        // Replies come in order: an answer to the first line would come first.
        const std::string expected = c.greeting + "%1CLSS=2\r";
        EXPECT_EQ(client.Ask("%1CLSS ?\r", expected), expected);
        EXPECT_EQ(sim.Power(), "0");
    }

    {
        SCOPED_TRACE("refused connections");
        sim.ClearFaults();
        sim.SetRefuseConnections(true);
        EXPECT_FALSE(Client("127.0.77.30", kPjlinkPort).Connected());
        sim.SetRefuseConnections(false);
        Client client("127.0.77.30", kPjlinkPort);
        EXPECT_EQ(client.Read(kOpenGreeting.size()), kOpenGreeting);
    }
}

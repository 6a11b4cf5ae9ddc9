// beamctl against the projector simulator over real loopback TCP: what each
// command puts on the wire, the handshake, toggles, status, and how every way
// of failing ends (exit status, one line on stderr, nothing printed as done).
#include <chrono>
#include <deque>
#include <functional>

#include "BeamctlRun.h"
#include "Command.h"
#include "Transport.h"

using namespace std::string_literals;
using namespace std::chrono_literals;

namespace {

const std::string kMagicAndVersion = "QRM/TX.net\x10"s;
const std::string kProbe = kMagicAndVersion + "\x02\0\0\0\0"s;

std::string OpenRequest(const std::string& password)
{
    return kMagicAndVersion + "\x03\0\0\0\x01\x01\x01"s + password + std::string(16 - password.size(), '\0');
}

using Sim = ProjectorSimulator;

// The system's sockets, with prompts the projector sent before a command
// could have reached it: one more chunk ":" right after the handshake's open
// reply, or a second prompt in the chunk that answers a query, after which
// the projector falls silent.
class StalePrompts final : public Transport {
public:
    enum class Where { AfterOpenReply, AfterQueryReply };
    explicit StalePrompts(Where where) : m_inner(MakeSocketTransport()), m_where(where) {}

    ConnectResult Connect(const Ipv4Address& address, std::uint16_t port, std::chrono::milliseconds limit) override
    {
        return m_inner->Connect(address, port, limit);
    }
    bool Send(std::string_view bytes) override { return m_inner->Send(bytes); }
    void Close() override { m_inner->Close(); }
    bool PeerClosed() override { return m_inner->PeerClosed(); }

    ReceiveResult Receive(char* buffer, std::size_t capacity, std::size_t& received,
                          std::chrono::milliseconds limit) override
    {
        if (!m_injected.empty()) {
            received = std::min(capacity, m_injected.size());
            m_injected.copy(buffer, received);
            m_injected.erase(0, received);
            return ReceiveResult::Data;
        }
        if (m_silent) {
            std::this_thread::sleep_for(limit);  // the projector says nothing more
            return ReceiveResult::TimedOut;
        }
        const ReceiveResult result = m_inner->Receive(buffer, capacity, received, limit);
        if (result != ReceiveResult::Data) return result;
        const std::string_view chunk(buffer, received);
        if (m_where == Where::AfterOpenReply && chunk.find("QRM/TX.net\x10\x03"s) != std::string_view::npos)
            m_injected = ":";
        if (m_where == Where::AfterQueryReply && chunk.find("=ON\r:") != std::string_view::npos &&
            received + 2 <= capacity) {
            buffer[received++] = '\r';
            buffer[received++] = ':';
            m_silent = true;
        }
        return result;
    }

private:
    std::unique_ptr<Transport> m_inner;
    Where m_where;
    std::string m_injected;
    bool m_silent = false;
};

}  // namespace

// Nothing the projector sent before a command went out answers it: a late
// prompt after the handshake does not confirm the first command, nor a second
// prompt in the chunk whose first one sent the follow-up confirm the follow-up.
TEST_F(BeamctlRun, OnlyThePromptToItsOwnCommandConfirmsIt)
{
    auto& sim = Simulator();
    struct Case {
        const char* why;
        StalePrompts::Where where;
        std::vector<std::string> args;
        std::function<void()> before;
        std::string unanswered;
    } const cases[] = {
        {"a late prompt after the open reply", StalePrompts::Where::AfterOpenReply, {"power", "on"},
         [&] { sim.SetSilentCommands(true); }, "'IMPWR ON'"},
        {"a second prompt after the query's answer", StalePrompts::Where::AfterQueryReply, {"mute", "toggle"},
         [&] { sim.SetMute(true); }, "'MUTE OFF'"},
    };
    for (const Case& c : cases) {
        sim.ClearFaults();
        c.before();
        m_makeTransport = [&c]() -> std::unique_ptr<Transport> { return std::make_unique<StalePrompts>(c.where); };
        std::vector<std::string> args{"--timeout", "500"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunOutcome r = Run(args);
        EXPECT_EQ(r.status, 3) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find("did not answer " + c.unanswered), std::string::npos) << c.why << ": " << r.err;
    }
}

TEST_F(BeamctlRun, EveryCommandSendsTheConsolesBytes)
{
    auto& sim = Simulator();
    const std::string longValue(265, 'L');  // "CCAP " + 265 + CR: the longest command the link sends
    m_channels = {{"OFF", "00"}, {"CC1", "11"}, {"Long", longValue}};
    struct Case {
        std::vector<std::string> args;
        std::string sent;
        std::function<void()> before = [] {};
    } const cases[] = {
        {{"power", "on"}, "IMPWR ON\r"},
        {{"power", "off"}, "IMPWR OFF\r", [&] { sim.SetPower("03"); }},  // no question asked
        {{"mute", "on"}, "MUTE ON\r"},
        {{"mute", "off"}, "MUTE OFF\r"},
        {{"freeze", "on"}, "FREEZE ON\r"},
        {{"FREEZE", "Off"}, "FREEZE OFF\r"},
        {{"source", "computer1"}, "SOURCE 10\r"},
        {{"source", "computer2"}, "SOURCE 20\r"},
        {{"source", "computer"}, "SOURCE F1\r"},
        {{"source", "quillan"}, "SOURCE 50\r"},
        {{"source", "video"}, "SOURCE 41\r"},  // the Advanced layout's video input
        {{"source", "S-Video"}, "SOURCE 42\r"},
        {{"source", "f2"}, "SOURCE F2\r"},
        {{"volume", "up"}, "KEY 57\r"},
        {{"volume", "down", "3"}, "KEY 56\rKEY 56\rKEY 56\r"},  // each after the prompt of the one before
        {{"cc", "cc1"}, "CCAP 11\r"},                            // the name, without regard to case
        {{"cc", "13"}, "CCAP 13\r"},                             // not a name: the value itself
        {{"cc", "long"}, "CCAP " + longValue + "\r"},
        {{"send", "SOURCE 30", "--timeout", "5000"}, "SOURCE 30\r"},  // options may follow the command
    };
    for (const Case& c : cases) {
        const std::string what = c.args[0] + " " + c.args[1];
        c.before();
        const int connections = sim.ConnectionCount();
        const RunOutcome r = Run(c.args);
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_EQ(r.err, "") << what;
        EXPECT_EQ(sim.ConnectionCount(), connections + 2) << what;
        EXPECT_EQ(Sim::Escape(Commands()), Sim::Escape(c.sent)) << what;
    }
    EXPECT_EQ(sim.Volume(), 8);
    EXPECT_EQ(sim.Caption(), longValue);
}

TEST_F(BeamctlRun, TogglesSendTheOppositeAtThePrompt)
{
    auto& sim = Simulator();
    struct Case {
        const char* what;
        bool on;
        std::string sent;
    } const cases[] = {
        {"mute", false, "MUTE?\rMUTE ON\r"},  // "MUTE=OFF" is taken on its first seven characters
        {"mute", true, "MUTE?\rMUTE OFF\r"},
        {"freeze", false, "FREEZE?\rFREEZE ON\r"},
        {"freeze", true, "FREEZE?\rFREEZE OFF\r"},
    };
    for (const Case& c : cases) {
        const bool isMute = std::string(c.what) == "mute";
        isMute ? sim.SetMute(c.on) : sim.SetFreeze(c.on);
        const RunOutcome r = Run({c.what, "toggle"});
        EXPECT_EQ(r.status, 0) << c.what << " " << c.on << ": " << r.err;
        EXPECT_EQ(Sim::Escape(Commands()), Sim::Escape(c.sent)) << c.what << " " << c.on;
        EXPECT_EQ(isMute ? sim.Mute() : sim.Freeze(), !c.on) << c.what;
    }
}

// Status only asks: the queries go out as plain commands, so no reply picks a
// follow-up and nothing is switched. The values are the projector's own.
TEST_F(BeamctlRun, StatusPrintsTheProjectorsOwnValues)
{
    auto& sim = Simulator();
    sim.SetPower("03");
    sim.SetMute(true);
    const std::string caption = "q\"\\\x01\xE9";  // quote, backslash, a control and a high byte
    sim.SetCaption(caption);

    const RunOutcome text = Run({"status"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out, "power=03\nmute=ON\nfreeze=OFF\ncc=q\"\\x5C\\x01\xE9\n");
    EXPECT_EQ(Sim::Escape(Commands()), Sim::Escape("PWSTATUS?\rMUTE?\rFREEZE?\rCCAP?\r"));

    const RunOutcome json = Run({"status", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out, "{\"power\": \"03\", \"mute\": \"ON\", \"freeze\": \"OFF\", \"cc\": \"q\\\"\\\\\\u0001\\u00e9\"}\n");
    EXPECT_TRUE(sim.Mute());
    EXPECT_EQ(sim.Power(), "03");
}

TEST_F(BeamctlRun, ProbeTellsWhetherAPasswordIsWanted)
{
    struct Case {
        const char* projectorPassword;
        bool json;
        std::string out;
    } const cases[] = {
        {"", false, "reachable=yes\npassword=none\n"},
        {"secret", false, "reachable=yes\npassword=required\n"},
        {"secret", true, "{\"reachable\": \"yes\", \"password\": \"required\"}\n"},
    };
    for (const Case& c : cases) {
        auto& sim = Simulator(c.projectorPassword);
        const RunOutcome r = c.json ? Run({"--json", "probe"}) : Run({"probe"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.out);
        const auto received = sim.Received();
        ASSERT_EQ(received.size(), 1u) << "the probe connection only";
        EXPECT_EQ(Sim::Escape(received[0]), Sim::Escape(kProbe));
    }
    // A projector that answers the probe and opens no session is told from
    // one that does not answer.
    struct Failure {
        std::function<void(Sim&)> fault;
        bool json;
        std::string out;
        const char* says;
    } const failures[] = {
        {[](Sim& s) { s.SetRefuseConnections(true); }, false, "reachable=no\n", "the connection was refused"},
        {[](Sim& s) { s.SetSilentHandshake(true); }, false, "reachable=no\n", "did not answer the probe"},
        {[](Sim& s) { s.SetProbeStatus(0x45); }, false, "reachable=refused\n", "refused the probe (status 0x45)"},
        {[](Sim& s) { s.SetProbeStatus(0x43); }, true, "{\"reachable\": \"refused\"}\n", "(status 0x43)"},
    };
    for (const Failure& f : failures) {
        auto& sim = Simulator();
        f.fault(sim);
        const RunOutcome r = f.json ? Run({"--json", "probe"}) : Run({"probe"});
        EXPECT_EQ(r.status, 3) << f.says;
        EXPECT_EQ(r.out, f.out) << f.says;
        EXPECT_EQ(LineCount(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(f.says), std::string::npos) << r.err;
    }
}

TEST_F(BeamctlRun, HandshakeWithAndWithoutPassword)
{
    for (const std::string& password : {""s, "sesame"s, "0123456789abcdef"s}) {
        auto& sim = Simulator(password);
        // The password from the option, or else from the environment.
        std::vector<std::string> args = {"volume", "up"};
        m_environment.clear();
        if (password == "sesame")
            m_environment["BEAMDESK_PASSWORD"] = password;
        else
            args.insert(args.begin(), {"--password", password});
        const RunOutcome r = Run(args);
        EXPECT_EQ(r.status, 0) << password << ": " << r.err;
        const auto received = sim.Received();
        ASSERT_EQ(received.size(), 2u) << password;
        EXPECT_EQ(Sim::Escape(received[0]), Sim::Escape(kProbe)) << password;
        EXPECT_EQ(Sim::Escape(received[1]), Sim::Escape(OpenRequest(password) + "KEY 57\r")) << password;
    }
}

// A password that starts with a dash is given as --password=VALUE.
TEST_F(BeamctlRun, AValueLikeAnOptionAfterTheEqualsSign)
{
    auto& sim = Simulator("--json");
    const RunOutcome r = Run({"--password=--json", "volume", "up"});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto received = sim.Received();
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(Sim::Escape(received[1]), Sim::Escape(OpenRequest("--json") + "KEY 57\r"));
}

// Exit 4 whenever the projector and we disagree about the password; the
// command is never sent.
TEST_F(BeamctlRun, PasswordProblemsExitFour)
{
    struct Case {
        const char* projector;
        const char* ours;
        int connections;  // 1: the probe already shows the disagreement
        const char* says;
        std::optional<std::uint8_t> probeStatus = std::nullopt;
    } const cases[] = {
        {"secret", "wrong", 2, "refused the password"},
        {"secret", "", 1, "wants a password"},
        {"", "secret", 1, "wants no password"},
        {"", "", 1, "refused the password", 0x43},  // the probe itself refused with the password code
    };
    for (const Case& c : cases) {
        auto& sim = Simulator(c.projector);
        sim.SetProbeStatus(c.probeStatus);
        const RunOutcome r = Run({"--password", c.ours, "power", "on"});
        EXPECT_EQ(r.status, 4) << c.ours;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(LineCount(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(sim.ConnectionCount(), c.connections) << c.ours;
        EXPECT_EQ(Commands(), "") << c.ours;
    }
}

TEST_F(BeamctlRun, NoAnswerExitsThree)
{
    struct Case {
        const char* why;
        std::function<void(Sim&)> fault;
        const char* says;
        std::string sent = "";  // what reached the command connection
    } const cases[] = {
        {"nothing listening", [](Sim& s) { s.SetRefuseConnections(true); }, "refused"},
        {"a connect that hangs", [](Sim& s) { s.SetHangConnects(true); }, "no connection within 2000 ms"},
        {"no handshake reply", [](Sim& s) { s.SetSilentHandshake(true); }, "did not answer the probe"},
        {"a reply without the magic", [](Sim& s) { s.SetWrongMagic(true); }, "did not answer the probe"},
        {"the open request refused", [](Sim& s) { s.SetOpenStatus(0x45); }, "refused the session (status 0x45)"},
        {"no reply to the command", [](Sim& s) { s.SetSilentCommands(true); }, "did not answer 'KEY 57' within 300 ms",
         "KEY 57\r"},
        {"closed on the command", [](Sim& s) { s.SetCloseAt(Sim::CloseMoment::OnCommand); }, "closed the connection",
         "KEY 57\r"},
    };
    for (const Case& c : cases) {
        auto& sim = Simulator();
        c.fault(sim);
        const auto start = std::chrono::steady_clock::now();
        const RunOutcome r = Run({"--timeout", "300", "volume", "up", "2"});
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(r.status, 3) << c.why << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.why;
        EXPECT_EQ(LineCount(r.err), 1u) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.why << ": " << r.err;
        EXPECT_EQ(Sim::Escape(Commands()), Sim::Escape(c.sent)) << c.why << ": the second step never goes out";
#ifndef _WIN32
        // The connect limit is beamctl's own clock; under Wine the bound is
        // left to the benchmark.
        if (std::string(c.why) == "a connect that hangs") {
            EXPECT_LT(elapsed, 2500ms);
        }
#endif
        (void)elapsed;
    }
}

// A reply is output only once the projector confirmed the command: the lines
// of a failed one are on its failure's line, marked as a partial reply.
TEST_F(BeamctlRun, ErrReplyExitsFive)
{
    auto& sim = Simulator();
    const RunOutcome text = Run({"send", "BOGUS"});
    EXPECT_EQ(text.status, 5);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err, "beamctl: the projector answered ERR to 'BOGUS' (partial reply: 'ERR')\n");

    const RunOutcome json = Run({"--json", "send", "BOGUS"});
    EXPECT_EQ(json.status, 5);
    EXPECT_EQ(json.out, "");
    EXPECT_EQ(LineCount(json.err), 1u) << json.err;

    // The reply came, the prompt never did.
    sim.SetCloseAt(Sim::CloseMoment::AfterReplyValue);
    const RunOutcome cut = Run({"send", "MUTE?"});
    EXPECT_EQ(cut.status, 3);
    EXPECT_EQ(cut.out, "");
    EXPECT_EQ(cut.err, "beamctl: the projector closed the connection before answering 'MUTE?' (partial reply: "
                       "'MUTE=OFF')\n");
    sim.SetCloseAt(Sim::CloseMoment::Never);

    // A reply line is printed as one line whatever it holds.
    const RunOutcome query = Run({"send", "MUTE?"});
    EXPECT_EQ(query.status, 0) << query.err;
    EXPECT_EQ(query.out, "MUTE=OFF\n");
    EXPECT_FALSE(sim.Mute());
}

// TCP may cut a reply anywhere: a line split across two reads is one line.
// (The handshake reply stays whole: a split there is the console's "no reply".)
TEST_F(BeamctlRun, ReplySplitMidLine)
{
    auto& sim = Simulator();
    sim.SetGarbageBeforeReplies("0123456789\r");
    sim.SetSplitReplies(17, 100ms);  // "0123456789\rMUTE=O" | "N\r:"
    sim.SetMute(true);
    const RunOutcome status = Run({"status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out, "power=01\nmute=ON\nfreeze=OFF\ncc=00\n");

    const RunOutcome toggle = Run({"mute", "toggle"});
    EXPECT_EQ(toggle.status, 0) << toggle.err;
    EXPECT_EQ(Sim::Escape(Commands()), Sim::Escape("MUTE?\rMUTE OFF\r"));
    EXPECT_FALSE(sim.Mute());
}

// Bad input ends with exit 2, the problem and a hint in brackets on one line,
// and not a single connection: the simulator's log proves nothing was sent.
TEST_F(BeamctlRun, BadInputIsRefusedBeforeAnyConnection)
{
    auto& sim = Simulator();
    const std::string tooLong(kMaxCommandLength, 'X');  // with its CR one byte over
    struct Case {
        std::vector<std::string> args;
        std::map<std::string, std::string> environment = {};
    } const cases[] = {
        {{"--projector", "300.1.2.3", "status"}},
        {{"--projector", "127.0.66", "status"}},
        {{"--projector", "127.0.66.1.2", "status"}},
        {{"--projector", "0.0.0.0", "status"}},
        {{"status"}, {{"BEAMDESK_PROJECTOR", "projector.example"}}},
        {{"status"}},  // no address anywhere
        {{"--projector", "{sim}", "dance"}},
        {{"--projector", "{sim}"}},
        {{"--projector", "{sim}", "source", "hdmi"}},
        {{"--projector", "{sim}", "source", "F"}},
        {{"--projector", "{sim}", "--password", "0123456789abcdefg", "status"}},
        {{"--projector", "{sim}", "status"}, {{"BEAMDESK_PASSWORD", "0123456789abcdefg"}}},
        {{"--projector", "{sim}", "volume", "up", "0"}},
        {{"--projector", "{sim}", "volume", "up", "x"}},
        {{"--projector", "{sim}", "volume", "up", "-1"}},
        {{"--projector", "{sim}", "--", "volume", "up", "-1"}},  // after "--" no word is an option
        {{"--projector", "{sim}", "volume", "up", "101"}},
        {{"--projector", "{sim}", "volume", "sideways"}},
        {{"--projector", "{sim}", "send", "MUTE ON\rMUTE OFF"}},
        {{"--projector", "{sim}", "send", tooLong}},
        {{"--projector", "{sim}", "cc", "A\rB"}},
        {{"--projector", "{sim}", "--colour", "status"}},
        {{"--projector", "{sim}", "status", "--timeout"}},
        {{"--projector", "{sim}", "--timeout", "0", "status"}},
        {{"--projector", "{sim}", "power"}},
        {{"--projector", "{sim}", "power", "toggle"}},
        {{"--projector", "{sim}", "mute", "on", "now"}},
        // A value that looks like an option is one only as --name=VALUE.
        {{"--projector", "{sim}", "--password", "--json", "status"}},
        {{"--projector", "{sim}", "--timeout", "-5", "status"}},
        {{"--projector", "--json", "status"}},
        // Each option once.
        {{"--projector", "{sim}", "--projector", "{sim}", "status"}},
        {{"--projector", "{sim}", "--json", "status", "--json"}},
        {{"--projector", "{sim}", "--timeout=300", "--timeout", "300", "status"}},
        {{"--projector", "{sim}", "-h", "--help"}},
        {{"--projector", "{sim}", "--json=yes", "status"}},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& arg : c.args) what += Sim::Escape(arg).substr(0, 20) + " ";
        m_environment = c.environment;
        const RunOutcome r = RunAsGiven(c.args);
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(LineCount(r.err), 1u) << what << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("beamctl: ", 0), 0u) << what << "\n" << r.err;
        EXPECT_NE(r.err.find(" ("), std::string::npos) << what << ": no hint\n" << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - 2), ")\n") << what << "\n" << r.err;
    }
    EXPECT_EQ(sim.ConnectionCount(), 0);
}

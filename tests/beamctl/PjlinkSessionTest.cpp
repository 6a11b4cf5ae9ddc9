// beamctl speaking PJLink against the simulator in its PJLink mode, over real
// loopback TCP: each command's line on the wire (after the opening's class
// question, with the digest in front of the first line when there is a
// password), toggles, status and info in both forms, and every way of
// failing: its exit status, its one line on stderr, and what never went out.
#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <set>

#include "BeamctlRun.h"
#include "Transport.h"

using namespace std::string_literals;
using namespace std::chrono_literals;

namespace {

using Sim = ProjectorSimulator;
using Adjust = std::function<void(Sim::Options&)>;
using TransportFactory = std::function<std::unique_ptr<Transport>()>;

const std::string kClassQuestion = "%1CLSS ?\r";

// The inputs of the simulator with a class-2 input and a letter among them.
const Adjust kMoreInputs = [](Sim::Options& o) {
    o.inputs.push_back({"3B", "HDMI 3"});
    o.inputs.push_back({"6A", "Internal"});
};

const Adjust kClass1 = [](Sim::Options& o) { o.pjlinkClass = 1; };

bool IsDigest(const std::string& text)
{
    if (text.size() != 32) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// The system's sockets, except that the reply to each of `bodies` comes back
// with `parameter`: the answers a real projector gives and the simulator has
// no fault for (ERR4, a projector that answers nothing it is asked).
class ForcedReplies final : public Transport {
public:
    ForcedReplies(std::set<std::string> bodies, std::string parameter)
        : m_inner(MakeSocketTransport()), m_bodies(std::move(bodies)), m_parameter(std::move(parameter))
    {
    }

    ConnectResult Connect(const Ipv4Address& address, std::uint16_t port, std::chrono::milliseconds limit) override
    {
        m_partial.clear();
        m_ready.clear();
        return m_inner->Connect(address, port, limit);
    }
    bool Send(std::string_view bytes) override { return m_inner->Send(bytes); }
    void Close() override { m_inner->Close(); }
    bool PeerClosed() override { return m_inner->PeerClosed(); }

    // Whole lines only, each rewritten as it completes.
    ReceiveResult Receive(char* buffer, std::size_t capacity, std::size_t& received,
                          std::chrono::milliseconds limit) override
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_ready.empty()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return ReceiveResult::TimedOut;
            char chunk[1024];
            std::size_t n = 0;
            const ReceiveResult result = m_inner->Receive(chunk, sizeof chunk, n, left);
            if (result != ReceiveResult::Data) return result;
            m_partial.append(chunk, n);
            for (std::size_t cr; (cr = m_partial.find('\r')) != std::string::npos;) {
                std::string line = m_partial.substr(0, cr);
                m_partial.erase(0, cr + 1);
                if (line.size() >= 7 && line[0] == '%' && line[6] == '=' && m_bodies.count(line.substr(2, 4)) > 0)
                    line = line.substr(0, 7) + m_parameter;
                m_ready.insert(m_ready.end(), line.begin(), line.end());
                m_ready.push_back('\r');
            }
        }
        received = std::min(capacity, m_ready.size());
        std::copy(m_ready.begin(), m_ready.begin() + static_cast<std::ptrdiff_t>(received), buffer);
        m_ready.erase(m_ready.begin(), m_ready.begin() + static_cast<std::ptrdiff_t>(received));
        return ReceiveResult::Data;
    }

private:
    std::unique_ptr<Transport> m_inner;
    std::set<std::string> m_bodies;
    std::string m_parameter;
    std::string m_partial;
    std::deque<char> m_ready;
};

TransportFactory Forcing(std::set<std::string> bodies, std::string parameter)
{
    return [bodies, parameter]() -> std::unique_ptr<Transport> {
        return std::make_unique<ForcedReplies>(bodies, parameter);
    };
}

class BeamctlPjlink : public BeamctlRun {
protected:
    // beamctl aimed at the simulator, in PJLink.
    RunOutcome Pjlink(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--protocol", "pjlink"});
        return Run(std::move(args));
    }

    // Everything the projector got on the latest connection.
    std::string Wire() const
    {
        const auto received = m_sim->Received();
        return received.empty() ? "" : received.back();
    }
};

}  // namespace

// One connection per run; the opening asks the class, then the command's
// line goes out as the console's button (or the script's switch) sends it.
TEST_F(BeamctlPjlink, EveryCommandSendsItsLine)
{
    auto& sim = PjlinkSimulator(kMoreInputs);
    struct Case {
        std::vector<std::string> args;
        std::string sent;
        ValueTable ini = {};  // Beamdesk.ini's [PJLINK]
        std::function<void()> before = [] {};
        std::string out = "";
    } const cases[] = {
        {{"power", "on"}, "%1POWR 1\r"},
        {{"power", "off"}, "%1POWR 0\r", {}, [&] { sim.SetPower("1"); }},  // no question asked
        {{"mute", "on"}, "%1AVMT 31\r"},
        {{"MUTE", "Off"}, "%1AVMT 30\r"},
        {{"freeze", "on"}, "%2FREZ 1\r"},
        {{"freeze", "off"}, "%2FREZ 0\r"},
        {{"source", "computer1"}, "%1INPT 11\r"},
        {{"source", "computer2"}, "%1INPT 12\r"},
        {{"source", "computer"}, "%1INPT 11\r"},
        {{"source", "quillan"}, "%1INPT 51\r"},
        {{"source", "video"}, "%1INPT 21\r"},
        {{"source", "S-Video"}, "%1INPT 22\r"},
        {{"source", "31"}, "%1INPT 31\r"},
        {{"source", "3b"}, "%2INPT 3B\r"},  // a letter is class 2, in upper case
        {{"source", "6A"}, "%2INPT 6A\r"},  // so is an internal input
        {{"source", "computer1"}, "%1INPT 32\r", {{"computer1", "32"}}},  // the keys without regard to case
        {{"source", "video"}, "%2INPT 6A\r", {{"Video", "6a"}}},
        {{"source", "s-video"}, "%1INPT 22\r", {{"SVideo", "72"}}},  // no input code: the default stays
        {{"volume", "up"}, "%2SVOL 1\r"},
        {{"volume", "down", "3"}, "%2SVOL 0\r%2SVOL 0\r%2SVOL 0\r"},  // each after the reply to the one before
        {{"send", "%1POWR ?"}, "%1POWR ?\r", {}, [&] { sim.SetPower("0"); }, "%1POWR=0\n"},
        {{"send", "%1inpt ?", "--json"}, "%1inpt ?\r", {}, [] {}, "{\"replies\": [\"%1INPT=22\"]}\n"},
    };
    for (const Case& c : cases) {
        const std::string what = c.args[0] + " " + c.args[1];
        m_pjlinkInputs = c.ini;
        c.before();
        const int connections = sim.ConnectionCount();
        const RunOutcome r = Pjlink(c.args);
        EXPECT_EQ(r.status, 0) << what << ": " << r.err;
        EXPECT_EQ(r.err, "") << what;
        EXPECT_EQ(r.out, c.out) << what;
        EXPECT_EQ(sim.ConnectionCount(), connections + 1) << what;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + c.sent)) << what;
    }
    EXPECT_EQ(sim.Volume(), 8);
}

// A projector that closes each connection after its reply: the next command
// connects again, without a second class question, as the console does.
TEST_F(BeamctlPjlink, ClosesBetweenCommandsAreNoFailure)
{
    auto& sim = PjlinkSimulator([](Sim::Options& o) { o.password = "pass1"; });
    sim.SetCloseAt(Sim::CloseMoment::AfterReplyValue);
    const RunOutcome volume = Pjlink({"--password", "pass1", "volume", "up", "3"});
    EXPECT_EQ(volume.status, 0) << volume.err;
    const auto received = sim.Received();
    ASSERT_EQ(received.size(), 4u);  // the class question's connection, then one per step
    EXPECT_EQ(received[0].substr(32), kClassQuestion);
    for (std::size_t i = 1; i < received.size(); ++i) {
        EXPECT_TRUE(IsDigest(received[i].substr(0, 32))) << i;
        EXPECT_EQ(received[i].substr(32), "%2SVOL 1\r") << i;
    }
    EXPECT_EQ(sim.Volume(), 13);

    const RunOutcome status = Pjlink({"--password", "pass1", "status"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_NE(status.out.find("power="), std::string::npos);
    EXPECT_NE(status.out.find("freeze="), std::string::npos);
}

TEST_F(BeamctlPjlink, TogglesAskThenSendTheOpposite)
{
    auto& sim = PjlinkSimulator();
    struct Case {
        const char* what;
        std::function<void()> state;
        std::string sent;
        std::string avMuteAfter;
        bool frozenAfter;
    } const cases[] = {
        {"mute", [&] { sim.SetAvMute("30"); }, "%1AVMT ?\r%1AVMT 31\r", "31", false},
        {"mute", [&] { sim.SetAvMute("11"); }, "%1AVMT ?\r%1AVMT 30\r", "30", false},  // anything muted unmutes both
        {"mute", [&] { sim.SetAvMute("21"); }, "%1AVMT ?\r%1AVMT 30\r", "30", false},
        {"mute", [&] { sim.SetAvMute("31"); }, "%1AVMT ?\r%1AVMT 30\r", "30", false},
        {"freeze", [&] { sim.SetFreeze(false); }, "%2FREZ ?\r%2FREZ 1\r", "30", true},
        {"freeze", [&] { sim.SetFreeze(true); }, "%2FREZ ?\r%2FREZ 0\r", "30", false},
    };
    for (const Case& c : cases) {
        c.state();
        const RunOutcome r = Pjlink({c.what, "toggle"});
        EXPECT_EQ(r.status, 0) << c.sent << ": " << r.err;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + c.sent));
        EXPECT_EQ(sim.AvMute(), c.avMuteAfter) << c.sent;
        EXPECT_EQ(sim.Freeze(), c.frozenAfter) << c.sent;
    }
}

// With security on, the digest of the greeting's random number and the
// password stands in front of the connection's first line, and only there.
TEST_F(BeamctlPjlink, PasswordDigestInFrontOfTheFirstLine)
{
    const std::string longest(32, 'Z');
    struct Case {
        const char* why;
        std::string projector;
        std::vector<std::string> args;
        std::map<std::string, std::string> environment = {};
    } const cases[] = {
        {"from the option", "JBMIAProjectorLink", {"--password", "JBMIAProjectorLink", "power", "on"}},
        {"from the environment", "s3cret", {"power", "on"}, {{"BEAMDESK_PASSWORD", "s3cret"}}},
        {"the longest a projector takes", longest, {"--password", longest, "power", "on"}},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator([&](Sim::Options& o) { o.password = c.projector; });
        m_environment = c.environment;
        const RunOutcome r = Pjlink(c.args);
        EXPECT_EQ(r.status, 0) << c.why << ": " << r.err;
        const std::string wire = Wire();
        EXPECT_TRUE(IsDigest(wire.substr(0, 32))) << c.why << ": " << Sim::Escape(wire);
        EXPECT_EQ(Sim::Escape(wire.substr(std::min<std::size_t>(32, wire.size()))),
                  Sim::Escape(kClassQuestion + "%1POWR 1\r"))
            << c.why;
        EXPECT_NE(sim.Power(), "0") << c.why << ": the projector took the digest and ran the command";
    }

    // A projector without security takes the commands as they are.
    auto& open = PjlinkSimulator();
    const RunOutcome r = Pjlink({"--password", "unneeded", "power", "on"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + "%1POWR 1\r"));
    EXPECT_NE(open.Power(), "0");
}

// Exit 4 whenever the password is missing or refused; the command never goes out.
TEST_F(BeamctlPjlink, PasswordProblemsExitFour)
{
    struct Case {
        const char* why;
        std::string projector;
        std::string ours;
        std::string greeting;  // instead of the simulator's own
        std::string says;
        std::string wire;
    } const cases[] = {
        {"none given", "secret", "", "", "wants a password: give --password or BEAMDESK_PASSWORD", ""},
        {"a wrong one", "secret", "wrong", "", "refused the password", "digest"},
        // The standard's example: this digest, refused since the random is not the projector's.
        {"the digest of the standard's example", "secret", "JBMIAProjectorLink", "PJLINK 1 498e4a67\r",
         "refused the password", "5d8409bc1c3fa39749434aa3a5c38682" + kClassQuestion},
        {"refused as it greets", "", "secret", "PJLINK ERRA\r", "refused the password", ""},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator([&](Sim::Options& o) { o.password = c.projector; });
        if (!c.greeting.empty()) sim.SetGreeting(c.greeting);
        const RunOutcome r = Pjlink({"--password", c.ours, "power", "on"});
        EXPECT_EQ(r.status, 4) << c.why << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.why;
        EXPECT_EQ(LineCount(r.err), 1u) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.why << ": " << r.err;
        const std::string wire = Wire();
        if (c.wire == "digest") {
            EXPECT_TRUE(IsDigest(wire.substr(0, 32))) << c.why << ": " << Sim::Escape(wire);
            EXPECT_EQ(Sim::Escape(wire.substr(std::min<std::size_t>(32, wire.size()))), Sim::Escape(kClassQuestion))
                << c.why;
        } else {
            EXPECT_EQ(Sim::Escape(wire), Sim::Escape(c.wire)) << c.why;
        }
        EXPECT_EQ(sim.Power(), "0") << c.why;
    }
}

// Status only asks: plain queries, so nothing is switched. The values are the
// projector's own codes; freeze only from a projector that answers it.
TEST_F(BeamctlPjlink, StatusPrintsTheProjectorsOwnValues)
{
    struct Case {
        const char* why;
        Adjust adjust;
        std::function<void(Sim&)> state;
        std::string sent;
        std::string text;
        std::string json;
    } const cases[] = {
        {"class 2",
         {},
         [](Sim& s) {
             s.SetPower("1");
             s.SetAvMute("31");
             s.SetSource("21");
             s.SetFreeze(true);
         },
         "%1POWR ?\r%1AVMT ?\r%1INPT ?\r%2FREZ ?\r", "power=1\nmute=31\ninput=21\nfreeze=1\n",
         "{\"power\": \"1\", \"mute\": \"31\", \"input\": \"21\", \"freeze\": \"1\"}\n"},
        {"class 1: no freeze, nothing asked for it", kClass1, [](Sim& s) { s.SetAvMute("11"); },
         "%1POWR ?\r%1AVMT ?\r%1INPT ?\r", "power=0\nmute=11\ninput=11\n",
         "{\"power\": \"0\", \"mute\": \"11\", \"input\": \"11\", \"freeze\": null}\n"},
        {"replies in lower case, one byte at a time",
         {},
         [](Sim& s) {
             s.SetLowerCaseReplies(true);
             s.SetTrickleReplies(true);
             s.SetAvMute("21");
         },
         "%1POWR ?\r%1AVMT ?\r%1INPT ?\r%2FREZ ?\r", "power=0\nmute=21\ninput=11\nfreeze=0\n",
         "{\"power\": \"0\", \"mute\": \"21\", \"input\": \"11\", \"freeze\": \"0\"}\n"},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator(c.adjust);
        c.state(sim);
        const auto changes = sim.StateChanges().size();
        const RunOutcome text = Pjlink({"status"});
        EXPECT_EQ(text.status, 0) << c.why << ": " << text.err;
        EXPECT_EQ(text.out, c.text) << c.why;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + c.sent)) << c.why;
        const RunOutcome json = Pjlink({"--json", "status"});
        EXPECT_EQ(json.status, 0) << c.why << ": " << json.err;
        EXPECT_EQ(json.out, c.json) << c.why;
        EXPECT_EQ(sim.StateChanges().size(), changes) << c.why;
    }
}

TEST_F(BeamctlPjlink, StatusFailsOnAnItemTheProjectorRefuses)
{
    auto& sim = PjlinkSimulator();
    sim.SetPowerErr3(true);
    const RunOutcome r = Pjlink({"status"});
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.out, "mute=30\ninput=11\nfreeze=0\n");  // the rest is still printed
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("ERR3 (unavailable time) to '%1POWR ?'"), std::string::npos) << r.err;
}

TEST_F(BeamctlPjlink, InfoPrintsWhatTheProjectorTellsOfItself)
{
    const std::string queries = "%1NAME ?\r%1INF1 ?\r%1INF2 ?\r%1CLSS ?\r%1LAMP ?\r%1ERST ?\r%1INST ?\r";
    struct Case {
        const char* why;
        Adjust adjust;
        std::string text;
        std::string json;
    } const cases[] = {
        {"two lamps, a warning and an error",
         [](Sim::Options& o) {
             o.name = "Room 4";
             o.lampHours = {1200, 800};
             o.errorStatus = "010200";
         },
         "name=Room 4\nmanufacturer=Beamdesk\nproduct=Simulated Projector\nclass=2\nlamp_hours=1200 800\n"
         "errors=fan:ok lamp:warning temperature:ok cover:error filter:ok other:ok\n"
         "inputs=11 12 21 22 31 32 51\n",
         "{\"name\": \"Room 4\", \"manufacturer\": \"Beamdesk\", \"product\": \"Simulated Projector\", "
         "\"class\": \"2\", \"lamp_hours\": [1200, 800], "
         "\"errors\": {\"fan\": \"ok\", \"lamp\": \"warning\", \"temperature\": \"ok\", \"cover\": \"error\", "
         "\"filter\": \"ok\", \"other\": \"ok\"}, "
         "\"inputs\": [\"11\", \"12\", \"21\", \"22\", \"31\", \"32\", \"51\"]}\n"},
        {"no lamp (ERR1), no name, no inputs, class 1",
         [](Sim::Options& o) {
             o.pjlinkClass = 1;
             o.name = "";
             o.lampHours = {};
             o.inputs = {};
         },
         "name=\nmanufacturer=Beamdesk\nproduct=Simulated Projector\nclass=1\n"
         "errors=fan:ok lamp:ok temperature:ok cover:ok filter:ok other:ok\ninputs=\n",
         "{\"name\": \"\", \"manufacturer\": \"Beamdesk\", \"product\": \"Simulated Projector\", \"class\": \"1\", "
         "\"lamp_hours\": null, "
         "\"errors\": {\"fan\": \"ok\", \"lamp\": \"ok\", \"temperature\": \"ok\", \"cover\": \"ok\", "
         "\"filter\": \"ok\", \"other\": \"ok\"}, \"inputs\": []}\n"},
    };
    for (const Case& c : cases) {
        PjlinkSimulator(c.adjust);
        const RunOutcome text = Pjlink({"info"});
        EXPECT_EQ(text.status, 0) << c.why << ": " << text.err;
        EXPECT_EQ(text.err, "") << c.why;
        EXPECT_EQ(text.out, c.text) << c.why;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + queries)) << c.why;
        const RunOutcome json = Pjlink({"info", "--json"});
        EXPECT_EQ(json.status, 0) << c.why << ": " << json.err;
        EXPECT_EQ(json.out, c.json) << c.why;
    }

    // Not one item answered: the command fails, naming the first refusal.
    PjlinkSimulator();
    m_makeTransport = Forcing({"NAME", "INF1", "INF2", "CLSS", "LAMP", "ERST", "INST"}, "ERR3");
    const RunOutcome none = Pjlink({"--json", "info"});
    EXPECT_EQ(none.status, 5);
    EXPECT_EQ(none.out, "{\"name\": null, \"manufacturer\": null, \"product\": null, \"class\": null, "
                        "\"lamp_hours\": null, \"errors\": null, \"inputs\": null}\n");
    EXPECT_EQ(LineCount(none.err), 1u) << none.err;
    EXPECT_NE(none.err.find("ERR3 (unavailable time) to '%1NAME ?'"), std::string::npos) << none.err;
}

// ERR1 to ERR4 exit 5 with a line naming which; a class-2 command for a
// class-1 projector exits 5 without going out.
TEST_F(BeamctlPjlink, ProjectorErrorsExitFive)
{
    struct Case {
        const char* why;
        std::vector<std::string> args;
        std::string says;
        std::string sent;
        Adjust adjust = {};
        std::function<void(Sim&)> fault = [](Sim&) {};
        TransportFactory transport = MakeSocketTransport;
    } const cases[] = {
        {"ERR1", {"send", "%1ABCD ?"}, "answered ERR1 (unsupported command) to '%1ABCD ?'", "%1ABCD ?\r"},
        {"ERR2", {"source", "19"}, "answered ERR2 (out of parameter) to '%1INPT 19'", "%1INPT 19\r"},
        {"ERR3", {"power", "on"}, "answered ERR3 (unavailable time) to '%1POWR 1'", "%1POWR 1\r", {},
         [](Sim& s) { s.SetPowerErr3(true); }},
        {"ERR4", {"mute", "on"}, "answered ERR4 (projector failure) to '%1AVMT 31'", "%1AVMT 31\r", {},
         [](Sim&) {}, Forcing({"AVMT"}, "ERR4")},
        {"ERR2 to a toggle's query", {"mute", "toggle"}, "answered ERR2 (out of parameter) to '%1AVMT ?'",
         "%1AVMT ?\r", {}, [](Sim&) {}, Forcing({"AVMT"}, "ERR2")},
        {"class 1: freeze", {"freeze", "on"}, "is of class 1 and has no command '%2FREZ 1'", "", kClass1},
        {"class 1: freeze toggle", {"freeze", "toggle"}, "is of class 1 and has no command '%2FREZ ?'", "", kClass1},
        {"class 1: volume", {"volume", "up", "2"}, "is of class 1 and has no command '%2SVOL 1'", "", kClass1},
        {"class 1: an input with a letter", {"source", "3B"}, "has no command '%2INPT 3B'", "", kClass1},
        {"class 1: a raw class-2 line", {"send", "%2SNUM ?"}, "has no command '%2SNUM ?'", "", kClass1},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator(c.adjust);
        m_makeTransport = c.transport;
        c.fault(sim);
        const RunOutcome r = Pjlink(c.args);
        EXPECT_EQ(r.status, 5) << c.why << ": " << r.err;
        EXPECT_EQ(LineCount(r.err), 1u) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.why << ": " << r.err;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(kClassQuestion + c.sent)) << c.why;
    }
}

TEST_F(BeamctlPjlink, NoAnswerExitsThree)
{
    struct Case {
        const char* why;
        std::function<void(Sim&)> fault;
        std::string says;
        std::string sent;  // what reached the projector
    } const cases[] = {
        {"nothing listening", [](Sim& s) { s.SetRefuseConnections(true); }, "the connection was refused", ""},
        {"no greeting", [](Sim& s) { s.SetNoGreeting(true); }, "sent no greeting within 2000 ms", ""},
        {"something else than a greeting", [](Sim& s) { s.SetGreeting("HELLO\r"); },
         "did not greet: it sent 'HELLO'", ""},
        {"a greeting with a line feed and an escape in it", [](Sim& s) { s.SetGreeting("HEL\nLO\x1B[2J\r"); },
         "did not greet: it sent 'HEL\\x0ALO\\x1B[2J'", ""},
        {"closed before a greeting", [](Sim& s) { s.SetCloseAt(Sim::CloseMoment::OnAccept); },
         "closed the connection without a greeting", ""},
        {"no reply to the class question", [](Sim& s) { s.SetSilentCommands(true); },
         "did not answer '%1CLSS ?' within 300 ms", kClassQuestion},
        {"closed on the class question", [](Sim& s) { s.SetCloseAt(Sim::CloseMoment::OnCommand); },
         "closed the connection before answering '%1CLSS ?'", kClassQuestion},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator();
        c.fault(sim);
        const RunOutcome r = Pjlink({"--timeout", "300", "volume", "up", "2"});
        EXPECT_EQ(r.status, 3) << c.why << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.why;
        EXPECT_EQ(LineCount(r.err), 1u) << c.why << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.why << ": " << r.err;
        EXPECT_EQ(Sim::Escape(Wire()), Sim::Escape(c.sent)) << c.why;
    }
}

// Bad input under PJLink (or a PJLink-only command under the native protocol)
// ends with exit 2, the problem and a hint on one line, and not a single
// connection.
TEST_F(BeamctlPjlink, BadInputIsRefusedBeforeAnyConnection)
{
    auto& sim = PjlinkSimulator();
    const std::string pj = "--protocol=pjlink";
    struct Case {
        std::vector<std::string> args;
        std::map<std::string, std::string> environment = {};
    } const cases[] = {
        {{pj, "--password", std::string(33, 'a'), "status"}},
        {{pj, "--password", "pass word", "status"}},
        {{pj, "--password", "p\xC3\xA4sse", "status"}},
        {{pj, "status"}, {{"BEAMDESK_PASSWORD", "se-cret"}}},
        {{"--protocol", "native", "--password", std::string(17, 'a'), "status"}},  // 16 is the native limit
        {{pj, "source", "71"}},   // no type 7
        {{pj, "source", "10"}},   // no number 0
        {{pj, "source", "1"}},
        {{pj, "source", "1!"}},
        {{pj, "source", "hdmi"}},
        {{pj, "cc", "cc1"}},      // PJLink has no captions
        {{pj, "probe"}},
        {{pj, "send", "POWR 1"}},  // no PJLink line: no projector would answer it
        {{pj, "send", "%1POWR"}},
        {{pj, "send", "%1POWR " + std::string(129, '1')}},
        {{"--protocol", "native", "info"}},
        {{"info"}},  // the native protocol unless something says otherwise
        {{"--protocol", "pjlink2", "status"}},
        {{"status"}, {{"BEAMDESK_PROTOCOL", "telnet"}}},
        {{"status", "--protocol"}},
        {{pj, "info", "now"}},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& arg : c.args) what += Sim::Escape(arg).substr(0, 20) + " ";
        m_environment = c.environment;
        const RunOutcome r = Run(c.args);
        EXPECT_EQ(r.status, 2) << what;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(LineCount(r.err), 1u) << what << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("beamctl: ", 0), 0u) << what << "\n" << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - 2), ")\n") << what << ": no hint\n" << r.err;
    }
    EXPECT_EQ(sim.ConnectionCount(), 0);
}

// The protocol from the option, else the environment, else the console's
// saved settings; with it the protocol's own password.
TEST_F(BeamctlPjlink, ProtocolFromOptionEnvironmentOrSavedSettings)
{
    struct Case {
        const char* why;
        std::vector<std::string> args;
        std::map<std::string, std::string> environment;
        std::optional<SavedProjector> saved;
        std::string projectorPassword = "";
        int status = 0;
    } const cases[] = {
        {"the environment", {"--projector", "{sim}"}, {{"BEAMDESK_PROTOCOL", "PJLink"}}, std::nullopt},
        {"the saved settings, with the saved PJLink password",
         {},
         {},
         SavedProjector{"{sim}", "native1", ProtocolId::Pjlink, "pjlink1"},
         "pjlink1"},
        {"the saved protocol for another address, without the saved password",
         {"--projector", "{sim}"},
         {},
         SavedProjector{"127.0.66.169", "native1", ProtocolId::Pjlink, "pjlink1"},
         "pjlink1",
         4},
        {"the option wins over the environment: no PJLink at all",
         {"--projector", "{sim}", "--protocol", "native"},
         {{"BEAMDESK_PROTOCOL", "pjlink"}},
         std::nullopt,
         "",
         3},
        {"the environment wins over the saved settings",
         {},
         {{"BEAMDESK_PROTOCOL", "native"}},
         SavedProjector{"{sim}", "", ProtocolId::Pjlink, ""},
         "",
         3},
    };
    for (const Case& c : cases) {
        auto& sim = PjlinkSimulator([&](Sim::Options& o) { o.password = c.projectorPassword; });
        m_environment = c.environment;
        m_saved = c.saved;
        if (m_saved && m_saved->address == "{sim}") m_saved->address = m_address;
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--timeout", "300", "power", "on"});
        const RunOutcome r = RunAsGiven(args);
        EXPECT_EQ(r.status, c.status) << c.why << ": " << r.err;
        const std::string wire = Wire();
        if (c.status == 0) {
            ASSERT_GE(wire.size(), 18u) << c.why;
            EXPECT_EQ(Sim::Escape(wire.substr(wire.size() - 18)), Sim::Escape(kClassQuestion + "%1POWR 1\r")) << c.why;
        } else if (c.status == 4) {
            EXPECT_EQ(wire, "") << c.why << ": the greeting asked for a password, and none went";
        } else {
            EXPECT_EQ(sim.ConnectionCount(), 0) << c.why << ": not a PJLink connection";
        }
    }
}

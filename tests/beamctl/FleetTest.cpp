// beamctl for many projectors: the list and file syntax (every entry checked
// before anything is sent), each projector's own session, protocol and
// password, the output lines after each address, the JSON object keyed by
// address, exit 6 when any failed, at most 64 sessions at once, and status
// and info as Prometheus metrics. Simulators on 127.0.68.x.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "BeamctlRun.h"
#include "ProjectorList.h"
#include "Prometheus.h"

using namespace std::string_literals;

namespace {

using Sim = ProjectorSimulator;
using Adjust = std::function<void(Sim::Options&)>;

// A file of the test's own, removed at the end.
class ListFile {
public:
    explicit ListFile(const std::string& bytes)
    {
        static int count = 0;
        m_path = testing::TempDir() + "beamctl-projectors-" + std::to_string(++count) + ".txt";
        std::FILE* file = std::fopen(m_path.c_str(), "wb");
        EXPECT_NE(file, nullptr) << m_path;
        if (file == nullptr) return;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    ~ListFile() { std::remove(m_path.c_str()); }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

class BeamctlFleet : public BeamctlRun {
protected:
    void TearDown() override
    {
        for (auto& sim : m_fleet) sim->Stop();
        BeamctlRun::TearDown();
    }

    // A simulator on a fresh 127.0.68.x address; its address.
    std::string Start(Sim::Protocol protocol = Sim::Protocol::Native, const Adjust& adjust = {})
    {
        static int lastOctet = 0;
        Sim::Options options;
        options.protocol = protocol;
        options.address = "127.0.68." + std::to_string(++lastOctet);
        options.warmUpMs = 100;
        options.coolDownMs = 100;
        if (adjust) adjust(options);
        m_fleet.push_back(std::make_unique<Sim>(options));
        EXPECT_TRUE(m_fleet.back()->Start()) << options.address;
        return options.address;
    }

    // An address where nothing listens.
    static std::string Nowhere() { return "127.0.68.254"; }

    Sim& Fleet(std::size_t i) { return *m_fleet.at(i); }

    int ConnectionsToAll() const
    {
        int connections = 0;
        for (const auto& sim : m_fleet) connections += sim->ConnectionCount();
        return connections;
    }

    std::vector<std::unique_ptr<Sim>> m_fleet;
};

std::vector<ListedProjector> Listed(const std::string& text)
{
    auto parsed = ParseProjectorList(text, "--projector");
    if (auto* error = std::get_if<UsageError>(&parsed)) {
        ADD_FAILURE() << text << ": " << error->message;
        return {};
    }
    return std::get<std::vector<ListedProjector>>(parsed);
}

std::string Described(const std::vector<ListedProjector>& list)
{
    std::string text;
    for (const ListedProjector& p : list) {
        text += p.address.Text();
        if (p.protocol) text.append(" ").append(ProtocolName(*p.protocol));
        text += ';';
    }
    return text;
}

}  // namespace

TEST(BeamctlProjectorList, CommaListsAndFiles)
{
    const ListFile rooms("\xEF\xBB\xBF# the second floor\r\n"
                         "10.0.2.20\r\n"
                         "\r\n"
                         "  10.0.2.21\tPJLink   # the hall\r\n"
                         "\t# a comment after blanks\n"
                         "010.000.002.022 native\n"
                         "10.0.2.23");  // no line end at the end
    struct Case {
        std::string text;
        std::string listed;
    } const cases[] = {
        {"10.0.0.1", "10.0.0.1;"},
        {"10.0.0.1,10.0.0.2", "10.0.0.1;10.0.0.2;"},
        {"10.0.0.1, 10.0.0.2 ,\t10.0.0.3", "10.0.0.1;10.0.0.2;10.0.0.3;"},
        {"@" + rooms.path(), "10.0.2.20;10.0.2.21 pjlink;10.0.2.22 native;10.0.2.23;"},
    };
    for (const Case& c : cases) EXPECT_EQ(Described(Listed(c.text)), c.listed) << c.text;

    // Where each came from, for the messages.
    const auto fromFile = Listed("@" + rooms.path());
    ASSERT_EQ(fromFile.size(), 4u);
    EXPECT_EQ(fromFile[1].origin, rooms.path() + ":4");
    EXPECT_EQ(Listed("10.0.0.1,10.0.0.2")[1].origin, "--projector");
}

// Bad content is a usage error naming the file and line (or the option), and
// what is wrong.
TEST(BeamctlProjectorList, BadContentNamesWhereAndWhat)
{
    const ListFile badAddress("10.0.0.1\n\n10.0.0.300\n");
    const ListFile badProtocol("10.0.0.1 telnet\n");
    const ListFile threeWords("10.0.0.1 native extra\n");
    const ListFile twice("10.0.0.1\n# again, with leading zeros\n010.0.0.001 pjlink\n");
    const ListFile nothing("# nothing but comments\n\n   \n");
    const ListFile unset("0.0.0.0\n");
    const std::string missing = testing::TempDir() + "beamctl-no-such-list.txt";
    struct Case {
        std::string text;
        std::string says;
    } const cases[] = {
        {"@" + badAddress.path(), badAddress.path() + ":3: '10.0.0.300' is not an IPv4 address"},
        {"@" + badProtocol.path(), badProtocol.path() + ":1: 'telnet' is not a protocol (native or pjlink)"},
        {"@" + threeWords.path(), threeWords.path() + ":1: '10.0.0.1 native extra' is more than an address and a protocol"},
        {"@" + twice.path(), twice.path() + ":3: 10.0.0.1 is listed already (" + twice.path() + ":1)"},
        {"@" + nothing.path(), "'" + nothing.path() + "' lists no projector"},
        {"@" + unset.path(), unset.path() + ":1: 0.0.0.0 names no projector"},
        {"@" + missing, "--projector: cannot read '" + missing + "' ("},
        {"@", "--projector: '@' names no file"},
        {"10.0.0.1,,10.0.0.2", "--projector: an empty entry in the list of projectors"},
        {"10.0.0.1,", "--projector: an empty entry"},
        {",10.0.0.1", "--projector: an empty entry"},
        {"10.0.0.1,10.0.0.01", "--projector: 10.0.0.1 is listed twice"},
        {"10.0.0.1,10.0.0.2 native", "--projector: '10.0.0.2 native' is not an IPv4 address"},
        {"10.0.0.1;10.0.0.2", "--projector: '10.0.0.1;10.0.0.2' is not an IPv4 address"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseProjectorList(c.text, "--projector");
        const UsageError* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << c.text;
        EXPECT_NE(error->message.find(c.says), std::string::npos) << c.text << ": " << error->message;
    }
}

// Each projector on its own session, the output lines after its address; a
// failure is one line on stderr with its address, and exit 6.
TEST_F(BeamctlFleet, EachOutputLineAfterItsAddress)
{
    const std::string native = Start();
    const std::string pjlink = Start(Sim::Protocol::Pjlink);
    Fleet(0).SetMute(true);
    Fleet(1).SetPower("1");
    const ListFile rooms(native + "\n" + pjlink + " pjlink\n" + Nowhere() + "\n");

    const RunOutcome text = RunAsGiven({"--projector", "@" + rooms.path(), "--timeout", "3000", "status"});
    EXPECT_EQ(text.status, 6) << text.err;
    EXPECT_EQ(text.out, native + ": power=01\n" + native + ": mute=ON\n" + native + ": freeze=OFF\n" + native +
                            ": cc=00\n" + pjlink + ": power=1\n" + pjlink + ": mute=30\n" + pjlink + ": input=11\n" +
                            pjlink + ": freeze=0\n");
    EXPECT_EQ(text.err, "beamctl: " + Nowhere() + ": no projector at " + Nowhere() + ": the connection was refused\n");

    const RunOutcome json = RunAsGiven({"--json", "--projector", "@" + rooms.path(), "status"});
    EXPECT_EQ(json.status, 6) << json.err;
    EXPECT_EQ(json.out, "{\"" + native + "\": {\"power\": \"01\", \"mute\": \"ON\", \"freeze\": \"OFF\", \"cc\": \"00\"}, \"" +
                            pjlink + "\": {\"power\": \"1\", \"mute\": \"30\", \"input\": \"11\", \"freeze\": \"0\"}, \"" +
                            Nowhere() + "\": {\"error\": \"no projector at " + Nowhere() +
                            ": the connection was refused\", \"exit\": 3}}\n");
    EXPECT_EQ(LineCount(json.err), 1u) << json.err;

    // All confirmed: exit 0. A switch prints nothing, in JSON an empty object each.
    const std::string another = Start();
    Fleet(2).SetMute(true);
    const RunOutcome off = RunAsGiven({"--projector", native + "," + another, "--json", "mute", "off"});
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(off.out, "{\"" + native + "\": {}, \"" + another + "\": {}}\n");
    EXPECT_EQ(off.err, "");
    EXPECT_FALSE(Fleet(0).Mute());
    EXPECT_FALSE(Fleet(2).Mute());

    // Reply lines of a raw command: after the address, only when confirmed.
    const ListFile both(native + "\n" + pjlink + "\n");
    const RunOutcome sent = RunAsGiven({"--projector", "@" + both.path(), "send", "MUTE?"});
    EXPECT_EQ(sent.status, 6);
    EXPECT_EQ(sent.out, native + ": MUTE=OFF\n");
    EXPECT_EQ(LineCount(sent.err), 1u) << sent.err;
    EXPECT_EQ(sent.err.rfind("beamctl: " + pjlink + ": ", 0), 0u) << "the PJLink projector got no greeting back";
}

// A line's protocol wins over --protocol and BEAMDESK_PROTOCOL; a line without
// one takes theirs. One password for all, checked against each protocol.
TEST_F(BeamctlFleet, EachItsOwnProtocolAndPassword)
{
    const std::string native = Start(Sim::Protocol::Native, [](Sim::Options& o) { o.password = "abc1"; });
    const std::string pjlink = Start(Sim::Protocol::Pjlink, [](Sim::Options& o) { o.password = "abc1"; });
    const ListFile rooms(native + " native\n" + pjlink + "\n");
    for (const auto& [option, variable] : {std::pair{"--protocol=pjlink", ""}, std::pair{"", "pjlink"}}) {
        m_environment.clear();
        if (*variable) m_environment["BEAMDESK_PROTOCOL"] = variable;
        std::vector<std::string> args{"--projector", "@" + rooms.path(), "--password", "abc1", "status"};
        if (*option) args.insert(args.begin(), option);
        const RunOutcome r = RunAsGiven(args);
        EXPECT_EQ(r.status, 0) << option << variable << ": " << r.err;
        EXPECT_NE(r.out.find(native + ": cc=00\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(pjlink + ": input=11\n"), std::string::npos) << r.out;
    }
    m_environment.clear();

    // The same password is no PJLink one: a usage error naming the line.
    const int connections = ConnectionsToAll();
    const RunOutcome bad = RunAsGiven({"--projector", "@" + rooms.path(), "--protocol", "pjlink", "--password",
                                       "abc-1", "status"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind("beamctl: " + rooms.path() + ":2: " + pjlink +
                                " (pjlink): --password: a PJLink password may hold only ASCII letters and digits",
                            0),
              0u)
        << bad.err;
    EXPECT_EQ(ConnectionsToAll(), connections);
}

// The saved password goes to the saved address only when the address comes
// from the settings too: never to a listed one, the saved address included.
TEST_F(BeamctlFleet, NoSavedPasswordForAListedProjector)
{
    const std::string first = Start();
    const std::string second = Start();
    m_saved = SavedProjector{first, "saved1"};
    const RunOutcome r = RunAsGiven({"--projector", first + "," + second, "volume", "up"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (std::size_t i = 0; i < 2; ++i) {
        const auto received = Fleet(i).Received();
        ASSERT_EQ(received.size(), 2u) << i;
        EXPECT_EQ(Sim::Escape(received[1].substr(18, 16)), Sim::Escape(std::string(16, '\0'))) << i;
    }
}

// Anything wrong with any entry, or a command some protocol of the list has
// not, stops the run before a single connection.
TEST_F(BeamctlFleet, BadContentSendsNothing)
{
    const std::string native = Start();
    const std::string pjlink = Start(Sim::Protocol::Pjlink);
    const ListFile badLine(native + "\n" + pjlink + " pjlink\n" + "127.0.68\n");
    const ListFile mixed(pjlink + " pjlink\n" + native + "\n");
    const ListFile named(pjlink + "\n" + native + " native\n");
    struct Case {
        std::vector<std::string> args;
        std::string says;
    } const cases[] = {
        {{"--projector", "@" + badLine.path(), "status"}, badLine.path() + ":3: '127.0.68' is not an IPv4 address"},
        {{"--projector", native + "," + pjlink + ",", "status"}, "an empty entry"},
        // The line's own protocol: the message names the line.
        {{"--projector", "@" + named.path(), "--protocol", "pjlink", "info"},
         named.path() + ":2: " + native + " (native): info: the native protocol has no queries"},
        {{"--projector", "@" + mixed.path(), "cc", "cc1"},
         mixed.path() + ":1: " + pjlink + " (pjlink): cc: PJLink has no caption channels"},
        // The run's protocol: as for one projector.
        {{"--projector", "@" + mixed.path(), "info"}, "beamctl: info: the native protocol has no queries"},
        {{"--projector", "@" + mixed.path(), "--prometheus", "power", "on"}, "only status and info give metrics"},
        {{"--projector", "@" + mixed.path(), "--prometheus", "--json", "status"}, "give one"},
    };
    for (const Case& c : cases) {
        const RunOutcome r = RunAsGiven(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_EQ(r.out, "") << c.says;
        EXPECT_EQ(LineCount(r.err), 1u) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_EQ(ConnectionsToAll(), 0);
}

namespace {

// Stands in for the sockets: every connect waits until `most` of them are
// under way at once (or a generous limit passes), then is refused. So the
// run must reach `most` sessions at once to end early, and can never have
// more.
class CountingConnects {
public:
    explicit CountingConnects(int most) : m_most(most) {}

    Transport::ConnectResult Connect()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_now;
        m_highest = std::max(m_highest, m_now);
        if (m_now >= m_most) m_reached = true;
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return m_reached; });
        --m_now;
        return Transport::ConnectResult::Refused;
    }

    int Highest()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_highest;
    }

private:
    const int m_most;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_now = 0;
    int m_highest = 0;
    bool m_reached = false;
};

class CountedTransport final : public Transport {
public:
    explicit CountedTransport(CountingConnects& counter) : m_counter(counter) {}
    ConnectResult Connect(const Ipv4Address&, std::uint16_t, std::chrono::milliseconds) override
    {
        return m_counter.Connect();
    }
    bool Send(std::string_view) override { return false; }
    ReceiveResult Receive(char*, std::size_t, std::size_t& received, std::chrono::milliseconds) override
    {
        received = 0;
        return ReceiveResult::Closed;
    }
    void Close() override {}
    bool PeerClosed() override { return false; }

private:
    CountingConnects& m_counter;
};

}  // namespace

TEST_F(BeamctlFleet, AtMost64SessionsAtOnce)
{
    CountingConnects counter(64);
    m_makeTransport = [&counter]() -> std::unique_ptr<Transport> { return std::make_unique<CountedTransport>(counter); };
    std::string list;
    for (int i = 1; i <= 100; ++i) list.append(i > 1 ? "," : "").append("127.0.69.").append(std::to_string(i));
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome r = RunAsGiven({"--projector", list, "--protocol", "pjlink", "status"});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << "64 never were under way at once";
    EXPECT_EQ(counter.Highest(), 64);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(LineCount(r.err), 100u);
    EXPECT_EQ(r.err.rfind("beamctl: 127.0.69.1: no projector at 127.0.69.1: the connection was refused\n", 0), 0u)
        << "in the order listed";
}

// One projector's metrics: every family with its HELP and TYPE once, the
// address and protocol on every sample, label values escaped.
TEST_F(BeamctlFleet, PrometheusMetricsOfOneProjector)
{
    const std::string address = Start(Sim::Protocol::Pjlink, [](Sim::Options& o) {
        o.name = "Hall \"B\" \\ 2\nnorth caf\xE9";  // a quote, a backslash, a line feed, a Latin-1 byte
        o.lampHours = {1520, 7};
        o.errorStatus = "010200";
    });
    Fleet(0).SetPower("1");
    Fleet(0).SetAvMute("11");
    Fleet(0).SetSource("31");
    const std::string labels = "address=\"" + address + "\",protocol=\"pjlink\"";
    const RunOutcome r = RunAsGiven({"--projector", address, "--protocol", "pjlink", "--prometheus", "status", "info"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "# HELP projector_up Whether the projector answered beamctl's queries (1) or not (0).\n"
              "# TYPE projector_up gauge\n"
              "projector_up{" + labels + "} 1\n"
              "# HELP projector_power_state The projector's power: 0 standby, 1 on, 2 cooling down, 3 warming up.\n"
              "# TYPE projector_power_state gauge\n"
              "projector_power_state{" + labels + "} 1\n"
              "# HELP projector_av_mute 1 while the picture or the sound is muted (A/V mute), else 0.\n"
              "# TYPE projector_av_mute gauge\n"
              "projector_av_mute{" + labels + "} 1\n"
              "# HELP projector_freeze 1 while the picture is frozen, else 0.\n"
              "# TYPE projector_freeze gauge\n"
              "projector_freeze{" + labels + "} 0\n"
              "# HELP projector_input_info The input the projector shows, by its PJLink code; always 1.\n"
              "# TYPE projector_input_info gauge\n"
              "projector_input_info{" + labels + ",input=\"31\"} 1\n"
              "# HELP projector_info What the projector tells of itself; always 1.\n"
              "# TYPE projector_info gauge\n"
              "projector_info{" + labels + ",name=\"Hall \\\"B\\\" \\\\ 2\\nnorth caf\xC3\xA9\",manufacturer=\"Beamdesk\","
              "product=\"Simulated Projector\",class=\"2\"} 1\n"
              "# HELP projector_lamp_hours Hours each lamp has been lit, as the projector counts them.\n"
              "# TYPE projector_lamp_hours gauge\n"
              "projector_lamp_hours{" + labels + ",lamp=\"1\"} 1520\n"
              "projector_lamp_hours{" + labels + ",lamp=\"2\"} 7\n"
              "# HELP projector_error The state the projector reports for each part: 0 ok, 1 warning, 2 error.\n"
              "# TYPE projector_error gauge\n"
              "projector_error{" + labels + ",kind=\"fan\"} 0\n"
              "projector_error{" + labels + ",kind=\"lamp\"} 1\n"
              "projector_error{" + labels + ",kind=\"temperature\"} 0\n"
              "projector_error{" + labels + ",kind=\"cover\"} 2\n"
              "projector_error{" + labels + ",kind=\"filter\"} 0\n"
              "projector_error{" + labels + ",kind=\"other\"} 0\n");
}

// Many projectors: one HELP and TYPE per family, the samples of every
// projector under it; one that did not answer has projector_up 0 and nothing
// else, and the run exits 6.
TEST_F(BeamctlFleet, PrometheusMetricsOfMany)
{
    const std::string native = Start();
    const std::string pjlink = Start(Sim::Protocol::Pjlink);
    Fleet(0).SetPower("03");
    const ListFile rooms(native + "\n" + Nowhere() + "\n" + pjlink + " pjlink\n");
    const RunOutcome r = RunAsGiven({"--projector", "@" + rooms.path(), "--prometheus", "status"});
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(LineCount(r.err), 1u) << r.err;
    const auto sample = [](const std::string& name, const std::string& address, const std::string& protocol,
                           const std::string& value) {
        return name + "{address=\"" + address + "\",protocol=\"" + protocol + "\"} " + value + "\n";
    };
    const std::string out = r.out;
    EXPECT_NE(out.find("# TYPE projector_up gauge\n" + sample("projector_up", native, "native", "1") +
                       sample("projector_up", Nowhere(), "native", "0") + sample("projector_up", pjlink, "pjlink", "1")),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("# TYPE projector_power_state gauge\n" + sample("projector_power_state", native, "native", "1") +
                       sample("projector_power_state", pjlink, "pjlink", "0") + "# HELP"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("projector_caption_info{address=\"" + native + "\",protocol=\"native\",channel=\"00\"} 1\n"),
              std::string::npos);
    // Once per family; nothing of the projector that did not answer but its up.
    for (const char* family : {"projector_up", "projector_power_state", "projector_av_mute", "projector_freeze"}) {
        const std::string help = "# HELP "s + family + " ";
        EXPECT_NE(out.find(help), std::string::npos) << family;
        EXPECT_EQ(out.find(help), out.rfind(help)) << family;
    }
    std::size_t nowhere = 0;
    for (std::size_t at = 0; (at = out.find(Nowhere(), at)) != std::string::npos; ++at) ++nowhere;
    EXPECT_EQ(nowhere, 1u) << out;
}

// status and info on one session: both sets of items, each failing by its
// own rule.
TEST_F(BeamctlFleet, StatusAndInfoTogether)
{
    const std::string pjlink = Start(Sim::Protocol::Pjlink, [](Sim::Options& o) { o.lampHours = {}; });
    const RunOutcome r = RunAsGiven({"--projector", pjlink, "--protocol", "pjlink", "status", "info"});
    EXPECT_EQ(r.status, 0) << "a projector without a lamp is no failure of info: " << r.err;
    EXPECT_EQ(r.out, "power=0\nmute=30\ninput=11\nfreeze=0\nname=Beamdesk Sim\nmanufacturer=Beamdesk\n"
                     "product=Simulated Projector\nclass=2\n"
                     "errors=fan:ok lamp:ok temperature:ok cover:ok filter:ok other:ok\n"
                     "inputs=11 12 21 22 31 32 51\n");
    EXPECT_EQ(Fleet(0).ConnectionCount(), 1);

    const RunOutcome native = RunAsGiven({"--projector", Start(), "status", "info"});
    EXPECT_EQ(native.status, 2);
    EXPECT_NE(native.err.find("info: the native protocol has no queries"), std::string::npos) << native.err;
}

TEST(BeamctlPrometheus, LabelValuesAreEscapedUtf8)
{
    struct Case {
        std::string bytes;
        std::string value;
    } const cases[] = {
        {"Room 4", "Room 4"},
        {"a\\b\"c\nd", "a\\\\b\\\"c\\nd"},
        {"tab\tand CR\r stay", "tab\tand CR\r stay"},
        {"S\xC3\xBC" "d \xE2\x80\x93 north", "S\xC3\xBC" "d \xE2\x80\x93 north"},  // UTF-8 as it is
        {"caf\xE9 \x85", "caf\xC3\xA9 \xC2\x85"},                                // any other byte as Latin-1
    };
    for (const Case& c : cases) EXPECT_EQ(PrometheusLabelValue(c.bytes), c.value) << c.bytes;
}
